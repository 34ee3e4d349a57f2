#include "frmMain.h"

#include "AppState.h"
#include "AuxWindows.h"
#include "DesktopNotices.h"
#include "ModemMessages.h"
#include "MsgBox.h"
#include "ServiceOffer.h"
#include "SingleInstance.h"
#include "Waits.h"
#include "WrapButton.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

frmMain::frmMain(AppState &state, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_port(state, state, state.tray, *this),
      m_services(std::make_unique<Services>(state, *this, m_port)),
      m_windows(new AuxWindows(state, *m_services, *this, ui, *this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Ringlark Talking Caller ID"));
    setWindowIcon(QIcon(m_state.shippedFile(QStringLiteral("ringlark.ico"))));
    ui.build(this);
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowMaximizeButtonHint);
    bindDisplay();

    m_trayIcon = new TrayIcon(
        state.tray, [&state](const QString &file) { return state.shippedFile(file); }, this);
    connect(m_trayIcon, &TrayIcon::activated, this, &frmMain::trayActivated);
    // The window shows the tray's icon.
    connect(&state.tray, &TrayStatus::changed, this, [this] {
        if (m_state.tray.exists())
            setWindowIconFile(m_state.tray.iconFile());
    });
    connect(&m_state.Timer2, &VbTimer::Timer, this, &frmMain::Timer2_Timer);
    connect(ui.mnuRestore, &QAction::triggered, this, &frmMain::mnuRestore_Click);
    connect(ui.mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(ui.mnuConnectPort, &QAction::triggered, this, &frmMain::mnuConnectPort_Click);
    connect(ui.mnuReleasePort, &QAction::triggered, this, &frmMain::mnuReleasePort_Click);
    connect(ui.cmdDownLog, &QPushButton::clicked, this, &frmMain::cmdDownLog_Click);
    connect(ui.cmdUpLog, &QPushButton::clicked, this, &frmMain::cmdUpLog_Click);
    connect(ui.mnuModemSelection, &QAction::triggered, this, &frmMain::mnuModemSelection_Click);
    m_services->buttons.setup = &m_windows->switches;
    connectServiceButtons();
    connect(ui.cmdCallLog, &QPushButton::clicked, m_windows, &AuxWindows::cmdCallLog_Click);
    connect(ui.Command1, &QPushButton::clicked, m_windows, &AuxWindows::Command1_Click);
    connect(ui.mnuSetup, &QAction::triggered, m_windows, &AuxWindows::mnuSetup_Click);
    connect(ui.mnuScreening, &QAction::triggered, m_windows, &AuxWindows::mnuScreening_Click);
    connect(ui.DisplayColor, &QAction::triggered, m_windows, &AuxWindows::DisplayColor_Click);
    connect(ui.mnuHelpHelp, &QAction::triggered, m_windows, &AuxWindows::mnuHelpHelp_Click);
    connect(ui.mnuAbout, &QAction::triggered, m_windows, &AuxWindows::mnuAbout_Click);
    new DesktopNotices(state, state, state, state.callEvents, *this);
    // The modem held by Ringlark's own service on this machine: its calls are offered instead.
    m_port.heldByService = [this] {
        return ServiceOffer::takeCallsFromService(m_state, m_services->network, ProgramSettings::NcidDefaultPort);
    };
}

void frmMain::connectServiceButtons()
{
    const struct {
        QPushButton *button;
        void (frmMain::*click)();
    } wiring[] = {
        {ui.cmdDial, &frmMain::cmdDial_Click},
        {ui.cmdZap, &frmMain::cmdZap_Click},
        {ui.cmdCallForwardingON, &frmMain::cmdCallForwardingON_Click},
        {ui.cmdCallForwardingOFF, &frmMain::cmdCallForwardingOFF_Click},
        {ui.cmdBlockPrivateCalls, &frmMain::cmdBlockPrivateCalls_Click},
        {ui.cmdReleasePrivateCalls, &frmMain::cmdReleasePrivateCalls_Click},
        {ui.cmdPagerNotificationON, &frmMain::cmdPagerNotificationON_Click},
        {ui.cmdPagerNotificationOFF, &frmMain::cmdPagerNotificationOFF_Click},
        {ui.cmdBlockTelemarketers, &frmMain::cmdBlockTelemarketers_Click},
        {ui.cmdReleaseTelemarketers, &frmMain::cmdReleaseTelemarketers_Click},
        {ui.cmdBlock, &frmMain::cmdBlock_Click},
    };
    for (const auto &w : wiring)
        connect(w.button, &QPushButton::clicked, this, w.click);
}

frmMain::~frmMain()
{
    delete m_windows;
}

void frmMain::bindDisplay()
{
    // The display's texts end lines with CR LF; a label wants a bare line feed.
    auto shown = [](QString text) { return text.replace(QLatin1String("\r\n"), QLatin1String("\n")); };
    auto refresh = [this, shown] {
        ui.Label1->setText(shown(m_state.display.number()));
        ui.Label2->setText(shown(m_state.display.name()));
        ui.Label3->setText(shown(m_state.display.time()));
    };
    connect(&m_state.display, &CallerDisplay::changed, this, refresh);
    refresh();
}

void showServicePair(QWidget *onButton, QWidget *offButton, bool serviceOn)
{
    if (serviceOn) {
        onButton->hide();
        setBackColor(offButton, ServiceOnColor);
        offButton->show();
    } else {
        offButton->hide();
        onButton->show();
    }
}

void frmMain::restoreServiceButtons()
{
    const Settings &s = m_state.settings;
    showServiceState(ServicePair::Pager, s.CallSendToPagerStatus);
    showServiceState(ServicePair::Telemarketers, s.BlockTeleMarketersStatus);
    showServiceState(ServicePair::PrivateCalls, s.BlockPrivateCallsStatus);
}

void frmMain::placeWindow()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    const QSize w = frameGeometry().size();
    move(s.left() + (s.width() - w.width()) / 2, s.top() + int((s.height() - w.height()) / 4.5));
}

void frmMain::popUp()
{
    m_bring.BringForegroundWindow(this);
    // The helper leaves an active window as it is, even minimised; a call must be seen.
    if (isMinimized())
        showNormal();
    m_minimised = false;
    placeWindow();
}

void frmMain::showWindow()
{
    // Without the pop-up a call changes only the display: a window in the tray stays there (a
    // hidden window shown again would land in the task bar, minimised, and never go back to the
    // tray), and a click on the tray icon shows the call.
    if (m_minimised)
        return;
    show();
}

void frmMain::minimise()
{
    setWindowState(windowState() | Qt::WindowMinimized);
    // A window that was never shown gets no state-change event from every platform.
    if (!m_minimised)
        Form_Resize();
}

void frmMain::setWindowIconFile(const QString &fileName)
{
    // A missing icon file leaves the window icon as it was.
    const QIcon icon(m_state.shippedFile(fileName));
    if (icon.isNull() || icon.availableSizes().isEmpty())
        return;
    setWindowIcon(icon);
    m_iconFile = fileName;
}

void frmMain::unloadBlockedWindow()
{
    m_windows->unloadBlocked();
}

void frmMain::showServiceState(ServicePair pair, bool serviceOn)
{
    switch (pair) {
    case ServicePair::Forwarding:
        showServicePair(ui.cmdCallForwardingON, ui.cmdCallForwardingOFF, serviceOn);
        break;
    case ServicePair::Telemarketers:
        showServicePair(ui.cmdBlockTelemarketers, ui.cmdReleaseTelemarketers, serviceOn);
        break;
    case ServicePair::PrivateCalls:
        showServicePair(ui.cmdBlockPrivateCalls, ui.cmdReleasePrivateCalls, serviceOn);
        break;
    case ServicePair::Pager:
        showServicePair(ui.cmdPagerNotificationON, ui.cmdPagerNotificationOFF, serviceOn);
        break;
    }
}

void frmMain::runModemDetection()
{
    // Loading the window runs the search; a window already loaded is not loaded again.
    if (m_detect)
        return;
    m_detect = new frmDetectModem(m_state, m_state, m_state, m_port, this);
    m_detect->Form_Load();
}

void frmMain::mnuModemSelection_Click()
{
    // Not during a call, its end (the pager) or any modem dialogue.
    if (m_state.Timer1.Interval() != 0 || m_state.modemBusy() || m_state.ModemDetectionRunning)
        return;
    if (m_state.callsFromServer()) {
        ModemMessages::notConnected(ModemMessages::callsFromServer());
        return;
    }
    // The menu always searches: a window left open from an earlier search is loaded anew. It is
    // idle (the guard above), so it goes before the flag below could make it merely hide.
    unloadDetectWindow();
    m_state.flags.ModemSearchInProgress = true;
    runModemDetection();
    m_port.ModemPortOpen();
    m_state.flags.ModemSearchInProgress = false;
}

void frmMain::unloadDetectWindow()
{
    if (!m_detect)
        return;
    // A search running inside the window's waits keeps its window until it has finished.
    if (m_state.ModemDetectionRunning || m_state.flags.ModemSearchInProgress) {
        m_detect->hide();
        return;
    }
    m_detect->close();
    m_detect = nullptr;
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        if (!m_minimised)
            Form_Resize();
    } else if (m_minimised && isVisible()) {
        // Restored by the desktop itself (no tray to click): show the call again.
        restoreFromTray();
    }
}

