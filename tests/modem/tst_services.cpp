// Zap, block and dial against the simulated modem: the exact commands, in order, and the
// messages when the modem or the line does not cooperate.
#include "ModemMessages.h"
#include "PortRig.h"
#include "clsModemFunctions.h"

#include <QTest>
#include <QTimer>

namespace {

const QString ZapTitle = QStringLiteral("Call Zap is not possible!");
const QString DialTitle = QStringLiteral("Dialing Number is not possible!");
const QString PickUpTitle = QStringLiteral("Dialing Number!");

// The port open and listening on COM1, local area code 212; the modem's log cleared.
struct Rig : PortRig {
    Rig() : PortRig({{18, "212"}})
    {
        port->ModemPortOpen();
        modem->waitForCommand("AT+VCID=1", 5000); // logged by the modem, however busy the machine
        modem->clearLog();
    }
    void ringing() { state->Timer1.restart(10000); }

    clsModemFunctions services{*state, *state, state->tray, *port, &window};
};

} // namespace

class tst_Services : public QObject {
    Q_OBJECT
private slots:
    // Two-second answers in 20 ms, twelve-second dialling in 120 ms.
    void init() { m_t = std::make_unique<TestScope>(100.0); }
    void cleanup() { m_t.reset(); }

    void zapAndBlock_data()
    {
        // `refused`: a command the modem answers with ERROR.
        columns<bool, bool, bool, QString, QByteArray, QStringList>("block", "ringing", "echo", "refused", "sent",
                                                                    "titles");
        const QByteArray zapped = "ATA\rATH\rAT+VCID=1\r";
        row("usual modem", false, true, true, "", zapped, QStringList());
        row("ERROR to ATA: told, still hung up", false, true, true, "ATA", zapped, QStringList{ZapTitle});
        row("modem without echo", false, true, false, "", zapped, QStringList());
        row("zap, no call ringing", false, false, true, "", QByteArray(), QStringList());
        row("block, no OK to the hang-up", true, true, true, "ATH", QByteArray("ATA\rATH\r"), QStringList{ZapTitle});
        row("block, no call ringing", true, false, true, "", QByteArray(), QStringList());
    }

    void zapAndBlock()
    {
        QFETCH(bool, block);
        QFETCH(bool, ringing);
        QFETCH(bool, echo);
        QFETCH(QString, refused);
        QFETCH(QByteArray, sent);
        QFETCH(QStringList, titles);
        Rig rig;
        rig.modem->run([&](ModemSim &sim) {
            sim.setEcho(echo);
            sim.setErrorFor({refused});
        });
        if (ringing)
            rig.ringing();
        bool &flag = block ? rig.state->flags.BlockCallInProgress : rig.state->flags.ZapInProgress;
        bool flagWhileAnswering = false;
        QObject::connect(rig.modem->sim(), &ModemSim::commandReceived, rig.state.get(), [&](const QString &c) {
            if (c == QLatin1String("ATA"))
                flagWhileAnswering = flag;
        });
        // Real time here: how long a modem without echo keeps the caller is the point.
        const double pace = echo ? 100 : 4;
        m_t->clock.setFactor(pace);
        if (block)
            rig.services.BlockCall();
        else
            QCOMPARE(rig.services.ZapIncomingCall(), ringing && refused.isEmpty());
        const QList<ModemSim::Command> log = rig.modem->sim()->commands();
        if (!echo) // ATA gets nothing back: the two seconds of its reply wait count from the command
            QVERIFY(log[0].time.msecsTo(log[1].time) * pace < 2600);
        QVERIFY(rig.state->MSComm1.PortOpen());
        QCOMPARE(rig.receivedBefore(), sent);
        QCOMPARE(flagWhileAnswering, ringing);
        QVERIFY(!flag);
        QCOMPARE(m_t->boxes.titles(), titles);
        if (!titles.isEmpty())
            QCOMPARE(m_t->boxes.shown[0].text, ModemMessages::noAtSupport());
    }

