#pragma once

#include <QString>

class AppState;
class IMainWindow;

// The tray icon's states: the icon file becomes the window icon, and the tray icon is
// replaced (deleted, then added) with that icon and the tip.
namespace Tray {
inline const QString ConnectedTip = QStringLiteral("Ringlark Talking Caller ID");
inline const QString ReleasedTip = QStringLiteral("Ringlark Caller ID is OFF. Please connect Port.");
// While the modem's device is gone (unplugged); it is taken again when it is back.
inline const QString DisconnectedTip = QStringLiteral("Ringlark Caller ID is OFF. The modem is disconnected.");
// Once a call could not be spoken: no sound output (no sound server, no device).
inline const QString NoSoundTip = QStringLiteral("Ringlark Talking Caller ID: no sound output was found.");
inline const QString ConnectedIcon = QStringLiteral("ringlark.ico");
inline const QString ReleasedIcon = QStringLiteral("openport.ico");

void replaceIcon(AppState &state, IMainWindow &window, const QString &iconFile, const QString &tip);
void showConnected(AppState &state, IMainWindow &window);
void showReleased(AppState &state, IMainWindow &window);
// Changes only the tip of the icon as it is.
void setTip(AppState &state, const QString &tip);
} // namespace Tray
