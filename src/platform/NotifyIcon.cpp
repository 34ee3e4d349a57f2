#include "NotifyIcon.h"

#include <QSystemTrayIcon>

void NOTIFYICONDATA::setTip(const QString &text)
{
    szTip = text.toLatin1().left(TipSize);
    szTip.append(QByteArray(TipSize - szTip.size(), '\0'));
}

QString NOTIFYICONDATA::shownTip() const
{
    QByteArray t = szTip.left(TipSize - 1);
    const int nul = t.indexOf('\0');
    if (nul >= 0)
        t.truncate(nul);
    return QString::fromLatin1(t);
}

NotifyArea::NotifyArea(QObject *parent) : QObject(parent)
{
}

NotifyArea::~NotifyArea()
{
    if (m_tray)
        m_tray->hide();
}

bool NotifyArea::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void NotifyArea::ensureTray()
{
    if (m_tray || !available())
        return;
    m_tray = new QSystemTrayIcon(this);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            emit trayMessage(WM_LBUTTONUP);
            break;
        case QSystemTrayIcon::DoubleClick:
            emit trayMessage(WM_LBUTTONDBLCLK);
            break;
        case QSystemTrayIcon::Context:
            emit trayMessage(WM_RBUTTONUP);
            break;
        default:
            break;
        }
    });
}

bool NotifyArea::Shell_NotifyIcon(int message, const NOTIFYICONDATA &data)
{
    switch (message) {
    case NIM_ADD:
        if (m_exists)
            return false;
        m_exists = true;
        m_data = data;
        break;
    case NIM_MODIFY:
        if (!m_exists)
            return false;
        m_data = data;
        break;
    case NIM_DELETE:
        if (!m_exists)
            return false;
        m_exists = false;
        if (m_tray)
            m_tray->hide();
        return true;
    default:
        return false;
    }
    ensureTray();
    if (m_tray) {
        m_tray->setIcon(m_data.hIcon);
        m_tray->setToolTip(m_data.shownTip());
        m_tray->show();
    }
    return true;
}