    void zapOnABusyPortClearsItsFlag()
    {
        Rig rig;
        rig.state->MSComm1.setPortOpen(false);
        auto holder = std::make_unique<PortHolder>(rig.modem->devicePath());
        QVERIFY(holder->holding());
        rig.ringing();
        rig.services.ZapIncomingCall();
        QCOMPARE(m_t->boxes.titles(), QStringList{"Modem Port is Busy"});
        QCOMPARE(m_t->boxes.shown[0].text, QStringLiteral("Modem Port is Busy with other Application!"));
        QVERIFY(!rig.state->flags.ZapInProgress);
        holder.reset();
        QCOMPARE(rig.receivedBefore(), QByteArray());
    }

    void dial_data()
    {
        // What the modem received, the titles of the boxes shown, and the text of the last one.
        columns<QString, QString, QString, QByteArray, QStringList, QString>("display", "areaCode", "refused", "sent",
                                                                             "titles", "text");
        const QString pickUp = QStringLiteral("Please pick up the Phone and press 'Enter' or click 'OK'");
        const QString noAreaCode = QStringLiteral("Your Local Area Code is not specified!\r"
                                                  "Please go to Setup Menu and enter your 3 digit Local Area Code.");
        const QString none;
        const QStringList dialled = {PickUpTitle}, refusedBox = {DialTitle}, nothing;
        row("own area code removed", "(212)-555-0100", "212", none, QByteArray("ATDT5550100;\rATH\r"), dialled, pickUp);
        row("other area kept", "(212)-555-0100", "305", none, QByteArray("ATDT2125550100;\rATH\r"), dialled, pickUp);
        row("only the leading code", "(555)-555-1234", "555", none, QByteArray("ATDT5551234;\rATH\r"), dialled, pickUp);
        row("seven digits stay", "()-555-1234", "555", none, QByteArray("ATDT5551234;\rATH\r"), dialled, pickUp);
        row("area code 000", "(212)-555-0100", "000", none, QByteArray(), refusedBox, noAreaCode);
        row("area code not a number", "(212)-555-0100", "abc", none, QByteArray(), refusedBox, noAreaCode);
        row("nothing shown", "", "212", none, QByteArray(), nothing, none);
        row("no-caller-ID notice", "Your Modem or ", "212", none, QByteArray(), nothing, none);
        row("private", "PRIVATE NUMBER", "212", none, QByteArray(), nothing, none);
        row("barred", "BARRED NUMBER", "212", none, QByteArray(), nothing, none);
        row("no OK to the dialling", "(305)-555-0100", "212", "ATDT3055550100;", QByteArray("ATDT3055550100;\r"),
            refusedBox, ModemMessages::lineBusy(ModemMessages::LineBusy::Bang));
        row("no OK to the hang-up", "(305)-555-0100", "212", "ATH", QByteArray("ATDT3055550100;\rATH\r"),
            QStringList{PickUpTitle, DialTitle}, ModemMessages::lineBusy(ModemMessages::LineBusy::DotThenBang));
    }

    void dial()
    {
        QFETCH(QString, display);
        QFETCH(QString, areaCode);
        QFETCH(QString, refused);
        QFETCH(QByteArray, sent);
        QFETCH(QStringList, titles);
        QFETCH(QString, text);
        Rig rig;
        rig.modem->run([&](ModemSim &sim) { sim.setErrorFor({refused}); });
        rig.state->settings.LocalAreaCode = areaCode;
        rig.services.DisplayedNumber = display;
        QByteArray sentAtFirstBox = "no box";
        m_t->boxes.onShow = [&](const MsgRecord &) {
            if (sentAtFirstBox == "no box")
                sentAtFirstBox = rig.modem->received();
            m_t->clock.advance(60000); // the user takes a minute: far beyond the twelve seconds of the wait
        };
        rig.services.DialTheNumber();
        QCOMPARE(rig.receivedBefore(), sent);
        QCOMPARE(m_t->boxes.titles(), titles);
        if (titles.isEmpty())
            return;
        QCOMPARE(m_t->boxes.shown.last().text, text);
        QCOMPARE(sentAtFirstBox, sent.left(sent.indexOf('\r') + 1)); // the hang-up waits for the box
    }

