#include "CallExport.h"

#include "CallLogFile.h"
#include "Log.h"

#include <QFile>
#include <QSaveFile>
#include <QStringBuilder>
#include <algorithm>
#include <unistd.h>

namespace CallExport {

QByteArray csvField(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\r') && !utf8.contains('\n'))
        return utf8;
    return '"' + utf8.replace('"', "\"\"") + '"';
}

QByteArray csvRow(const QStringList &fields)
{
    QByteArray row;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            row += ',';
        row += csvField(fields.at(i));
    }
    return row + "\r\n";
}

QByteArray header()
{
    return csvRow({QStringLiteral("Call"), QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Name"),
                   QStringLiteral("Number"), QStringLiteral("Rings"), QStringLiteral("Refused")});
}

QString spreadsheetText(const QString &text)
{
    // A caller's name is the caller's to choose: one that a spreadsheet would run as a formula
    // goes out as text, with the apostrophe spreadsheets take for that.
    static const QString formulaStarts = QStringLiteral("=+-@");
    return !text.isEmpty() && formulaStarts.contains(text.front()) ? QLatin1Char('\'') + text : text;
}

QByteArray callRow(int place, const CallRecord::Fields &f, bool refused, const QString &reason)
{
    QString mark = refused ? QStringLiteral("yes") : QStringLiteral("no");
    if (refused && !reason.isEmpty())
        mark += QStringLiteral(" (") + reason + QLatin1Char(')');
    return csvRow({QString::number(place), f.date, f.time, spreadsheetText(f.name), f.number, f.rings, mark});
}

bool write(const QString &logPath, const QString &refusedPath, QIODevice &out, QString *error, Reasons reasons)
{
    RefusedCalls::Column refused(RefusedCalls::read(refusedPath), std::move(reasons));
    // Which call each mark is for is known once every call that could be it has been seen.
    int seen = 0;
    if (!CallLogFile::forEachCall(
            logPath, [&](const QString &record) { refused.see(CallRecord::fields(record), ++seen); }, error))
        return false;
    refused.settle();
    bool written = out.write(header()) >= 0;
    int place = 0;
    // Numbered by their place among the calls, as the next load of the log numbers them.
    const bool read = CallLogFile::forEachCall(
        logPath,
        [&](const QString &record) {
            const CallRecord::Fields f = CallRecord::fields(record);
            const std::optional<QString> why = refused.reasonOf(f, ++place);
            written = written && out.write(callRow(place, f, why.has_value(), why.value_or(QString()))) >= 0;
        },
        error);
    if (read && !written && error)
        *error = out.errorString();
    return read && written;
}

bool writeFile(const QString &logPath, const QString &refusedPath, const QString &target, QString *error,
               const Reasons &reasons)
{
    QSaveFile file(target);
    const bool ok =
        file.open(QIODevice::WriteOnly) && write(logPath, refusedPath, file, error, reasons) && file.commit();
    if (!ok && error && error->isEmpty())
        *error = file.errorString();
    return ok;
}

} // namespace CallExport

