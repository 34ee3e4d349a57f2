#pragma once

#include <QByteArray>
#include <QIcon>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

// The notification-area record: its tip field holds 64 characters, and the tray shows the
// text up to the first character 0, at most 63 characters.
struct NOTIFYICONDATA {
    static constexpr int TipSize = 64;
    int cbSize = 88;
    int uID = 1;
    int uFlags = 7;             // message, icon and tip present
    int uCallbackMessage = 512; // tray mouse events arrive as mouse-move messages
    QIcon hIcon;
    QByteArray szTip; // always TipSize bytes

    // Puts `text` into the tip field: cut to 64 characters, padded with character 0.
    void setTip(const QString &text);
    // What the tray shows of the tip field.
    QString shownTip() const;
};

enum NotifyMessage { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };

// Tray mouse messages the program decodes.
enum TrayMouse { WM_LBUTTONUP = 514, WM_LBUTTONDBLCLK = 515, WM_RBUTTONUP = 517 };

// The notification area: one icon, added and deleted like Shell_NotifyIcon. Adding an icon that
// exists is refused and the existing icon and tip stay. Without a system tray the record is
// kept and nothing is shown.
class NotifyArea : public QObject {
    Q_OBJECT
public:
    explicit NotifyArea(QObject *parent = nullptr);
    ~NotifyArea() override;

    bool Shell_NotifyIcon(int message, const NOTIFYICONDATA &data);

    bool exists() const { return m_exists; }
    QString tip() const { return m_data.shownTip(); }
    const QIcon &icon() const { return m_data.hIcon; }
    static bool available();

signals:
    // 514 left button up, 515 double click, 517 right button up
    void trayMessage(int message);

private:
    void ensureTray();

    bool m_exists = false;
    NOTIFYICONDATA m_data;
    QSystemTrayIcon *m_tray = nullptr;
};
