#include "ScreeningStore.h"

#include "CallExport.h"
#include "Log.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <optional>

namespace {

const char *actionName(RuleAction a)
{
    return a == RuleAction::Allow ? "allow" : "block";
}

const char *fieldName(RuleField f)
{
    return f == RuleField::Name ? "name" : "number";
}

bool setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// SQLite takes a null QString for NULL: the columns hold "" for none.
QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

// One statement, run or its error in `error`.
bool exec(QSqlQuery &q, QString *error)
{
    if (q.exec())
        return true;
    return setError(error, q.lastError().text());
}

bool execText(const QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    return setError(error, q.lastError().text());
}

const QString Schema[] = {
    QStringLiteral("CREATE TABLE IF NOT EXISTS rules (id INTEGER PRIMARY KEY, action TEXT NOT NULL, field TEXT NOT "
                   "NULL, pattern TEXT NOT NULL, comment TEXT NOT NULL DEFAULT '', name TEXT NOT NULL DEFAULT '', "
                   "matches INTEGER NOT NULL DEFAULT 0, UNIQUE (action, field, pattern))"),
    QStringLiteral("CREATE TABLE IF NOT EXISTS aliases (number TEXT PRIMARY KEY, name TEXT NOT NULL)"),
    QStringLiteral("CREATE TABLE IF NOT EXISTS options (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
    QStringLiteral(
        "CREATE TABLE IF NOT EXISTS calls (id INTEGER PRIMARY KEY, record TEXT NOT NULL, refused INTEGER "
        "NOT NULL, reason TEXT NOT NULL DEFAULT '', line TEXT NOT NULL DEFAULT '', alias TEXT NOT NULL "
        "DEFAULT '', rule INTEGER NOT NULL DEFAULT 0, by_rules INTEGER NOT NULL DEFAULT 0, stored TEXT NOT NULL "
        "DEFAULT '')"),
    QStringLiteral("CREATE INDEX IF NOT EXISTS calls_record ON calls (record)"),
};

// A transaction that is rolled back unless committed.
class Transaction {
public:
    explicit Transaction(QSqlDatabase db) : m_db(std::move(db)) { m_open = m_db.transaction(); }
    ~Transaction()
    {
        if (m_open)
            m_db.rollback();
    }
    bool begun(QString *error) const { return m_open || setError(error, m_db.lastError().text()); }
    bool commit(QString *error)
    {
        m_open = false;
        if (m_db.commit())
            return true;
        setError(error, m_db.lastError().text());
        m_db.rollback();
        return false;
    }

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

bool insertRule(const QSqlDatabase &db, ScreeningRule *rule, QString *error)
{
    // A rule already there keeps its row and its count; its comment and name are the new ones.
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO rules (action, field, pattern, comment, name) VALUES (?, ?, ?, ?, ?) "
                             "ON CONFLICT (action, field, pattern) DO UPDATE SET comment = excluded.comment, "
                             "name = excluded.name"));
    q.addBindValue(QString::fromLatin1(actionName(rule->action)));
    q.addBindValue(QString::fromLatin1(fieldName(rule->field)));
    q.addBindValue(text(rule->pattern));
    q.addBindValue(text(rule->comment));
    q.addBindValue(text(rule->name));
    if (!exec(q, error))
        return false;
    QSqlQuery id(db);
    id.prepare(QStringLiteral("SELECT id, matches FROM rules WHERE action = ? AND field = ? AND pattern = ?"));
    id.addBindValue(QString::fromLatin1(actionName(rule->action)));
    id.addBindValue(QString::fromLatin1(fieldName(rule->field)));
    id.addBindValue(text(rule->pattern));
    if (!exec(id, error) || !id.next())
        return setError(error, QStringLiteral("the rule was not found after it was stored"));
    rule->id = id.value(0).toLongLong();
    rule->matches = id.value(1).toLongLong();
    return true;
}

bool upsertAlias(const QSqlDatabase &db, const QString &number, const QString &name, QString *error)
{
    QSqlQuery q(db);
    if (name.isEmpty()) {
        q.prepare(QStringLiteral("DELETE FROM aliases WHERE number = ?"));
        q.addBindValue(text(number));
    } else {
        q.prepare(QStringLiteral("INSERT INTO aliases (number, name) VALUES (?, ?) ON CONFLICT (number) DO UPDATE "
                                 "SET name = excluded.name"));
        q.addBindValue(text(number));
        q.addBindValue(text(name));
    }
    return exec(q, error);
}

} // namespace

ScreeningStore::ScreeningStore(const QString &folder) : m_folder(folder), m_path(QDir(folder).filePath(fileName()))
{
    static QAtomicInt serial;
    m_connection = QStringLiteral("screening-%1").arg(serial.fetchAndAddRelaxed(1));
}

