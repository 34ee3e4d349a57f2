#pragma once

#include <QString>

// How the desktop knows the program: its menu entry's id (the desktop file's name, the Wayland
// app id, the icon's name, the notifications' desktop entry) and its application name (the data
// folder's name and, on X11, the class in every window's WM_CLASS, which the menu entry's
// StartupWMClass names so that the window is matched to its entry).
namespace DesktopIdentity {

inline QString desktopId()
{
    return QStringLiteral("io.github.ringlark.Ringlark");
}

inline QString applicationName()
{
    return QStringLiteral("ringlark");
}

} // namespace DesktopIdentity
