#include "DesktopNotifier.h"

#include "Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
// A call's notice stays up as long as the service keeps notices (its own default).
constexpr int ServiceDefaultTimeout = -1;
// Notices whose actions are still remembered; the oldest are forgotten beyond this.
constexpr int MaxRemembered = 50;

std::function<void(const QList<QVariant> &)> g_recorder;

} // namespace

QList<QVariant> notifyArguments(const DesktopNotice &notice, bool serviceHasActions)
{
    QStringList actions;
    if (serviceHasActions) {
        for (const auto &[key, caption] : notice.actions)
            actions << key << caption;
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("io.github.ringlark.Ringlark"));
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    return {QStringLiteral("Ringlark Talking Caller ID"),
            uint(0),
            notice.icon,
            notice.summary,
            notice.body,
            actions,
            hints,
            ServiceDefaultTimeout};
}

DesktopNotifier::DesktopNotifier(QObject *parent) : QObject(parent)
{
    // Without an address Qt would try to start a bus of its own; without a bus there is no
    // desktop to tell.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_bus = bus.isConnected();
    if (!m_bus)
        return;
    bus.connect(Service, Path, Service, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    bus.connect(Service, Path, Service, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
    // Asked once, well before the first call: whether the service shows buttons.
    auto *watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<QStringList> reply = *w;
        m_hasActions = reply.isValid() && reply.value().contains(QStringLiteral("actions"));
        if (reply.isError())
            qCDebug(lcCalls).noquote() << "no desktop notifications:" << reply.error().message();
        w->deleteLater();
    });
}

void DesktopNotifier::record(std::function<void(const QList<QVariant> &)> recorder)
{
    g_recorder = std::move(recorder);
}

void DesktopNotifier::notify(const DesktopNotice &notice, const QVariant &tag)
{
    if (g_recorder) {
        g_recorder(notifyArguments(notice, true));
        return;
    }
    if (!m_bus)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    call.setArguments(notifyArguments(notice, m_hasActions));
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    const bool withActions = m_hasActions && !notice.actions.isEmpty();
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, tag, withActions](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        if (reply.isError()) {
            qCDebug(lcCalls).noquote() << "desktop notification not shown:" << reply.error().message();
            return;
        }
        if (!withActions)
            return;
        if (m_tags.size() >= MaxRemembered)
            m_tags.removeFirst();
        m_tags.append({reply.value(), tag});
    });
}

void DesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    for (const auto &[shown, tag] : std::as_const(m_tags)) {
        if (shown == id) {
            const QVariant picked = tag; // the handler may show boxes while more signals arrive
            emit actionInvoked(picked, action);
            return;
        }
    }
}

void DesktopNotifier::onClosed(uint id, uint)
{
    m_tags.removeIf([id](const auto &t) { return t.first == id; });
}
