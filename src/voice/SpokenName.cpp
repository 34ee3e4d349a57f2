#include "SpokenName.h"

#include <QStringList>

QString nameAnnouncement(const QString &callerName)
{
    static const QStringList markers = {QStringLiteral("PRIVATE NAME"), QStringLiteral("UNKNOWN NAME"),
                                        QStringLiteral("BARRED NAME"), QStringLiteral("NO CALLER ID")};
    const QString name = callerName.simplified();
    if (name.size() < 2 || markers.contains(name, Qt::CaseInsensitive))
        return QString();
    // Caller-ID names come in capitals, which a voice may spell out letter by letter: each word
    // is said as a name ("JOHN DOE" as "John Doe"). A name in mixed case is the caller's own.
    QString said = name;
    if (name == name.toUpper()) {
        bool wordStart = true;
        for (QChar &c : said) {
            c = wordStart ? c.toUpper() : c.toLower();
            wordStart = !c.isLetter() && c != QLatin1Char('\'');
        }
    }
    return QStringLiteral("Call from ") + said;
}
