#include "CallTexts.h"

#include <QLocale>
#include <QRegularExpression>

namespace CallTexts {

bool isDigits(const QString &s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

namespace {

QString shortFormat()
{
    QString f = QLocale().dateFormat(QLocale::ShortFormat);
    // Call dates are kept for years: always four digits.
    if (!f.contains(QLatin1String("yyyy")))
        f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return f;
}

QString longFormat()
{
    // The weekday has its own setting ("Day with Long Date"); the long date itself goes without.
    static const QRegularExpression weekday(QStringLiteral("^\\s*dddd[,\\s]*|[,\\s]*dddd\\s*$"));
    QString f = QLocale().dateFormat(QLocale::LongFormat);
    f.remove(weekday);
    return f.trimmed();
}

} // namespace

QString displayPattern(const QString &number)
{
    if (!isDigits(number))
        return number;
    // Leading zeros dropped; then "(area)-ddd-dddd", shorter numbers filling from the right.
    // Put together by hand: every call's number passes here before its record is written.
    QStringView digits(number);
    while (digits.startsWith(QLatin1Char('0')))
        digits = digits.mid(1);
    const QStringView last4 = digits.right(4);
    digits.chop(last4.size());
    const QStringView middle3 = digits.right(3);
    digits.chop(middle3.size());
    QString shown;
    shown.reserve(digits.size() + 12);
    shown += QLatin1Char('(');
    shown += digits;
    shown += QLatin1String(")-");
    shown += middle3;
    shown += QLatin1Char('-');
    shown += last4;
    return shown;
}

QString shortDate(const QDate &d)
{
    return QLocale().toString(d, shortFormat());
}

QString longDate(const QDate &d)
{
    return QLocale().toString(d, longFormat());
}

QDate readShortDate(const QString &text)
{
    return QLocale().toDate(text.trimmed(), shortFormat());
}

QString displayDate(const QDate &d, const QString &dateFormat)
{
    QString text;
    if (dateFormat == QLatin1String("Day with Long Date"))
        text = QLocale().dayName(d.dayOfWeek(), QLocale::LongFormat) + QLatin1Char(' ') + longDate(d);
    else if (dateFormat == QLatin1String("Short Date"))
        text = shortDate(d);
    else
        text = longDate(d);
    text.replace(QLatin1String("/"), QLatin1String(" / "));
    text.replace(QLatin1String("-"), QLatin1String(" - "));
    return text;
}

QString amPm(const QTime &t)
{
    // The AM/PM markers are fixed words here, whatever the locale calls them.
    return QLocale::c().toString(t, QStringLiteral("hh:mm AP"));
}

QTime readTime(const QString &text)
{
    const QString t = text.trimmed();
    for (const char *f : {"hh:mm AP", "h:mm AP", "HH:mm", "H:mm", "HH:mm:ss", "hh:mm:ss AP"}) {
        const QTime time = QLocale::c().toTime(t, QLatin1String(f));
        if (time.isValid())
            return time;
    }
    return QTime();
}

} // namespace CallTexts
