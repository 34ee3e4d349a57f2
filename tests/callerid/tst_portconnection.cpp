// The caller-ID port against the simulated modem over a real pseudo-terminal.
#include "AppState.h"
#include "Clock.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "PortConnection.h"
#include "TestSupport.h"
#include "Tray.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

#include <unistd.h>

namespace {

struct Rig {
    explicit Rig(const QString &command = QStringLiteral("AT+VCID=1"), const QString &com = QStringLiteral("1"))
    {
        folder.writeSettings({{2, "COM_Port = " + com}, {4, "Call_Id_AT_Command = " + command}});
        state = std::make_unique<AppState>(folder.path());
        state->setupFile.load(state->settings);
        state->ModemConfigured = state->settings.comPortNumber() >= 1;
        modem = std::make_unique<ModemSimThread>();
        modem->linkAs(folder.path(), 1);
        port = std::make_unique<PortConnection>(*state, window);
    }
    // Something the program writes after the step under test: everything before it arrived.
    QByteArray receivedBefore(const QString &marker)
    {
        state->MSComm1.Output(marker + QChar(13));
        if (!modem->waitForCommand(marker, 5000))
            return "marker never arrived";
        const QByteArray all = modem->received();
        return all.left(all.size() - marker.size() - 1);
    }

    TestFolder folder;
    std::unique_ptr<AppState> state;
    std::unique_ptr<ModemSimThread> modem;
    FakeWindow window;
    std::unique_ptr<PortConnection> port;
};

} // namespace

class tst_PortConnection : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sendsTheCommandWithOneReturn();
    void okSplitOverTwoReads();
    void noCommandIsSent_data();
    void noCommandIsSent();
    void errorOrSilenceLeavesPortOpen_data();
    void errorOrSilenceLeavesPortOpen();
    void noModemConfigured_data();
    void noModemConfigured();
    void portHeldByAnotherProcess();
    void releaseAndConnect_data();
    void releaseAndConnect();
    void commandsRefusedInTheWrongState_data();
    void commandsRefusedInTheWrongState();
    void deviceLossClosesOnce();
    void deviceLostDuringTheReplyWait();
    void permissionReasonNamesTheGroup();

private:
    std::unique_ptr<FastClock> m_clock;
};

void tst_PortConnection::init()
{
    // The caller-ID reply may take three seconds; here they pass in 150 ms.
    m_clock = std::make_unique<FastClock>(20.0);
    Clock::install(m_clock.get());
}

void tst_PortConnection::cleanup()
{
    Clock::install(nullptr);
}

void tst_PortConnection::sendsTheCommandWithOneReturn()
{
    Rig rig;
    QVERIFY(rig.modem->isOpen());
    rig.port->ModemPortOpen();
    QVERIFY(rig.state->MSComm1.PortOpen());
    QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\r"));
    QCOMPARE(rig.port->commandText(), QStringLiteral("AT+VCID=1\r"));
    QCOMPARE(rig.port->reply(), QStringLiteral("AT+VCID=1\r\r\nOK\r\n"));
    rig.port->ModemPortOpen(); // every call closes, reopens and re-arms
    QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\rAT+VCID=1\r"));
}

void tst_PortConnection::okSplitOverTwoReads()
{
    Rig rig;
    rig.modem->run([](ModemSim &sim) {
        sim.setSilent(true);
        QObject::connect(&sim, &ModemSim::commandReceived, &sim, [&sim] {
            sim.send("\r\nO");
            QTimer::singleShot(20, &sim, [&sim] { sim.send("K\r\n"); });
        });
    });
    const QDateTime start = Clock::current().now();
    rig.port->ModemPortOpen();
    QCOMPARE(rig.port->reply(), QStringLiteral("\r\nOK\r\n"));
    QVERIFY2(start.msecsTo(Clock::current().now()) < PortConnection::CallerIdReplyWaitMs, "waited for the bound");
}

void tst_PortConnection::noCommandIsSent_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("detection found none") << "No_CallerId_String_Found";
    QTest::newRow("one character") << "A";
    QTest::newRow("empty") << "";
}

void tst_PortConnection::noCommandIsSent()
{
    QFETCH(QString, command);
    Rig rig(command);
    rig.port->ModemPortOpen();
    QVERIFY(rig.state->MSComm1.PortOpen());
    QCOMPARE(rig.receivedBefore("ATI1"), QByteArray());
}

void tst_PortConnection::errorOrSilenceLeavesPortOpen_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("waitsForTheBound");
    QTest::newRow("ERROR") << false << "AT+VCID=1\r\r\nERROR\r\n" << false;
    QTest::newRow("silence") << true << "" << true;
}