ScreeningStore::~ScreeningStore()
{
    close();
}

void ScreeningStore::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool ScreeningStore::fail(Status status, const QString &problem)
{
    close();
    m_open = false;
    m_status = status;
    m_problem = problem;
    qCWarning(lcFiles).noquote() << m_path << ":" << problem;
    return false;
}

bool ScreeningStore::open()
{
    close();
    m_keptAs.clear();
    m_problem.clear();
    const QFileInfo file(m_path);
    const QFileInfo folder(m_folder);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(Status::Unopenable, QStringLiteral("the SQLite driver of Qt is not installed"));
    if (!file.exists() && !(folder.isDir() && folder.isWritable()))
        return fail(Status::NotCreated, QStringLiteral("the folder takes no new file"));
    if (file.exists() && (!file.isFile() || !file.isReadable()))
        return fail(Status::Unopenable, QStringLiteral("the file cannot be read"));
    // The journal and its index live beside the database: the folder must take them too.
    if (file.exists() && (!file.isWritable() || !folder.isWritable()))
        return fail(Status::ReadOnly, QStringLiteral("the file or its folder is read only"));
    if (!prepare()) {
        if (m_status != Status::Damaged)
            return false;
        // Kept aside for whoever wants to look; a new one takes the rules from now on.
        const QString problem = m_problem;
        const QString keptAs = m_keptAs;
        if (keptAs.isEmpty() || !prepare()) {
            m_keptAs = keptAs;
            return fail(Status::Damaged, problem);
        }
        m_keptAs = keptAs;
        m_problem = problem;
        m_status = Status::Damaged;
        m_open = true;
        return true;
    }
    m_status = Status::Open;
    return true;
}

bool ScreeningStore::openForReading()
{
    close();
    m_problem.clear();
    // Quiet: whoever only reads goes on without it, and says so itself where that matters.
    m_open = false;
    m_status = Status::Unopenable;
    if (!QFileInfo(m_path).isFile() || !QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open()) {
            m_problem = db.lastError().text();
            db = QSqlDatabase();
            close();
            return false;
        }
    }
    // A damaged file shows in the first query, which then fails: the caller goes on without it.
    m_status = Status::Open;
    m_open = true;
    return true;
}

void ScreeningStore::keepDamagedAside()
{
    close();
    m_open = false;
    const QString aside =
        m_path + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    if (QFile::rename(m_path, aside)) {
        m_keptAs = aside;
        // Its journal belongs to it, not to the new one.
        QFile::rename(m_path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
        QFile::remove(m_path + QStringLiteral("-shm"));
    }
}

bool ScreeningStore::prepare()
{
    const bool existed = QFileInfo::exists(m_path);
    // Every query and handle of the attempt is gone before the connection may be closed.
    struct Failure {
        Status status;
        QString why;
    };
    const auto attempt = [&]() -> std::optional<Failure> {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        // Another process (a command-line change) may hold the write lock for a moment.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open())
            return Failure{Status::Unopenable, db.lastError().text()};
        QSqlQuery check(db);
        const bool ran = check.exec(QStringLiteral("PRAGMA quick_check"));
        // Only a file that is no database, or a damaged one, is moved aside: one that is busy
        // or cannot be read now is left as it is.
        const QString code = check.lastError().nativeErrorCode();
        if (!ran && code != QLatin1String("26") && code != QLatin1String("11"))
            return Failure{Status::Unopenable, check.lastError().text()};
        if (!ran || !check.next() || check.value(0).toString() != QLatin1String("ok"))
            return Failure{Status::Damaged, !ran ? check.lastError().text() : check.value(0).toString()};
        check.finish(); // a statement still open keeps a read going, and the journal cannot change
        QSqlQuery mode(db);
        if (!mode.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !mode.next() ||
            mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            return Failure{Status::ReadOnly, QStringLiteral("the journal cannot be written beside the database")};
        mode.finish();
        QString error;
        bool ok = execText(db, QStringLiteral("PRAGMA synchronous=FULL"), &error);
        for (const QString &sql : Schema)
            ok = ok && execText(db, sql, &error);
        if (!ok)
            return Failure{existed ? Status::ReadOnly : Status::Unopenable, error};
        return std::nullopt;
    };
    if (const std::optional<Failure> failure = attempt()) {
        if (failure->status != Status::Damaged)
            return fail(failure->status, failure->why);
        keepDamagedAside();
        m_status = Status::Damaged;
        m_problem = QStringLiteral("the screening database was damaged (%1)").arg(failure->why);
        if (!m_keptAs.isEmpty())
            m_problem += QStringLiteral("; it is kept as ") + QFileInfo(m_keptAs).fileName();
        qCWarning(lcFiles).noquote() << m_path << ":" << m_problem;
        return false;
    }
    m_status = Status::Open;
    m_open = true;
    if (!importRefusedFile())
        qCWarning(lcFiles).noquote() << m_path << ": refused.txt could not be read into it; tried again next time";
    changedElsewhere();
    return true;
}

bool ScreeningStore::importRefusedFile()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery done(db);
    if (!done.exec(QStringLiteral("SELECT value FROM options WHERE key = 'refused-read'")))
        return false;
    if (done.next())
        return true;
    done = QSqlQuery();
    const QString refusedPath = QDir(m_folder).filePath(RefusedCalls::fileName());
    QFile refused(refusedPath);
    Transaction t(db);
    QString error;
    if (!t.begun(&error))
        return false;
    int read = 0;
    if (refused.open(QIODevice::ReadOnly)) {
        QSqlQuery add(db);
        add.prepare(QStringLiteral("INSERT INTO calls (record, refused, stored) VALUES (?, 1, 'refused.txt')"));
        while (!refused.atEnd()) {
            const QByteArray raw = refused.readLine().trimmed();
            if (raw.isEmpty())
                continue;
            add.addBindValue(QString::fromUtf8(QByteArray::fromPercentEncoding(raw)));
            if (!exec(add, &error))
                return false;
            ++read;
        }
    }
    QSqlQuery mark(db);
    mark.prepare(QStringLiteral("INSERT INTO options (key, value) VALUES ('refused-read', ?)"));
    mark.addBindValue(QString::number(read));
    if (!exec(mark, &error) || !t.commit(&error))
        return false;
    if (refused.isOpen())
        qCInfo(lcFiles).noquote() << refusedPath << ":" << read << "refused calls read into" << fileName()
                                  << "(the file is left as it was)";
    return true;
}

bool ScreeningStore::changedElsewhere()
{
    if (!isOpen())
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("PRAGMA data_version")) || !q.next())
        return false;
    const qint64 version = q.value(0).toLongLong();
    const bool changed = m_dataVersion >= 0 && version != m_dataVersion;
    m_dataVersion = version;
    return changed;
}

