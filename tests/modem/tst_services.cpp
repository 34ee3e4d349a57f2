// Zap, block and dial against the simulated modem: the exact commands, in order, and the
// messages when the modem or the line does not cooperate.
#include "AppState.h"
#include "Clock.h"
#include "ModemMessages.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "PortConnection.h"
#include "TestSupport.h"
#include "clsModemFunctions.h"

#include <QProcess>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

struct Rig {
    Rig()
    {
        folder.writeSettings({{2, "COM_Port = 1"}, {4, "Call_Id_AT_Command = AT+VCID=1"}, {18, "212"}});
        state = std::make_unique<AppState>(folder.path());
        state->setupFile.load(state->settings);
        state->ModemConfigured = true;
        modem = std::make_unique<ModemSimThread>();
        modem->linkAs(folder.path(), 1);
        port = std::make_unique<PortConnection>(*state, window);
        services = std::make_unique<clsModemFunctions>(*state, *port, &window);
        port->ModemPortOpen();
        modem->clearLog();
    }
    // Everything the modem received before a marker the test writes afterwards.
    QStringList commandsBefore(const QString &marker)
    {
        if (!state->MSComm1.PortOpen())
            state->MSComm1.setPortOpen(true);
        state->MSComm1.Output(marker + QChar(13));
        if (!modem->waitForCommand(marker, 5000))
            return {"marker never arrived"};
        QStringList c = modem->commandTexts();
        c.removeLast();
        return c;
    }
    void ringing() { state->Timer1.restart(10000); }

    TestFolder folder;
    std::unique_ptr<AppState> state;
    std::unique_ptr<ModemSimThread> modem;
    FakeWindow window;
    std::unique_ptr<PortConnection> port;
    std::unique_ptr<clsModemFunctions> services;
};

} // namespace

class tst_Services : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void zapAnswersHangsUpAndRearms_data();
    void zapAnswersHangsUpAndRearms();
    void zapWithoutRingSendsNothing();
    void zapOnABusyPortClearsItsFlag();
    void blockCallFailedHangUpClearsItsFlag();
    void dialStrings_data();
    void dialStrings();
    void pickUpBoxHoldsTheWait();
    void dialWithoutOk_data();
    void dialWithoutOk();
    void replySplitOverReads();
    void featureCodes_data();
    void featureCodes();

private:
    std::unique_ptr<TestScope> m_t;
};

void tst_Services::init()
{
    // Two-second answers in 20 ms, twelve-second dialling in 120 ms.
    m_t = std::make_unique<TestScope>(100.0);
}

void tst_Services::cleanup()
{
    m_t.reset();
}

void tst_Services::zapAnswersHangsUpAndRearms_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<QString>("refused"); // a command the modem answers with ERROR
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<bool>("dropped");
    QTest::newRow("usual modem") << true << "" << QStringList() << true;
    QTest::newRow("ERROR to ATA: told, still hung up")
        << true << "ATA" << QStringList{"Call Zap is not possible!"} << false;
    QTest::newRow("modem without echo") << false << "" << QStringList() << true;
}

void tst_Services::zapAnswersHangsUpAndRearms()
{
    QFETCH(bool, echo);
    QFETCH(QString, refused);
    QFETCH(QStringList, titles);
    QFETCH(bool, dropped);
    Rig rig;
    rig.modem->run([&](ModemSim &sim) {
        sim.setEcho(echo);
        sim.setErrorFor({refused});
    });
    rig.ringing();
    bool flagDuringZap = false;
    QObject::connect(rig.modem->sim(), &ModemSim::commandReceived, rig.state.get(), [&](const QString &c) {
        if (c == QLatin1String("ATA"))
            flagDuringZap = rig.state->flags.ZapInProgress;
    });
    QCOMPARE(rig.services->ZapIncomingCall(), dropped);
    QCOMPARE(rig.modem->received(), QByteArray("ATA\rATH\rAT+VCID=1\r"));
    QVERIFY(flagDuringZap);
    QVERIFY(!rig.state->flags.ZapInProgress);
    QVERIFY(rig.state->MSComm1.PortOpen());
    QCOMPARE(m_t->boxes.titles(), titles);
    if (!titles.isEmpty())
        QCOMPARE(m_t->boxes.shown[0].text, ModemMessages::noAtSupport());
}

void tst_Services::zapWithoutRingSendsNothing()
{
    Rig rig;
    rig.services->ZapIncomingCall();
    QCOMPARE(rig.commandsBefore("ATI1"), QStringList());
    QVERIFY(m_t->boxes.shown.isEmpty());
}

