#pragma once

#include "CallEvents.h"
#include "DesktopNotifier.h"

#include <QObject>
#include <optional>

struct ModemLine;
class DataFiles;
struct CallView;
class CallEvents;
class frmMain;

// Each call shown, or refused, is also told to the desktop's notification service (the setting
// "Desktop notifications", on unless the user turned it off). "Call back" and "Block" on a
// notice show that caller in the main window and run Dial or Block, as the buttons there do.
// A call's notice stays while the call rings (a service's own timeout would take it away before
// the caller hangs up) and is replaced by the stored call's when the call ends. An action picked
// while a call rings or a service runs is done once the line is free; Block of the caller who
// rings is done at once, as the window's Block button does.
class DesktopNotices : public QObject {
    Q_OBJECT
public:
    DesktopNotices(ModemLine &line, DataFiles &files, CallView &view, CallEvents &events, frmMain &window);

    // The notice of a call: the caller's name (refused: "Refused: " + name), the number, date and
    // time, and the actions where there is a number to call or block.
    static DesktopNotice callNotice(const CallNotice &call, const QString &icon);
    // The program's icon: its name in the icon theme when installed, else the icon file beside it.
    static QString programIcon(const DataFiles &files);

private:
    void announce(const CallNotice &call);
    void act(const QVariant &tag, const QString &action);
    void callEnded();
    void actWhenFree();
    bool lineBusy() const;

    ModemLine &m_line;
    DataFiles &m_files;
    CallView &m_view;
    CallEvents &m_events;
    frmMain &m_window;
    DesktopNotifier m_notifier{this};
    QString m_icon;
    int m_ringing = 0; // the notice of the call that rings, 0 when none
    DesktopNotice m_ringingNotice;
    std::optional<std::pair<QVariant, QString>> m_pending; // the action picked while the line was busy
};
