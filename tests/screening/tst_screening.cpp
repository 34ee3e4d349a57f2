// The user's screening rules: the pattern language, the decision of a call against rule sets, the
// lists other programs write, and the database they are kept in, also when it is damaged, read
// only or on a full disk.
#include "BlockedFile.h"
#include "CallScreening.h"
#include "CallerIdParser.h"
#include "CallerRules.h"
#include "NcidRequests.h"
#include "RuleSet.h"
#include "Screening.h"
#include "ScreeningFiles.h"
#include "ScreeningWatch.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <unistd.h>

namespace {

// A caller as the line reports it ("O" for a withheld field).
CallerIdParser::Report reportOf(const QString &number, const QString &name)
{
    const QString text =
        QStringLiteral("\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = %1\r\nNAME = %2\r\n").arg(number, name);
    return CallerIdParser::parse(text, QStringLiteral("System Date"), QDate(2026, 3, 21));
}

// "allow PATTERN", "block PATTERN", "alias NUMBER=NAME", "allow-only": the rules of a table row.
bool addRules(Screening &s, const QStringList &rules)
{
    for (const QString &text : rules) {
        const QString what = text.section(QLatin1Char(' '), 0, 0), rest = text.section(QLatin1Char(' '), 1);
        if (what == QLatin1String("allow-only")) {
            if (!s.setAllowOnly(true))
                return false;
        } else if (what == QLatin1String("alias")) {
            if (!s.setAlias(rest.section(QLatin1Char('='), 0, 0), rest.section(QLatin1Char('='), 1)))
                return false;
        } else {
            ScreeningRule r;
            r.action = what == QLatin1String("allow") ? RuleAction::Allow : RuleAction::Block;
            r.pattern = rest;
            r.field = ScreeningFiles::fieldOf(rest);
            if (!s.addRule(&r))
                return false;
        }
    }
    return true;
}

QString ruleText(const ScreeningRule &r)
{
    QString t = QStringLiteral("%1 %2 %3")
                    .arg(r.action == RuleAction::Allow ? "allow" : "block",
                         r.field == RuleField::Name ? "name" : "number", r.pattern);
    if (!r.name.isEmpty())
        t += QStringLiteral(" =") + r.name;
    if (!r.comment.isEmpty())
        t += QStringLiteral(" #") + r.comment;
    return t;
}

QStringList rulesOf(const QList<ScreeningRule> &rules)
{
    QStringList out;
    for (const ScreeningRule &r : rules)
        out << ruleText(r);
    return out;
}

QStringList aliasesOf(const QList<QPair<QString, QString>> &aliases)
{
    QStringList out;
    for (const auto &a : aliases)
        out << a.first + QLatin1Char('=') + a.second;
    return out;
}

} // namespace

