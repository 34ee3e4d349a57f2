#pragma once

#include "IMainWindow.h"
#include "MainControls.h"
#include "PortConnection.h"
#include "Services.h"
#include "TrayIcon.h"
#include "clsBringForm.h"
#include "frmDetectModem.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class AppState;
class AuxWindows;
class SingleInstance;

// The program's only permanent window: the caller display, the service buttons, the command
// buttons and the menus. A view and a hub: its handlers are short and call the classes that
// own the logic.
class frmMain : public QMainWindow, public IMainWindow {
    Q_OBJECT
public:
    explicit frmMain(AppState &state, QWidget *parent = nullptr);
    ~frmMain() override;

    // The start-up sequence. False when another copy of the program runs on the same folder
    // (the program then ends without a word), or when the user ended it during start-up.
    bool Form_Load();

    MainControls ui;
    PortConnection &port() { return m_port; }
    Services &services() { return *m_services; }
    AuxWindows &windows() { return *m_windows; }
    AppState &state() { return m_state; }

    // IMainWindow
    void popUp() override;
    void showWindow() override;
    void minimise() override;
    void unloadBlockedWindow() override;
    void runModemDetection() override;
    // IServiceButtons
    void showServiceState(ServicePair pair, bool serviceOn) override;

    // A click on the tray icon (restores the window) or a right click (the File menu).
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    // The close request: the user's close box (true) asks first, the program's own close does
    // not. Returns true when the close is cancelled.
    bool Form_QueryUnload(bool byUser);
    // The service buttons, Block and the port commands: each hands its work to the class that
    // does it.
    void cmdDial_Click() { m_services->buttons.dialShownCaller(); }
    void cmdZap_Click() { m_services->buttons.zapRingingCall(); }
    void cmdCallForwardingON_Click() { m_services->buttons.forwardingOn(); }
    void cmdCallForwardingOFF_Click() { m_services->buttons.forwardingOff(); }
    void cmdBlockPrivateCalls_Click() { m_services->buttons.blockPrivateCalls(); }
    void cmdReleasePrivateCalls_Click() { m_services->buttons.releasePrivateCalls(); }
    void cmdPagerNotificationON_Click() { m_services->buttons.pagerOn(); }
    void cmdPagerNotificationOFF_Click() { m_services->buttons.pagerOff(); }
    void cmdBlockTelemarketers_Click() { m_services->buttons.blockTelemarketers(); }
    void cmdReleaseTelemarketers_Click() { m_services->buttons.releaseTelemarketers(); }
    void cmdBlock_Click() { m_services->block.blockShownCaller(); }
    void mnuConnectPort_Click() { m_port.connectPort(); }
    void mnuReleasePort_Click() { m_port.releasePort(); }
    void mnuRestore_Click();
    void cmdDownLog_Click();
    void cmdUpLog_Click();
    void mnuExit_Click();
    // SIGTERM or SIGINT: the end of File > Exit, without the question.
    void endBySignal();
    void mnuModemSelection_Click();
    frmDetectModem *detectWindow() const { return m_detect; }
    void Timer2_Timer();
    bool isInTray() const { return m_minimised; }
    QString windowIconFile() const { return m_iconFile; }
    // Horizontally centred, top at (screen height - window height) / 4.5.
    void placeWindow();

signals:
    // Shutdown has closed the port, the windows and the tray icon: the program may end.
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Form_Resize();
    // Loads an icon file of the program folder as the window icon.
    void setWindowIconFile(const QString &fileName);
    void restoreFromTray();
    bool receivingCall() const;
    void forwardingLeftOn();
    // Publishes the calls, or takes them from a server, as the options ask.
    void startNetwork();
    void restoreServiceButtons();
    void shutdown(bool letPendingRun);
    bool confirmExit();
    void bindDisplay();
    void connectServiceButtons();
    void unloadDetectWindow();

    AppState &m_state;
    PortConnection m_port;
    std::unique_ptr<Services> m_services;
    AuxWindows *m_windows = nullptr; // the other windows; they go before the services they show
    TrayIcon *m_trayIcon = nullptr;
    clsBringForm m_bring;
    std::unique_ptr<SingleInstance> m_instance;
    QString m_iconFile = QStringLiteral("ringlark.ico");
    bool m_minimised = false;
    bool m_shuttingDown = false;
    QPointer<frmDetectModem> m_detect;
};

// Shows the "on" or "off" button of a service pair by its status; a shown "off" button is
// light red.
void showServicePair(QWidget *onButton, QWidget *offButton, bool serviceOn);
