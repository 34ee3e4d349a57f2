#pragma once

#include <QObject>
#include <QString>

// The program's icon in the notification area as the program keeps it: whether one is shown,
// which icon file, and the tip. The tip field holds 64 characters, and the tray shows the text
// up to the first character 0, at most 63 characters. The desktop draws it (TrayIcon) and the
// main window takes the same icon; a program without a desktop keeps the record alone.
class TrayStatus : public QObject {
    Q_OBJECT
public:
    static inline const QString ConnectedTip = QStringLiteral("Ringlark Talking Caller ID");
    static inline const QString ReleasedTip = QStringLiteral("Ringlark Caller ID is OFF. Please connect Port.");
    // While the modem's device is gone (unplugged); it is taken again when it is back.
    static inline const QString DisconnectedTip =
        QStringLiteral("Ringlark Caller ID is OFF. The modem is disconnected.");
    // Once a call could not be spoken: no sound output (no sound server, no device).
    static inline const QString NoSoundTip = QStringLiteral("Ringlark Talking Caller ID: no sound output was found.");
    static inline const QString ConnectedIcon = QStringLiteral("ringlark.ico");
    static inline const QString ReleasedIcon = QStringLiteral("openport.ico");

    using QObject::QObject;

    // Shows `iconFile` (a shipped file) with `tip`; an icon already shown is replaced.
    void show(const QString &iconFile, const QString &tip);
    void showConnected() { show(ConnectedIcon, ConnectedTip); }
    void showReleased() { show(ReleasedIcon, ReleasedTip); }
    // Changes only the tip of the icon shown; nothing while none is.
    void setTip(const QString &tip);
    void remove();

    bool exists() const { return m_exists; }
    QString iconFile() const { return m_iconFile; }
    // What the tray shows of the tip field.
    QString tip() const { return m_tip; }

signals:
    void changed();

private:
    static constexpr int TipSize = 64;
    // `text` put into the tip field (cut to 64 characters, padded with character 0), as shown.
    static QString shownTip(const QString &text);

    bool m_exists = false;
    QString m_iconFile;
    QString m_tip;
};
