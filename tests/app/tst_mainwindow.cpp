// The main window: start-up, service buttons, forwarding left on, tray, minimise timer, exit.
#include "AuxWindows.h"
#include "TrayStatus.h"
#include "WindowRig.h"
#include "WrapButton.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using Rig = WindowRig;

bool shown(QWidget *w)
{
    return !w->isHidden();
}

QColor buttonColor(QWidget *w)
{
    return w->palette().color(QPalette::Button);
}

const QColor LightRed(0xFF, 0xC0, 0xC0);

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLocale(); }
    void init() { m_t = std::make_unique<TestScope>(20.0); }
    void cleanup() { m_t.reset(); }

    void serviceButtonsFollowStatuses_data()
    {
        columns<bool, bool, bool>("pager", "telemarketers", "privateCalls");
        row("all off", false, false, false);
        row("all on", true, true, true);
        row("pager only", true, false, false);
        row("private only", false, false, true);
    }

    void serviceButtonsFollowStatuses()
    {
        QFETCH(bool, pager);
        QFETCH(bool, telemarketers);
        QFETCH(bool, privateCalls);
        auto b = [](bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); };
        Rig rig({{23, "CallSendToPagerStatus = " + b(pager)},
                 {25, "BlockPrivateCallsStatus = " + b(privateCalls)},
                 {26, "BlockTeleMarketersStatus= " + b(telemarketers)}});
        QVERIFY(rig.load());
        const MainControls &ui = rig.window->ui;
        const struct {
            QWidget *on, *off;
            bool status;
        } pairs[] = {{ui.cmdPagerNotificationON, ui.cmdPagerNotificationOFF, pager},
                     {ui.cmdBlockTelemarketers, ui.cmdReleaseTelemarketers, telemarketers},
                     {ui.cmdBlockPrivateCalls, ui.cmdReleasePrivateCalls, privateCalls},
                     {ui.cmdCallForwardingON, ui.cmdCallForwardingOFF, false}};
        for (const auto &p : pairs) {
            QCOMPARE(shown(p.on), !p.status);
            QCOMPARE(shown(p.off), p.status);
            if (p.status)
                QCOMPARE(buttonColor(p.off), LightRed);
        }
        QVERIFY(m_t->boxes.shown.isEmpty());
    }

    void forwardingLeftOn_data()
    {
        // Yes: the port is opened, forwarding switched off through it, caller ID re-armed after
        // the service and once more by the start-up itself.
        columns<int, QStringList>("answer", "commands");
        row("Yes: forwarding switched off", int(vbYes),
            QStringList{"AT+VCID=1", "ATDT73#;", "ATH", "AT+VCID=1", "AT+VCID=1"});
        row("No: forwarding stays on", int(vbNo), QStringList{"AT+VCID=1"});
    }

    void forwardingLeftOn()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, commands);
        Rig rig({{10, "CallForwarding = True"}, {24, "CallForwardStatus = True"}});
        m_t->boxes.answer(MsgAnswer(answer));
        QVERIFY(rig.load());
        QCOMPARE(m_t->boxes.titles(), QStringList{"Call are Forwarded to 2nd. Phone!"});
        QCOMPARE(m_t->boxes.shown[0].style, MsgStyle::CriticalYesNo);
        QCOMPARE(m_t->boxes.shown[0].text, QStringLiteral("Ringlark Talking Caller ID last settings show\r"
                                                          "that Calls are Forwarded to your 2nd. Phone.\r"
                                                          "Do you want to take Incoming Calls on your Home Phone?"));
        QCOMPARE(rig.modem->commandTexts(), commands);
        const MainControls &ui = rig.window->ui;
        QCOMPARE(shown(ui.cmdCallForwardingOFF), answer == vbNo);
        QCOMPARE(shown(ui.cmdCallForwardingON), answer == vbYes);
        if (answer == vbNo) {
            QCOMPARE(buttonColor(ui.cmdCallForwardingOFF), LightRed);
            QCOMPARE(rig.window->windowIconFile(), TrayStatus::ReleasedIcon);
            const QString tip = rig.state->tray.tip();
            QCOMPARE(tip, QString(QStringLiteral("Ringlark Caller ID is OFF.") + QChar(13) +
                                  QStringLiteral("To receive calls, please turn OFF Call Forwarding."))
                              .left(63));
        } else {
            QCOMPARE(rig.state->tray.tip(), TrayStatus::ConnectedTip);
            // Switched off at the exchange and on disk: the question does not come back.
            QCOMPARE(rig.folder.bytes("acsetup.bin").mid(2300, 100), settingsRecord("CallForwardStatus = False"));
        }
    }

    void startUp_data()
    {
        columns<QString, QString>("comPort", "command");
        row("modem on COM1", "COM_Port = 1", "Call_Id_AT_Command = AT+VCID=1");
        // No port, or a settings file that lost record 4: the search finds the modem on COM1.
        row("no port: searched", "COM_Port = 0", "Call_Id_AT_Command = AT+VCID=1");
        row("no caller-ID command: searched", "COM_Port = 1", "");
    }

    void startUp()
    {
        QFETCH(QString, comPort);
        QFETCH(QString, command);
        Rig rig({{2, comPort}, {4, command}, {7, "45"}});
        QVERIFY(rig.load());
        const bool searched = comPort.endsWith('0') || command.isEmpty();
        QVERIFY(rig.state->ModemConfigured);
        QVERIFY(rig.state->MSComm1.PortOpen());
        const QStringList sent = rig.modem->commandTexts();
        QCOMPARE(sent.size(), searched ? 12 : 1); // ATI1 to ATI10 and the first candidate
        QCOMPARE(sent.last(), QStringLiteral("AT+VCID=1"));
        QCOMPARE(rig.folder.bytes("acsetup.bin").mid(100, 100), settingsRecord("COM_Port = 1"));
        QCOMPARE(rig.folder.bytes("acsetup.bin").mid(300, 100), settingsRecord("Call_Id_AT_Command = AT+VCID=1"));
        QCOMPARE(m_t->boxes.titles(), QStringList());
        QVERIFY(rig.window->detectWindow() ? searched : !searched);
        // The minimise timer runs once the window listens.
        QCOMPARE(rig.state->Timer2.Interval(), 45000);
        QCOMPARE(rig.state->tray.tip(), TrayStatus::ConnectedTip);
        QVERIFY(rig.window->isVisible());
    }

    void tray()
    {
        Rig rig;
        QVERIFY(rig.load());
        // The mouse over the visible window means nothing: no restore, no menu.
        for (QSystemTrayIcon::ActivationReason reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context}) {
            rig.window->trayActivated(reason);
            QVERIFY(rig.state->Timer2.isRunning());
            QVERIFY(!rig.window->ui.mnuFile->isVisible());
        }
        rig.window->minimise();
        QVERIFY(rig.window->isInTray());
        QVERIFY(!rig.state->Timer2.isRunning());

        rig.state->Timer2.restart(30000);
        rig.window->trayActivated(QSystemTrayIcon::Trigger);
        QVERIFY(!rig.window->isInTray());
        QVERIFY(!rig.state->Timer2.isRunning());
        QVERIFY(rig.window->isVisible());
        // The call at the log position is shown again; an empty log is below its oldest call, and
        // from there a restore stays at "Bottom of the List".
        QCOMPARE(rig.state->display.name(), QStringLiteral("Bottom of the List"));
        rig.window->minimise();
        rig.window->trayActivated(QSystemTrayIcon::Trigger);
        QCOMPARE(rig.state->LogPosition, 0);
        QCOMPARE(rig.state->display.name(), QStringLiteral("Bottom of the List"));

        // The double click that follows finds the window no longer minimised.
        rig.state->Timer2.restart(30000);
        rig.window->trayActivated(QSystemTrayIcon::DoubleClick);
        QVERIFY(rig.state->Timer2.isRunning());

        // A right click on the icon of a minimised window opens the File menu.
        rig.window->minimise();
        rig.state->Timer2.restart(30000);
        rig.window->trayActivated(QSystemTrayIcon::Context);
        QMenu *menu = rig.window->ui.mnuFile;
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(!rig.state->Timer2.isRunning());
        QStringList entries;
        for (QAction *a : menu->actions())
            entries << a->text();
        QCOMPARE(entries, QStringList({"&Restore", "&Connect Port", "Release &Port", "Call &Screening...", "E&xit"}));
        menu->hide();

        rig.window->ui.mnuRestore->trigger();
        QVERIFY(!rig.window->isInTray());
        QVERIFY(rig.window->isVisible());
    }

    void endOfCallKeepsWindowsUp_data()
    {
        // What is opened while the call rings; whether the end of the call re-arms the minimise
        // timer all the same.
        columns<QString, bool>("opened", "rearmed");
        row("nothing", "", true);
        row("Log pressed during the ring", "log", false);
        row("Blocked Number List", "blocked", false);
        row("Setup", "setup", false);
        row("colour chooser", "color", false);
        row("about box", "about", false);
        row("Screening window", "screening", false);
        row("help", "help", true);
    }

    void endOfCallKeepsWindowsUp()
    {
        QFETCH(QString, opened);
        QFETCH(bool, rearmed);
        Rig rig;
        rig.state->Timer1.restart(10000);
        if (opened == "log")
            rig.window->ui.cmdCallLog->click();
        else if (opened == "blocked")
            rig.window->ui.Command1->click();
        else if (opened == "setup")
            rig.window->ui.mnuSetup->trigger();
        else if (opened == "color")
            rig.window->ui.DisplayColor->trigger();
        else if (opened == "about")
            rig.window->ui.mnuAbout->trigger();
        else if (opened == "screening")
            rig.window->ui.mnuScreening->trigger();
        else if (opened == "help")
            rig.window->ui.mnuHelpHelp->trigger();
        // While a call rings the Calls Log is not loaded: the press alone counts.
        QVERIFY(!rig.window->windows().callsLogWindow());
        QCOMPARE(rig.state->windowsOpen(), !rearmed);
        auto endCall = [&] {
            rig.state->Timer2.stop();
            rig.window->services().call.RingSeen = true;
            rig.state->Timer1.restart(10000);
            rig.state->Timer1.fire();
        };
        endCall();
        QCOMPARE(rig.state->Timer2.isRunning(), rearmed);
        // The tray closes every window but the about box, also the one a press during a ring only
        // asked for: the next call's end sends the main window back again.
        rig.window->minimise();
        const bool stays = opened == "about";
        QCOMPARE(rig.state->windowsOpen(), stays);
        endCall();
        QCOMPARE(rig.state->Timer2.isRunning(), !stays);
    }

    void minimiseTimerFiresOnce()
    {
        m_t->clock.setFactor(1000.0); // 30 seconds in 30 milliseconds
        Rig rig;
        QVERIFY(rig.load());
        rig.state->display.setAll("(555)-123-4567", "JOHN  DOE", "x");
        QSignalSpy fired(&rig.state->Timer2, &VbTimer::Timer);
        QVERIFY(fired.wait(5000));
        QVERIFY(rig.window->isInTray());
        QCOMPARE(rig.window->ui.Label2->text(), QString());
        QVERIFY(!rig.state->Timer2.isRunning());
        QTest::qWait(100); // three more delays
        QCOMPARE(fired.count(), 1);
        QVERIFY(rig.window->isInTray());
        // Armed again while the window is already in the tray (after a call shown without pop-up,
        // or at start-up with the port busy): minimising changes nothing, and it still fires once.
        rig.state->Timer2.restart(30000);
        rig.state->Timer2.fire();
        QVERIFY(!rig.state->Timer2.isRunning());
    }

    void colourOnlyOnTheBackground()
    {
        // Navy: black texts on it could not be read. The menu bar and the plain buttons keep the
        // system's colours; a service button keeps its own.
        Rig rig({{1, "Color_Choice = 8388608"}});
        QVERIFY(rig.load());
        const QColor navy(0, 0, 0x80);
        QCOMPARE(rig.window->ui.client->palette().color(QPalette::Window), navy);
        QVERIFY(rig.window->ui.client->autoFillBackground());
        const QPalette system = QApplication::palette();
        const MainControls &ui = rig.window->ui;
        for (QWidget *w : std::initializer_list<QWidget *>{rig.window->menuBar(), ui.cmdZap, ui.cmdUpLog})
            for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::ButtonText})
                QCOMPARE(w->palette().color(role), system.color(role));
        QCOMPARE(buttonColor(rig.window->ui.cmdBlockTelemarketers), QColor(0xC0, 0xC0, 0xC0));
    }

    void serviceButtonGuards_data()
    {
        // The button; what stands in the way; the commands the modem gets; the box shown.
        columns<QString, QString, QStringList, QString>("button", "setup", "commands", "box");
        row("Dial while forwarding waits", "cmdDial", "forwarding", QStringList(), "");
        row("Dial during a ring", "cmdDial", "ringing", QStringList(), "");
        // The end of a call (its store, then the pager) has the port, its ring timer already off.
        row("Dial while a call's end is processed", "cmdDial", "call ending", QStringList(), "");
        row("forwarding while a call's end is processed", "cmdCallForwardingON", "call ending", QStringList(), "");
        row("ZAP with no ring", "cmdZap", "", QStringList(), "");
        // A zapped call is stored at once, and caller ID re-armed.
        row("ZAP during a ring", "cmdZap", "ringing", QStringList{"ATA", "ATH", "AT+VCID=1"}, "");
        row("forwarding without a modem", "cmdCallForwardingON", "no modem", QStringList(), "Modem is not Configured!");
        row("pager without a modem", "cmdPagerNotificationON", "no modem", QStringList(), "Modem is not Configured!");
        // No modem needed: the switch itself answers (the feature is not enabled in Setup).
        row("telemarketers without a modem", "cmdBlockTelemarketers", "no modem", QStringList(),
            "Block TeleMarketers 'Turn ON' is not possible!");
    }

    void serviceButtonGuards()
    {
        QFETCH(QString, button);
        QFETCH(QString, setup);
        QFETCH(QStringList, commands);
        QFETCH(QString, box);
        Rig rig;
        QVERIFY(rig.load());
        rig.modem->waitForCommand("AT+VCID=1", 5000); // logged by the modem, however busy the machine
        rig.modem->clearLog();
        rig.state->display.setAll("(305)-555-0100", "MARY  ROE", "x");
        rig.state->flags.ForwardingInProgress = setup == "forwarding";
        rig.state->callEnding = setup == "call ending";
        rig.state->settings.CallForwarding = true;
        rig.state->settings.ForwardNumber = "5550100";
        m_t->boxes.answer(vbYes);
        rig.state->ModemConfigured = setup != "no modem";
        if (setup == "ringing") {
            rig.window->services().call.buffer = "\r\nRING\r\n";
            rig.window->services().call.RingSeen = true; // as the receive handler sets it on a ring
            rig.state->Timer1.restart(10000);
        }
        rig.window->findChild<QPushButton *>(button)->click();
        rig.state->callEnding = false;
        rig.state->MSComm1.Output("ATI1\r"); // everything before it was the button's
        QVERIFY(rig.modem->waitForCommand("ATI1", 5000));
        QCOMPARE(rig.modem->commandTexts().mid(0, rig.modem->commandTexts().size() - 1), commands);
        QCOMPARE(m_t->boxes.titles(), box.isEmpty() ? QStringList() : QStringList{box});
        QCOMPARE(rig.state->Timer3.Interval(), 0);
        if (!commands.isEmpty()) {
            QCOMPARE(rig.folder.bytes("Array.bin").size(), 80);
            QCOMPARE(rig.state->Timer1.Interval(), 0);
        }
    }

    void modemMenu()
    {
        Rig rig;
        QVERIFY(rig.load());
        rig.modem->waitForCommand("AT+VCID=1", 5000); // logged by the modem, however busy the machine
        rig.modem->clearLog();
        rig.state->Timer1.restart(10000); // a call rings: no search
        rig.window->ui.mnuModemSelection->trigger();
        QVERIFY(!rig.window->detectWindow());
        rig.state->Timer1.off();
        rig.window->ui.mnuModemSelection->trigger();
        QVERIFY(rig.window->detectWindow());
        QCOMPARE(rig.window->detectWindow()->Label1->text(), QStringLiteral("Test Finished"));
        // Found on COM1 again, and caller ID re-armed after the search.
        QCOMPARE(rig.modem->commandTexts().mid(10), (QStringList{"AT+VCID=1", "AT+VCID=1"}));
        QVERIFY(rig.state->MSComm1.PortOpen() && rig.state->ModemConfigured);
        QVERIFY(!rig.state->flags.ModemSearchInProgress);
    }

    void exit_data()
    {
        columns<QString, int, bool, bool>("door", "answer", "asked", "ends");
        row("close box, No", "close box", int(vbNo), true, false);
        row("close box, Yes", "close box", int(vbYes), true, true);
        row("Exit, No", "Exit", int(vbNo), true, false);
        row("Exit, Yes", "Exit", int(vbYes), true, true);
        row("the program's own close", "program", int(vbNo), false, false);
    }

    void exit()
    {
        QFETCH(QString, door);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, ends);
        Rig rig;
        QVERIFY(rig.load());
        QSignalSpy ended(rig.window.get(), &frmMain::programEnded);
        m_t->boxes.answer(MsgAnswer(answer));
        if (door == QLatin1String("Exit"))
            rig.window->ui.mnuExit->trigger();
        else
            QCOMPARE(rig.window->Form_QueryUnload(door == QLatin1String("close box")), asked && !ends);
        QCOMPARE(m_t->boxes.titles(), asked ? QStringList{"Exit Confirmation!"} : QStringList());
        if (asked) {
            QCOMPARE(m_t->boxes.shown[0].style, MsgStyle::Question);
            QCOMPARE(m_t->boxes.shown[0].text,
                     QStringLiteral("After exit Caller Identification will be stopped!\r"
                                    "Are you sure you want to close Ringlark Talking Caller ID?"));
        }
        QCOMPARE(rig.state->MSComm1.PortOpen(), !ends);
        QCOMPARE(rig.state->tray.exists(), !ends);
        QCOMPARE(ended.count(), ends ? 1 : 0);
    }

private:
    std::unique_ptr<TestScope> m_t;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