void frmMain::Form_Resize()
{
    m_minimised = true;
    m_state.Timer2.stop();
    unloadDetectWindow();
    // Without a notification area the window stays in the task bar, or it could not be found.
    if (TrayIcon::available())
        hide();
    m_state.display.clear();
    m_windows->unloadForTray();
}

void frmMain::Timer2_Timer()
{
    // A one-shot: it fires once per arming, also when the window is already in the tray and
    // minimising changes nothing.
    m_state.Timer2.stop();
    minimise();
}

void frmMain::restoreFromTray()
{
    m_minimised = false;
    m_state.Timer2.stop();
    m_services->browser.showAgain();
}

bool frmMain::receivingCall() const
{
    // While a call comes in, the display belongs to it.
    return m_services->call.RingSeen || m_services->call.NumberReceived;
}

void frmMain::cmdDownLog_Click()
{
    if (receivingCall())
        return;
    m_state.Timer2.stop();
    m_services->browser.GetFromLogTopToBottom();
}

void frmMain::cmdUpLog_Click()
{
    if (receivingCall())
        return;
    m_state.Timer2.stop();
    m_services->browser.GetFromLogBottomToTop();
}

void frmMain::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (!m_minimised)
        return; // the mouse over the visible window means nothing
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
        restoreFromTray();
        m_bring.BringForegroundWindow(this);
        placeWindow();
        break;
    case QSystemTrayIcon::Context:
        m_state.Timer2.stop();
        ui.mnuFile->popup(QCursor::pos());
        break;
    default:
        break;
    }
}

