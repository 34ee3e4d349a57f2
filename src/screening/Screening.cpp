#include "Screening.h"

#include "Log.h"

namespace {
Screening *g_current = nullptr;
}

Screening::Screening(const QString &folder) : m_store(folder) {}

Screening *Screening::current()
{
    return g_current;
}

void Screening::install(Screening *screening)
{
    g_current = screening;
}

bool Screening::open()
{
    m_rules.clear();
    if (!m_store.open())
        return false;
    return reload();
}

QString Screening::problem() const
{
    switch (m_store.status()) {
    case ScreeningStore::Status::Open:
    case ScreeningStore::Status::NotCreated:
        return QString();
    case ScreeningStore::Status::Damaged:
        return m_store.problem() + QStringLiteral(". Calls are screened by the blocked list and the telemarketer "
                                                  "switch until rules are added again.");
    case ScreeningStore::Status::Unopenable:
    case ScreeningStore::Status::ReadOnly:
        break;
    }
    return QStringLiteral("The screening rules in %1 cannot be used (%2). Calls are screened by the blocked list and "
                          "the telemarketer switch only.")
        .arg(m_store.path(), m_store.problem());
}

bool Screening::reload(QString *error)
{
    QString why;
    ++m_changes; // a failed reading leaves the rules cleared
    if (m_store.load(&m_rules, &why))
        return true;
    qCWarning(lcFiles).noquote() << m_store.path() << ": the screening rules could not be read:" << why;
    if (error)
        *error = why;
    return false;
}

const RuleSet &Screening::rules()
{
    if (m_store.changedElsewhere())
        reload();
    return m_rules;
}

void Screening::refresh()
{
    (void)rules();
}

RuleVerdict Screening::decide(const QString &number, const QString &shown, const QString &name)
{
    return m_rules.decide(number, shown, name);
}

const ScreeningRule *Screening::ruleOf(const RuleVerdict &v) const
{
    return v.rule >= 0 && v.rule < m_rules.rules().size() ? &m_rules.rules().at(v.rule) : nullptr;
}

bool Screening::addRule(ScreeningRule *rule, QString *error)
{
    return m_store.addRule(rule, error) && reload(error);
}

bool Screening::updateRule(const ScreeningRule &rule, QString *error)
{
    return m_store.updateRule(rule, error) && reload(error);
}

bool Screening::removeRule(qint64 id, QString *error)
{
    return m_store.removeRule(id, error) && reload(error);
}

bool Screening::setAlias(const QString &number, const QString &name, QString *error)
{
    return m_store.setAlias(number, name, error) && reload(error);
}

bool Screening::setAllowOnly(bool on, QString *error)
{
    return m_store.setAllowOnly(on, error) && reload(error);
}

bool Screening::recordCall(const ScreenedCall &call)
{
    if (!m_store.isOpen())
        return false;
    QString error;
    const bool ok = m_store.addCall(call, &error);
    ProgramLog::fileWritten(m_store.path(), QStringLiteral("(screened call)"), ok, error);
    // The count in memory follows the stored one, without reading every rule again.
    if (ok && call.ruleId > 0) {
        m_rules.counted(call.ruleId);
        ++m_changes;
    }
    return ok;
}
