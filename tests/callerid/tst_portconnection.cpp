// The caller-ID port against the simulated modem over a real pseudo-terminal, and whole calls
// through the call core alone: this test links no Gui and no Widgets, and runs without a
// platform plugin.
#include "BlockedFile.h"
#include "CallAnnouncer.h"
#include "CallCore.h"
#include "ComPorts.h"
#include "PortRig.h"
#include "TrayStatus.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

PortRig rigWith(const QString &command, const QString &com = QStringLiteral("1"))
{
    return PortRig({{2, "COM_Port = " + com}, {4, "Call_Id_AT_Command = " + command}});
}

} // namespace

class tst_PortConnection : public QObject {
    Q_OBJECT
private slots:
    // The caller-ID reply may take three seconds; here they pass in 150 ms.
    void init() { m_t = std::make_unique<TestScope>(20.0); }
    void cleanup() { m_t.reset(); }

    void wholeCallOnTheCore_data()
    {
        columns<QString, QStringList, QByteArray, bool>("refuse", "commands", "stored", "refused");
        const QByteArray at1405 = "CL=1DT=3/21/2026TM=02:05 PMNM=";
        row("shown", "", QStringList(), at1405 + "JOHN  DOENB=(555)-123-4567RG=3END", false);
        row("blocked number", "blocked", QStringList({"ATA", "ATH", "AT+VCID=1"}),
            at1405 + "JOHN  DOENB=(555)-123-4567RG=1END", true);
        row("unknown name, telemarketers blocked", "telemarketers", QStringList({"ATA", "ATH", "AT+VCID=1"}),
            at1405 + "UNKNOWN NAMENB=(555)-123-4567RG=1END", true);
        // The call was let through when its caller was known: so it stays, stored and not refused.
        row("telemarketers blocked while an unknown caller rings", "switch during the call", QStringList(),
            at1405 + "UNKNOWN NAMENB=(555)-123-4567RG=3END", false);
    }

    void wholeCallOnTheCore()
    {
        QFETCH(QString, refuse);
        QFETCH(QStringList, commands);
        QFETCH(QByteArray, stored);
        QFETCH(bool, refused);
        QVERIFY(!QCoreApplication::instance()->inherits("QGuiApplication"));
        pinLocale();
        m_t.reset(); // the clock of this run only once the default one is gone
        m_t = std::make_unique<TestScope>(20.0, QDateTime(QDate(2026, 12, 6), QTime(10, 0)));
        PortRig rig({{2, "COM_Port = 1"},
                     {4, "Call_Id_AT_Command = AT+VCID=1"},
                     {26, QString("BlockTeleMarketersStatus= ") + (refuse == "telemarketers" ? "True" : "False")}});
        if (refuse == "blocked")
            rig.folder.write("blocked.bin", BlockedFile::entryRecord("(555)-123-4567", "JOHN SMITH"));
        SilentAnnouncer silence;
        CallCore core(*rig.state, rig.window, *rig.port, silence);
        MsgBoxScript boxes;
        rig.port->ModemPortOpen();
        QVERIFY(rig.modem->waitForCommand("AT+VCID=1", 5000));
        rig.modem->clearLog();

        const QByteArray report = refuse == "telemarketers" || refuse == "switch during the call"
                                      ? "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\nNAME = O\r\n"
                                      : "\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n";
        ModemSim::Call call;
        call.report = report;
        call.ringsAfter = 2;
        call.ringGapMs = refused ? 300 : 10; // the answer comes long before the next ring would
        call.ringGapMs = refuse == "switch during the call" ? 100 : call.ringGapMs;
        rig.modem->placeCall(call);
        if (refuse == "switch during the call") {
            QTRY_COMPARE_WITH_TIMEOUT(rig.state->display.number(), QStringLiteral("(555)-123-4567"), 5000);
            rig.state->settings.BlockTeleMarketersStatus = true;
        }
        QTRY_COMPARE_WITH_TIMEOUT(rig.folder.bytes("Array.bin").size(), qsizetype(80), 5000);
        QCOMPARE(rig.folder.bytes("Array.bin").left(stored.size()), stored);
        QCOMPARE(rig.modem->commandTexts(), commands);
        QCOMPARE(rig.folder.exists("refused.txt"), refused);
        // A shown call's report is kept in record 5 of the settings file as it came; a refused one not.
        const QByteArray record5 = rig.folder.bytes("acsetup.bin").mid(400, 100);
        QCOMPARE(record5.contains(report.mid(2)), !refused);
        QCOMPARE(rig.state->display.number(), refused ? QString() : QStringLiteral("(555)-123-4567"));
        QCOMPARE(rig.window.calls.contains("popUp"), !refused);
        QVERIFY(boxes.shown.isEmpty());
    }

