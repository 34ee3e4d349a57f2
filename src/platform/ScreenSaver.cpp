#include "ScreenSaver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const char *const Service = "org.freedesktop.ScreenSaver";
const char *const Path = "/org/freedesktop/ScreenSaver";

// The inhibition is asked for asynchronously: a desktop that is slow to answer must never
// delay the handling of a ring. The cookie arrives later and is kept here.
bool g_inhibited = false;
quint32 g_cookie = 0;
bool g_cookieValid = false;
bool g_releaseWhenCookieArrives = false;

// Without an address Qt would try to auto-launch a bus; a machine without one has no screen
// saver to switch either.
bool busAddressKnown()
{
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

bool sessionBus(QDBusConnection &bus)
{
    if (!busAddressKnown())
        return false;
    bus = QDBusConnection::sessionBus();
    return bus.isConnected();
}

void unInhibit(QDBusConnection &bus, quint32 cookie)
{
    QDBusMessage m = QDBusMessage::createMethodCall(Service, Path, Service, "UnInhibit");
    m << cookie;
    bus.asyncCall(m);
}
} // namespace

bool SetScreenSaverActive(bool active)
{
    // Every chunk of a ringing call's text comes here: once asked, nothing more to do.
    if (!active && g_inhibited)
        return true;
    // Said before any D-Bus object is made for the chunk.
    if (!busAddressKnown())
        return false;
    QDBusConnection bus("");
    if (!sessionBus(bus))
        return false;
    if (!active) {
        if (g_inhibited)
            return true;
        QDBusMessage m = QDBusMessage::createMethodCall(Service, Path, Service, "Inhibit");
        m << QCoreApplication::applicationName() << QStringLiteral("A telephone call is ringing");
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(m));
        g_inhibited = true;
        g_cookieValid = false;
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [watcher](QDBusPendingCallWatcher *w) {
            QDBusPendingReply<quint32> reply = *w;
            if (reply.isValid()) {
                g_cookie = reply.value();
                g_cookieValid = true;
                if (g_releaseWhenCookieArrives) {
                    g_releaseWhenCookieArrives = false;
                    QDBusConnection b("");
                    if (sessionBus(b))
                        unInhibit(b, g_cookie);
                    g_cookieValid = false;
                }
            } else {
                g_inhibited = false;
                g_releaseWhenCookieArrives = false;
            }
            watcher->deleteLater();
        });
        return true;
    }
    if (!g_inhibited)
        return true;
    g_inhibited = false;
    if (g_cookieValid) {
        unInhibit(bus, g_cookie);
        g_cookieValid = false;
    } else {
        g_releaseWhenCookieArrives = true;
    }
    return true;
}

bool screenSaverInhibited()
{
    return g_inhibited;
}
