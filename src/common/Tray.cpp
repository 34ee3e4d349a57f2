#include "Tray.h"

#include "AppState.h"
#include "MainWindowPort.h"

#include <QIcon>

namespace Tray {

void replaceIcon(AppState &state, IMainWindow &window, const QString &iconFile, const QString &tip)
{
    window.setWindowIconFile(iconFile);
    // A missing icon file leaves the icon as it was, in the tray as on the window.
    const QIcon icon(state.shippedFile(iconFile));
    if (!icon.availableSizes().isEmpty())
        state.nid.hIcon = icon;
    state.nid.setTip(tip + QChar(0));
    state.tray.Shell_NotifyIcon(NIM_DELETE, state.nid);
    state.tray.Shell_NotifyIcon(NIM_ADD, state.nid);
}

void showConnected(AppState &state, IMainWindow &window)
{
    replaceIcon(state, window, ConnectedIcon, ConnectedTip);
}

void showReleased(AppState &state, IMainWindow &window)
{
    replaceIcon(state, window, ReleasedIcon, ReleasedTip);
}

void setTip(AppState &state, const QString &tip)
{
    state.nid.setTip(tip + QChar(0));
    state.tray.Shell_NotifyIcon(NIM_MODIFY, state.nid);
}

} // namespace Tray