bool ScreeningStore::load(RuleSet *set, QString *error)
{
    set->clear();
    if (!isOpen())
        return setError(error, m_problem);
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // One read transaction: the rules, aliases and switch of one moment.
    QSqlQuery begin(db);
    if (!begin.exec(QStringLiteral("BEGIN")))
        return setError(error, begin.lastError().text());
    QSqlQuery rules(db);
    rules.setForwardOnly(true);
    bool ok = rules.exec(QStringLiteral("SELECT id, action, field, pattern, comment, name, matches FROM rules "
                                        "ORDER BY id"));
    while (ok && rules.next()) {
        ScreeningRule r;
        r.id = rules.value(0).toLongLong();
        r.action = rules.value(1).toString() == QLatin1String("allow") ? RuleAction::Allow : RuleAction::Block;
        r.field = rules.value(2).toString() == QLatin1String("name") ? RuleField::Name : RuleField::Number;
        r.pattern = rules.value(3).toString();
        r.comment = rules.value(4).toString();
        r.name = rules.value(5).toString();
        r.matches = rules.value(6).toLongLong();
        set->add(r);
    }
    QSqlQuery aliases(db);
    aliases.setForwardOnly(true);
    ok = ok && aliases.exec(QStringLiteral("SELECT number, name FROM aliases"));
    while (ok && aliases.next())
        set->setAlias(aliases.value(0).toString(), aliases.value(1).toString());
    QSqlQuery only(db);
    ok = ok && only.exec(QStringLiteral("SELECT value FROM options WHERE key = 'allow-only'"));
    if (ok && only.next())
        set->allowOnly = only.value(0).toString() == QLatin1String("1");
    const QString why =
        !ok ? (rules.lastError().isValid() ? rules.lastError().text() : aliases.lastError().text()) : QString();
    rules = QSqlQuery();
    aliases = QSqlQuery();
    only = QSqlQuery();
    execText(db, QStringLiteral("COMMIT"), nullptr);
    if (!ok) {
        set->clear();
        return setError(error, why);
    }
    changedElsewhere();
    return true;
}

bool ScreeningStore::addRule(ScreeningRule *rule, QString *error)
{
    if (!isOpen())
        return setError(error, m_problem);
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Transaction t(db);
    return t.begun(error) && insertRule(db, rule, error) && t.commit(error);
}