void frmMain::mnuRestore_Click()
{
    restoreFromTray();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    placeWindow();
}

bool frmMain::confirmExit()
{
    return MsgBox(crLines({QStringLiteral("After exit Caller Identification will be stopped!"),
                           QStringLiteral("Are you sure you want to close Ringlark Talking Caller ID?")}),
                  MsgStyle::Question, QStringLiteral("Exit Confirmation!")) == vbYes;
}

bool frmMain::Form_QueryUnload(bool byUser)
{
    if (m_shuttingDown || !byUser)
        return false;
    if (!confirmExit())
        return true;
    shutdown(false);
    return false;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Only the window system's close (the close box) is the user's; the program's own close()
    // is not spontaneous.
    if (Form_QueryUnload(event->spontaneous()))
        event->ignore();
    else
        event->accept();
}

void frmMain::mnuExit_Click()
{
    if (confirmExit())
        shutdown(true);
}

void frmMain::endBySignal()
{
    // Logout, kill or Ctrl+C: the user has decided already, so no question.
    if (!m_shuttingDown)
        shutdown(true);
}

void frmMain::shutdown(bool letPendingRun)
{
    m_shuttingDown = true;
    // A modem dialogue running under this handler (the pager, a zap, the modem search) ends its
    // waits now and takes the port no more.
    ProgramEnd::begin();
    if (m_state.MSComm1.PortOpen()) {
        // A call the program answered (a zap cut short) or a number it dialled is not left
        // off-hook: the telephone line would stay busy after the program has gone.
        m_services->modem.exchange().hangUpNow();
        // A receive event already queued for the port is handled before the port goes.
        if (letPendingRun)
            pumpOnce();
        m_state.MSComm1.setPortOpen(false);
    }
    m_state.Timer1.stop();
    m_state.Timer2.stop();
    close();
    if (m_detect)
        m_detect->close(); // a search still running stops, and the window goes when it has returned
    m_windows->unloadAll();
    m_state.tray.remove();
    // A box still open (a signal came while it waited) would hold its caller, even start-up,
    // before the program's loop runs: each is answered with its escape button.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isModal() && w->isVisible())
            w->close();
    }
    emit programEnded();
}
