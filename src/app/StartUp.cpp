// The start-up sequence of the main window.

#include "AppState.h"
#include "MsgBox.h"
#include "ScreenSaver.h"
#include "SingleInstance.h"
#include "TrayStatus.h"
#include "WrapButton.h"
#include "frmMain.h"

#include <QGuiApplication>
#include <QLabel>

namespace {

void showSetupConfigurationMessage()
{
    MsgBox(crLines({QStringLiteral("The Setup Configuration is not complete! Program will use"),
                    QStringLiteral("Default settings for now. Please go to Setup Menu later"),
                    QStringLiteral("and configure the custom setting of your choice.")}),
           MsgStyle::Information, QStringLiteral("Setup Configuration"));
}

} // namespace

bool frmMain::Form_Load()
{
    m_instance = std::make_unique<SingleInstance>(m_state.folder());
    if (!m_instance->acquire()) {
        // Started again while it runs (from the menu, the window in the tray): the running
        // copy shows its window, and this one ends.
        m_instance->askRunningToShow(m_state.startToken);
        return false;
    }
    m_instance->listen([this](const QString &token) {
        // Qt's Wayland plugin raises the next window it activates with the token it finds here.
        if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
        mnuRestore_Click();
    });

    ui.layoutDisplayAndServices();
    SetScreenSaverActive(true);
    ui.cmdCallForwardingOFF->hide();

    // Calls from an NCID server need no modem settings: nothing to complete.
    const bool fromServer = m_state.callsFromServer();
    const SetupFile::LoadOutcome loaded =
        m_state.setupFile.load(m_state.settings, fromServer ? std::function<void()>() : showSetupConfigurationMessage);
    if (!loaded.copyError.isEmpty())
        reportWriteFailure(m_state.setupFile.path(), loaded.copyError);
    if (m_state.settings.colorNumber() > 0)
        setFormBackColor(ui.client, m_state.settings.colorNumber());

    m_state.Timer1.off();
    m_state.flags.clear();
    // Known as soon as the settings are: the forwarding question below may open the port, and
    // it must not report a configured modem as missing.
    m_state.ModemConfigured = m_state.settings.comPortNumber() >= 1 && m_state.settings.hasCallerIdCommand();

    // Forwarding is switched off through the modem: not asked about when the modem is not used.
    if (fromServer)
        showServiceState(ServicePair::Forwarding, false);
    else
        forwardingLeftOn();
    restoreServiceButtons();

    show();
    adjustSize();
    setFixedSize(size());
    placeWindow();
    show();

    // Forwarding left on has already put the released icon there, with its warning.
    if (!m_state.tray.exists())
        m_state.tray.showConnected();

    m_port.ModemPortOpen();
    // Exit (or a signal) during the first search: nothing more starts, and main() must not
    // run an event loop for a program without windows.
    if (m_shuttingDown)
        return false;
    startNetwork();
    if (m_state.ModemConfigured || fromServer) {
        m_services->end.DisplayFinalList();
        m_state.Timer2.restart(m_state.settings.minimizeDelayMs());
    }
    m_state.MSComm1.setInputLen(0);
    return true;
}

void frmMain::startNetwork()
{
    QString error;
    if (!m_services->network.start(&error))
        MsgBox(crLines({QStringLiteral("Calls cannot be published to NCID clients:"), error}), MsgStyle::Critical,
               QStringLiteral("NCID Server"));
}

void frmMain::forwardingLeftOn()
{
    if (!m_state.settings.CallForwardStatus) {
        showServiceState(ServicePair::Forwarding, false);
        return;
    }
    const MsgAnswer a = MsgBox(crLines({QStringLiteral("Ringlark Talking Caller ID last settings show"),
                                        QStringLiteral("that Calls are Forwarded to your 2nd. Phone."),
                                        QStringLiteral("Do you want to take Incoming Calls on your Home Phone?")}),
                               MsgStyle::CriticalYesNo, QStringLiteral("Call are Forwarded to 2nd. Phone!"));
    if (a == vbYes) {
        // Forwarding is switched off through the modem, which takes the port back first.
        m_port.ModemPortOpen();
        m_services->modem.CallForwardOFF();
        return;
    }
    showServiceState(ServicePair::Forwarding, true);
    m_state.tray.show(TrayStatus::ReleasedIcon,
                      QStringLiteral("Ringlark Caller ID is OFF.") + QChar(13) +
                          QStringLiteral("To receive calls, please turn OFF Call Forwarding."));
    if (m_state.MSComm1.PortOpen())
        m_state.MSComm1.setPortOpen(false);
}
