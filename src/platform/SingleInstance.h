#pragma once

#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;

// One running copy per program folder: two copies working on the same data files would
// corrupt the call log. The lock is a file in the program folder; a lock left behind by a
// copy that crashed is taken over. The running copy listens on a local socket named after the
// folder, so that a second start (from the menu, while the first sits in the tray) can ask it
// to show its window before it ends.
class SingleInstance {
public:
    explicit SingleInstance(const QString &programFolder);
    ~SingleInstance();
    // False when another live copy holds the folder.
    bool acquire();
    // Once acquired: `show` runs whenever a later start asks for the window, with the later
    // start's activation token (empty when it had none).
    void listen(std::function<void(const QString &token)> show);
    // From a start that found the folder taken: asks the running copy to show its window, and
    // hands it this start's activation token, so that the desktop lets it come to the front.
    // False when no copy answered.
    bool askRunningToShow(const QString &token = QString()) const;

    // The token the desktop gave this start to raise a window with: XDG_ACTIVATION_TOKEN
    // (Wayland) or DESKTOP_STARTUP_ID (X11); empty when none.
    static QString startToken();
    // The request line a later start sends, and the token in it; nothing when the line is no
    // request (a token is printable ASCII without blanks, and short).
    static QByteArray showRequest(const QString &token);
    static std::optional<QString> tokenOfRequest(const QByteArray &line);
    static constexpr int MaxRequest = 512;

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
