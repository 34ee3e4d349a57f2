#include "DesktopNotifier.h"

#include "DesktopIdentity.h"
#include "Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <algorithm>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
// Notices whose actions are still remembered; the oldest are forgotten beyond this.
constexpr int MaxRemembered = 50;

std::function<void(const QList<QVariant> &)> g_recorder;

} // namespace

QList<QVariant> notifyArguments(const DesktopNotice &notice, bool serviceHasActions, uint replaces)
{
    QStringList actions;
    if (serviceHasActions) {
        for (const auto &[key, caption] : notice.actions)
            actions << key << caption;
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), DesktopIdentity::desktopId());
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    return {QStringLiteral("Ringlark Talking Caller ID"),
            replaces,
            notice.icon,
            notice.summary,
            notice.body,
            actions,
            hints,
            notice.timeoutMs};
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

int DesktopNotifier::notify(const DesktopNotice &notice, const QVariant &tag)
{
    const int shown = ++m_sent;
    if (m_sentNotices.size() >= MaxRemembered)
        m_sentNotices.remove(std::ranges::min(m_sentNotices.keys()));
    m_sentNotices.insert(shown, {0, tag});
    send(shown, notice, tag, 0);
    return shown;
}

void DesktopNotifier::replace(int shown, const DesktopNotice &notice)
{
    const auto sent = m_sentNotices.constFind(shown);
    if (sent == m_sentNotices.cend())
        return; // forgotten long ago
    if (sent->first == 0) {
        // Not answered yet: replaced as soon as the service says which notice it is.
        m_waiting.insert(shown, notice);
        return;
    }
    send(shown, notice, sent->second, sent->first);
}

void DesktopNotifier::send(int shown, const DesktopNotice &notice, const QVariant &tag, uint replaces)
{
    auto shownAs = [this, shown, tag](uint id, bool withActions) {
        if (m_sentNotices.contains(shown))
            m_sentNotices[shown].first = id;
        m_tags.removeIf([id](const auto &t) { return t.first == id; });
        if (withActions) {
            if (m_tags.size() >= MaxRemembered)
                m_tags.removeFirst();
            m_tags.append({id, tag});
        }
    };
    if (g_recorder) {
        g_recorder(notifyArguments(notice, true, replaces));
        shownAs(uint(shown), !notice.actions.isEmpty()); // the number stands in for the service's id
        return;
    }
    if (!m_bus)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    call.setArguments(notifyArguments(notice, m_hasActions, replaces));
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    const bool withActions = m_hasActions && !notice.actions.isEmpty();
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, shown, withActions, shownAs](QDBusPendingCallWatcher *w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (reply.isError()) {
                    qCDebug(lcCalls).noquote() << "desktop notification not shown:" << reply.error().message();
                    m_waiting.remove(shown);
                    return;
                }
                shownAs(reply.value(), withActions);
                if (m_waiting.contains(shown))
                    replace(shown, m_waiting.take(shown));
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
    // A notice the user closed is not brought back by its replacement.
    m_sentNotices.removeIf([id](const auto &sent) { return sent.value().first == id; });
}
