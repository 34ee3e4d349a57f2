#pragma once

#include "AppState.h"
#include "CallAnnouncer.h"
#include "CallCore.h"
#include "IMainWindow.h"
#include "ModemSearch.h"
#include "MsgBox.h"
#include "PortConnection.h"
#include "Screening.h"
#include "ServiceOptions.h"
#include "SystemdNotify.h"

#include <QObject>

// The program without a person in front of it: the call core on the modem, its calls published
// to NCID clients. Where the desktop shows a window it logs; where it shows a box it logs the
// box and its safe answer, and what a box only tells (the modem lost, a write failed) also goes
// to the clients as a message.
class ServiceHost : public QObject, public IMainWindow, public MessageBoxes, public ISearchView {
    Q_OBJECT
public:
    explicit ServiceHost(const ServiceOptions &options, QObject *parent = nullptr);
    ~ServiceHost() override;

    // Settings read, the modem opened (found first where none is configured), the server
    // listening. False when the calls cannot be published: nothing would hear of them.
    bool start();
    // SIGHUP: the settings files are read again; the next call follows them.
    void reload();
    // SIGTERM, SIGINT: a call in progress is stored, the modem let go, and `ended` follows.
    void end();

    AppState &state() { return m_state; }
    CallCore &core() { return m_core; }

    // systemd's status of the service while no modem is configured (none was found).
    static inline const QString NoModemStatus =
        QStringLiteral("No modem found: no calls are taken (systemctl reload ringlarkd searches again)");

signals:
    void ended();

private:
    void popUp() override {}
    void showWindow() override;
    void minimise() override {}
    void unloadBlockedWindow() override {}
    void runModemDetection() override;
    void showServiceState(ServicePair pair, bool serviceOn) override;

    MsgAnswer show(const MsgRecord &box) override;

    void clearList() override {}
    void addLine(const QString &line) override;
    void setProgress(const QString &text) override;
    void showPortNumber(int) override {}
    void showProblem(const QString &reason) override;

    void loadSettings();
    // What systemd shows of the service: the tray's tip, or that there is no modem.
    QString status() const;

    ServiceOptions m_options;
    AppState m_state;
    // The user's screening rules, for every call; a change elsewhere is seen at the next call.
    Screening m_screening;
    PortConnection m_port;
    SilentAnnouncer m_voice;
    CallCore m_core;
    SystemdNotify m_systemd;
    bool m_callerLogged = false; // the call being shown has been logged
    bool m_ending = false;
};
