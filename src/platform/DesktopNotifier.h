#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

// A desktop notification: what the desktop's notification service shows, and the actions it
// offers as buttons (key, caption) where the service can show buttons.
struct DesktopNotice {
    QString summary;
    QString body;
    QString icon; // an icon name of the theme, or a file's path
    QList<std::pair<QString, QString>> actions;
    int timeoutMs = -1; // -1: as long as the service keeps notices; 0: until replaced or closed
};

// The arguments of org.freedesktop.Notifications.Notify for a notice: application name,
// replaced id, icon, summary, body, actions (key, caption, key, caption ...), hints, timeout.
// Actions are left out where the service cannot show them.
QList<QVariant> notifyArguments(const DesktopNotice &notice, bool serviceHasActions, uint replaces = 0);

// The desktop's notification service over the session bus. Every call is asynchronous: a
// desktop slow to answer never holds up a call. Where no service runs, nothing is shown and
// nobody is told.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject *parent = nullptr);

    // Sends the notice; `tag` comes back with an action the user picks. The notice's number,
    // for replace().
    int notify(const DesktopNotice &notice, const QVariant &tag);
    // Shows `notice` in place of the one `shown` returned, with the same tag.
    void replace(int shown, const DesktopNotice &notice);

    // Test seam: while set, the Notify arguments go here instead of to the bus, and the service
    // is taken to show actions.
    static void record(std::function<void(const QList<QVariant> &)> recorder);

signals:
    void actionInvoked(const QVariant &tag, const QString &action);

private slots:
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    void send(int shown, const DesktopNotice &notice, const QVariant &tag, uint replaces);

    bool m_bus = false;
    bool m_hasActions = false;
    int m_sent = 0;
    QList<std::pair<uint, QVariant>> m_tags; // notices on the screen with actions, by the service's id, oldest first
    // Each notice sent: the service's id (0 until it answers) and its tag; and a replacement
    // waiting for the answer.
    QHash<int, std::pair<uint, QVariant>> m_sentNotices;
    QHash<int, DesktopNotice> m_waiting;
};