    void modemLostInAReplyWait_data()
    {
        QTest::addColumn<QString>("service");
        row("block private calls, unplugged while it dials", QString("block"));
        row("the pager, unplugged while it dials", QString("pager"));
    }

    void modemLostInAReplyWait()
    {
        // Said as it is, at once: not, after the whole wait, as a busy telephone line.
        QFETCH(QString, service);
        Rig rig;
        rig.state->settings.BlockPrivateCalls = true;
        rig.state->settings.PagerNumber = "5559999";
        rig.modem->run([](ModemSim &sim) {
            sim.setSilent(true);
            QObject::connect(&sim, &ModemSim::commandReceived, &sim, [&sim](const QString &c) {
                if (c.startsWith(QLatin1String("ATDT")))
                    QTimer::singleShot(0, &sim, [&sim] { sim.close(); });
            });
        });
        m_t->boxes.answer(vbYes);
        m_t->clock.setFactor(1); // the nine seconds of the wait in real time: the loss must not take them
        const QDateTime start = Clock::current().now();
        if (service == "block")
            rig.services.BlockPrivateCallsOn();
        else
            rig.services.CallerIdSendToPager("5551234");
        QVERIFY2(start.msecsTo(Clock::current().now()) < 4000,
                 qPrintable(QString::number(start.msecsTo(Clock::current().now()))));
        QStringList titles = m_t->boxes.titles();
        titles.removeAll("Block Private Calls Confirmation!");
        QCOMPARE(titles, QStringList{"Modem Disconnected"});
    }

    void replySplitOverReads()
    {
        Rig rig;
        rig.modem->run([](ModemSim &sim) {
            sim.setSilent(true);
            QObject::connect(&sim, &ModemSim::commandReceived, &sim, [&sim](const QString &c) {
                sim.send(c.toLatin1() + "\r\r\nO");
                QTimer::singleShot(5, &sim, [&sim] { sim.send("K\r\n"); });
            });
        });
        ModemExchange &x = rig.services.exchange();
        QVERIFY(x.TakeModemPort());
        x.SendModemCommand(QStringLiteral("ATH"));
        QVERIFY(!x.AwaitModemReply(9));
        QCOMPARE(x.reply(), QStringLiteral("ATH\r\r\nOK\r\n"));
    }

    void featureCodes_data()
    {
        // The service; the command the modem refuses; the commands it receives; the box shown
        // last (title, then text); the status record on disk afterwards (24 forwarding, 25
        // private calls); the button pair shown ("pair:on"); the least gap, in the program's
        // milliseconds, between the first two commands.
        columns<QString, QString, QStringList, QString, QString, QString, int>("service", "refused", "commands", "box",
                                                                               "status", "buttons", "gapMs");
        using ModemMessages::lineBusy;
        using LB = ModemMessages::LineBusy;
        const QString fwd = "ATDT72#, 5550100;", notFwd = "Call Forwarding is not possible!\n";
        row("forwarding on", "on", "", QStringList{fwd, "ATH"}, "Call Forwarding to your 2nd. Phone",
            "24 CallForwardStatus = True", "0:1", 2000);
        row("forwarding on, code refused", "on", fwd, QStringList{fwd}, notFwd + lineBusy(LB::Dot), "", "", 0);
        // The status has changed with the code accepted; the buttons wait for the hang-up.
        row("forwarding on, hang-up refused", "on", "ATH", QStringList{fwd, "ATH"}, notFwd + lineBusy(LB::Bang),
            "24 CallForwardStatus = True", "", 2000);
        row("forwarding off", "off", "", QStringList{"ATDT73#;", "ATH", "AT+VCID=1"}, "",
            "24 CallForwardStatus = False", "0:0", 2000);
        row("block private calls", "block", "", QStringList{"ATDT*77;", "ATH", "AT+VCID=1"},
            "Block Private Calls Confirmation!", "25 BlockPrivateCallsStatus = True", "2:1", 2000);
        row("release private calls", "release", "", QStringList{"ATDT*87;", "ATH", "AT+VCID=1"}, "",
            "25 BlockPrivateCallsStatus = False", "2:0", 4000);
        row("pager", "page 5551234567", "", QStringList{"ATDT5559999;", "ATDT75551234567;", "ATH"}, "", "", "", 7000);
        // The words of a private caller go as they are; a modem that takes only digits refuses them.
        row("pager, private caller", "page PRIVATE NUMBER", "ATDT7PRIVATE NUMBER;",
            QStringList{"ATDT5559999;", "ATDT7PRIVATE NUMBER;"},
            "Pager Notification is not possible!\n" + lineBusy(LB::Bang), "", "", 7000);
    }

