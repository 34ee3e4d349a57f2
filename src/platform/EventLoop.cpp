#include "EventLoop.h"

#include <QByteArray>

namespace EventLoop {

bool preferQts()
{
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    // Qt leaves GLib's loop out where the variable is not empty.
    return !qEnvironmentVariableIsEmpty("QT_NO_GLIB");
}

} // namespace EventLoop
