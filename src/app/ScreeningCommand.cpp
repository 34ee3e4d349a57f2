#include "ScreeningCommand.h"

#include "BlockedFile.h"
#include "CallScreening.h"
#include "ProgramFolder.h"
#include "Screening.h"
#include "ScreeningFiles.h"
#include "ScreeningTransfer.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

int complain(const QString &text)
{
    std::fprintf(stderr, "ringlark: %s\n", qPrintable(text));
    return 1;
}

void say(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

// The telemarketer switch as the settings file holds it, read without touching the file.
bool telemarketersBlocked(const QString &folder)
{
    QFile f(QDir(folder).filePath(QStringLiteral("acsetup.bin")));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    constexpr int Record = 26;
    if (!f.seek(qint64(Record - 1) * Settings::RecordLength))
        return false;
    Settings s;
    s.readRecord(Record, Settings::recordText(f.read(Settings::RecordLength)));
    return s.BlockTeleMarketersStatus;
}

QString ruleLine(const RuleSet &set, int i)
{
    const ScreeningRule &r = set.rules().at(i);
    QString line = QStringLiteral("%1 %2 %3 (%4 calls)")
                       .arg(r.action == RuleAction::Allow ? QStringLiteral("allow") : QStringLiteral("block"),
                            r.field == RuleField::Name ? QStringLiteral("name  ") : QStringLiteral("number"), r.pattern)
                       .arg(r.matches);
    if (!r.name.isEmpty())
        line += QStringLiteral(" shown as ") + r.name;
    if (!r.comment.isEmpty())
        line += QStringLiteral(" # ") + r.comment;
    if (const QString w = set.warningOf(i); !w.isEmpty())
        line += QStringLiteral(" [never matches: ") + w + QLatin1Char(']');
    return line;
}

bool addRules(Screening &s, const QStringList &patterns, RuleAction action, const QString &comment)
{
    bool ok = true;
    for (const QString &pattern : patterns) {
        ScreeningRule r;
        r.action = action;
        r.pattern = pattern.trimmed();
        r.field = ScreeningFiles::fieldOf(r.pattern);
        r.comment = comment;
        const CompiledPattern p = ScreenPattern::compile(r.pattern, r.field);
        if (p.kind == CompiledPattern::Invalid) {
            ok = complain(QStringLiteral("'%1' is not used: %2").arg(pattern, p.warning)) == 0;
            continue;
        }
        QString error;
        if (!s.addRule(&r, &error))
            ok = complain(QStringLiteral("'%1' could not be stored: %2").arg(pattern, error)) == 0;
    }
    return ok;
}

bool importFile(Screening &s, const QString &path)
{
    const ScreeningTransfer::Imported in = ScreeningTransfer::importFile(s, path);
    for (const QString &w : in.warnings)
        std::fprintf(stderr, "ringlark: %s: %s\n", qPrintable(path), qPrintable(w));
    if (in.stored)
        say(QStringLiteral("%1: %2 read, %3 rules and %4 aliases")
                .arg(path, ScreeningFiles::kindName(in.kind))
                .arg(in.rules)
                .arg(in.aliases));
    return in.error.isEmpty() || complain(in.error) == 0;
}

} // namespace

int screeningCommand(const ScreeningRequest &request)
{
    const QString folder = resolveProgramFolder();
    Screening s(folder);
    if (!s.open())
        return complain(QStringLiteral("the screening rules cannot be used: %1")
                            .arg(s.store().problem().isEmpty() ? s.problem() : s.store().problem()));
    if (!s.problem().isEmpty())
        complain(s.problem()); // damaged, kept aside: the new database is in use
    bool ok = true;
    for (const QString &path : request.imports)
        ok = importFile(s, path) && ok;
    ok = addRules(s, request.allow, RuleAction::Allow, request.comment) && ok;
    ok = addRules(s, request.block, RuleAction::Block, request.comment) && ok;
    for (const QString &a : request.aliases) {
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        const QString number = a.left(eq).trimmed();
        const QString name = eq < 0 ? QString() : a.mid(eq + 1).trimmed().left(ScreeningFiles::MaxAliasLength);
        QString error;
        if (eq < 0 || RuleSet::digitsOf(number).isEmpty())
            ok = complain(QStringLiteral("--alias wants NUMBER=NAME, not '%1'").arg(a)) == 0 && ok;
        else if (!s.setAlias(number, name, &error))
            ok = complain(QStringLiteral("the alias '%1' could not be stored: %2").arg(a, error)) == 0 && ok;
    }
    if (request.allowOnly >= 0) {
        QString error;
        if (!s.setAllowOnly(request.allowOnly == 1, &error))
            ok = complain(QStringLiteral("the allow-only switch could not be stored: ") + error) == 0 && ok;
    }
    for (const QString &pattern : request.unrule) {
        int removed = 0;
        QString error;
        if (!s.store().removePattern(pattern.trimmed(), &removed, &error))
            ok = complain(QStringLiteral("'%1' could not be removed: %2").arg(pattern, error)) == 0 && ok;
        else if (removed == 0)
            ok = complain(QStringLiteral("no rule has the pattern '%1'").arg(pattern)) == 0 && ok;
    }
    s.reload();
    if (request.listRules) {
        const RuleSet &set = s.rules();
        for (int i = 0; i < set.rules().size(); ++i)
            say(ruleLine(set, i));
        QStringList numbers = set.aliases().keys();
        numbers.sort();
        for (const QString &n : std::as_const(numbers))
            say(QStringLiteral("alias %1 = %2").arg(n, set.aliases().value(n)));
        if (set.allowOnly)
            say(QStringLiteral("only the allow list is let through"));
    }
    if (request.check) {
        const BlockedFile blocked(QDir(folder).filePath(QStringLiteral("blocked.bin")),
                                  QDir(folder).filePath(QStringLiteral("blocktemp.bin")));
        say(CallScreening::describe(
            CallScreening::check(request.checkNumber, request.checkName, telemarketersBlocked(folder), blocked, &s)));
    }
    return ok ? 0 : 1;
}