void tst_Services::zapOnABusyPortClearsItsFlag()
{
    Rig rig;
    rig.state->MSComm1.setPortOpen(false);
    QProcess holder;
    holder.start(QStringLiteral(RINGLARK_BIN_DIR "/ringlark-modemsim"), {"--hold", rig.modem->devicePath()});
    QVERIFY(holder.waitForReadyRead(10000));
    rig.ringing();
    rig.services->ZapIncomingCall();
    QCOMPARE(m_t->boxes.titles(), QStringList{"Modem Port is Busy"});
    QCOMPARE(m_t->boxes.shown[0].text, QStringLiteral("Modem Port is Busy with other Application!"));
    QVERIFY(!rig.state->flags.ZapInProgress);
    holder.kill();
    holder.waitForFinished();
    QCOMPARE(rig.commandsBefore("ATI1"), QStringList());
}

void tst_Services::blockCallFailedHangUpClearsItsFlag()
{
    Rig rig;
    rig.modem->run([](ModemSim &sim) { sim.setErrorFor({"ATH"}); });
    rig.ringing();
    rig.services->BlockCall();
    QCOMPARE(m_t->boxes.titles(), QStringList{"Call Zap is not possible!"});
    QCOMPARE(m_t->boxes.shown[0].text, ModemMessages::noAtSupport());
    QCOMPARE(rig.modem->commandTexts(), QStringList({"ATA", "ATH"}));
    QVERIFY(!rig.state->flags.BlockCallInProgress);
}

void tst_Services::dialStrings_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("areaCode");
    QTest::addColumn<QString>("command"); // empty: nothing is dialled
    QTest::addColumn<QString>("box");     // title of the box shown instead, if any
    QTest::newRow("own area code removed") << "(212)-555-0100" << "212" << "ATDT5550100;" << "";
    QTest::newRow("other area kept") << "(212)-555-0100" << "305" << "ATDT2125550100;" << "";
    QTest::newRow("only the leading code") << "(555)-555-1234" << "555" << "ATDT5551234;" << "";
    QTest::newRow("seven digits stay") << "()-555-1234" << "555" << "ATDT5551234;" << "";
    QTest::newRow("area code 000") << "(212)-555-0100" << "000" << "" << "Dialing Number is not possible!";
    QTest::newRow("area code not a number") << "(212)-555-0100" << "abc" << "" << "Dialing Number is not possible!";
    QTest::newRow("nothing shown") << "" << "212" << "" << "";
    QTest::newRow("no-caller-ID notice") << "Your Modem or " << "212" << "" << "";
    QTest::newRow("private") << "PRIVATE NUMBER" << "212" << "" << "";
    QTest::newRow("barred") << "BARRED NUMBER" << "212" << "" << "";
}

void tst_Services::dialStrings()
{
    QFETCH(QString, display);
    QFETCH(QString, areaCode);
    QFETCH(QString, command);
    QFETCH(QString, box);
    Rig rig;
    rig.state->settings.LocalAreaCode = areaCode;
    rig.services->DisplayedNumber = display;
    rig.services->DialTheNumber();
    if (command.isEmpty()) {
        QCOMPARE(rig.commandsBefore("ATI1"), QStringList());
        QCOMPARE(m_t->boxes.titles(), box.isEmpty() ? QStringList() : QStringList{box});
        if (!box.isEmpty())
            QCOMPARE(m_t->boxes.shown[0].text,
                     QStringLiteral("Your Local Area Code is not specified!\r"
                                    "Please go to Setup Menu and enter your 3 digit Local Area Code."));
    } else {
        QCOMPARE(rig.modem->commandTexts(), QStringList({command, "ATH"}));
    }
}

void tst_Services::pickUpBoxHoldsTheWait()
{
    Rig rig;
    rig.services->DisplayedNumber = QStringLiteral("(305)-555-0100");
    QStringList commandsWhenAsked;
    m_t->boxes.onShow = [&](const MsgRecord &) {
        commandsWhenAsked = rig.modem->commandTexts();
        m_t->clock.advance(60000); // the user takes a minute: far beyond the twelve seconds of the wait
    };
    rig.services->DialTheNumber();
    QCOMPARE(m_t->boxes.titles(), QStringList{"Dialing Number!"});
    QCOMPARE(m_t->boxes.shown[0].text, QStringLiteral("Please pick up the Phone and press 'Enter' or click 'OK'"));
    QCOMPARE(commandsWhenAsked, QStringList{"ATDT3055550100;"});
    QCOMPARE(rig.modem->commandTexts(), QStringList({"ATDT3055550100;", "ATH"}));
}

void tst_Services::dialWithoutOk_data()
{
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("no OK to the dialling")
        << "ATDT3055550100;" << ModemMessages::lineBusy(ModemMessages::LineBusy::Bang)
        << QStringList{"ATDT3055550100;"};
    QTest::newRow("no OK to the hang-up")
        << "ATH" << ModemMessages::lineBusy(ModemMessages::LineBusy::DotThenBang)
        << QStringList{"ATDT3055550100;", "ATH"};
}