namespace RefusedCalls {

// Built in one piece: the Calls Log makes one for each of thousands of calls when it opens.
QString keyOf(const CallRecord::Fields &f)
{
    return QLatin1String("DT=") % f.date % QLatin1String("TM=") % f.time % QLatin1String("NB=") % f.number;
}

QString callKeyOf(const CallRecord::Fields &f)
{
    return QLatin1String("DT=") % f.date % QLatin1String("TM=") % f.time % QLatin1String("NB=") % f.number %
           QLatin1String("NM=") % f.name % QLatin1String("RG=") % f.rings;
}

namespace {

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// A line holds one call: a name may hold a line end, which would cut it in two.
QByteArray escaped(const QString &text)
{
    return text.toUtf8().toPercentEncoding(QByteArray(" !\"#$&'()*+,-./:;<=>?@[\\]^_`{|}~"));
}

} // namespace

QString lineOf(const CallRecord::Fields &call, int callNumber)
{
    return QStringLiteral("CL=%1DT=%2TM=%3NM=%4NB=%5RG=%6END")
        .arg(QString::number(callNumber), call.date, call.time, call.name, call.number, call.rings);
}

bool add(const QString &path, const CallRecord::Fields &call, int callNumber, QString *error)
{
    QFile f(path);
    // Unbuffered: a write that fails leaves nothing in a buffer, and the file can be cut back.
    if (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        ProgramLog::fileWritten(path, QStringLiteral("(refused call)"), false, f.errorString());
        return fail(error, f.errorString());
    }
    const qint64 before = f.size();
    QByteArray line = escaped(lineOf(call, callNumber)) + '\n';
    // A line that an earlier run left without its end is not joined to this one.
    if (before > 0 && f.seek(before - 1) && f.read(1) != "\n")
        line.prepend('\n');
    const bool ok = f.seek(before) && f.write(line) == line.size() && ::fdatasync(f.handle()) == 0;
    const QString reason = f.errorString();
    if (!ok && f.size() > before)
        f.resize(before); // a full disk took part of the line
    ProgramLog::fileWritten(path, QStringLiteral("(refused call)"), ok, reason);
    return ok || fail(error, reason);
}

void Marks::see(const CallRecord::Fields &call, int place)
{
    // Most logs have few refused calls or none: no key is made where no mark could match it.
    if (!m_calls.isEmpty()) {
        if (const auto it = m_calls.find(callKeyOf(call)); it != m_calls.end())
            it->places << place;
    }
    if (!m_older.isEmpty()) {
        if (const auto it = m_older.find(keyOf(call)); it != m_older.end())
            it->places << place;
    }
}

void Marks::settle()
{
    // A call is stored under the number of its place; deleting older calls only moves it down.
    // So a mark is for the call at its number when that is the same call, else for the nearest
    // same call below it.
    for (Group &g : m_calls) {
        QList<int> left;
        for (int n : std::as_const(g.numbers)) {
            if (g.places.contains(n) && !m_marked.contains(n))
                m_marked.insert(n);
            else
                left << n;
        }
        std::sort(left.begin(), left.end(), std::greater<int>());
        for (int n : std::as_const(left)) {
            for (qsizetype i = g.places.size() - 1; i >= 0; --i) {
                if (g.places[i] <= n && !m_marked.contains(g.places[i])) {
                    m_marked.insert(g.places[i]);
                    break;
                }
            }
        }
    }
    // A line of the earlier form names only the date, time and number: it marks one call that
    // has them, the first not marked yet.
    for (const Group &g : std::as_const(m_older)) {
        qsizetype lines = g.numbers.size();
        for (qsizetype i = 0; i < g.places.size() && lines > 0; ++i) {
            if (!m_marked.contains(g.places[i])) {
                m_marked.insert(g.places[i]);
                --lines;
            }
        }
    }
}

std::optional<QString> Column::reasonOf(const CallRecord::Fields &call, int place)
{
    if (!m_marks.marks(place))
        return std::nullopt;
    if (const auto it = m_reasons.find(callKeyOf(call)); it != m_reasons.end() && !it->isEmpty())
        return it->takeFirst();
    return QString();
}

Marks read(const QString &path)
{
    Marks marks;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return marks;
    while (!f.atEnd()) {
        const QByteArray raw = f.readLine().trimmed();
        if (raw.startsWith("CL=")) {
            const QString line = QString::fromUtf8(QByteArray::fromPercentEncoding(raw));
            const CallRecord::Fields call = CallRecord::fields(line);
            marks.m_calls[callKeyOf(call)].numbers << call.callNumber.toInt();
        } else if (!raw.isEmpty()) {
            marks.m_older[QString::fromUtf8(raw)].numbers << 0;
        }
    }
    return marks;
}

} // namespace RefusedCalls