    void replyWait_data()
    {
        columns<QString, QString, bool>("modem", "reply", "waitsForTheBound");
        row("usual", "usual", "AT+VCID=1\r\r\nOK\r\n", false);
        row("OK split over two reads", "split", "\r\nOK\r\n", false);
        row("ERROR", "error", "AT+VCID=1\r\r\nERROR\r\n", false);
        row("silence", "silent", "", true);
        // Given up at once, not retried (spinning) until the bound of the wait.
        row("device lost during the wait", "lost", "", false);
    }

    void replyWait()
    {
        QFETCH(QString, modem);
        QFETCH(QString, reply);
        QFETCH(bool, waitsForTheBound);
        PortRig rig;
        QVERIFY(rig.modem->isOpen());
        rig.modem->run([&](ModemSim &sim) {
            sim.setSilent(modem == "split" || modem == "silent" || modem == "lost");
            sim.setErrorFor({modem == "error" ? "AT+VCID=1" : ""});
            QObject::connect(&sim, &ModemSim::commandReceived, &sim, [&sim, modem] {
                if (modem == "split") {
                    sim.send("\r\nO");
                    QTimer::singleShot(20, &sim, [&sim] { sim.send("K\r\n"); });
                } else if (modem == "lost") {
                    QTimer::singleShot(0, &sim, [&sim] { sim.close(); });
                }
            });
        });
        const QDateTime start = Clock::current().now();
        rig.port->ModemPortOpen();
        QCOMPARE(start.msecsTo(Clock::current().now()) >= PortConnection::CallerIdReplyWaitMs, waitsForTheBound);
        QCOMPARE(rig.port->reply(), reply);
        QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\r")); // one return, no line feed
        QCOMPARE(rig.port->commandText(), QStringLiteral("AT+VCID=1\r"));
        if (modem == "lost")
            return;
        QVERIFY(rig.state->MSComm1.PortOpen()); // an ERROR or no reply leaves the port listening
        rig.port->ModemPortOpen();              // every call closes, reopens and re-arms
        QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\rAT+VCID=1\r"));
    }

    void noCommandIsSent_data()
    {
        QTest::addColumn<QString>("command");
        row("detection found none", "No_CallerId_String_Found");
        row("one character", "A");
        row("empty", "");
    }

    void noCommandIsSent()
    {
        QFETCH(QString, command);
        PortRig rig = rigWith(command);
        rig.port->ModemPortOpen();
        QVERIFY(rig.state->MSComm1.PortOpen());
        QCOMPARE(rig.receivedBefore(), QByteArray());
    }

    void noModemConfigured_data()
    {
        QTest::addColumn<bool>("detectionFindsOne");
        row("detection finds none", false);
        row("detection finds one", true);
    }

    void noModemConfigured()
    {
        QFETCH(bool, detectionFindsOne);
        PortRig rig = rigWith(QStringLiteral("AT+VCID=1"), QStringLiteral("0"));
        rig.window.onDetect = [&] {
            if (!detectionFindsOne)
                return;
            rig.state->settings.COM_Port = QStringLiteral("1");
            rig.state->ModemConfigured = true;
        };
        rig.port->ModemPortOpen();
        QCOMPARE(rig.window.calls, QStringList{"detect"});
        QCOMPARE(rig.state->MSComm1.PortOpen(), detectionFindsOne);
        QCOMPARE(rig.modem->received(), detectionFindsOne ? QByteArray("AT+VCID=1\r") : QByteArray());
        QCOMPARE(m_t->boxes.titles(), detectionFindsOne ? QStringList() : QStringList{"Modem Detection"});
        if (!detectionFindsOne)
            QCOMPARE(m_t->boxes.shown[0].text,
                     QStringLiteral("Program did not find a Modem on a valid COM Port!\rPlease "
                                    "either insert a Modem or configure it manually in Modem Setup."));
    }

    void portHeldByAnotherProcess_data()
    {
        QTest::addColumn<bool>("byName");
        row("COM1 links to the device", false);
        // Another program opens the device node; this one a stable name that links to it.
        row("COM1 links to a name of the device", true);
    }

