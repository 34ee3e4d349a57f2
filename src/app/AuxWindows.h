#pragma once

#include "HelpWindow.h"
#include "OpenWindows.h"
#include "SetupSwitches.h"
#include "frmAbout.h"
#include "frmBlockedNumber.h"
#include "frmColorChoice.h"
#include "frmListView.h"
#include "frmScreening.h"
#include "frmSetup.h"

#include <QObject>
#include <QPointer>

class AppState;
class IServiceButtons;
class QWidget;
struct MainControls;
struct Services;

// The main window's other windows: each is loaded when first used, unloaded by its close box,
// by the main window going to the tray or by the program's end, and loaded afresh the next
// time. The main window's menus and buttons open them through here, and this is the one record
// of which are open.
class AuxWindows : public QObject, public IOpenWindows {
    Q_OBJECT
public:
    AuxWindows(AppState &state, Services &services, QWidget &mainWindow, MainControls &mainControls,
               IServiceButtons &buttons);
    ~AuxWindows() override;

    // The pager and telemarketer switches of the main window's service buttons.
    SetupSwitches switches;

    void cmdCallLog_Click();
    void Command1_Click();
    void mnuSetup_Click();
    void mnuScreening_Click();
    void DisplayColor_Click();
    void mnuHelpHelp_Click();
    void mnuAbout_Click();
    // A colour button of the chooser: the colour on every window that shows it.
    void applyColor(int color);
    // The colour on the main window and the loaded windows that show it.
    void paintWindows(int color);

    // The windows that must not outlive the main window's trip to the tray; nothing is saved.
    void unloadForTray();
    // Every window, the about box and the help window included (the program ends).
    void unloadAll();
    void unloadBlocked();

    // The loaded window, or nullptr when it is not loaded.
    frmListView *callsLogWindow() const;
    frmBlockedNumber *blockedWindow() const;
    frmSetup *setupWindow() const;
    frmScreening *screeningWindow() const;
    frmColorChoice *colorWindow() const;
    frmAbout *aboutWindow() const;
    HelpWindow *helpWindow() const { return m_help; }

    // A window that keeps the main window up after a call is loaded (help aside), or the Calls
    // Log was asked for during a ring and will be shown.
    bool anyOpen() const override;

private:
    // Loaded (hidden) when first touched.
    frmListView *callsLog();
    frmBlockedNumber *blocked();
    frmSetup *setup();
    frmColorChoice *colorChoice();
    void reloadAfterDeletion();

    AppState &m_state;
    Services &m_services;
    QWidget &m_main;
    MainControls &m_ui;
    QPointer<frmListView> m_listView;
    QPointer<frmBlockedNumber> m_blocked;
    QPointer<frmSetup> m_setup;
    QPointer<frmScreening> m_screening;
    QPointer<frmColorChoice> m_color;
    QPointer<frmAbout> m_about;
    QPointer<HelpWindow> m_help;
    // Log pressed while a call rings: the window is not loaded until the call has ended, yet
    // it counts as open.
    bool m_logAsked = false;
};
