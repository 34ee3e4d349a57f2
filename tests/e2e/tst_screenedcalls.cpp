// Calls screened by the user's rules, from the simulated modem through the real main window: the
// decision on the line, its reason in the notice, the stored call and the export, and when a
// change made by another process takes effect.
#include "CallExport.h"
#include "CallRecord.h"
#include "CallRig.h"
#include "Screening.h"
#include "ScreeningFiles.h"

#include <QBuffer>
#include <QTest>

using namespace CallRigData;
using Rig = CallRig;

namespace {

// `commandLine` stands for another process: a store of its own on the same database.
bool blockElsewhere(Screening &commandLine, const QString &pattern, bool block = true)
{
    if (!block)
        return commandLine.store().removePattern(pattern, nullptr);
    ScreeningRule r{0, RuleAction::Block, ScreeningFiles::fieldOf(pattern), pattern, QString(), QString(), 0};
    return commandLine.addRule(&r);
}

} // namespace

class tst_ScreenedCalls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }
    void init() { m_w = std::make_unique<CallWatch>(); }
    void cleanup() { m_w.reset(); }

    void screenedCalls_data()
    {
        // The user's rules decide on the line; the reason reaches the notice, the stored call and
        // the export, and the user's name for a caller is the one shown and stored.
        columns<QStringList, bool, QByteArray, QString, QString, QString, int>("rules", "telemarketers", "report",
                                                                               "stored", "notice", "reason", "counted");
        const QByteArray noName = "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\nNAME = O\r\n";
        row("block pattern", QStringList{"block ^555"}, false, JohnDoe, "JOHN  DOE",
            "Refused: JOHN  DOE (pattern ^555)", "pattern ^555", 1);
        row("name pattern", QStringList{"block john"}, false, JohnDoe, "JOHN  DOE", "Refused: JOHN  DOE (pattern john)",
            "pattern john", 1);
        row("not on the allow list", QStringList{"allow-only", "allow ^212"}, false, JohnDoe, "JOHN  DOE",
            "Refused: JOHN  DOE (not on the allow list)", "not on the allow list", 0);
        row("allowed, name withheld, telemarketers blocked", QStringList{"allow ^555"}, true, noName, "UNKNOWN NAME",
            "UNKNOWN NAME", "", 1);
        row("allowed beats a block pattern", QStringList{"block ^555", "allow 1234567"}, false, JohnDoe, "JOHN  DOE",
            "JOHN  DOE", "", 1);
        row("alias", QStringList{"alias 5551234567=MUM"}, false, JohnDoe, "MUM", "MUM", "", 0);
    }
    void screenedCalls()
    {
        QFETCH(QStringList, rules);
        QFETCH(bool, telemarketers);
        QFETCH(QByteArray, report);
        QFETCH(QString, stored);
        QFETCH(QString, notice);
        QFETCH(QString, reason);
        QFETCH(int, counted);
        Rig rig({{26, QString("BlockTeleMarketersStatus= ") + (telemarketers ? "True" : "False")}});
        QVERIFY(rig.loaded);
        Screening screening(rig.folder.path());
        QVERIFY(screening.open());
        const ScreeningScope installed(&screening);
        for (const QString &rule : rules) {
            const QString what = rule.section(' ', 0, 0), pattern = rule.section(' ', 1);
            if (what == "allow-only") {
                QVERIFY(screening.setAllowOnly(true));
            } else if (what == "alias") {
                QVERIFY(screening.setAlias(pattern.section('=', 0, 0), pattern.section('=', 1)));
            } else {
                ScreeningRule r{0,
                                what == "allow" ? RuleAction::Allow : RuleAction::Block,
                                ScreeningFiles::fieldOf(pattern),
                                pattern,
                                QString(),
                                QString(),
                                0};
                QVERIFY(screening.addRule(&r));
            }
        }
        const bool refused = !reason.isEmpty();
        ModemSim::Call call = rig.call(report);
        call.ringGapMs = refused ? 300 : 10;
        rig.modem->placeCall(call);
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QCOMPARE(rig.modem->commandTexts().join(" | "), refused ? QString("ATA | ATH | AT+VCID=1") : QString());
        QCOMPARE(CallRecord::fields(QString::fromLatin1(rig.record(1))).name, stored);
        QCOMPARE(rig.state->display.name(), refused ? QString() : stored);
        QCOMPARE(m_w->notices.value(0).value(3).toString(), notice);
        // What the record has no room for is in the screening database; the deciding rule counted.
        const QList<ScreenedCall> calls = screening.store().calls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().reason, reason);
        QCOMPARE(calls.first().alias, stored == "MUM" ? "MUM" : "");
        qint64 matches = 0;
        for (const ScreeningRule &r : screening.rules().rules())
            matches += r.matches;
        QCOMPARE(matches, counted);
        QBuffer out;
        QVERIFY(out.open(QIODevice::WriteOnly));
        QVERIFY(CallExport::write(rig.folder.file("Array.bin"), rig.folder.file("refused.txt"), out, nullptr,
                                  screening.store().refusalReasons()));
        QVERIFY2(out.data().endsWith(refused ? ",yes (" + reason.toUtf8() + ")\r\n" : QByteArray(",no\r\n")),
                 out.data().constData());
    }

    void changeElsewhereTakesEffectAtTheNextCall()
    {
        // A rule another process adds before a call decides it; one added while the call rings
        // (at its first ring, before the report) decides from the next call on. A refused call
        // rings no more (its rings are wider apart than the sped-up end of a call); one that is
        // shown rings on quickly.
        Rig rig;
        QVERIFY(rig.loaded);
        Screening screening(rig.folder.path());
        QVERIFY(screening.open());
        const ScreeningScope installed(&screening);
        // Opened before the calls: at the ring only the changes are made, so that the handler is
        // not held up long enough for the sped-up end of the call to pass.
        Screening commandLine(rig.folder.path());
        QVERIFY(commandLine.open());
        QVERIFY(blockElsewhere(commandLine, "^555"));
        ModemSim::Call john = rig.call(JohnDoe);
        john.ringGapMs = 300;
        rig.modem->placeCall(john);
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QCOMPARE(rig.modem->commandTexts().join(" | "), QString("ATA | ATH | AT+VCID=1"));

        bool added = false;
        const auto atRing = QObject::connect(&rig.state->callEvents, &CallEvents::ring, [&](int count) {
            if (count == 1 && !added)
                added = blockElsewhere(commandLine, "^305") && blockElsewhere(commandLine, "^555", false);
        });
        rig.modem->clearLog();
        rig.modem->placeCall(rig.call(MaryRoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 2, 5000);
        QObject::disconnect(atRing);
        QVERIFY(added);
        QCOMPARE(rig.modem->commandTexts().join(" | "), QString()); // rang on, as the rules were at its first ring
        QCOMPARE(rig.state->display.name(), QString("MARY  ROE"));

        rig.modem->placeCall(rig.call(JohnDoe)); // the pattern taken away during the last call: shown
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 3, 5000);
        QCOMPARE(rig.modem->commandTexts().join(" | "), QString());
        ModemSim::Call mary = rig.call(MaryRoe);
        mary.ringGapMs = 300;
        rig.modem->placeCall(mary);
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 4, 5000);
        QCOMPARE(rig.modem->commandTexts().join(" | "), QString("ATA | ATH | AT+VCID=1"));
        const QList<ScreenedCall> calls = screening.store().calls();
        QCOMPARE(calls.size(), 2); // the calls a rule decided
        QCOMPARE(calls.at(0).reason, QString("pattern ^555"));
        QCOMPARE(calls.at(1).reason, QString("pattern ^305"));
    }

private:
    std::unique_ptr<CallWatch> m_w;
};

QTEST_MAIN(tst_ScreenedCalls)
#include "tst_screenedcalls.moc"
