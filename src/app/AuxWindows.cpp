#include "AuxWindows.h"

#include "AppState.h"
#include "HelpWindow.h"
#include "MainControls.h"
#include "Services.h"
#include "frmAbout.h"
#include "frmBlockedNumber.h"
#include "frmColorChoice.h"
#include "frmListView.h"
#include "frmScreening.h"
#include "frmSetup.h"

#include <QLineEdit>

namespace {

// A window closed by its close box is deleted a moment later: until then it is no longer the
// window to use.
template <typename T> T *live(const QPointer<T> &p)
{
    return (p && !p->unloading()) ? p.data() : nullptr;
}

template <typename T> void unload(QPointer<T> &p)
{
    if (!p)
        return;
    T *w = p.data();
    p = nullptr;
    // A window already closing deletes itself once its close handler is done; that handler may
    // be waiting in a message box right now.
    if (w->unloading())
        return;
    w->close(); // its unload handler runs: flags cleared, nothing saved
    delete w;
}

void bringUp(QWidget *w)
{
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

AuxWindows::AuxWindows(AppState &state, Services &services, QWidget &mainWindow, MainControls &mainControls,
                       IServiceButtons &buttons)
    : QObject(&mainWindow), switches(state, buttons), m_state(state), m_services(services), m_main(mainWindow),
      m_ui(mainControls)
{
    m_state.openWindows = this;
}

AuxWindows::~AuxWindows()
{
    // Before the call log and the blocked list they show go away with the main window.
    unloadAll();
    m_state.openWindows = nullptr;
}

bool AuxWindows::anyOpen() const
{
    return m_logAsked || live(m_listView) || live(m_blocked) || live(m_color) || live(m_setup) || live(m_about) ||
           live(m_screening);
}

frmListView *AuxWindows::callsLogWindow() const
{
    return live(m_listView);
}
frmBlockedNumber *AuxWindows::blockedWindow() const
{
    return live(m_blocked);
}
frmSetup *AuxWindows::setupWindow() const
{
    return live(m_setup);
}
frmScreening *AuxWindows::screeningWindow() const
{
    return live(m_screening);
}
frmColorChoice *AuxWindows::colorWindow() const
{
    return live(m_color);
}
frmAbout *AuxWindows::aboutWindow() const
{
    return live(m_about);
}

frmListView *AuxWindows::callsLog()
{
    m_logAsked = false;
    if (!live(m_listView)) {
        m_listView = new frmListView(m_state, m_state, m_services.log, m_services.browser, &m_main);
        m_listView->displayList = [this] { reloadAfterDeletion(); };
        // A desktop that takes its calls from a server (the service) stores the rule there too.
        m_listView->ruleStored = [this](const QString &request) {
            if (m_state.callsFromServer())
                m_services.network.client().sendLine(request);
        };
    }
    return m_listView;
}

frmBlockedNumber *AuxWindows::blocked()
{
    if (!live(m_blocked))
        m_blocked = new frmBlockedNumber(m_state, m_state, m_services.blocked, &m_main);
    return m_blocked;
}

frmSetup *AuxWindows::setup()
{
    if (!live(m_setup))
        m_setup = new frmSetup(m_state, m_state, &m_main);
    return m_setup;
}

frmColorChoice *AuxWindows::colorChoice()
{
    if (!live(m_color)) {
        m_color = new frmColorChoice(m_state, m_state, &m_main);
        connect(m_color, &frmColorChoice::colorChosen, this, &AuxWindows::applyColor);
        connect(m_color, &frmColorChoice::colorRestored, this, &AuxWindows::paintWindows);
    }
    return m_color;
}

void AuxWindows::reloadAfterDeletion()
{
    // The marked calls are compacted away at once, also while a call comes in: left in the
    // file, they would come back when the end of that call writes the log from memory. Only
    // the display and the log position belong to the call then, and stay as they are.
    if (m_services.call.RingSeen || m_services.call.NumberReceived)
        m_services.log.DisplayFinalList();
    else
        m_services.end.DisplayFinalList();
}

void AuxWindows::cmdCallLog_Click()
{
    // While a call rings, the log and the display belong to it.
    if (m_state.Timer1.Interval() != 0) {
        m_logAsked = !live(m_listView);
        return;
    }
    m_state.Timer2.stop();
    frmListView *w = callsLog();
    // "&Log" shows every call: a search left typed from before would hide some.
    w->txtSearch->clear();
    m_services.log.model().clear();
    m_services.end.DisplayFinalList();
    m_services.browser.GetFromLogTopToBottom();
    bringUp(w);
}

void AuxWindows::Command1_Click()
{
    bringUp(blocked());
}

void AuxWindows::mnuSetup_Click()
{
    bringUp(setup());
}

void AuxWindows::mnuScreening_Click()
{
    if (!live(m_screening))
        m_screening = new frmScreening(m_state, m_state, m_services.blocked, &m_main);
    else
        m_screening->showRules(); // a rule added from the Calls Log or the command line meanwhile
    bringUp(m_screening);
}

void AuxWindows::DisplayColor_Click()
{
    bringUp(colorChoice());
}

void AuxWindows::mnuAbout_Click()
{
    if (!live(m_about))
        m_about = new frmAbout(m_state, m_state, &m_main);
    bringUp(m_about);
}

void AuxWindows::mnuHelpHelp_Click()
{
    if (!m_help)
        m_help = new HelpWindow(&m_main);
    m_help->showContents(m_state.helpFile());
    bringUp(m_help);
}

void AuxWindows::applyColor(int color)
{
    setFormBackColor(m_ui.client, color);
    callsLog()->setBackColor(color);
    blocked()->hide();
    blocked()->setBackColor(color);
    setup()->setBackColor(color);
    setup()->hide();
    m_main.show();
    callsLog()->show();
}

void AuxWindows::paintWindows(int color)
{
    // Only the windows that are loaded, as they are: nothing is shown or hidden.
    setFormBackColor(m_ui.client, color);
    if (frmListView *w = live(m_listView))
        w->setBackColor(color);
    if (frmBlockedNumber *w = live(m_blocked))
        w->setBackColor(color);
    if (frmSetup *w = live(m_setup))
        w->setBackColor(color);
    if (frmScreening *w = live(m_screening))
        w->setBackColor(color);
}

void AuxWindows::unloadForTray()
{
    unload(m_listView);
    unload(m_color);
    unload(m_setup);
    unload(m_blocked);
    unload(m_screening);
    // Log pressed during a ring counts as open without a window, so no unload ends it: left
    // set, it would keep every later call from sending the main window back.
    m_logAsked = false;
}

void AuxWindows::unloadAll()
{
    unloadForTray();
    unload(m_about);
    if (m_help) {
        delete m_help.data();
        m_help = nullptr;
    }
}

void AuxWindows::unloadBlocked()
{
    unload(m_blocked);
}
