#pragma once

#include "RuleSet.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// What the program keeps of a stored call beyond its Array.bin record.
struct ScreenedCall {
    QString record; // the call as RefusedCalls::lineOf writes it (without its call number)
    bool refused = false;
    QString reason;       // why it was refused, as the notice and the log say it ("" when not refused)
    QString line;         // the line it rang on, where there is more than one
    QString alias;        // the user's own name it was shown under
    qint64 ruleId = 0;    // the rule that decided it
    bool byRules = false; // refused by the user's own rules (a pattern, the allow-only switch)
};

// The screening rules, the aliases and the calls' screening, in one SQLite database in the data
// folder (WAL journal, synchronous writes, every change one transaction: what a change reports as
// stored survives a kill or a full disk). A database that cannot be opened, is damaged or is read
// only is not used: `status()` says why, and a damaged file is kept aside, renamed.
class ScreeningStore {
public:
    enum class Status {
        Open,
        NotCreated, // none yet, and the folder takes no new file: nothing is lost, nothing said
        Unopenable, // the file is there but could not be opened
        Damaged,    // kept aside as `keptAs()`; a new, empty one is in its place when one could be made
        ReadOnly,   // the file or its folder may not be written
    };
    static QString fileName() { return QStringLiteral("screening.db"); }

    explicit ScreeningStore(const QString &folder);
    ~ScreeningStore();
    ScreeningStore(const ScreeningStore &) = delete;
    ScreeningStore &operator=(const ScreeningStore &) = delete;

    // Opens (or creates) the database; the first open reads refused.txt into it once.
    bool open();
    // Opens an existing database only to read it: nothing is created, changed or moved aside.
    bool openForReading();
    // In use: open, or made anew in place of a damaged one.
    bool isOpen() const { return m_open; }
    Status status() const { return m_status; }
    // What went wrong, for the user: one sentence ("" when open).
    QString problem() const { return m_problem; }
    QString path() const { return m_path; }
    QString keptAs() const { return m_keptAs; }

    // The rules, the aliases and the allow-only switch, into `set` (cleared first).
    bool load(RuleSet *set, QString *error = nullptr);
    // Whether another process changed the database since the last look (cheap: one pragma).
    bool changedElsewhere();

    // A rule with the same action, field and pattern is replaced (its count kept); `rule.id` is set.
    bool addRule(ScreeningRule *rule, QString *error = nullptr);
    bool updateRule(const ScreeningRule &rule, QString *error = nullptr);
    bool removeRule(qint64 id, QString *error = nullptr);
    // Every rule with this pattern, whatever its action or field; the count removed in `removed`.
    bool removePattern(const QString &pattern, int *removed, QString *error = nullptr);
    bool setAlias(const QString &number, const QString &name, QString *error = nullptr); // "" removes
    bool setAllowOnly(bool on, QString *error = nullptr);
    // Many rules and aliases at once, in one transaction: all or none.
    bool addAll(QList<ScreeningRule> rules, const QList<QPair<QString, QString>> &aliases, QString *error = nullptr);

    // A stored call's screening, and the deciding rule's count, in one transaction.
    bool addCall(const ScreenedCall &call, QString *error = nullptr);
    // Why calls were refused, where it is known, by their record, oldest first: what the Refused
    // column of the Calls Log and of the export says.
    QHash<QString, QStringList> refusalReasons(QString *error = nullptr);
    QList<ScreenedCall> calls(QString *error = nullptr);

private:
    bool prepare();
    bool importRefusedFile();
    bool fail(Status status, const QString &problem);
    void keepDamagedAside();
    void close();

    QString m_folder, m_path, m_connection, m_problem, m_keptAs;
    Status m_status = Status::Unopenable;
    bool m_open = false;
    qint64 m_dataVersion = -1;
};
