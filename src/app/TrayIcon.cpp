#include "TrayIcon.h"

#include "TrayStatus.h"

#include <utility>

TrayIcon::TrayIcon(const TrayStatus &status, std::function<QString(const QString &)> iconPath, QObject *parent)
    : QObject(parent), m_status(status), m_iconPath(std::move(iconPath))
{
    connect(&status, &TrayStatus::changed, this, &TrayIcon::update);
    update();
}

TrayIcon::~TrayIcon()
{
    if (m_tray)
        m_tray->hide();
}

void TrayIcon::update()
{
    if (m_status.iconFile() != m_loadedFile) {
        m_loadedFile = m_status.iconFile();
        // A missing icon file leaves the icon as it was.
        const QIcon icon(m_iconPath(m_loadedFile));
        if (!icon.availableSizes().isEmpty())
            m_icon = icon;
    }
    if (!m_tray && m_status.exists() && available()) {
        m_tray = new QSystemTrayIcon(this);
        connect(m_tray, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
    }
    if (!m_tray)
        return;
    if (!m_status.exists()) {
        m_tray->hide();
        return;
    }
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_status.tip());
    m_tray->show();
}