void tst_PortConnection::errorOrSilenceLeavesPortOpen()
{
    QFETCH(bool, silent);
    QFETCH(QString, reply);
    QFETCH(bool, waitsForTheBound);
    Rig rig;
    rig.modem->run([&](ModemSim &sim) {
        sim.setSilent(silent);
        sim.setErrorFor({QStringLiteral("AT+VCID=1")});
    });
    const QDateTime start = Clock::current().now();
    rig.port->ModemPortOpen();
    const qint64 waited = start.msecsTo(Clock::current().now());
    QVERIFY(rig.state->MSComm1.PortOpen());
    QCOMPARE(rig.port->reply(), reply);
    QCOMPARE(waited >= PortConnection::CallerIdReplyWaitMs, waitsForTheBound);
}

void tst_PortConnection::noModemConfigured_data()
{
    QTest::addColumn<bool>("detectionFindsOne");
    QTest::newRow("detection finds none") << false;
    QTest::newRow("detection finds one") << true;
}

void tst_PortConnection::noModemConfigured()
{
    QFETCH(bool, detectionFindsOne);
    Rig rig(QStringLiteral("AT+VCID=1"), QStringLiteral("0"));
    rig.window.onDetect = [&] {
        if (!detectionFindsOne)
            return;
        rig.state->settings.COM_Port = QStringLiteral("1");
        rig.state->ModemConfigured = true;
    };
    MsgBoxScript boxes;
    rig.port->ModemPortOpen();
    QCOMPARE(rig.window.calls, QStringList{"detect"});
    QCOMPARE(rig.state->MSComm1.PortOpen(), detectionFindsOne);
    QCOMPARE(rig.modem->received(), detectionFindsOne ? QByteArray("AT+VCID=1\r") : QByteArray());
    QCOMPARE(boxes.titles(), detectionFindsOne ? QStringList() : QStringList{"Modem Detection"});
    if (!detectionFindsOne)
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Program did not find a Modem on a valid COM Port!\rPlease "
                                                     "either insert a Modem or configure it manually in Modem Setup."));
}

void tst_PortConnection::portHeldByAnotherProcess()
{
    Rig rig;
    QProcess holder;
    holder.start(QStringLiteral(RINGLARK_BIN_DIR "/ringlark-modemsim"), {"--hold", rig.modem->devicePath()});
    QVERIFY(holder.waitForReadyRead(10000));
    QVERIFY(holder.readAll().startsWith("holding"));

    MsgBoxScript boxes;
    rig.port->ModemPortOpen();
    QCOMPARE(boxes.titles(), QStringList({"Modem Port is Busy", "Releasing COM Port!"}));
    const QStringList lines = boxes.shown[0].text.split(QChar(13));
    QCOMPARE(lines.mid(0, 3), QStringList({"Modem Port is Busy with other Application!",
                                           "You may either close other Application or run Ringlark",
                                           "Talking Caller ID with Modem Port released."}));
    QVERIFY2(lines.value(3).contains(rig.modem->devicePath()), qPrintable(lines.value(3)));
    QVERIFY(rig.port->PortReleased);
    QVERIFY(!rig.state->MSComm1.PortOpen());
    QCOMPARE(rig.state->tray.tip(), Tray::ReleasedTip);
    QCOMPARE(rig.window.calls, QStringList({"icon:openport.ico", "minimise"}));

    holder.kill();
    holder.waitForFinished();
    boxes.shown.clear();
    rig.port->mnuConnectPort_Click();
    QVERIFY(boxes.shown.isEmpty());
    QVERIFY(!rig.port->PortReleased);
    QVERIFY(rig.state->MSComm1.PortOpen());
    QCOMPARE(rig.state->tray.tip(), Tray::ConnectedTip);
    QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\r"));
}

void tst_PortConnection::releaseAndConnect_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("released");
    QTest::newRow("No keeps everything") << int(vbNo) << false;
    QTest::newRow("Yes releases") << int(vbYes) << true;
}

void tst_PortConnection::releaseAndConnect()
{
    QFETCH(int, answer);
    QFETCH(bool, released);
    Rig rig;
    rig.port->ModemPortOpen();
    MsgBoxScript boxes;
    boxes.answer(MsgAnswer(answer));
    rig.port->mnuReleasePort_Click();
    QCOMPARE(boxes.titles(), QStringList{"Release COM Port Confirmation!"});
    QCOMPARE(boxes.shown[0].style, MsgStyle::Question);
    QCOMPARE(rig.port->PortReleased, released);
    QCOMPARE(rig.state->MSComm1.PortOpen(), !released);
    QCOMPARE(rig.window.calls.contains("minimise"), released);
    QCOMPARE(rig.state->tray.exists(), released);
    if (!released)
        return;
    QCOMPARE(rig.state->tray.tip(), Tray::ReleasedTip);

    rig.port->mnuConnectPort_Click();
    QVERIFY(!rig.port->PortReleased);
    QVERIFY(rig.state->MSComm1.PortOpen());
    QCOMPARE(rig.state->tray.tip(), Tray::ConnectedTip);
    QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\rAT+VCID=1\r"));
}

