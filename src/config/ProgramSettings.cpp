#include "ProgramSettings.h"

#include "Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

quint16 portValue(const QSettings &s, const QString &key, quint16 fallback)
{
    bool ok = false;
    const uint v = s.value(key).toUInt(&ok);
    return ok && v > 0 && v <= 65535 ? quint16(v) : fallback;
}

bool boolValue(const QSettings &s, const QString &key, bool fallback)
{
    const QVariant v = s.value(key);
    if (!v.isValid())
        return fallback;
    const QString t = v.toString().trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0"))
        return false;
    return fallback;
}

} // namespace

ProgramSettings ProgramSettings::load(const QString &folder)
{
    ProgramSettings p;
    const QString path = QDir(folder).filePath(fileName());
    if (!QFileInfo(path).isFile())
        return p;
    const QSettings s(path, QSettings::IniFormat);
    p.ncidServerEnabled = boolValue(s, QStringLiteral("ncid/publish"), p.ncidServerEnabled);
    p.ncidServerAddress = s.value(QStringLiteral("ncid/listenAddress"), p.ncidServerAddress).toString().trimmed();
    p.ncidServerPort = portValue(s, QStringLiteral("ncid/listenPort"), p.ncidServerPort);
    p.ncidClientEnabled = boolValue(s, QStringLiteral("ncid/takeCalls"), p.ncidClientEnabled);
    p.ncidClientHost = s.value(QStringLiteral("ncid/serverHost"), p.ncidClientHost).toString().trimmed();
    p.ncidClientPort = portValue(s, QStringLiteral("ncid/serverPort"), p.ncidClientPort);
    p.speakNames = boolValue(s, QStringLiteral("desktop/speakNames"), p.speakNames);
    p.notifications = boolValue(s, QStringLiteral("desktop/notifications"), p.notifications);
    return p;
}

bool ProgramSettings::save(const QString &folder, QString *error) const
{
    const QString path = QDir(folder).filePath(fileName());
    {
        // A damaged file was read as defaults; it is written anew rather than left in the way.
        const QSettings old(path, QSettings::IniFormat);
        old.allKeys(); // the file is parsed on first use; its status is known only then
        if (old.status() == QSettings::FormatError)
            QFile::remove(path);
    }
    QSettings s(path, QSettings::IniFormat);
    s.setValue(QStringLiteral("ncid/publish"), ncidServerEnabled);
    s.setValue(QStringLiteral("ncid/listenAddress"), ncidServerAddress);
    s.setValue(QStringLiteral("ncid/listenPort"), ncidServerPort);
    s.setValue(QStringLiteral("ncid/takeCalls"), ncidClientEnabled);
    s.setValue(QStringLiteral("ncid/serverHost"), ncidClientHost);
    s.setValue(QStringLiteral("ncid/serverPort"), ncidClientPort);
    s.setValue(QStringLiteral("desktop/speakNames"), speakNames);
    s.setValue(QStringLiteral("desktop/notifications"), notifications);
    s.sync();
    const QString reason = s.status() == QSettings::NoError       ? QString()
                           : s.status() == QSettings::AccessError ? QStringLiteral("the file could not be written")
                                                                  : QStringLiteral("the file is damaged");
    ProgramLog::fileWritten(path, QString(), reason.isEmpty(), reason);
    if (error)
        *error = reason;
    return reason.isEmpty();
}

bool parseHostPort(const QString &text, QString *host, quint16 *port, quint16 defaultPort, bool hostRequired)
{
    const QString t = text.trimmed();
    QString h;
    QString p;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        h = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return false;
        p = rest.mid(1);
        if (rest.isEmpty())
            p.clear();
    } else if (t.count(QLatin1Char(':')) > 1) {
        h = t; // a bare IPv6 address, no port
    } else {
        const qsizetype colon = t.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            h = t.left(colon);
            p = t.mid(colon + 1);
        } else if (hostRequired) {
            h = t;
        } else {
            p = t; // "PORT" alone
        }
    }
    quint16 number = defaultPort;
    if (!p.isEmpty() || (!hostRequired && h.isEmpty())) {
        bool ok = false;
        const uint v = p.toUInt(&ok);
        if (!ok || v == 0 || v > 65535)
            return false;
        number = quint16(v);
    }
    if (hostRequired && h.isEmpty())
        return false;
    if (h.contains(QLatin1Char(' ')))
        return false;
    *host = h;
    *port = number;
    return true;
}