bool ScreeningStore::updateRule(const ScreeningRule &rule, QString *error)
{
    if (!isOpen())
        return setError(error, m_problem);
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Transaction t(db);
    QSqlQuery q(db);
    q.prepare(
        QStringLiteral("UPDATE rules SET action = ?, field = ?, pattern = ?, comment = ?, name = ? WHERE id = ?"));
    q.addBindValue(QString::fromLatin1(actionName(rule.action)));
    q.addBindValue(QString::fromLatin1(fieldName(rule.field)));
    q.addBindValue(text(rule.pattern));
    q.addBindValue(text(rule.comment));
    q.addBindValue(text(rule.name));
    q.addBindValue(rule.id);
    return t.begun(error) && exec(q, error) && t.commit(error);
}

bool ScreeningStore::removeRule(qint64 id, QString *error)
{
    if (!isOpen())
        return setError(error, m_problem);
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Transaction t(db);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM rules WHERE id = ?"));
    q.addBindValue(id);
    return t.begun(error) && exec(q, error) && t.commit(error);
}

bool ScreeningStore::removePattern(const QString &pattern, int *removed, QString *error)
{
    if (!isOpen())
        return setError(error, m_problem);
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Transaction t(db);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM rules WHERE pattern = ?"));
    q.addBindValue(text(pattern));
    if (!t.begun(error) || !exec(q, error))
        return false;
    const int n = q.numRowsAffected();
    if (!t.commit(error))
        return false;
    if (removed)
        *removed = n;
    return true;
}

bool ScreeningStore::setAlias(const QString &number, const QString &name, QString *error)
{
    if (!isOpen())
        return setError(error, m_problem);
    const QString key = RuleSet::digitsOf(number);
    if (key.isEmpty())
        return setError(error, QStringLiteral("a number has digits"));
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Transaction t(db);
    return t.begun(error) && upsertAlias(db, key, name, error) && t.commit(error);
}

bool ScreeningStore::setAllowOnly(bool on, QString *error)
{
    if (!isOpen())
        return setError(error, m_problem);
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Transaction t(db);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO options (key, value) VALUES ('allow-only', ?) ON CONFLICT (key) DO UPDATE "
                             "SET value = excluded.value"));
    q.addBindValue(on ? QStringLiteral("1") : QStringLiteral("0"));
    return t.begun(error) && exec(q, error) && t.commit(error);
}

bool ScreeningStore::addAll(QList<ScreeningRule> rules, const QList<QPair<QString, QString>> &aliases, QString *error)
{
    if (!isOpen())
        return setError(error, m_problem);
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Transaction t(db);
    if (!t.begun(error))
        return false;
    for (ScreeningRule &r : rules) {
        if (!insertRule(db, &r, error))
            return false;
    }
    for (const auto &a : aliases) {
        const QString key = RuleSet::digitsOf(a.first);
        if (!key.isEmpty() && !upsertAlias(db, key, a.second, error))
            return false;
    }
    return t.commit(error);
}

bool ScreeningStore::addCall(const ScreenedCall &call, QString *error)
{
    if (!isOpen())
        return setError(error, m_problem);
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Transaction t(db);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO calls (record, refused, reason, line, alias, rule, by_rules, stored) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(text(call.record));
    q.addBindValue(call.refused ? 1 : 0);
    q.addBindValue(text(call.reason));
    q.addBindValue(text(call.line));
    q.addBindValue(text(call.alias));
    q.addBindValue(call.ruleId);
    q.addBindValue(call.byRules ? 1 : 0);
    q.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    if (!t.begun(error) || !exec(q, error))
        return false;
    if (call.ruleId > 0) {
        QSqlQuery count(db);
        count.prepare(QStringLiteral("UPDATE rules SET matches = matches + 1 WHERE id = ?"));
        count.addBindValue(call.ruleId);
        if (!exec(count, error))
            return false;
    }
    return t.commit(error);
}

QList<ScreenedCall> ScreeningStore::calls(QString *error)
{
    QList<ScreenedCall> list;
    if (!isOpen()) {
        setError(error, m_problem);
        return list;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT record, refused, reason, line, alias, rule, by_rules FROM calls ORDER BY id"))) {
        setError(error, q.lastError().text());
        return list;
    }
    while (q.next())
        list.append({q.value(0).toString(), q.value(1).toInt() != 0, q.value(2).toString(), q.value(3).toString(),
                     q.value(4).toString(), q.value(5).toLongLong(), q.value(6).toInt() != 0});
    return list;
}

QHash<QString, QStringList> ScreeningStore::refusalReasons(QString *error)
{
    QHash<QString, QStringList> reasons;
    for (const ScreenedCall &c : calls(error)) {
        if (c.refused && !c.reason.isEmpty())
            reasons[c.record].append(c.reason);
    }
    return reasons;
}
