#pragma once

#include "RuleSet.h"
#include "ScreeningStore.h"

#include <QString>

// The user's screening rules as the running program uses them: the store in the data folder and
// the rules read from it, read again when another process (the command line) changed them, so
// that the next call sees the change. One is installed for the program's life; with none, or
// with a store that could not be used, calls are screened by the blocked list and the
// telemarketer switch alone.
class Screening {
public:
    explicit Screening(const QString &folder);
    Screening(const Screening &) = delete;
    Screening &operator=(const Screening &) = delete;

    static Screening *current();
    static void install(Screening *screening); // nullptr: none

    // Opens the store and reads the rules. False when the store is not used; `problem()` then
    // says why in a sentence for the user, or is empty when there is nothing to tell (a folder
    // that takes no file, and so no rules).
    bool open();
    QString problem() const;
    ScreeningStore &store() { return m_store; }

    // The rules as they are now (read again first when another process changed them).
    const RuleSet &rules();
    // Reads the rules again if another process changed them: while no call rings, so that a
    // long list is not read at the start of a call.
    void refresh();
    // What the rules as last read say of a caller (refresh() first to see another process's
    // changes): `number` as received, `shown` as displayed, `name` as received.
    RuleVerdict decide(const QString &number, const QString &shown, const QString &name);
    // Whether the rules as last read hold a pattern (the number as displayed is asked for only then).
    bool hasPatterns() const { return !m_rules.rules().isEmpty(); }
    // The deciding rule of a verdict, or nullptr.
    const ScreeningRule *ruleOf(const RuleVerdict &v) const;

    // Changes, stored and then in force for the next call. False with the reason in `error`.
    bool addRule(ScreeningRule *rule, QString *error = nullptr);
    bool updateRule(const ScreeningRule &rule, QString *error = nullptr);
    bool removeRule(qint64 id, QString *error = nullptr);
    bool setAlias(const QString &number, const QString &name, QString *error = nullptr);
    bool setAllowOnly(bool on, QString *error = nullptr);

    // A stored call's screening; false (logged) when the store could not take it.
    bool recordCall(const ScreenedCall &call);

    // Reads the store again (after a change made through it).
    bool reload(QString *error = nullptr);
    // Goes up whenever the rules in memory change (read again, a call counted): a window that
    // lists them lists them again only when it moved.
    quint64 changes() const { return m_changes; }

private:
    ScreeningStore m_store;
    RuleSet m_rules;
    quint64 m_changes = 0;
};

// Installs a screening for the life of a scope (tests).
class ScreeningScope {
public:
    explicit ScreeningScope(Screening *s) { Screening::install(s); }
    ~ScreeningScope() { Screening::install(nullptr); }
    ScreeningScope(const ScreeningScope &) = delete;
    ScreeningScope &operator=(const ScreeningScope &) = delete;
};