    void featureCodes()
    {
        QFETCH(QString, service);
        QFETCH(QString, refused);
        QFETCH(QStringList, commands);
        QFETCH(QString, box);
        QFETCH(QString, status);
        QFETCH(QString, buttons);
        QFETCH(int, gapMs);
        Rig rig;
        Settings &s = rig.state->settings;
        s.CallForwarding = s.BlockPrivateCalls = true;
        s.ForwardNumber = "5550100";
        s.PagerNumber = "5559999";
        s.PagerId = "7";
        rig.modem->run([&](ModemSim &sim) { sim.setErrorFor({refused}); });
        const QByteArray settingsBefore = rig.folder.bytes("acsetup.bin");
        m_t->boxes.answer(vbYes);
        if (service == "on")
            rig.services.CallForwardON();
        else if (service == "off")
            rig.services.CallForwardOFF();
        else if (service == "block")
            rig.services.BlockPrivateCallsOn();
        else if (service == "release")
            rig.services.ReleasePrivateCallsOn();
        else
            rig.services.CallerIdSendToPager(service.section(' ', 1));

        const QList<ModemSim::Command> sent = rig.modem->sim()->commands();
        QStringList texts;
        for (const ModemSim::Command &c : sent)
            texts << c.text;
        QCOMPARE(texts, commands);
        if (gapMs > 0)
            QVERIFY(sent[0].time.msecsTo(sent[1].time) >= gapMs / 100); // the clock runs 100 times faster
        QCOMPARE(m_t->boxes.shown.isEmpty() ? QString() : m_t->boxes.shown.last().title, box.section('\n', 0, 0));
        if (box.contains('\n'))
            QCOMPARE(m_t->boxes.shown.last().text, box.section('\n', 1));
        const int record = status.isEmpty() ? 24 : status.left(2).toInt();
        QCOMPARE(rig.folder.bytes("acsetup.bin").mid((record - 1) * 100, 100),
                 status.isEmpty() ? settingsBefore.mid((record - 1) * 100, 100) : settingsRecord(status.mid(3)));
        QCOMPARE(rig.window.calls.filter("service:").join(','), buttons.isEmpty() ? QString() : "service:" + buttons);
        const bool forwarded = service == "on" && !buttons.isEmpty();
        if (forwarded)
            QCOMPARE(rig.state->tray.tip(), QStringLiteral("Ringlark Talking Caller ID. To receive calls, please "
                                                           "turn OFF Call Forwarding.")
                                                .left(63));
        // Forwarding on lets go of the port; every other service leaves it open.
        QCOMPARE(rig.state->MSComm1.PortOpen(), !forwarded);
    }

private:
    std::unique_ptr<TestScope> m_t;
};

QTEST_MAIN(tst_Services)
#include "tst_services.moc"
