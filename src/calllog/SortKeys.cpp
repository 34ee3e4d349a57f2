#include "SortKeys.h"

#include "CallTexts.h"

#include <QDateTime>
#include <QLocale>

namespace SortKeys {

QString InvertDigits(const QString &text)
{
    QString t = text;
    for (QChar &c : t) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = QChar('9' - (c.unicode() - '0'));
        else if (c == QLatin1Char('-'))
            c = QLatin1Char(' ');
    }
    return t;
}

QString numericKey(const QString &text)
{
    // Call numbers and ring counts: plain digits, by far the most keys made. Same key as below.
    if (text.size() <= 20 && CallTexts::isDigits(text)) {
        QString key(20 - text.size(), QLatin1Char('0'));
        return key + text + QStringLiteral(".0000000000");
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        return text;
    const QString magnitude = QString::asprintf("%031.10f", v < 0 ? -v : v);
    return v < 0 ? QStringLiteral("&") + InvertDigits(magnitude) : magnitude;
}

QString dateKey(const QString &text)
{
    QDate d = CallTexts::readShortDate(text);
    if (!d.isValid())
        d = QLocale().toDate(text.trimmed(), QLocale::LongFormat);
    if (!d.isValid())
        return text;
    return d.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("000000");
}

QString timeKey(const QString &text)
{
    const QTime t = CallTexts::readTime(text);
    if (!t.isValid())
        return text;
    return QStringLiteral("18991230") + t.toString(QStringLiteral("HHmmss"));
}

QString forKind(const QString &text, int kind)
{
    switch (kind) {
    case 0:
    case 2:
    case 5:
        return numericKey(text);
    case 3:
        return dateKey(text);
    case 4:
        return timeKey(text);
    default:
        return text;
    }
}

} // namespace SortKeys
