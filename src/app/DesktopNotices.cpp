#include "DesktopNotices.h"

#include "AppState.h"
#include "CallTexts.h"
#include "frmMain.h"

#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>

namespace {

const QString CallBack = QStringLiteral("call-back");
const QString Block = QStringLiteral("block");

} // namespace

DesktopNotices::DesktopNotices(AppState &state, frmMain &window)
    : QObject(&window), m_state(state), m_window(window), m_icon(programIcon(state))
{
    window.services().reception.callAnnounced = [this](const CallReception::Notice &call) { announce(call); };
    connect(&m_notifier, &DesktopNotifier::actionInvoked, this, &DesktopNotices::act);
}

DesktopNotice DesktopNotices::callNotice(const CallReception::Notice &call, const QString &icon)
{
    DesktopNotice n;
    n.summary = call.refused ? QStringLiteral("Refused: ") + call.name : call.name;
    n.body = call.number + QLatin1Char('\n') + QString(call.when).replace(QLatin1String("\r\n"), QLatin1String(" "));
    n.icon = icon;
    // A withheld number can be neither called back nor blocked; a refused call is already dealt with.
    if (!call.refused && call.number.startsWith(QLatin1Char('(')))
        n.actions = {{CallBack, QStringLiteral("Call back")}, {Block, QStringLiteral("Block")}};
    return n;
}

QString DesktopNotices::programIcon(const AppState &state)
{
    const QString themed = QStringLiteral("io.github.ringlark.Ringlark");
    if (!QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                QStringLiteral("icons/hicolor/48x48/apps/") + themed + QStringLiteral(".png"))
             .isEmpty())
        return themed;
    return QFileInfo(state.shippedFile(QStringLiteral("ringlark.ico"))).absoluteFilePath();
}

void DesktopNotices::announce(const CallReception::Notice &call)
{
    if (!m_state.options.notifications)
        return;
    const DesktopNotice n = callNotice(call, m_icon);
    m_notifier.notify(n, QStringList{call.number, call.name, call.when});
}

void DesktopNotices::act(const QVariant &tag, const QString &action)
{
    const QStringList call = tag.toStringList();
    if (call.size() != 3 || (action != CallBack && action != Block))
        return;
    // Not while a call rings or a service runs: the display is that call's, and the buttons
    // would refuse anyway.
    if (m_state.modemBusy() || m_state.Timer1.Interval() != 0)
        return;
    m_state.display.setAll(call.at(0), call.at(1), call.at(2));
    m_window.popUp();
    (action == CallBack ? m_window.ui.cmdDial : m_window.ui.cmdBlock)->click();
}
