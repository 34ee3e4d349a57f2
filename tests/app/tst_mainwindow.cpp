// The main window: start-up, service buttons, forwarding left on, tray, minimise timer, exit.
#include "AppState.h"
#include "Clock.h"
#include "ModemSim.h"
#include "MsgBox.h"
#include "TestSupport.h"
#include "Tray.h"
#include "WrapButton.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

struct Rig {
    explicit Rig(QMap<int, QString> records = {})
    {
        folder.copyProgramData();
        if (!records.contains(2))
            records[2] = QStringLiteral("COM_Port = 1");
        if (!records.contains(4))
            records[4] = QStringLiteral("Call_Id_AT_Command = AT+VCID=1");
        folder.writeSettings(records);
        modem = std::make_unique<ModemSimThread>();
        modem->linkAs(folder.path(), 1);
        state = std::make_unique<AppState>(folder.path());
        window = std::make_unique<frmMain>(*state);
    }
    ~Rig()
    {
        window.reset();
        state.reset();
    }
    bool load() { return window->Form_Load(); }

    TestFolder folder;
    std::unique_ptr<ModemSimThread> modem;
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> window;
};

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
    void initTestCase();
    void init();
    void cleanup();
    void serviceButtonsFollowStatuses_data();
    void serviceButtonsFollowStatuses();
    void forwardingLeftOn_data();
    void forwardingLeftOn();
    void noModemConfigured();
    void startsMinimiseTimerAndConnects();
    void secondCopyOnTheSameFolder();
    void trayRestore();
    void trayRightClickOpensFileMenu();
    void minimiseTimerFiresOnce();
    void colourOnlyOnTheBackground();
    void serviceButtonGuards_data();
    void serviceButtonGuards();
    void exit_data();
    void exit();

private:
    std::unique_ptr<TestScope> m_t;
};

void tst_MainWindow::initTestCase()
{
    pinLocale();
}

void tst_MainWindow::init()
{
    m_t = std::make_unique<TestScope>(20.0);
}

void tst_MainWindow::cleanup()
{
    m_t.reset();
}

void tst_MainWindow::serviceButtonsFollowStatuses_data()
{
    QTest::addColumn<bool>("pager");
    QTest::addColumn<bool>("telemarketers");
    QTest::addColumn<bool>("privateCalls");
    QTest::newRow("all off") << false << false << false;
    QTest::newRow("all on") << true << true << true;
    QTest::newRow("pager only") << true << false << false;
    QTest::newRow("private only") << false << false << true;
}

void tst_MainWindow::serviceButtonsFollowStatuses()
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

void tst_MainWindow::forwardingLeftOn_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("commands");
    // Yes: the port is opened, forwarding switched off through it, caller ID re-armed after
    // the service and once more by the start-up itself.
    QTest::newRow("Yes: forwarding switched off")
        << int(vbYes) << QStringList{"AT+VCID=1", "ATDT73#;", "ATH", "AT+VCID=1", "AT+VCID=1"};
    QTest::newRow("No: forwarding stays on") << int(vbNo) << QStringList{"AT+VCID=1"};
}

void tst_MainWindow::forwardingLeftOn()
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
    if (answer == vbNo) {
        QVERIFY(!shown(ui.cmdCallForwardingON));
        QVERIFY(shown(ui.cmdCallForwardingOFF));
        QCOMPARE(buttonColor(ui.cmdCallForwardingOFF), LightRed);
        QCOMPARE(rig.window->windowIconFile(), Tray::ReleasedIcon);
        const QString tip = rig.state->tray.tip();
        QCOMPARE(tip.size(), 63);
        QCOMPARE(tip, QString(QStringLiteral("Ringlark Caller ID is OFF.") + QChar(13) +
                              QStringLiteral("To receive calls, please turn OFF Call Forwarding."))
                          .left(63));
    } else {
        QCOMPARE(rig.state->tray.tip(), Tray::ConnectedTip);
        QVERIFY(shown(ui.cmdCallForwardingON) && !shown(ui.cmdCallForwardingOFF));
        QCOMPARE(rig.folder.bytes("acsetup.bin").mid(2300, 100), settingsRecord("CallForwardStatus = False"));
        // The question does not come back at the next start.
        QVERIFY(!rig.state->settings.CallForwardStatus);
    }
}

