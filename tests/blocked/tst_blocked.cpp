// The blocked list: blocked.bin byte for byte, lookups, deletion and compaction, and the Block
// command with its confirmations, including a block while the call still rings.
#include "AppState.h"
#include "BlockCommand.h"
#include "Clock.h"
#include "FileChanges.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "TestSupport.h"
#include "clsModemFunctions.h"

#include <QDir>
#include <QScopeGuard>
#include <QTest>

namespace {

const QString John = QStringLiteral("(555)-123-4567");
const QString JohnName = QStringLiteral("JOHN SMITH");
const QString Confirm = QStringLiteral("Block Number Confirmation!");
const QString Disabled = QStringLiteral("Block Call 'Turn ON' is not possible!");
// The services in progress that a block waits for; blocking and paging never take the port from it.
const QStringList Services = {"Forwarding", "PrivateCalls", "Zap", "Dial", "ModemSearch"};

// An entry as the file holds it, built here by hand: length 48, the text, full stops to 48.
QByteArray entryBytes(const QString &number, const QString &name)
{
    const QByteArray text = ("NB=" + number + "NM=" + name + "END").toLatin1();
    return QByteArray("\x30\x00", 2) + text + QByteArray(48 - text.size(), '.');
}

// Also stands in for the caller-ID port connection, which reopens the port after a zap.
struct Rig : IPortConnection {
    Rig()
    {
        state.settings.BlockSelectedCallsEnable = true;
        state.MSComm1.setCommPort(1);
        state.display.setNumber(John);
        state.display.setName(JohnName);
        block.callDropped = [] { QFAIL("the end of a call was run, but no call was dropped"); };
    }
    void ModemPortOpen() override { onPortOpen(); }

    TestFolder folder;
    AppState state{folder.path()};
    FakeWindow window;
    clsModemFunctions modem{state, state, state.tray, *this};
    BlockedFile file{state.blockedPath(), state.blockedScratchPath()};
    BlockCommand block{state, state, state, window, modem, file};
    std::function<void()> onPortOpen = [] {};
};

} // namespace