void tst_PortConnection::commandsRefusedInTheWrongState_data()
{
    QTest::addColumn<bool>("configured");
    QTest::addColumn<bool>("released");
    QTest::addColumn<bool>("connect");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const QString notConfigured = QStringLiteral(
        "Program is not yet configured for a valid Modem.\rPlease go to Menu Modem and search for a valid Modem.");
    QTest::newRow("connect, no modem") << false << false << true << "Modem is not Configured!" << notConfigured;
    QTest::newRow("release, no modem") << false << false << false << "Modem is not Configured!" << notConfigured;
    QTest::newRow("connect while connected")
        << true << false << true << "Connect COM Port" << "Modem COM Port is already Connected!";
    QTest::newRow("release while released") << true << true << false << "Release COM Port"
                                            << "Modem COM Port is already Released!\rPlease connect the COM Port.";
}

void tst_PortConnection::commandsRefusedInTheWrongState()
{
    QFETCH(bool, configured);
    QFETCH(bool, released);
    QFETCH(bool, connect);
    QFETCH(QString, title);
    QFETCH(QString, text);
    Rig rig;
    rig.state->ModemConfigured = configured;
    rig.port->PortReleased = released;
    MsgBoxScript boxes;
    if (connect)
        rig.port->mnuConnectPort_Click();
    else
        rig.port->mnuReleasePort_Click();
    QCOMPARE(boxes.titles(), QStringList{title});
    QCOMPARE(boxes.shown[0].text, text);
    QCOMPARE(rig.port->PortReleased, released);
    QVERIFY(rig.window.calls.isEmpty());
    QVERIFY(rig.modem->received().isEmpty());
}

void tst_PortConnection::deviceLossClosesOnce()
{
    Rig rig;
    rig.port->ModemPortOpen();
    QSignalSpy lost(&rig.state->MSComm1, &MSComm::deviceLost);
    rig.modem->close();
    QVERIFY(lost.wait(5000));
    QVERIFY(!rig.state->MSComm1.PortOpen());
    QVERIFY(rig.port->PortReleased);
    QCOMPARE(rig.state->tray.tip(), Tray::ReleasedTip);
    QTest::qWait(100);
    QCOMPARE(lost.count(), 1);

    // The device is back (another terminal on the same COM number): connect opens it again.
    ModemSimThread back;
    QVERIFY(back.linkAs(rig.folder.path(), 1));
    MsgBoxScript boxes;
    rig.port->mnuConnectPort_Click();
    QVERIFY(boxes.shown.isEmpty());
    QVERIFY(rig.state->MSComm1.PortOpen());
    QCOMPARE(back.received(), QByteArray("AT+VCID=1\r"));
}

void tst_PortConnection::deviceLostDuringTheReplyWait()
{
    Rig rig;
    rig.modem->run([](ModemSim &sim) {
        sim.setSilent(true);
        QObject::connect(&sim, &ModemSim::commandReceived, &sim,
                         [&sim] { QTimer::singleShot(0, &sim, [&sim] { sim.close(); }); });
    });
    const QDateTime start = Clock::current().now();
    rig.port->ModemPortOpen();
    // Given up at once, not retried (spinning) until the bound of the wait.
    QVERIFY(start.msecsTo(Clock::current().now()) < PortConnection::CallerIdReplyWaitMs);
}

void tst_PortConnection::permissionReasonNamesTheGroup()
{
    if (::geteuid() == 0)
        QSKIP("running as root: file permissions do not stop an open");
    Rig rig(QStringLiteral("AT+VCID=1"), QStringLiteral("2"));
    rig.folder.write("locked-device", "");
    QFile::setPermissions(rig.folder.file("locked-device"), QFile::Permissions());
    QDir(rig.folder.path()).mkpath("ports");
    QVERIFY(QFile::link(rig.folder.file("locked-device"), rig.folder.file("ports/COM2")));
    MsgBoxScript boxes;
    rig.port->ModemPortOpen();
    QVERIFY(boxes.shown.value(0).text.contains("dialout"));
}

QTEST_MAIN(tst_PortConnection)
#include "tst_portconnection.moc"