void tst_MainWindow::noModemConfigured()
{
    Rig rig({{2, "COM_Port = 0"}});
    QVERIFY(rig.load());
    QVERIFY(!rig.state->ModemConfigured);
    QCOMPARE(m_t->boxes.titles(), QStringList{"Modem Detection"});
    QVERIFY(!rig.state->Timer2.isRunning());
    QVERIFY(!rig.state->MSComm1.PortOpen());
    QVERIFY(rig.modem->received().isEmpty());
}

void tst_MainWindow::startsMinimiseTimerAndConnects()
{
    Rig rig({{7, "45"}});
    QVERIFY(rig.load());
    QVERIFY(rig.state->ModemConfigured);
    QVERIFY(rig.state->MSComm1.PortOpen());
    QCOMPARE(rig.modem->received(), QByteArray("AT+VCID=1\r"));
    QVERIFY(rig.state->Timer2.isRunning());
    QCOMPARE(rig.state->Timer2.Interval(), 45000);
    QCOMPARE(rig.state->tray.tip(), Tray::ConnectedTip);
    QVERIFY(rig.window->isVisible());
}

void tst_MainWindow::secondCopyOnTheSameFolder()
{
    Rig rig;
    QVERIFY(rig.load());
    AppState otherState(rig.folder.path());
    frmMain other(otherState);
    QVERIFY(!other.Form_Load());
    QVERIFY(!other.isVisible());
}

void tst_MainWindow::trayRestore()
{
    Rig rig;
    QVERIFY(rig.load());
    // The mouse over the visible window means nothing: no restore, no menu.
    for (int message : {int(WM_LBUTTONUP), int(WM_RBUTTONUP)}) {
        rig.window->trayMessage(message);
        QVERIFY(rig.state->Timer2.isRunning());
        QVERIFY(!rig.window->ui.mnuFile->isVisible());
    }
    rig.window->minimise();
    QVERIFY(rig.window->isInTray());
    QVERIFY(!rig.state->Timer2.isRunning());

    rig.state->Timer2.restart(30000);
    rig.window->trayMessage(WM_LBUTTONUP);
    QVERIFY(!rig.window->isInTray());
    QVERIFY(!rig.state->Timer2.isRunning());
    QVERIFY(rig.window->isVisible());
    // The call at the log position is shown again; an empty log is below its oldest call, and
    // from there a restore stays at "Bottom of the List".
    QCOMPARE(rig.state->display.Label2(), QStringLiteral("Bottom of the List"));
    rig.window->minimise();
    rig.window->trayMessage(WM_LBUTTONUP);
    QCOMPARE(rig.state->LogPosition, 0);
    QCOMPARE(rig.state->display.Label2(), QStringLiteral("Bottom of the List"));

    // The double click that follows finds the window no longer minimised.
    rig.state->Timer2.restart(30000);
    rig.window->trayMessage(WM_LBUTTONDBLCLK);
    QVERIFY(rig.state->Timer2.isRunning());
}

void tst_MainWindow::trayRightClickOpensFileMenu()
{
    Rig rig;
    QVERIFY(rig.load());
    rig.window->minimise();
    rig.state->Timer2.restart(30000);
    rig.window->trayMessage(WM_RBUTTONUP);
    QMenu *menu = rig.window->ui.mnuFile;
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(!rig.state->Timer2.isRunning());
    QStringList entries;
    for (QAction *a : menu->actions())
        entries << a->text();
    QCOMPARE(entries, QStringList({"&Restore", "&Connect Port", "Release &Port", "E&xit"}));
    menu->hide();

    rig.window->ui.mnuRestore->trigger();
    QVERIFY(!rig.window->isInTray());
    QVERIFY(rig.window->isVisible());
}

