#include "TrayStatus.h"

#include <QByteArray>

QString TrayStatus::shownTip(const QString &text)
{
    QByteArray field = text.toLatin1().left(TipSize - 1);
    const int nul = field.indexOf('\0');
    if (nul >= 0)
        field.truncate(nul);
    return QString::fromLatin1(field);
}

void TrayStatus::show(const QString &iconFile, const QString &tip)
{
    m_exists = true;
    m_iconFile = iconFile;
    m_tip = shownTip(tip);
    emit changed();
}

void TrayStatus::setTip(const QString &tip)
{
    if (!m_exists)
        return;
    m_tip = shownTip(tip);
    emit changed();
}

void TrayStatus::remove()
{
    if (!m_exists)
        return;
    m_exists = false;
    emit changed();
}