class tst_Screening : public QObject {
    Q_OBJECT
private slots:
    void patterns_data()
    {
        columns<QString, bool, QString, bool>("pattern", "byName", "subject", "matches");
        // NCID's simple expressions.
        row("prefix", "^800", false, "8005551212", true);
        row("prefix, not at the start", "^800", false, "2128005551", false);
        row("prefix, leading 1 not allowed for", "^800", false, "18005551212", false);
        row("optional 1, with it", "^1?800", false, "18005551212", true);
        row("optional 1, without it", "^1?800", false, "8005551212", true);
        row("optional 1, elsewhere", "^1?800", false, "2128005551", false);
        row("leading 1? anchors too", "1?800", false, "2128005551", false);
        row("plain text anywhere", "555", false, "2125551234", true);
        row("plain text absent", "556", false, "2125551234", false);
        row("stars at both ends", "*555*", false, "2125551234", true);
        row("star inside", "^212*1234", false, "2125551234", true);
        row("star inside, other start", "^212*1234", false, "2135551234", false);
        row("star inside, unanchored", "55*34", false, "2125551234", true);
        row("lone star", "*", false, "2125551234", true);
        row("brackets of the shown number", "(800)", false, "(800)-555-1212", true);
        row("regex metacharacters are text", "5.5", false, "2125551234", false);
        // Names: letter case ignored, anywhere unless anchored.
        row("name anywhere", "wireless", true, "WIRELESS CALLER", true);
        row("name prefix", "^toll", true, "TOLL FREE", true);
        row("name prefix, inside", "^free", true, "TOLL FREE", false);
        row("name wildcard", "^v*7", true, "V1234567", true);
        row("name regex", "/^V[0-9]{7}$/", true, "v1234567", true);
        row("name regex, too long", "/^V[0-9]{7}$/", true, "V12345678", false);
        row("number regex", "/^(800|888)[0-9]+$/", false, "8885551212", true);
        // Patterns that never match: each with its warning.
        row("nested repetition", "/(a+)+$/", true, "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA!", false);
        row("repeated choice", "/(a|aa)*b/", true, "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", false);
        row("repeated group with a repetition", "/^(\\w+\\s?)*$/", true, "AAAA AAAA AAAA AAAA AAAA AAAA !", false);
        row("back-reference", "/(a)\\1/", true, "AA", false);
        row("engine verb", "/(*LIMIT_MATCH=999999999)a/", true, "A", false);
        row("not a regex", "/[a-/", true, "A", false);
        row("empty", "   ", false, "123", false);
        row("anchor alone", "^1?", false, "123", false);
        row("too long", "^" + QString(201, '1'), false, QString(300, '1'), false);
    }
    void patterns()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, byName);
        QFETCH(QString, subject);
        QFETCH(bool, matches);
        const RuleField field = byName ? RuleField::Name : RuleField::Number;
        const CompiledPattern p = ScreenPattern::compile(pattern, field);
        QCOMPARE(ScreenPattern::matches(p, ScreenPattern::subjectOf(subject, field)), matches);
        QCOMPARE(p.kind == CompiledPattern::Invalid, !p.warning.isEmpty());
        // The index finds what the pattern matches, no more.
        RuleSet set;
        set.add({0, RuleAction::Block, field, pattern, QString(), QString(), 0});
        const int found = byName ? set.match(RuleAction::Block, QString(), QString(), subject)
                                 : set.match(RuleAction::Block, subject, QString(), QString());
        QCOMPARE(found == 0, matches);
        QCOMPARE(set.warningOf(0), p.warning);
    }

    void hostileSubjectIsCut()
    {
        // A pattern the checks let through, on which an unguarded engine would step for minutes:
        // the engine's step limit ends the attempt, as no match.
        const CompiledPattern p = ScreenPattern::compile("/^.*.*.*.*.*.*.*.*.*.*[^a]/", RuleField::Name);
        QCOMPARE(p.kind, CompiledPattern::Regex);
        QVERIFY(!ScreenPattern::matches(p, ScreenPattern::subjectOf(QString(1000, 'a'), RuleField::Name)));
        QCOMPARE(ScreenPattern::subjectOf(QString(1000, 'a'), RuleField::Name).size(), ScreenPattern::MaxSubjectLength);
    }

    void decisions_data()
    {
        columns<QStringList, bool, QString, QString, QString, bool, QString>("rules", "telemarketers", "blockedList",
                                                                             "number", "name", "serverRefused", "said");
        const QString shown = "Shown: no rule refuses it";
        row("no rules", QStringList(), false, "", "5551234567", "JOHN DOE", false, shown);
        row("block prefix", QStringList{"block ^555"}, false, "", "5551234567", "JOHN DOE", false,
            "Refused: pattern ^555");
        row("allow beats block", QStringList{"block ^555", "allow ^5551234567"}, false, "", "5551234567", "JOHN DOE",
            false, "Allowed: pattern ^5551234567");
        row("allow beats an earlier block", QStringList{"allow ^555123", "block 4567"}, false, "", "5551234567", "X",
            false, "Allowed: pattern ^555123");
        row("allow beats the blocked list", QStringList{"allow ^555123"}, false, "(555)-123-4567", "5551234567",
            "JOHN DOE", false, "Allowed: pattern ^555123");
        row("blocked list alone", QStringList(), false, "(555)-123-4567", "5551234567", "JOHN DOE", false,
            "Refused: blocked number");
        row("blocked list before a pattern", QStringList{"block ^555"}, false, "(555)-123-4567", "5551234567",
            "JOHN DOE", false, "Refused: blocked number");
        row("allow only, not on it", QStringList{"allow-only", "allow ^212"}, false, "", "5551234567", "JOHN DOE",
            false, "Refused: not on the allow list");
        row("allow only, on it", QStringList{"allow-only", "allow ^555"}, false, "", "5551234567", "JOHN DOE", false,
            "Allowed: pattern ^555");
        row("allow only, allowed by name", QStringList{"allow-only", "allow john"}, false, "", "5551234567", "JOHN DOE",
            false, "Allowed: pattern john");
        row("withheld name, allowed number, telemarketers", QStringList{"allow ^555"}, true, "", "5551234567", "O",
            false, "Allowed: pattern ^555");
        row("withheld name, telemarketers", QStringList{"allow ^212"}, true, "", "5551234567", "O", false,
            "Refused: unknown name");
        row("name pattern", QStringList{"block wireless"}, false, "", "5551234567", "WIRELESS CALLER", false,
            "Refused: pattern wireless");
        row("name pattern on a withheld name", QStringList{"block unknown"}, false, "", "5551234567", "O", false,
            shown);
        row("name regex", QStringList{"block /^V[0-9]{7}$/"}, false, "", "5551234567", "V1234567", false,
            "Refused: pattern /^V[0-9]{7}$/");
        row("optional 1 with the 1", QStringList{"block ^1?800"}, false, "", "18005551212", "ACME", false,
            "Refused: pattern ^1?800");
        row("optional 1 without", QStringList{"block ^1?800"}, false, "", "8005551212", "ACME", false,
            "Refused: pattern ^1?800");
        row("the number as shown", QStringList{"block (555)"}, false, "", "5551234567", "JOHN DOE", false,
            "Refused: pattern (555)");
        row("wildcard", QStringList{"block ^555*67"}, false, "", "5551234567", "JOHN DOE", false,
            "Refused: pattern ^555*67");
        row("number regex", QStringList{"block /^555[0-9]{3}4567$/"}, false, "", "5551234567", "JOHN DOE", false,
            "Refused: pattern /^555[0-9]{3}4567$/");
        row("withheld number", QStringList{"block /^[0-9]*$/"}, false, "", "O", "JOHN DOE", false, shown);
        row("alias", QStringList{"alias (555) 123-4567=MUM"}, false, "", "5551234567", "CELL PHONE", false,
            shown + " (shown as MUM)");
        row("alias the record cannot hold as written", QStringList{"alias 5551234567=MUM=NB\n1"}, false, "",
            "5551234567", "CELL PHONE", false, shown + " (shown as MUMNB1)");
        row("alias of a refused caller", QStringList{"alias 5551234567=MUM", "block ^555"}, false, "", "5551234567",
            "CELL PHONE", false, "Refused: pattern ^555 (shown as MUM)");
        row("the server's refusal stands", QStringList{"allow ^555"}, false, "", "5551234567", "JOHN DOE", true,
            "Refused: refused by the server");
        row("a rule that never matches", QStringList{"block /(a+)+$/"}, false, "", "5551234567", "AAAA", false, shown);
    }
    void decisions()
    {
        QFETCH(QStringList, rules);
        QFETCH(bool, telemarketers);
        QFETCH(QString, blockedList);
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(bool, serverRefused);
        QFETCH(QString, said);
        TestFolder folder;
        if (!blockedList.isEmpty())
            folder.write("blocked.bin", BlockedFile::entryRecord(blockedList, "SOMEONE"));
        const BlockedFile blocked(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
        Screening s(folder.path());
        QVERIFY(s.open());
        QVERIFY(addRules(s, rules));
        const CallScreening::Decision d =
            serverRefused
                ? CallScreening::decide(reportOf(number, name), telemarketers, blocked, Refusal::RefusedByServer, &s)
                : CallScreening::check(number, name == "O" ? QString() : name, telemarketers, blocked, &s);
        QCOMPARE(CallScreening::describe(d), said);
        // With no screening at all, the blocked list and the switch decide alone, as before.
        const CallerIdParser::Report r = reportOf(number, name);
        const Refusal before = serverRefused ? Refusal::RefusedByServer : Refusal::None;
        QCOMPARE(CallScreening::decide(r, telemarketers, blocked, before, nullptr).refusal,
                 CallScreening::screen({r.callerName, r.callerNumber}, telemarketers, blocked, before));
    }

    void manyRulesDecideAsFew()
    {
        // The index decides as trying every rule in turn would: the first rule added that matches.
        RuleSet set;
        for (int i = 0; i < 2000; ++i)
            set.add({0, RuleAction::Block, RuleField::Number,
                     (i % 3 == 0   ? "^"
                      : i % 3 == 1 ? ""
                                   : "^1?") +
                         QString::number(100000 + i * 37),
                     QString(), QString(), 0});
        set.add({0, RuleAction::Block, RuleField::Number, "^555*9", QString(), QString(), 0});
        for (const QString number : {"1003700000", "5551014359", "1100074", "4041000370", "5550000009", "2120000000"}) {
            int slow = -1;
            for (int i = 0; i < set.rules().size() && slow < 0; ++i) {
                if (ScreenPattern::matches(ScreenPattern::compile(set.rules()[i].pattern, RuleField::Number), number))
                    slow = i;
            }
            QCOMPARE(set.match(RuleAction::Block, number, QString(), QString()), slow);
        }
    }

    void importers_data()
    {
        columns<QByteArray, QString, int, QStringList, QStringList, int>("content", "fileName", "kind", "rules",
                                                                         "aliases", "warnings");
        const QByteArray blacklist = "# ncidd.hangup blacklist file\n"
                                     "# File last changed: Jul 4, 2016\n"
                                     "#\n"
                                     "^1?999    # unassigned and used for spoofing calls\n"
                                     "\"BAD MARKETING\"\n"
                                     "Ogre 13215551212\n"
                                     "407-555-5670    #= Unwanted Marketing Call\n"
                                     "\"#1 DEALS\" # a name that starts with a hash\n"
                                     "/^V[0-9]{7}$/\n"
                                     "/(a+)+b/\n"
                                     "\r\n";
        row("NCID blacklist", blacklist, "ncidd.blacklist", int(ScreeningFiles::Kind::Blacklist),
            QStringList{"block number ^1?999 #unassigned and used for spoofing calls", "block name BAD MARKETING",
                        "block name Ogre", "block number 13215551212",
                        "block number 4075555670 =Unwanted Marketing Call",
                        "block name #1 DEALS #a name that starts with a hash", "block name /^V[0-9]{7}$/"},
            QStringList(), 1);
        row("NCID whitelist", QByteArray("# ncidd.hangup whitelist file\r\n4075551212 # mom\r\n^1?321 #= Office\r\n"),
            "list.txt", int(ScreeningFiles::Kind::Whitelist),
            QStringList{"allow number 4075551212 #mom", "allow number ^1?321 =Office"}, QStringList(), 0);
        row("a list without a header, named as allowed", QByteArray("4075551212\n"), "ncidd.whitelist",
            int(ScreeningFiles::Kind::Whitelist), QStringList{"allow number 4075551212"}, QStringList(), 0);
        row("NCID alias file",
            QByteArray("# NCID - Network CallerID Server Alias File\n"
                       "alias LINE - = POTS\n"
                       "alias NAME * = \"John on cell\" if 4075551212\n"
                       "alias NMBR 4075551212 = \"----------\"\n"
                       "alias 4075551234=GRANNY\n"
                       "alias NAME \"OUT-OF-AREA\" = UNAVAILABLE\n"
                       "alias NAME * = \"A name longer than fifty characters, which NCID does not keep\" if 1234\n"),
            "ncidd.alias", int(ScreeningFiles::Kind::Alias), QStringList(),
            QStringList{"4075551212=John on cell", "4075551234=GRANNY",
                        "1234=A name longer than fifty characters, which NCID do"},
            3);
        // As a phone exports its contacts: vCard 2.1 with a quoted-printable name, 3.0 with a
        // folded name, grouped and several numbers.
        row("vCard from a phone",
            QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;Anna;;;\r\n"
                       "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Anna M=C3=BC=\r\nller\r\n"
                       "TEL;CELL:+1 (407) 555-1212\r\nEND:VCARD\r\n"
                       "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Robert \r\n Smith\\, Jr.\r\nTEL;TYPE=HOME:0161 496 0000\r\n"
                       "item1.TEL;TYPE=CELL:07700 900123\r\nTEL;TYPE=WORK:ext.\r\nEND:VCARD\r\n"),
            "contacts.vcf", int(ScreeningFiles::Kind::VCard),
            QStringList{QString::fromUtf8("allow number ^1?4075551212 #contact: Anna Müller"),
                        "allow number ^01614960000 #contact: Robert Smith, Jr.",
                        "allow number ^07700900123 #contact: Robert Smith, Jr."},
            QStringList{QString::fromUtf8("14075551212=Anna Müller"), "01614960000=Robert Smith, Jr.",
                        "07700900123=Robert Smith, Jr."},
            1);
    }
    void importers()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, fileName);
        QFETCH(int, kind);
        QFETCH(QStringList, rules);
        QFETCH(QStringList, aliases);
        QFETCH(int, warnings);
        QCOMPARE(int(ScreeningFiles::kindOf(content, fileName)), kind);
        const ScreeningFiles::Imported in = ScreeningFiles::parse(content, ScreeningFiles::Kind(kind));
        QCOMPARE(rulesOf(in.rules), rules);
        QCOMPARE(aliasesOf(in.aliases), aliases);
        QCOMPARE(in.warnings.size(), warnings);

        // Written back as NCID's files and read again: the same entries (a regular expression
        // is no simple expression and stays out).
        RuleSet set;
        for (const ScreeningRule &r : in.rules)
            set.add(r);
        for (const auto &a : in.aliases)
            set.setAlias(a.first, a.second);
        for (const RuleAction action : {RuleAction::Allow, RuleAction::Block}) {
            QStringList expected;
            for (const ScreeningRule &r : in.rules) {
                if (r.action == action && !r.pattern.startsWith('/'))
                    expected << ruleText(r);
            }
            const QByteArray written = ScreeningFiles::writeList(set, action);
            QCOMPARE(
                int(ScreeningFiles::kindOf(written)),
                int(action == RuleAction::Allow ? ScreeningFiles::Kind::Whitelist : ScreeningFiles::Kind::Blacklist));
            QCOMPARE(rulesOf(ScreeningFiles::parseList(written, action).rules), expected);
        }
        QStringList sorted = aliases;
        sorted.sort();
        QCOMPARE(aliasesOf(ScreeningFiles::parseAliases(ScreeningFiles::writeAliases(set)).aliases), sorted);
    }

    void ncidsOwnBlacklist()
    {
        QFile shipped(QStringLiteral(RINGLARK_NCID_PEER "/server/ncidd.blacklist"));
        if (!shipped.open(QIODevice::ReadOnly))
            QSKIP("NCID's sources are not beside the project");
        const QByteArray content = shipped.readAll();
        QCOMPARE(ScreeningFiles::kindOf(content), ScreeningFiles::Kind::Blacklist);
        const ScreeningFiles::Imported in = ScreeningFiles::parse(content, ScreeningFiles::Kind::Blacklist);
        QVERIFY(in.warnings.isEmpty());
        QVERIFY(rulesOf(in.rules).contains("block number ^1?900 #Pay-Per-Call Service"));
        // Its examples are comments: every entry is an area code.
        for (const ScreeningRule &r : in.rules)
            QVERIFY2(r.field == RuleField::Number && r.pattern.startsWith("^1?"), qPrintable(r.pattern));
    }

    void storeKeepsRulesAndCalls()
    {
        TestFolder folder;
        // Refused calls of earlier runs are read in once; the file stays as it was.
        const QByteArray refused = "CL=1DT=3/21/2026TM=02:05 PMNM=JOHN%20%20DOENB=(555)-123-4567RG=1END\n"
                                   "DT=3/20/2026TM=01:00 PMNB=(555)-000-0000\n";
        folder.write("refused.txt", refused);
        qint64 id = 0;
        {
            Screening s(folder.path());
            QVERIFY(s.open());
            QVERIFY(s.problem().isEmpty());
            QVERIFY(addRules(s, {"block ^800", "allow ^8005551212", "alias 8005551212=MUM", "allow-only"}));
            ScreeningRule again{0, RuleAction::Block, RuleField::Number, "^800", "toll free", QString(), 0};
            QVERIFY(s.addRule(&again)); // the same rule: one row, the new comment
            id = again.id;
            QVERIFY(s.recordCall({"DT=...", true, "pattern ^800", "2", "", id, true}));
            QVERIFY(s.recordCall({"DT=...", true, "pattern ^800", "", "", id, true}));
            QCOMPARE(s.store().calls().size(), 4);
        }
        Screening s(folder.path());
        QVERIFY(s.open());
        QCOMPARE(folder.bytes("refused.txt"), refused);
        const QList<ScreenedCall> calls = s.store().calls();
        QCOMPARE(calls.size(), 4); // not read in a second time
        QCOMPARE(calls[0].record, "CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=1END");
        QCOMPARE(calls[2].line, "2");
        QCOMPARE(s.store().refusalReasons().value("DT=..."), QStringList({"pattern ^800", "pattern ^800"}));
        const RuleSet &set = s.rules();
        QCOMPARE(rulesOf(set.rules()), QStringList({"block number ^800 #toll free", "allow number ^8005551212"}));
        QCOMPARE(set.rules().first().matches, 2);
        QCOMPARE(set.aliasOf("18005551212"), "MUM");
        QVERIFY(set.allowOnly);
        int removed = 0;
        QVERIFY(s.store().removePattern("^800", &removed));
        QCOMPARE(removed, 1);
        QVERIFY(s.removeRule(set.rules().last().id));
        QVERIFY(s.setAlias("8005551212", QString()));
        QVERIFY(s.reload());
        QVERIFY(s.rules().rules().isEmpty() && s.rules().aliases().isEmpty());
    }

    void changeElsewhereIsSeenAtTheNextCall()
    {
        // The command line changes the rules in its own process: the program reads them again at
        // the next call's first ring, and decides by what it read until then.
        TestFolder folder;
        Screening program(folder.path()), commandLine(folder.path());
        QVERIFY(program.open() && commandLine.open());
        QCOMPARE(program.decide("8005551212", QString(), QString()).kind, RuleVerdict::NoRule);
        QVERIFY(addRules(commandLine, {"block ^800"}));
        QCOMPARE(program.decide("8005551212", QString(), QString()).kind, RuleVerdict::NoRule);
        program.refresh();
        QCOMPARE(program.decide("8005551212", QString(), QString()).kind, RuleVerdict::Blocked);
        QVERIFY(commandLine.store().removePattern("^800", nullptr));
        program.refresh();
        QCOMPARE(program.decide("8005551212", QString(), QString()).kind, RuleVerdict::NoRule);
        // While the line is quiet the rules are read again soon after the change, before any call,
        // woken by the database's files changing; while a call rings it waits for the next call.
        bool quiet = true;
        const ScreeningWatch watch(program, [&quiet] { return quiet; });
        const quint64 before = program.changes();
        QVERIFY(addRules(commandLine, {"block ^900"}));
        QTRY_VERIFY(program.changes() > before);
        quiet = false;
        QVERIFY(addRules(commandLine, {"block ^901"}));
        program.refresh(); // the next call's first ring
        QCOMPARE(program.decide("9015551212", QString(), QString()).kind, RuleVerdict::Blocked);
    }

    void callerRequests_data()
    {
        // The Calls Log menu's offers for a caller, and the NCID requests that store them on the
        // server a desktop takes its calls from ("" none: NCID's lists hold no name rules).
        columns<QString, QString, QString, bool, QStringList>("number", "name", "alias", "named", "requests");
        const QStringList rules{"REQ: black add \"^1?4165550147\" \"From the Calls Log\"",
                                "REQ: white add \"^1?4165550147\" \"From the Calls Log\"",
                                "REQ: black add \"^1?416\" \"From the Calls Log\"",
                                "REQ: black add \"^1?416555\" \"From the Calls Log\""};
        row("a caller named", "(416)-555-0147", "MARY SMITH", "MUM", false,
            rules + QStringList{"REQ: alias add \"4165550147&&MUM\" \"NAMEDEP&&MARY SMITH\""});
        row("a name changed", "(416)-555-0147", "MARY SMITH", "MOTHER", true,
            rules + QStringList{"REQ: alias modify \"4165550147&&MOTHER\" \"NAMEDEP&&MARY SMITH\""});
        row("a name removed", "(416)-555-0147", "MARY SMITH", "", true,
            rules + QStringList{"REQ: alias modify \"4165550147&&\" \"NAMEDEP&&MARY SMITH\""});
        row("no name to remove", "(416)-555-0147", "MARY SMITH", "", false, rules + QStringList{""});
        row("a withheld number", "PRIVATE NUMBER", "JOHN DOE", "", false, QStringList{"", ""});
    }

    void callerRequests()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, alias);
        QFETCH(bool, named);
        QStringList requests;
        for (const CallerRules::Offer &offer : CallerRules::offersFor(number, name)) {
            requests << CallerRules::requestFor(offer, number, name, alias, named);
            // The server reads back the rule the desktop stored.
            if (!requests.last().isEmpty())
                QCOMPARE(Ncid::parseRequest(requests.last()).entry,
                         offer.kind == CallerRules::Offer::NameCaller ? RuleSet::digitsOf(number) : offer.pattern);
        }
        QTEST(requests, "requests");
    }

    void unusableStore_data()
    {
        columns<QString, int, bool>("state", "status", "opens");
        row("damaged", "damaged", int(ScreeningStore::Status::Damaged), true);
        row("a folder in its place", "folder", int(ScreeningStore::Status::Unopenable), false);
        row("read only", "read only", int(ScreeningStore::Status::ReadOnly), false);
        row("folder takes no file", "no file", int(ScreeningStore::Status::NotCreated), false);
    }
    void unusableStore()
    {
        QFETCH(QString, state);
        QFETCH(int, status);
        QFETCH(bool, opens);
        TestFolder folder;
        const QByteArray garbage = QByteArray("SQLite format 3") + QByteArray(4096, '\x5a');
        if (state == "damaged") {
            folder.write("screening.db", garbage);
        } else if (state == "folder") {
            QVERIFY(QDir(folder.path()).mkdir("screening.db"));
        } else {
            if (::geteuid() == 0)
                QSKIP("running as root: file permissions do not stop a write");
            if (state == "read only") {
                Screening s(folder.path());
                QVERIFY(s.open() && addRules(s, {"block ^800"}));
            }
            QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
        }
        const auto restore = qScopeGuard(
            [&] { QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        Screening s(folder.path());
        QCOMPARE(s.open(), opens);
        QCOMPARE(int(s.store().status()), status);
        // The user is told, except where there never were rules to lose.
        QCOMPARE(s.problem().isEmpty(), state == "no file");
        // The calls go on being screened by the blocked list and the telemarketer switch alone.
        folder.write("blocked.bin", BlockedFile::entryRecord("(555)-123-4567", "SOMEONE"));
        const BlockedFile blocked(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
        QCOMPARE(CallScreening::decide(reportOf("5551234567", "X"), false, blocked, Refusal::None, &s).refusal,
                 Refusal::BlockedNumber);
        QCOMPARE(CallScreening::decide(reportOf("8005551212", "X"), false, blocked, Refusal::None, &s).refusal,
                 Refusal::None);
        if (state == "damaged") {
            // Kept aside as it was; a new database takes the rules from now on.
            QVERIFY(!s.store().keptAs().isEmpty());
            QFile kept(s.store().keptAs());
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), garbage);
            QVERIFY(s.problem().contains(QFileInfo(s.store().keptAs()).fileName()));
            QVERIFY(addRules(s, {"block ^800"}));
            QCOMPARE(s.decide("8005551212", QString(), QString()).kind, RuleVerdict::Blocked);
        }
    }

    void fullDiskLosesNothingReportedStored()
    {
        TestFolder folder;
        {
            Screening s(folder.path());
            QVERIFY(s.open());
            QVERIFY(addRules(s, {"block ^800"}));
            QList<ScreeningRule> many;
            for (int i = 0; i < 5000; ++i)
                many.append({0, RuleAction::Block, RuleField::Number, "^" + QString::number(1000000 + i),
                             QString(100, 'c'), QString(), 0});
            const qint64 used =
                QFileInfo(folder.file("screening.db")).size() + QFileInfo(folder.file("screening.db-wal")).size();
            FileSizeLimit limit(rlim_t(used + 64 * 1024));
            QVERIFY(limit.ok());
            QString error;
            QVERIFY(!s.store().addAll(many, {}, &error));
            QVERIFY(!error.isEmpty());
            ScreeningRule small{0, RuleAction::Allow, RuleField::Number, "^8005551212", QString(), QString(), 0};
            QVERIFY(s.addRule(&small)); // room for a small change
        }
        // After the disk has room again: the rules reported stored, none of the refused import.
        Screening s(folder.path());
        QVERIFY(s.open());
        QCOMPARE(rulesOf(s.rules().rules()), QStringList({"block number ^800", "allow number ^8005551212"}));
    }
};

QTEST_GUILESS_MAIN(tst_Screening)
#include "tst_screening.moc"
