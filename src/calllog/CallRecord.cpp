#include "CallRecord.h"

namespace CallRecord {

namespace {

// The text between `from` and the first `to` after it, without the key; empty when either is missing.
QString between(const QString &record, const QString &from, const QString &to)
{
    const qsizetype a = record.indexOf(from);
    if (a < 0)
        return QString();
    const qsizetype b = record.indexOf(to, a + from.size());
    if (b < 0)
        return QString();
    return record.mid(a + from.size(), b - a - from.size());
}

// The record without the full stops and blanks that pad it to 80 characters, and the NULs that
// stand for the missing end of a torn last record.
QString trimmedPadding(QString text)
{
    while (!text.isEmpty() &&
           (text.endsWith(QLatin1Char('.')) || text.endsWith(QLatin1Char(' ')) || text.endsWith(QChar(0))))
        text.chop(1);
    return text;
}

// Takes up to `excess` characters off the end of the name ("NM=" up to "NB="); returns how many
// are still to go.
qsizetype shortenName(QString &text, qsizetype excess)
{
    const qsizetype nm = text.indexOf(QLatin1String("NM="));
    const qsizetype nb = nm >= 0 ? text.indexOf(QLatin1String("NB="), nm) : -1;
    if (nm < 0 || nb <= nm)
        return excess;
    const qsizetype cut = std::min(excess, nb - nm - 3);
    text.remove(nb - cut, cut);
    return excess - cut;
}

} // namespace

QString padded(const QString &text)
{
    QString t = text.left(Length);
    t.append(QString(Length - t.size(), QLatin1Char(' ')));
    return t;
}

QString build(int callNumber, const QString &recordLine, int rings)
{
    const QString head = QStringLiteral("CL=") + QString::number(callNumber);
    const QString tail = QStringLiteral("RG=") + QString::number(rings) + QStringLiteral("END");
    QString line = recordLine;
    const qsizetype excess = head.size() + line.size() + tail.size() - Length;
    if (excess > 0)
        line.chop(shortenName(line, excess)); // nothing left to take from the name: the number gives way
    QString text = head + line + tail;
    text.append(QString(Length - text.size(), QLatin1Char('.')));
    return text;
}

bool isLive(const QString &record)
{
    return record.contains(QLatin1String("DT=")) && record.contains(QLatin1String("RG=")) &&
           record.contains(QLatin1String("END"));
}

QString deletionMarker(int recordNumber)
{
    return padded(QString::number(recordNumber) + QStringLiteral("DELETE"));
}

namespace {

// "RG=" and the digits after its first occurrence in `text`, or nothing.
QString ringsKey(const QString &text)
{
    const qsizetype rg = text.indexOf(QLatin1String("RG="));
    if (rg < 0)
        return QString();
    qsizetype end = rg + 3;
    while (end < text.size() && text.at(end).isDigit())
        ++end;
    return text.mid(rg, end - rg);
}

} // namespace

QString renumbered(const QString &record, int callNumber)
{
    // A damaged record whose rings and END stand before its date, or whose first "DT" is no
    // date key, would lose fields or carry two numbers: what stood before the date key goes
    // behind the rest instead (its keys for the call number taken out), so that no field is
    // dropped; where even that cannot fit, the end of the record gives way to its keys.
    const qsizetype dt = record.indexOf(QLatin1String("DT"));
    const qsizetype dateKey = record.indexOf(QLatin1String("DT="));
    if (dt != dateKey || !isLive(record.mid(dt))) {
        QString lead = record.left(dateKey);
        lead.remove(QLatin1String("CL="));
        const QString head = QStringLiteral("CL=") + QString::number(callNumber) + trimmedPadding(record.mid(dateKey));
        // Too long: of the moved part only its keys are kept, from its first "RG=" or "END" to
        // its last "END" (NULs and full stops around them give way).
        const QString whole = lead;
        if (head.size() + lead.size() > Length) {
            const qsizetype rings = lead.indexOf(QLatin1String("RG="));
            const qsizetype end = lead.indexOf(QLatin1String("END"));
            const qsizetype from = rings < 0 ? std::max<qsizetype>(end, 0) : end < 0 ? rings : std::min(rings, end);
            const qsizetype last = lead.lastIndexOf(QLatin1String("END"));
            lead = lead.mid(from, last >= from ? last + 3 - from : -1);
        }
        QString moved = head + lead;
        if (moved.size() > Length || !isLive(moved)) {
            // Still too long, or its rings stood after its last END: the rings and END alone.
            QString keys = ringsKey(whole) + QStringLiteral("END");
            moved = head + keys;
            // Even that too long: what stands after the date key is no field the record can
            // keep whole, and it gives way at its end, so the record still carries its number
            // (and its rings, taken from there when they stood after the date).
            if (moved.size() > Length) {
                if (!whole.contains(QLatin1String("RG=")))
                    keys = ringsKey(head) + QStringLiteral("END");
                moved = head.left(Length - keys.size()) + keys;
            }
        }
        return isLive(moved) ? padded(moved) : padded(record);
    }
    const QString whole =
        QStringLiteral("CL=") + QString::number(callNumber) + record.mid(record.indexOf(QLatin1String("DT")));
    QString text = whole;
    // A longer number than before (a call numbered while the log could not be read) pushes the
    // full stops out first; when "END" or "RG=" (a damaged record may hold it last) would fall
    // off, the name gives way, as when a call is stored, then what stands before "RG=". A record
    // cut without its keys would be dropped as dead at the next load.
    const qsizetype excess =
        std::max(text.indexOf(QLatin1String("END")), text.indexOf(QLatin1String("RG="))) + 3 - Length;
    if (excess > 0) {
        const qsizetype left = shortenName(text, excess);
        const qsizetype rg = text.indexOf(QLatin1String("RG="));
        const qsizetype end = text.indexOf(QLatin1String("END"));
        // Never into the number and the date key, nor an END before the rings.
        const qsizetype floor = std::max(end >= 0 && end < rg ? end + 3 : 0, text.indexOf(QLatin1String("DT=")) + 3);
        if (left > 0 && rg - left >= floor)
            text.remove(rg - left, left);
    }
    if (!isLive(padded(text))) {
        // A damaged record that still lost a key: too little stood between its END and its rings,
        // or its "name" held them. What stands before its first key gives way to the rings and
        // END, as many ring digits as fit after the number and the date key.
        const qsizetype rg = whole.indexOf(QLatin1String("RG=")), end = whole.indexOf(QLatin1String("END"));
        QString rings = ringsKey(whole);
        rings.truncate(Length - 3 - (whole.indexOf(QLatin1String("DT=")) + 3));
        text = whole.left(std::min({rg, end, Length - rings.size() - 3})) + rings + QStringLiteral("END");
    }
    return padded(text);
}

Fields fields(const QString &record)
{
    return {between(record, QStringLiteral("CL="), QStringLiteral("DT=")),
            between(record, QStringLiteral("NM="), QStringLiteral("NB=")),
            between(record, QStringLiteral("NB="), QStringLiteral("RG=")),
            between(record, QStringLiteral("DT="), QStringLiteral("TM=")),
            between(record, QStringLiteral("TM="), QStringLiteral("NM=")),
            between(record, QStringLiteral("RG="), QStringLiteral("END"))};
}

} // namespace CallRecord