class tst_Blocked : public QObject {
    Q_OBJECT
private slots:
    void entries_data()
    {
        // Where the kernel tells of every change, the list is kept between looks and read again
        // after a change. Elsewhere a file just written is read at every look; one changed
        // seconds ago is kept between looks and read again when its stamp differs.
        columns<bool, int>("notices", "secondsSinceWritten");
        row("told of changes", true, 0);
        row("not told, just written", false, 0);
        row("not told, written seconds ago", false, 10);
    }
    void entries()
    {
        QFETCH(bool, notices);
        QFETCH(int, secondsSinceWritten);
        const TestScope later(1.0, QDateTime::currentDateTime().addSecs(secondsSinceWritten));
        FileChanges::useNotices(notices);
        const auto restore = qScopeGuard([] { FileChanges::useNotices(true); });
        TestFolder folder;
        BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
        const QString henderson = QStringLiteral("(555)-987-6543");
        const QByteArray john = QByteArray("\x30\x00", 2) + "NB=(555)-123-4567NM=JOHN SMITHEND" + QByteArray(15, '.');
        // The first call looks at the list: from then on the file is there, empty.
        QVERIFY(!IsIncomingNumberBlocked(file, "5551234567"));
        QVERIFY(folder.exists("blocked.bin") && folder.bytes("blocked.bin").isEmpty());
        QVERIFY(file.append(John, JohnName));
        QCOMPARE(folder.bytes("blocked.bin"), john);
        QVERIFY(file.append(henderson, "HENDERSON"));
        QCOMPARE(folder.bytes("blocked.bin"), john + entryBytes(henderson, "HENDERSON"));

        QVERIFY(IsIncomingNumberBlocked(file, "5551234567"));
        QVERIFY(file.contains("987-65") && file.contains("HENDERSON")); // any part of a number or a name
        QVERIFY(!file.contains("john"));
        QCOMPARE(file.findRecord(henderson), 2);
        QCOMPARE(file.findRecord("555"), 0); // a number is found whole or not at all
        // The list window was read from an older file: the search ends at the end of the file.
        QCOMPARE(file.findRecord("(999)-999-9999"), 0);
        // "END" inside a name: the list shows the name only up to it.
        QStringList shown;
        for (const BlockedFile::Entry &e : file.readEntries())
            shown << e.number + " " + e.name;
        QCOMPARE(shown, QStringList({"(555)-123-4567 JOHN SMITH", "(555)-987-6543 H"}));

        // Unblocking overwrites the one record in place; the marker matches nothing.
        QVERIFY(file.writeDeletionMarker(1));
        QCOMPARE(folder.bytes("blocked.bin"),
                 QByteArray("1DELETE").leftJustified(50) + entryBytes(henderson, "HENDERSON"));
        QVERIFY(!file.contains("1DELETE"));
        // Each look sees the list as it is now: after an unblocking in place (the same size, in
        // the same moment), through this list or another, after a change from outside, and after
        // the file was replaced.
        QVERIFY(!IsIncomingNumberBlocked(file, "5551234567"));
        BlockedFile window(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
        QVERIFY(window.writeDeletionMarker(2));
        QVERIFY(!file.contains("HENDERSON"));
        QVERIFY(window.append(henderson, "HENDERSON"));
        QVERIFY(file.contains("HENDERSON"));
        folder.write("blocked.bin", folder.bytes("blocked.bin") + john);
        QVERIFY(IsIncomingNumberBlocked(file, "5551234567"));
        folder.write("blocked.bin", QByteArray("1DELETE").leftJustified(50) + entryBytes(henderson, "HENDERSON"));
        QVERIFY(!IsIncomingNumberBlocked(file, "5551234567"));
        QVERIFY(file.contains("HENDERSON"));
        folder.write("blocktemp.bin", john + QByteArray("2DELETE").leftJustified(50));
        QVERIFY(QFile::remove(folder.file("blocked.bin")) &&
                QFile::rename(folder.file("blocktemp.bin"), folder.file("blocked.bin")));
        QVERIFY(IsIncomingNumberBlocked(file, "5551234567") && !file.contains("HENDERSON"));
        folder.write("blocked.bin", QByteArray("1DELETE").leftJustified(50) + entryBytes(henderson, "HENDERSON"));

        // Calls are matched against the number: when both do not fit, the name gives way.
        QVERIFY(file.append("0044-20-7946-0958-12345", "WESTMINSTER ABBEY GIFT SHOP"));
        QCOMPARE(folder.bytes("blocked.bin").mid(100),
                 QByteArray("\x30\x00", 2) + "NB=0044-20-7946-0958-12345NM=WESTMINSTER ABBEEND");
    }

    void compaction_data()
    {
        // `block`: a number blocked before the compaction; `damaged`: the file held more than
        // entries and deletion markers, and is kept as it was.
        columns<QByteArray, QString, QByteArray, bool>("before", "block", "after", "damaged");
        const QByteArray r1 = entryBytes(John, JohnName), r2 = entryBytes("(212)-555-0100", "ACME LOANS");
        const QByteArray r3 = entryBytes("(646)-555-0123", "NEW");
        row("marker dropped", r1 + QByteArray("2DELETE").leftJustified(50) + r2, "", r1 + r2, false);
        row("nothing to drop", r1 + r2, "", r1 + r2, false);
        row("torn last record", r1 + r2.left(40), "", r1, true); // cut after its "END"
        // The torn entry still blocks its number: the next one goes after it, not over it.
        const QByteArray torn = r1 + r2.left(40);
        row("block after a torn record", torn, "(646)-555-0123", torn + QByteArray(10, '\0') + r3, false);
        row("zero-filled", QByteArray(150, '\0'), "", QByteArray(), true);
        // Stray bytes put the entries out of step: each whole entry after them still blocks its
        // number and is kept; only the stray bytes are damage.
        for (const int length : {1, 37, 49, 51, 120}) {
            for (const int place : {0, 1, 2}) {
                row(qPrintable(QStringLiteral("%1 stray bytes after entry %2").arg(length).arg(place)),
                    QByteArray(r1 + r2 + r3).insert(place * 50, QByteArray(length, place == 1 ? '\0' : 'x')), "",
                    r1 + r2 + r3, true);
            }
        }
        row("stray bytes before a marker", r1 + "zz" + QByteArray("2DELETE").leftJustified(50) + r3, "", r1 + r3, true);
    }

    void compaction()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, block);
        QFETCH(QByteArray, after);
        QFETCH(bool, damaged);
        FastClock clock(1.0, QDateTime(QDate(2026, 3, 21), QTime(14, 5, 9)));
        ClockScope onClock(&clock);
        MsgBoxScript boxes;
        TestFolder folder;
        folder.write("blocked.bin", before);
        // An interrupted run's scratch file, longer than the new list: none of it may remain.
        folder.write("blocktemp.bin", entryBytes("(305)-555-0199", "OLD").repeated(5));
        BlockedFile file(folder.file("blocked.bin"), folder.file("blocktemp.bin"));
        QVERIFY(block.isEmpty() || file.append(block, "NEW"));
        // Before the tidy-up, every entry it keeps already refuses its number, and is listed.
        for (qsizetype at = 0; at + 50 <= after.size(); at += 50) {
            const QByteArray number = after.mid(at + 5, after.indexOf("NM=", at) - at - 5);
            QVERIFY2(file.contains(QString::fromLatin1(number)), number.constData());
        }
        QCOMPARE(file.readEntries().size(),
                 after.size() / 50 + (QTest::currentDataTag() == QByteArray("torn last record")));
        QVERIFY(file.compact());
        QCOMPARE(folder.bytes("blocked.bin"), after);
        QVERIFY(!folder.exists("blocktemp.bin"));
        // What was not an entry is kept beside the list, as found, and the user is told where.
        const QString copy = QStringLiteral("blocked.bin.damaged-20260321-140509");
        QCOMPARE(folder.exists(copy), damaged);
        if (damaged)
            QCOMPARE(folder.bytes(copy), before);
        QCoreApplication::processEvents();
        QCOMPARE(boxes.titles(), damaged ? QStringList{"Damaged File"} : QStringList());
        if (damaged)
            QVERIFY(boxes.shown[0].text.split('\r').contains(QDir::toNativeSeparators(folder.file(copy))));
    }

    void blockNumber_data()
    {
        // `setup`: what stands in the way (the setting, a service in progress, ...). A ringing call
        // is answered No: Yes needs the modem, a test of its own. `title`: of the one box shown, if any.
        columns<QString, bool, bool, QString, QString>("setup", "listed", "ringing", "title", "text");
        const QString listed = QStringLiteral("Phone Number Block");
        const QString off =
            "'Selected Calls Block' is not enabled.\rGo to Setup Menu and and turn ON 'Selected Calls Block'.";
        const QString ask = "Are you sure you want to block JOHN SMITH at (555)-123-4567?\r"
                            "The Blocked Number will not be able to reach you, unless you UnBlock it.";
        const QString askRinging = "Are you sure you want to Block JOHN SMITH at (555)-123-4567?\r"
                                   "The Blocked Number will not be able to reach you, unless you UnBlock it!";
        const QString known = "JOHN SMITH at (555)-123-4567 is already Blocked. No need to Block again.";
        const QString knownRinging = "JOHN SMITH at (555)-123-4567is already Blocked. No need to Block again.";

        // A listed caller too: the setting is looked at before the list.
        row("setting off", "setting off", true, false, Disabled, off);
        row("no number", "no number", false, false, QString(), QString());
        // Neither the no-caller-ID notice nor an end of the log is a caller.
        row("notice shown", "notice", false, false, QString(), QString());
        row("top of the list", "top", false, false, QString(), QString());
        row("another command running", "another command", false, false, QString(), QString());
        row("Yes", "", false, false, Confirm, ask);
        row("listed", "", true, false, listed, known);
        row("ringing, No", "", false, true, Confirm, askRinging);
        row("ringing, listed", "", true, true, listed, knownRinging);
        for (const QString &service : Services)
            QTest::newRow(qPrintable(service)) << service << false << false << QString() << QString();
    }

    void blockNumber()
    {
        QFETCH(QString, setup);
        QFETCH(bool, listed);
        QFETCH(bool, ringing);
        QFETCH(QString, title);
        QFETCH(QString, text);
        Rig rig;
        InProgressFlags &f = rig.state.flags;
        bool *busy[] = {&f.ForwardingInProgress, &f.PrivateCallsInProgress, &f.ZapInProgress, &f.DialInProgress,
                        &f.ModemSearchInProgress};
        if (Services.contains(setup))
            *busy[Services.indexOf(setup)] = true;
        rig.state.settings.BlockSelectedCallsEnable = setup != "setting off";
        if (setup == "no number")
            rig.state.display.setNumber(QString());
        if (setup == "notice")
            rig.state.display.setAll(CallerDisplay::NoticeLine1, CallerDisplay::NoticeLine2,
                                     CallerDisplay::NoticeLine3);
        if (setup == "top")
            rig.state.display.setAll(QString(), CallerDisplay::TopOfList, QString());
        if (setup == "another command")
            rig.state.Timer3.restart(65535);
        const QByteArray before = entryBytes("(212)-555-0100", "ACME") + (listed ? entryBytes(John, JohnName) : "");
        rig.folder.write("blocked.bin", before);
        if (ringing)
            rig.state.Timer1.restart(10000);
        rig.state.Timer2.restart(30000);
        MsgBoxScript boxes;
        boxes.answer(ringing ? vbNo : vbYes);
        QStringList windowAtBox;
        int busyAtBox = 0;
        boxes.onShow = [&](const MsgRecord &) {
            windowAtBox = rig.window.calls;
            busyAtBox = rig.state.Timer3.Interval();
        };
        rig.block.blockShownCaller();

        QCOMPARE(boxes.titles(), title.isEmpty() ? QStringList() : QStringList{title});
        if (!title.isEmpty()) {
            QCOMPARE(boxes.shown[0].text, text);
            QCOMPARE(boxes.shown[0].style, title == Confirm ? MsgStyle::Question : MsgStyle::Information);
            QCOMPARE(busyAtBox, 65535); // the click marks the program busy while the box is up
        }
        QCOMPARE(rig.folder.bytes("blocked.bin"),
                 title == Confirm && !ringing ? before + entryBytes(John, JohnName) : before);
        // Past the refusals the list window is closed before the user is asked: it must not show the
        // file while it changes.
        const QStringList unload = !title.isEmpty() && title != Disabled ? QStringList{"unloadBlocked"} : QStringList();
        QCOMPARE(rig.window.calls, unload);
        QCOMPARE(windowAtBox, unload);
        // Another command's marker is not ours to clear.
        QCOMPARE(rig.state.Timer3.Interval(), setup == "another command" ? 65535 : 0);
        // Whoever got as far as the setting keeps the window from minimising under the box.
        const bool noCaller = setup == "no number" || setup == "notice" || setup == "top";
        QCOMPARE(rig.state.Timer2.Enabled(), title.isEmpty() && !noCaller);
        // A call that is not dropped rings on and ends by its own timer.
        QCOMPARE(rig.state.Timer1.Interval(), ringing ? 10000 : 0);
    }

    void yesWhileRingingDropsTheCallFirst()
    {
        FastClock clock(100.0); // the zap's two-second waits take 20 ms
        ClockScope onClock(&clock);
        Rig rig;
        ModemSimThread sim;
        QVERIFY(sim.linkAs(rig.folder.path(), 1));
        QVERIFY(rig.state.MSComm1.setPortOpen(true));
        rig.state.Timer1.restart(10000);
        // The line is dropped before the entry is written, and the end of the call runs after it.
        QStringList events;
        const auto note = [&](const QString &what) { events << what + (rig.file.contains(John) ? ", listed" : ""); };
        rig.onPortOpen = [&] {
            note("zapped");
            rig.state.MSComm1.Output(QStringLiteral("AT+VCID=1\r")); // as the real connection re-arms caller ID
        };
        rig.block.callDropped = [&] { note("dropped"); };
        MsgBoxScript boxes;
        boxes.answer(vbYes);
        rig.block.blockShownCaller();
        QCOMPARE(events, QStringList({"zapped", "dropped, listed"}));
        // The end of the call has been processed: the timer must not run it a second time.
        QCOMPARE(rig.state.Timer1.Interval(), 0);
        QVERIFY(sim.waitForCommand("AT+VCID=1", 5000));
        QCOMPARE(sim.commandTexts(), QStringList({"ATA", "ATH", "AT+VCID=1"}));
    }

    void failedAppendIsReported()
    {
        Rig rig;
        QVERIFY(QDir(rig.folder.path()).mkdir("blocked.bin")); // a folder in the file's place
        MsgBoxScript boxes;
        boxes.answer(vbYes);
        rig.block.BlockNumber();
        QCOMPARE(boxes.titles(), QStringList({Confirm, "File Write Error"}));
        QVERIFY(boxes.shown[1].text.split('\r').contains(QDir::toNativeSeparators(rig.folder.file("blocked.bin"))));
    }
};

QTEST_MAIN(tst_Blocked)
#include "tst_blocked.moc"