void tst_Services::dialWithoutOk()
{
    QFETCH(QString, refused);
    QFETCH(QString, text);
    QFETCH(QStringList, commands);
    Rig rig;
    rig.modem->run([&](ModemSim &sim) { sim.setErrorFor({refused}); });
    rig.services->DisplayedNumber = QStringLiteral("(305)-555-0100");
    rig.services->DialTheNumber();
    QCOMPARE(m_t->boxes.titles().last(), QStringLiteral("Dialing Number is not possible!"));
    QCOMPARE(m_t->boxes.shown.last().text, text);
    QCOMPARE(rig.commandsBefore("ATI1"), commands);
}

void tst_Services::replySplitOverReads()
{
    Rig rig;
    rig.modem->run([](ModemSim &sim) {
        sim.setSilent(true);
        QObject::connect(&sim, &ModemSim::commandReceived, &sim, [&sim](const QString &c) {
            sim.send(c.toLatin1() + "\r\r\nO");
            QTimer::singleShot(5, &sim, [&sim] { sim.send("K\r\n"); });
        });
    });
    ModemExchange &x = rig.services->exchange();
    QVERIFY(x.TakeModemPort());
    x.SendModemCommand(QStringLiteral("ATH"));
    QVERIFY(!x.AwaitModemReply(9));
    QCOMPARE(x.reply(), QStringLiteral("ATH\r\r\nOK\r\n"));
}

void tst_Services::featureCodes_data()
{
    // The service; the command the modem refuses; the commands it receives; the box shown last;
    // the status record on disk afterwards (24 forwarding, 25 private calls); the button pair
    // shown ("pair:on"); the least gap in milliseconds of the clock between the first two commands.
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<int>("gapMs");
    using ModemMessages::lineBusy;
    using LB = ModemMessages::LineBusy;
    const QString fwd = "ATDT72#, 5550100;", notFwd = "Call Forwarding is not possible!\n";
    QTest::newRow("forwarding on") << "on" << "" << QStringList{fwd, "ATH"} << "Call Forwarding to your 2nd. Phone"
                                   << "24 CallForwardStatus = True" << "0:1" << 2000;
    QTest::newRow("forwarding on, code refused") << "on" << fwd << QStringList{fwd} << notFwd + lineBusy(LB::Dot)
                                                 << "" << "" << 0;
    // The status has changed with the code accepted; the buttons wait for the hang-up.
    QTest::newRow("forwarding on, hang-up refused") << "on" << "ATH" << QStringList{fwd, "ATH"}
                                                    << notFwd + lineBusy(LB::Bang) << "24 CallForwardStatus = True"
                                                    << "" << 2000;
    QTest::newRow("forwarding off") << "off" << "" << QStringList{"ATDT73#;", "ATH", "AT+VCID=1"} << ""
                                    << "24 CallForwardStatus = False" << "0:0" << 2000;
    QTest::newRow("block private calls") << "block" << "" << QStringList{"ATDT*77;", "ATH", "AT+VCID=1"}
                                         << "Block Private Calls Confirmation!" << "25 BlockPrivateCallsStatus = True"
                                         << "1:1" << 2000;
    QTest::newRow("release private calls") << "release" << "" << QStringList{"ATDT*87;", "ATH", "AT+VCID=1"} << ""
                                           << "25 BlockPrivateCallsStatus = False" << "1:0" << 4000;
    QTest::newRow("pager") << "page 5551234567" << "" << QStringList{"ATDT5559999;", "ATDT75551234567;", "ATH"}
                           << "" << "" << "" << 7000;
    // The words of a private caller go as they are; a modem that takes only digits refuses them.
    QTest::newRow("pager, private caller")
        << "page PRIVATE NUMBER" << "ATDT7PRIVATE NUMBER;" << QStringList{"ATDT5559999;", "ATDT7PRIVATE NUMBER;"}
        << "Pager Notification is not possible!\n" + lineBusy(LB::Bang) << "" << "" << 7000;
}

void tst_Services::featureCodes()
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
        rig.services->CallForwardON();
    else if (service == "off")
        rig.services->CallForwardOFF();
    else if (service == "block")
        rig.services->BlockPrivateCallsOn();
    else if (service == "release")
        rig.services->ReleasePrivateCallsOn();
    else
        rig.services->CallerIdSendToPager(service.section(' ', 1));

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
    if (service == "on" && !buttons.isEmpty())
        QCOMPARE(rig.state->tray.tip(), QStringLiteral("Ringlark Talking Caller ID. To receive calls, please turn "
                                                       "OFF Call Forwarding.").left(63));
    // Forwarding on lets go of the port; every other service leaves it open.
    QCOMPARE(rig.state->MSComm1.PortOpen(), !(service == "on" && !buttons.isEmpty()));
}

QTEST_MAIN(tst_Services)
#include "tst_services.moc"
