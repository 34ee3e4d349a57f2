#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

class TrayStatus;

// The program's icon in the desktop's notification area, drawn from the program's tray record.
// Without a system tray nothing is shown and the record is kept all the same.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    // `iconPath` gives the path of a shipped icon file.
    TrayIcon(const TrayStatus &status, std::function<QString(const QString &)> iconPath, QObject *parent = nullptr);
    ~TrayIcon() override;

    static bool available() { return QSystemTrayIcon::isSystemTrayAvailable(); }
    // The icon shown (or that would be, without a tray).
    const QIcon &icon() const { return m_icon; }

signals:
    void activated(QSystemTrayIcon::ActivationReason reason);

private:
    void update();

    const TrayStatus &m_status;
    std::function<QString(const QString &)> m_iconPath;
    QString m_loadedFile;
    QIcon m_icon;
    QSystemTrayIcon *m_tray = nullptr;
};
