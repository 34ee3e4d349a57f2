// Incoming calls from the simulated modem to the screen, the speaker and Array.bin, through the
// real main window: shown, spoken, stored, refused on the line, browsed.
#include "BlockedFile.h"
#include "CallRecord.h"
#include "CallRig.h"
#include "DesktopNotifier.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace CallRigData;
using Rig = CallRig;

class tst_Calls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }
    void init() { m_w = std::make_unique<CallWatch>(); }
    void cleanup() { m_w.reset(); }
    void callIsShownSpokenAndStored()
    {
        Rig rig({{18, "416"}});
        QVERIFY(rig.loaded);
        rig.window->minimise();
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.number(), QStringLiteral("(555)-123-4567"), 5000);
        QCOMPARE(rig.state->display.name(), QStringLiteral("JOHN  DOE"));
        QCOMPARE(rig.state->display.time(), QStringLiteral("March 21, 2026\r\n02:05 PM"));
        QVERIFY(!rig.window->isInTray());
        QVERIFY(rig.window->isVisible());
        QCOMPARE(m_w->sound.played, QList<int>({112, 106, 106, 106, 102, 103, 104, 105, 106, 107, 108}));
        // The desktop is told too: name, then number, date and time, with Call back and Block; the
        // notice stays while the call rings. (On a loaded machine the sped-up clock may have ended
        // the call by now, adding the stored call's notice: the count is checked once it has.)
        QVERIFY(!m_w->notices.isEmpty());
        const QList<QVariant> n = m_w->notices.first();
        const QVariantList told = {"Ringlark Talking Caller ID",
                                   0u,
                                   "JOHN  DOE",
                                   "(555)-123-4567\nMarch 21, 2026 02:05 PM",
                                   QStringList{"call-back", "Call back", "block", "Block"},
                                   0};
        QCOMPARE((QVariantList{n[0], n[1], n[3], n[4], n[5], n[7]}), told);
        // The last report as received (a ring that came in the same read may follow it), framed by CR LF.
        const QByteArray kept = rig.folder.bytes("acsetup.bin").mid(400, 100);
        QVERIFY2(kept.startsWith("\r\n" + Ring + JohnDoe), kept.constData());
        QByteArray framed = kept;
        while (framed.endsWith(' '))
            framed.chop(1);
        QVERIFY2(framed.endsWith("\r\n\r\n"), kept.constData()); // the last line's end, then the frame

        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QCOMPARE(rig.record(1), dots("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=3END"));
        // Once the call has ended, the stored call's notice takes its place, for as long as the
        // service keeps notices.
        QCOMPARE(m_w->notices.size(), 2);
        const QList<QVariant> stored = m_w->notices.last();
        QCOMPARE((QVariantList{stored[0], stored[1], stored[3], stored[4], stored[5], stored[7]}),
                 (QVariantList{told[0], 1u, told[2], told[3], told[4], -1}));
        QCOMPARE(rig.state->LogPosition, 1);
        QCOMPARE(rig.state->display.name(), QStringLiteral("JOHN  DOE"));
        QVERIFY(rig.state->Timer2.isRunning());
        QCOMPARE(rig.state->Timer1.Interval(), 0);
        QVERIFY(rig.callState().buffer.isEmpty());
        QCOMPARE(rig.window->services().log.model().rowCount(), 1);
        QVERIFY(rig.modem->commandTexts().isEmpty()); // a shown call is left alone on the line

        // The notice's buttons show its caller again and run Block and Dial as their buttons do.
        rig.state->display.clear();
        auto *notifier = rig.window->findChild<DesktopNotifier *>();
        const QStringList caller = {"(555)-123-4567", "JOHN  DOE", "March 21, 2026\r\n02:05 PM"};
        emit notifier->actionInvoked(caller, "block");
        QCOMPARE(rig.state->display.name(), QStringLiteral("JOHN  DOE"));
        emit notifier->actionInvoked(caller, "call-back");
        QCOMPARE(m_w->t.boxes.titles(), (QStringList{"Block Call 'Turn ON' is not possible!", "Dialing Number!"}));
        QVERIFY2(rig.modem->commandTexts().value(0).startsWith("ATDT"),
                 qPrintable(rig.modem->commandTexts().join('|')));
    }

    void noticeActionDuringTheCall_data()
    {
        // A notice's button pressed while John Doe's call rings: for his notice or Mary Roe's
        // earlier one; the boxes shown at once, and those shown once the call has ended.
        columns<QString, bool, QStringList, QStringList>("action", "ringingCaller", "atOnce", "afterTheCall");
        const QStringList notEnabled = {"Block Call 'Turn ON' is not possible!"};
        row("block the caller who rings", "block", true, notEnabled, QStringList());
        row("call back the caller who rings", "call-back", true, QStringList(), QStringList{"Dialing Number!"});
        row("block an earlier caller", "block", false, QStringList(), notEnabled);
        row("call back an earlier caller", "call-back", false, QStringList(), QStringList{"Dialing Number!"});
    }

    void noticeActionDuringTheCall()
    {
        QFETCH(QString, action);
        QFETCH(bool, ringingCaller);
        QFETCH(QStringList, atOnce);
        QFETCH(QStringList, afterTheCall);
        Rig rig({{18, "416"}}); // an area code to dial with
        QVERIFY(rig.loaded);
        ModemSim::Call call = rig.call(JohnDoe, 1, 3);
        call.ringGapMs = 300; // rings long after the caller is shown
        rig.modem->placeCall(call);
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.name(), QStringLiteral("JOHN  DOE"), 5000);
        QVERIFY(rig.state->Timer1.Interval() > 0);
        const QStringList caller = ringingCaller
                                       ? QStringList{"(555)-123-4567", "JOHN  DOE", rig.state->display.time()}
                                       : QStringList{"(305)-555-0100", "MARY  ROE", "March 20, 2026\r\n09:00 AM"};
        emit rig.window->findChild<DesktopNotifier *>()->actionInvoked(caller, action);
        QCOMPARE(m_w->t.boxes.titles(), atOnce);
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_w->t.boxes.titles(), atOnce + afterTheCall, 5000);
        QCOMPARE(rig.state->display.number(), caller.at(0));
        if (action == "call-back")
            QTRY_VERIFY_WITH_TIMEOUT(rig.modem->commandTexts().join('|').contains("ATDT"), 5000);
    }

    void nothingHappensBeforeTheNameLineEnds()
    {
        Rig rig;
        const QByteArray first = Ring + JohnDoe.left(JohnDoe.indexOf("DOE") + 3); // "NAME = JOHN DOE", no line end
        rig.modem->send(first);
        QTRY_VERIFY_WITH_TIMEOUT(rig.callState().buffer.endsWith(QString::fromLatin1(first)), 5000);
        QVERIFY(rig.callState().RingSeen);
        QVERIFY(!rig.callState().ReportProcessed);
        QCOMPARE(rig.state->display.number(), QString());
        rig.modem->send("\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.name(), QStringLiteral("JOHN  DOE"), 5000);
    }

    void withoutPopUpTheWindowStaysDown()
    {
        Rig rig({{6, "PopUpWindow = False"}});
        rig.state->options.notifications = false; // and no desktop notification either
        rig.window->minimise();
        rig.window->hide(); // in the tray, as with a notification area (there is none offscreen)
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.number(), QStringLiteral("(555)-123-4567"), 5000);
        QVERIFY(rig.window->isInTray());
        QVERIFY(rig.window->isHidden()); // not moved to the task bar
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QVERIFY(rig.window->isHidden());
        rig.window->trayActivated(QSystemTrayIcon::Trigger); // and a click on the tray icon still brings it up
        QVERIFY(!rig.window->isInTray());
        QVERIFY(m_w->notices.isEmpty());
    }

    void callsWithoutDisplay_data()
    {
        // Calls refused on the line, reports before the first ring, and number-only reports that no
        // ring follows (the caller hung up): each stored as it came, shown or not, then the next
        // caller is handled as usual.
        columns<QString, QByteArray, int, int, QStringList, QByteArray>("refuse", "report", "ringsBefore", "ringsAfter",
                                                                        "commands", "stored");
        const QStringList drop = {"ATA", "ATH", "AT+VCID=1"};
        const QByteArray unknown = "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = O\r\nNAME = O\r\n";
        const QByteArray noName = "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\nNAME = O\r\n";
        const QByteArray numberOnly = "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\n";
        const QByteArray at1405 = "CL=1DT=3/21/2026TM=02:05 PMNM=";
        row("unknown caller, telemarketers blocked", "telemarketers", unknown, 1, 2, drop,
            dots(at1405 + "UNKNOWN NAMENB=UNKNOWN NUMBERRG=1END"));
        row("number on the blocked list", "blocked", JohnDoe, 1, 2, drop,
            dots(at1405 + "JOHN  DOENB=(555)-123-4567RG=1END"));
        row("blocked, whole report on one line", "blocked",
            QByteArray("\r\nDATE = 0321 TIME = 1405 NAME = JOHN DOE NMBR = 5551234567\r\n"), 1, 2, drop,
            dots(at1405 + "JOHN  DOENB=(555)-123-4567RG=1END"));
        row("report before the first ring", "", noName, 0, 2, QStringList(),
            dots(at1405 + "UNKNOWN NAMENB=(555)-123-4567RG=3END"));
        row("report before the first ring, refused", "telemarketers", noName, 0, 2, drop,
            dots(at1405 + "UNKNOWN NAMENB=(555)-123-4567RG=1END"));
        // A caller who has hung up is not answered, blocked or not.
        const QByteArray barred = dots(at1405 + "BARRED NAMENB=(555)-123-4567RG=1END");
        row("number only after the first ring", "", numberOnly, 1, 0, QStringList(), barred);
        row("number only before any ring", "", numberOnly, 0, 0, QStringList(), barred);
        row("number only, blocked", "blocked", numberOnly, 1, 0, QStringList(), barred);
    }

    void callsWithoutDisplay()
    {
        QFETCH(QString, refuse);
        QFETCH(QByteArray, report);
        QFETCH(int, ringsBefore);
        QFETCH(int, ringsAfter);
        QFETCH(QStringList, commands);
        QFETCH(QByteArray, stored);
        Rig rig({{26, QString("BlockTeleMarketersStatus= ") + (refuse == "telemarketers" ? "True" : "False")}});
        if (refuse == "blocked")
            rig.folder.write("blocked.bin", BlockedFile::entryRecord("(555)-123-4567", "JOHN SMITH"));
        ModemSim::Call call = rig.call(report, ringsBefore, ringsAfter);
        call.ringGapMs = commands.isEmpty() ? 10 : 300; // the answer comes long before the next ring would
        rig.modem->placeCall(call);
        if (!commands.isEmpty())
            QVERIFY(rig.modem->waitForCommand("AT+VCID=1", 5000));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QCOMPARE(rig.modem->commandTexts().join(" | "), commands.join(" | "));
        QCOMPARE(rig.record(1), stored);
        const bool shown = refuse.isEmpty();
        QCOMPARE(rig.state->display.number(), shown ? QStringLiteral("(555)-123-4567") : QString());
        QCOMPARE(m_w->sound.played.size(), shown ? 11 : 0);
        const QString name = CallRecord::fields(QString::fromLatin1(stored)).name;
        QCOMPARE(m_w->notices.value(0).value(3).toString(), shown ? name : "Refused: " + name);
        // A refused call is dealt with: its notice offers neither Call back nor Block.
        QCOMPARE(m_w->notices.value(0).value(5).toStringList().isEmpty(), !shown);
        QCOMPARE(rig.folder.exists("refused.txt"), !shown); // for the export
        QCOMPARE(rig.callState().callsWithoutCallerId, 0);  // a number was received
        QVERIFY(!rig.state->flags.ZapInProgress);
        QVERIFY(!rig.callState().ReportProcessed);

        // The rings that were still to come (none after a drop) end no second call, and the refused
        // call did not swallow the reception.
        rig.modem->placeCall(rig.call(MaryRoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 2, 5000);
        QCOMPARE(rig.record(2), dots("CL=2DT=3/21/2026TM=02:06 PMNM=MARY  ROENB=(305)-555-0100RG=3END"));
        QCOMPARE(rig.state->display.number(), QStringLiteral("(305)-555-0100"));
    }

    void callsWithoutCallerId()
    {
        Rig rig;
        for (int call = 1; call <= 3; ++call) {
            ModemSim::Call rings;
            rings.ringsBefore = 2;
            rings.ringGapMs = 10;
            rig.modem->placeCall(rings);
            QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), call, 5000);
            const QByteArray r = rig.record(call);
            QVERIFY2(r.startsWith("CL=" + QByteArray::number(call) + "DT=12/6/2026TM=10:"), r.constData());
            QVERIFY2(r.contains("NM=NO CALLER IDNB=UNKNOWN NUMBERRG=2END"), r.constData());
            if (call < 3)
                QCOMPARE(rig.state->display.name(), QString()); // the display is left alone
        }
        QCOMPARE(rig.state->display.number(), QStringLiteral("Your Modem or "));
        QCOMPARE(rig.state->display.name(), QStringLiteral("Phone Company do"));
        QCOMPARE(rig.state->display.time(), QStringLiteral("not show Caller ID !!"));
    }

    void serviceInProgressKeepsTheHandlerAway()
    {
        Rig rig;
        rig.state->flags.DialInProgress = true;
        rig.modem->send(Ring);
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->MSComm1.InBufferCount(), Ring.size(), 5000);
        QCoreApplication::processEvents();
        QCOMPARE(rig.state->MSComm1.InBufferCount(), Ring.size()); // left for the service
        QVERIFY(rig.callState().buffer.isEmpty());
        QVERIFY(!rig.state->Timer1.isRunning());

        rig.state->flags.DialInProgress = false;
        rig.modem->send(Ring);
        QTRY_COMPARE_WITH_TIMEOUT(rig.callState().buffer, QString::fromLatin1(Ring + Ring), 5000);
        QVERIFY(rig.state->Timer1.isRunning());
    }

    void chatterWithoutRingsDoesNotPileUp()
    {
        Rig rig;
        for (int i = 0; i < 20; ++i)
            rig.modem->send(QStringLiteral("L%1").arg(i, 2, 10, QLatin1Char('0')).toLatin1() + QByteArray(500, 'x') +
                            "\r\nOK\r\n");
        rig.modem->send("LAST\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(rig.callState().buffer.endsWith("LAST\r\n"), 5000);
        QVERIFY(rig.callState().buffer.size() <= CallReception::MaxBufferWithoutRing);
        // The newest part is what is kept (a report may come before the first ring), not the oldest.
        QVERIFY(!rig.callState().buffer.contains("L00"));
        QVERIFY(rig.callState().buffer.contains("L19"));
        QVERIFY(!rig.state->Timer1.isRunning());
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QCOMPARE(rig.record(1), dots("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=3END"));
    }

    void browsingAfterCalls()
    {
        Rig rig;
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        rig.modem->placeCall(rig.call(QByteArray(MaryRoe).replace("0321", "0322").replace("1406", "0905")));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 2, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->LogPosition, 2, 5000);

        const MainControls &ui = rig.window->ui;
        const struct {
            QPushButton *button;
            const char *number;
            const char *name;
            int position;
        } steps[] = {
            {ui.cmdDownLog, "(555)-123-4567", "JOHN  DOE", 1}, {ui.cmdDownLog, "", "Bottom of the List", 0},
            {ui.cmdDownLog, "", "Bottom of the List", 0},      {ui.cmdUpLog, "(555)-123-4567", "JOHN  DOE", 1},
            {ui.cmdUpLog, "(305)-555-0100", "MARY  ROE", 2},   {ui.cmdUpLog, "", "Top of the List", 3},
            {ui.cmdDownLog, "(305)-555-0100", "MARY  ROE", 2},
        };
        for (const auto &s : steps) {
            s.button->click();
            QCOMPARE(rig.state->display.number(), QString::fromLatin1(s.number));
            QCOMPARE(rig.state->display.name(), QString::fromLatin1(s.name));
            QCOMPARE(rig.state->LogPosition, s.position);
            QCOMPARE(rig.window->ui.Label2->text(), QString::fromLatin1(s.name));
        }
        QCOMPARE(rig.window->ui.Label3->text(), QStringLiteral("March 22, 2026\n09:05 AM"));
        // The arrows wait while a call rings.
        rig.modem->send(Ring);
        QTRY_VERIFY_WITH_TIMEOUT(rig.callState().RingSeen, 5000);
        ui.cmdDownLog->click();
        ui.cmdUpLog->click();
        QCOMPARE(rig.state->LogPosition, 2);
        QCOMPARE(rig.state->display.name(), QStringLiteral("MARY  ROE"));
    }

    void callWhileAWriteFailureBoxIsOpen()
    {
        Rig rig;
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.number(), QStringLiteral("(555)-123-4567"), 5000);
        // The disk is full when the call ends. While the box says so, the next caller rings, and
        // the disk has room again by then.
        auto fullDisk = std::make_unique<FileSizeLimit>(40);
        if (!fullDisk->ok())
            QSKIP("cannot limit the file size here");
        bool secondStored = false;
        m_w->t.boxes.onShow = [&](const MsgRecord &box) {
            QCOMPARE(box.title, QStringLiteral("File Write Error"));
            fullDisk.reset();
            rig.modem->placeCall(rig.call(MaryRoe));
            secondStored = QTest::qWaitFor([&] { return rig.storedCalls() == 2; }, 5000);
            QCOMPARE(rig.state->display.name(), QStringLiteral("MARY  ROE"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(secondStored, 5000);
        QCOMPARE(m_w->t.boxes.shown.size(), 1);
        QVERIFY(rig.record(1).startsWith("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=3END"));
        QVERIFY(rig.record(2).startsWith("CL=2DT=3/21/2026TM=02:06 PMNM=MARY  ROENB=(305)-555-0100RG=3END"));
        // Closing the box left the reception as it was: the next caller is his own, too.
        QVERIFY(rig.callState().buffer.isEmpty());
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 3, 5000);
        QVERIFY(rig.record(3).startsWith("CL=3DT=3/21/2026TM=02:05 PMNM=JOHN  DOE"));
        QCOMPARE(m_w->sound.played.count(112), 3); // each caller announced once
    }

    void pagerIsToldAfterTheCall()
    {
        Rig rig({{23, "CallSendToPagerStatus = True"}, {16, "5559999"}, {17, "7"}});
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QVERIFY(rig.modem->waitForCommand("AT+VCID=1", 5000));
        QCOMPARE(rig.modem->commandTexts(), QStringList({"ATDT5559999;", "ATDT75551234567;", "ATH", "AT+VCID=1"}));
        QVERIFY(!rig.state->flags.PagerInProgress);
        // The next call is received as usual once caller ID is re-armed.
        rig.modem->placeCall(rig.call(MaryRoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 2, 5000);
    }

    void othersWaitForThePager_data()
    {
        // What the user does while the pager is being dialled after a call; the commands the modem
        // gets; the boxes shown.
        columns<QString, QStringList, QStringList>("action", "commands", "boxes");
        const QStringList paged = {"ATDT5559999;", "ATDT75551234567;", "ATH", "AT+VCID=1"};
        row("Dial", "cmdDial", paged, QStringList());
        row("Call Forwarding ON", "cmdCallForwardingON", paged, QStringList());
        row("Block", "cmdBlock", paged, QStringList());
        row("Modem menu", "mnuModemSelection", paged, QStringList());
        row("Connect Port", "mnuConnectPort", paged, QStringList());
        // Exit confirmed: the page is given up, the line it dialled hung up; nothing takes the port
        // again or opens a box.
        row("Exit", "mnuExit", QStringList{"ATDT5559999;", "ATH"}, QStringList{"Exit Confirmation!"});
    }

    void othersWaitForThePager()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, boxes);
        Rig rig({{23, "CallSendToPagerStatus = True"},
                 {16, "5559999"},
                 {17, "7"},
                 {10, "CallForwarding = True"},
                 {11, "5550100"}});
        const MainControls &ui = rig.window->ui;
        const QMap<QString, QAction *> menus = {{"mnuModemSelection", ui.mnuModemSelection},
                                                {"mnuConnectPort", ui.mnuConnectPort},
                                                {"mnuExit", ui.mnuExit}};
        QObject::connect(rig.modem->sim(), &ModemSim::commandReceived, rig.state.get(), [&](const QString &c) {
            if (c != QLatin1String("ATDT5559999;"))
                return;
            m_w->t.boxes.answer(vbYes);
            if (menus.contains(action))
                menus[action]->trigger();
            else
                rig.window->findChild<QPushButton *>(action)->click();
        });
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(rig.storedCalls(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.state->flags.PagerInProgress && !rig.state->callEnding, 5000);
        QTest::qWait(50); // anything let in would have begun by now
        QCOMPARE(rig.modem->commandTexts().join(" | "), commands.join(" | "));
        QCOMPARE(m_w->t.boxes.titles(), boxes);
        QVERIFY(!rig.window->detectWindow());
        QCOMPARE(rig.state->MSComm1.PortOpen(), action != "mnuExit");
    }

    void oneEndPerCall_data()
    {
        // ZAP or Block pressed late in a call: the end-of-call timer falls due while the modem answers.
        columns<QString>("button");
        row("ZAP", "cmdZap");
        row("Block", "cmdBlock");
    }

    void oneEndPerCall()
    {
        QFETCH(QString, button);
        Rig rig({{23, "CallSendToPagerStatus = True"},
                 {16, "5559999"},
                 {17, "7"},
                 {27, "BlockSelectedCallsEnable = True"}});
        m_w->t.clock.setFactor(5); // the call must still ring when the button is pressed
        rig.modem->placeCall(rig.call(JohnDoe, 1, 0));
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.number(), QStringLiteral("(555)-123-4567"), 5000);
        QObject::connect(rig.modem->sim(), &ModemSim::commandReceived, rig.state.get(), [&](const QString &c) {
            if (c == QLatin1String("ATA"))
                rig.state->Timer1.fire();
        });
        m_w->t.boxes.answer(vbYes);
        rig.window->findChild<QPushButton *>(button)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.state->flags.PagerInProgress && !rig.state->callEnding, 10000);
        QVERIFY(rig.modem->waitForCommand("AT+VCID=1", 5000, 3));
        // Dropped, stored once under the caller's name, and the pager told who it was.
        QCOMPARE(rig.modem->commandTexts(),
                 QStringList({"ATA", "ATH", "AT+VCID=1", "ATDT5559999;", "ATDT75551234567;", "ATH", "AT+VCID=1"}));
        QCOMPARE(rig.storedCalls(), 1);
        QCOMPARE(rig.record(1), dots("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=1END"));
    }

    void exitDuringZapHangsUp()
    {
        // Exit confirmed while the modem answers the call ZAP drops: the line is not left off-hook.
        Rig rig;
        m_w->t.clock.setFactor(5); // the call must still ring when the button is pressed
        rig.modem->placeCall(rig.call(JohnDoe, 1, 0));
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.number(), QStringLiteral("(555)-123-4567"), 5000);
        QObject::connect(rig.modem->sim(), &ModemSim::commandReceived, rig.state.get(), [&](const QString &c) {
            if (c != QLatin1String("ATA"))
                return;
            m_w->t.boxes.answer(vbYes);
            rig.window->ui.mnuExit->trigger();
        });
        rig.modem->clearLog();
        rig.window->ui.cmdZap->click();
        QVERIFY(rig.modem->waitForCommand("ATH", 5000));
        QCOMPARE(rig.modem->commandTexts(), QStringList({"ATA", "ATH"}));
        QVERIFY(!rig.state->MSComm1.PortOpen());
    }

    void modemLostWhileARefusedCallIsDropped()
    {
        Rig rig;
        rig.folder.write("blocked.bin", BlockedFile::entryRecord("(555)-123-4567", "JOHN SMITH"));
        const QString name = linkByName(rig.folder.path(), 1, rig.modem->devicePath());
        rig.modem->run([name](ModemSim &sim) {
            QObject::connect(&sim, &ModemSim::commandReceived, &sim, [&sim, name](const QString &c) {
                if (c != QLatin1String("ATA"))
                    return;
                QFile::remove(name); // unplugged while it answers
                sim.close();
            });
        });
        int storedAtTheBox = -1;
        m_w->t.boxes.onShow = [&](const MsgRecord &) {
            if (storedAtTheBox < 0)
                storedAtTheBox = rig.storedCalls();
        };
        rig.modem->placeCall(rig.call(JohnDoe));
        QTRY_COMPARE_WITH_TIMEOUT(m_w->t.boxes.titles(), QStringList{"Modem Disconnected"}, 5000);
        QCOMPARE(storedAtTheBox, 1); // the call first, then the word about the modem
        QVERIFY2(m_w->t.boxes.shown[0].text.startsWith("The Modem is not connected!\r"),
                 qPrintable(m_w->t.boxes.shown[0].text));
        QCOMPARE(rig.record(1), dots("CL=1DT=3/21/2026TM=02:05 PMNM=JOHN  DOENB=(555)-123-4567RG=1END"));
        QVERIFY(rig.window->port().PortReleased);
    }

private:
    std::unique_ptr<CallWatch> m_w;
};

QTEST_MAIN(tst_Calls)
#include "tst_calls.moc"
