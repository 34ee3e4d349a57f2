// Screening lists and patterns as someone else wrote them: each input is read as every kind of
// file the program imports, and each of its lines is compiled as a pattern of both fields. The
// index must find what trying each pattern finds, and a list written back reads the same.
#include "FuzzSupport.h"
#include "RuleSet.h"
#include "ScreeningFiles.h"

namespace {

QStringList patternsOf(const QList<ScreeningRule> &rules, RuleAction action)
{
    QStringList out;
    for (const ScreeningRule &r : rules) {
        if (r.action == action && !r.pattern.startsWith(QLatin1Char('/')))
            out << QString::number(int(r.field)) + r.pattern + QLatin1Char('|') + r.name + QLatin1Char('|') +
                       (r.name.isEmpty() ? r.comment : QString());
    }
    return out;
}

// The first rule of `action` that matches, tried one by one.
int slowMatch(const RuleSet &set, RuleAction action, const QString &number, const QString &name)
{
    for (int i = 0; i < set.rules().size(); ++i) {
        const ScreeningRule &r = set.rules()[i];
        if (r.action != action)
            continue;
        const CompiledPattern p = ScreenPattern::compile(r.pattern, r.field);
        const QString subject = r.field == RuleField::Name ? name : number;
        if (!subject.isEmpty() && ScreenPattern::matches(p, ScreenPattern::subjectOf(subject, r.field)))
            return i;
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::folder(); // the application object
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = QString::fromUtf8(input).split(QLatin1Char('\n'));

    // Every line as a pattern: it compiles, or never matches and says why.
    RuleSet set;
    for (const QString &line : lines.mid(0, 64)) {
        for (const RuleField field : {RuleField::Number, RuleField::Name}) {
            const CompiledPattern p = ScreenPattern::compile(line, field);
            FUZZ_CHECK((p.kind == CompiledPattern::Invalid) == !p.warning.isEmpty());
            FUZZ_CHECK(!p.indexed() || !p.keys.isEmpty());
            set.add({0, line.size() % 2 ? RuleAction::Allow : RuleAction::Block, field, line, QString(), QString(), 0});
        }
    }
    // The index and the slow way agree on subjects the input makes.
    for (const QString &subject : lines.mid(0, 8)) {
        for (const RuleAction action : {RuleAction::Allow, RuleAction::Block}) {
            FUZZ_CHECK(set.match(action, subject, QString(), QString()) == slowMatch(set, action, subject, QString()));
            FUZZ_CHECK(set.match(action, QString(), QString(), subject) == slowMatch(set, action, QString(), subject));
        }
    }

    // As every kind of file: bounded, every rule usable, and a list written back reads the same.
    for (const ScreeningFiles::Kind kind : {ScreeningFiles::Kind::Blacklist, ScreeningFiles::Kind::Whitelist,
                                            ScreeningFiles::Kind::Alias, ScreeningFiles::Kind::VCard}) {
        const ScreeningFiles::Imported in = ScreeningFiles::parse(input, kind);
        FUZZ_CHECK(in.rules.size() + in.aliases.size() <= ScreeningFiles::MaxEntries);
        RuleSet imported;
        for (const ScreeningRule &r : in.rules) {
            FUZZ_CHECK(ScreenPattern::compile(r.pattern, r.field).kind != CompiledPattern::Invalid);
            FUZZ_CHECK(r.name.size() <= ScreeningFiles::MaxAliasLength);
            imported.add(r);
        }
        for (const auto &a : in.aliases) {
            FUZZ_CHECK(!a.first.isEmpty() && a.second.size() <= ScreeningFiles::MaxAliasLength);
            imported.setAlias(a.first, a.second);
        }
        for (const RuleAction action : {RuleAction::Allow, RuleAction::Block}) {
            const QByteArray written = ScreeningFiles::writeList(imported, action);
            FUZZ_CHECK(patternsOf(ScreeningFiles::parseList(written, action).rules, action) ==
                       patternsOf(in.rules, action));
        }
        const ScreeningFiles::Imported again = ScreeningFiles::parseAliases(ScreeningFiles::writeAliases(imported));
        FUZZ_CHECK(again.aliases.size() == imported.aliases().size());
        for (const auto &a : again.aliases)
            FUZZ_CHECK(imported.aliases().value(a.first) == a.second);
    }
    (void)ScreeningFiles::kindOf(input, QStringLiteral("list"));
    return 0;
}