void tst_MainWindow::minimiseTimerFiresOnce()
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

void tst_MainWindow::colourOnlyOnTheBackground()
{
    // Navy: black texts on it could not be read. The menu bar and the plain buttons keep the
    // system's colours; a service button keeps its own.
    Rig rig({{1, "Color_Choice = 8388608"}});
    QVERIFY(rig.load());
    const QColor navy(0, 0, 0x80);
    QCOMPARE(rig.window->ui.client->palette().color(QPalette::Window), navy);
    QVERIFY(rig.window->ui.client->autoFillBackground());
    const QPalette system = QApplication::palette();
    for (QWidget *w : std::initializer_list<QWidget *>{rig.window->menuBar(), rig.window->ui.cmdZap, rig.window->ui.cmdUpLog})
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::ButtonText})
            QCOMPARE(w->palette().color(role), system.color(role));
    QCOMPARE(buttonColor(rig.window->ui.cmdBlockTelemarketers), QColor(0xC0, 0xC0, 0xC0));
}

void tst_MainWindow::serviceButtonGuards_data()
{
    // The button; what stands in the way; the commands the modem gets; the box shown.
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("box");
    QTest::newRow("Dial while forwarding waits") << "cmdDial" << "forwarding" << QStringList() << "";
    QTest::newRow("Dial during a ring") << "cmdDial" << "ringing" << QStringList() << "";
    QTest::newRow("ZAP with no ring") << "cmdZap" << "" << QStringList() << "";
    // A zapped call is stored at once, and caller ID re-armed.
    QTest::newRow("ZAP during a ring") << "cmdZap" << "ringing" << QStringList{"ATA", "ATH", "AT+VCID=1"} << "";
    QTest::newRow("forwarding without a modem") << "cmdCallForwardingON" << "no modem" << QStringList()
                                                << "Modem is not Configured!";
    QTest::newRow("pager without a modem") << "cmdPagerNotificationON" << "no modem" << QStringList()
                                           << "Modem is not Configured!";
    QTest::newRow("telemarketers without a modem") << "cmdBlockTelemarketers" << "no modem" << QStringList() << "";
}

void tst_MainWindow::serviceButtonGuards()
{
    QFETCH(QString, button);
    QFETCH(QString, setup);
    QFETCH(QStringList, commands);
    QFETCH(QString, box);
    Rig rig;
    QVERIFY(rig.load());
    rig.modem->clearLog();
    rig.state->display.setAll("(305)-555-0100", "MARY  ROE", "x");
    rig.state->flags.ForwardingInProgress = setup == "forwarding";
    rig.state->ModemConfigured = setup != "no modem";
    if (setup == "ringing") {
        rig.window->services().call.buffer = "\r\nRING\r\n";
        rig.state->Timer1.restart(10000);
    }
    rig.window->findChild<QPushButton *>(button)->click();
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

void tst_MainWindow::exit_data()
{
    QTest::addColumn<QString>("door");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("ends");
    QTest::newRow("close box, No") << "close box" << int(vbNo) << true << false;
    QTest::newRow("close box, Yes") << "close box" << int(vbYes) << true << true;
    QTest::newRow("Exit, No") << "Exit" << int(vbNo) << true << false;
    QTest::newRow("Exit, Yes") << "Exit" << int(vbYes) << true << true;
    QTest::newRow("the program's own close") << "program" << int(vbNo) << false << false;
}

void tst_MainWindow::exit()
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
        QCOMPARE(m_t->boxes.shown[0].text, QStringLiteral("After exit Caller Identification will be stopped!\r"
                                                        "Are you sure you want to close Ringlark Talking Caller ID?"));
    }
    QCOMPARE(rig.state->MSComm1.PortOpen(), !ends);
    QCOMPARE(rig.state->tray.exists(), !ends);
    QCOMPARE(ended.count(), ends ? 1 : 0);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