    void portHeldByAnotherProcess()
    {
        QFETCH(bool, byName);
        PortRig rig;
        if (byName)
            linkByName(rig.folder.path(), 1, rig.modem->devicePath());
        auto holder = std::make_unique<PortHolder>(rig.modem->devicePath());
        QVERIFY(holder->holding());
        rig.port->ModemPortOpen();
        QCOMPARE(m_t->boxes.titles(), QStringList({"Modem Port is Busy", "Releasing COM Port!"}));
        const QStringList lines = m_t->boxes.shown[0].text.split(QChar(13));
        QCOMPARE(lines.mid(0, 3), QStringList({"Modem Port is Busy with other Application!",
                                               "You may either close other Application or run Ringlark",
                                               "Talking Caller ID with Modem Port released."}));
        QVERIFY2(lines.value(3).contains(rig.modem->devicePath()), qPrintable(lines.value(3)));
        QVERIFY2(lines.value(3).contains("ringlark-modem"), qPrintable(lines.value(3))); // the holder named
        QVERIFY(rig.port->PortReleased);
        QVERIFY(!rig.state->MSComm1.PortOpen());
        QCOMPARE(rig.state->tray.tip(), TrayStatus::ReleasedTip);
        QCOMPARE(rig.state->tray.iconFile(), TrayStatus::ReleasedIcon);
        QCOMPARE(rig.window.calls, QStringList({"minimise"}));

        holder.reset();
        m_t->boxes.shown.clear();
        rig.port->connectPort();
        QVERIFY(m_t->boxes.shown.isEmpty());
        QVERIFY(!rig.port->PortReleased);
        QVERIFY(rig.state->MSComm1.PortOpen());
        QCOMPARE(rig.state->tray.tip(), TrayStatus::ConnectedTip);
        QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\r"));
    }

    void release_data()
    {
        columns<int, bool>("answer", "released");
        row("No keeps everything", int(vbNo), false);
        row("Yes releases", int(vbYes), true);
    }

    void release()
    {
        QFETCH(int, answer);
        QFETCH(bool, released);
        PortRig rig;
        rig.port->ModemPortOpen();
        m_t->boxes.answer(MsgAnswer(answer));
        rig.port->releasePort();
        QCOMPARE(m_t->boxes.titles(), QStringList{"Release COM Port Confirmation!"});
        QCOMPARE(m_t->boxes.shown[0].style, MsgStyle::Question);
        QCOMPARE(rig.port->PortReleased, released);
        QCOMPARE(rig.state->MSComm1.PortOpen(), !released);
        QCOMPARE(rig.window.calls.contains("minimise"), released);
        QCOMPARE(rig.state->tray.exists(), released);
        if (released)
            QCOMPARE(rig.state->tray.tip(), TrayStatus::ReleasedTip);
    }

    void commandsRefusedInTheWrongState_data()
    {
        columns<bool, bool, bool, QString, QString>("configured", "released", "connect", "title", "text");
        const QString notConfigured = QStringLiteral(
            "Program is not yet configured for a valid Modem.\rPlease go to Menu Modem and search for a valid Modem.");
        row("connect, no modem", false, false, true, "Modem is not Configured!", notConfigured);
        row("release, no modem", false, false, false, "Modem is not Configured!", notConfigured);
        row("connect while connected", true, false, true, "Connect COM Port", "Modem COM Port is already Connected!");
        row("release while released", true, true, false, "Release COM Port",
            "Modem COM Port is already Released!\rPlease connect the COM Port.");
    }

    void commandsRefusedInTheWrongState()
    {
        QFETCH(bool, configured);
        QFETCH(bool, released);
        QFETCH(bool, connect);
        QFETCH(QString, title);
        QFETCH(QString, text);
        PortRig rig;
        rig.state->ModemConfigured = configured;
        rig.port->PortReleased = released;
        if (connect)
            rig.port->connectPort();
        else
            rig.port->releasePort();
        QCOMPARE(m_t->boxes.titles(), QStringList{title});
        QCOMPARE(m_t->boxes.shown[0].text, text);
        QCOMPARE(rig.port->PortReleased, released);
        QVERIFY(rig.window.calls.isEmpty());
        QVERIFY(rig.modem->received().isEmpty());
    }

    void deviceLossClosesOnceAndTheReturnIsTaken_data()
    {
        // What comes back at the modem's name; the tray tip then.
        columns<QString, QString>("device", "tip");
        row("a modem is taken", "modem", TrayStatus::ConnectedTip);
        row("a terminal that does not answer is not", "silent",
            "Ringlark Caller ID is OFF. COM1 does not answer as a modem.");
        row("a port another program holds waits for it", "held",
            "Ringlark Caller ID is OFF. COM1 is held by ringlark-modems.");
    }

    void deviceLossClosesOnceAndTheReturnIsTaken()
    {
        QFETCH(QString, device);
        QFETCH(QString, tip);
        PortRig rig;
        const QString name = linkByName(rig.folder.path(), 1, rig.modem->devicePath());
        rig.port->ModemPortOpen();
        QSignalSpy lost(&rig.state->MSComm1, &MSComm::deviceLost);
        QFile::remove(name); // unplugged
        rig.modem->close();
        QVERIFY(lost.wait(5000));
        QVERIFY(!rig.state->MSComm1.PortOpen());
        QVERIFY(rig.port->PortReleased);
        QCOMPARE(rig.state->tray.tip(), QStringLiteral("Ringlark Caller ID is OFF. The modem is disconnected."));
        QTest::qWait(100);
        QCOMPARE(lost.count(), 1);

        // File > Connect Port while it is gone says so (not that another program holds it), and
        // the port stays released.
        rig.port->connectPort();
        QCOMPARE(m_t->boxes.titles(), QStringList{"Modem Disconnected"});
        QVERIFY(m_t->boxes.shown[0].text.contains("does not exist"));
        QVERIFY(rig.port->PortReleased);

        // The device is back (another terminal on the same COM number): a modem is armed again
        // without a word from the user, once it has answered AT; anything else is not sent the
        // caller-ID command, and a port another program holds is taken once it lets go.
        ModemSimThread back;
        back.run([&](ModemSim &sim) { sim.setSilent(device == "silent"); });
        std::unique_ptr<PortHolder> holder;
        if (device == "held" && !(holder = std::make_unique<PortHolder>(back.devicePath()))->holding())
            QSKIP("cannot hold the port here");
        QVERIFY(QFile::link(back.devicePath(), name));
        QTRY_COMPARE_WITH_TIMEOUT(rig.state->tray.tip(), tip, 8000);
        QCOMPARE(back.commandTexts().contains("AT+VCID=1"), device == "modem");
        QCOMPARE(rig.state->MSComm1.PortOpen(), device == "modem");
        QCOMPARE(rig.port->PortReleased, device != "modem");
        QCOMPARE(m_t->boxes.titles(), QStringList{"Modem Disconnected"});
        if (device == "held") {
            // The other program lets go and removes its lock (this holder is killed, so its lock
            // is removed for it): the port is taken at once.
            holder.reset();
            QFile::remove(staleLockFile(back.devicePath()));
            QVERIFY(back.waitForCommand("AT+VCID=1", 5000));
            QCOMPARE(rig.state->tray.tip(), TrayStatus::ConnectedTip);
        }
        if (device != "silent")
            QCOMPARE(back.commandTexts(), QStringList({"AT", "AT+VCID=1"}));
    }

    void linkReplacedInTwoSteps()
    {
        // ln -sf removes the link before it makes the new one: caller ID re-armed in between
        // waits for the link instead of taking the fixed table's device for COM1.
        PortRig rig;
        rig.port->ModemPortOpen();
        const QString link = rig.folder.file("ports/COM1");
        QVERIFY(QFile::remove(link));
        rig.modem->clearLog();
        rig.port->ModemPortOpen();
        QCOMPARE(rig.state->MSComm1.PortOpen(), false);
        QVERIFY2(rig.state->MSComm1.devicePath() != "/dev/ttyS0", qPrintable(rig.state->MSComm1.devicePath()));
        QCOMPARE(m_t->boxes.titles(), QStringList{"Modem Disconnected"});
        QVERIFY(QFile::link(rig.modem->devicePath(), link));
        QVERIFY(rig.modem->waitForCommand("AT+VCID=1", 5000));
        QCOMPARE(rig.modem->commandTexts(), QStringList({"AT", "AT+VCID=1"}));
        QVERIFY(rig.state->MSComm1.PortOpen());
    }

    void installedProgramsPortsStayInUse()
    {
        // The data moved to the user's folder; the COM links stay beside the read-only program.
        PortRig rig;
        TestFolder installed;
        QDir(installed.path()).mkdir("ports");
        QVERIFY(QFile::rename(rig.folder.file("ports/COM1"), installed.file("ports/COM1")));
        setInstalledFolder(installed.path());
        const auto reset = qScopeGuard([] { setInstalledFolder(QString()); });
        rig.port->ModemPortOpen();
        QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\r"));
    }

    void permissionReasonNamesTheGroup()
    {
        if (::geteuid() == 0)
            QSKIP("running as root: file permissions do not stop an open");
        PortRig rig = rigWith(QStringLiteral("AT+VCID=1"), QStringLiteral("2"));
        rig.folder.write("locked-device", "");
        QFile::setPermissions(rig.folder.file("locked-device"), QFile::Permissions());
        QDir(rig.folder.path()).mkpath("ports");
        QVERIFY(QFile::link(rig.folder.file("locked-device"), rig.folder.file("ports/COM2")));
        rig.port->ModemPortOpen();
        QVERIFY(m_t->boxes.shown.value(0).text.contains("dialout"));
    }

private:
    std::unique_ptr<TestScope> m_t;
};

QTEST_GUILESS_MAIN(tst_PortConnection)
#include "tst_portconnection.moc"
