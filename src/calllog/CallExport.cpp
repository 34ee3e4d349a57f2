#include "CallExport.h"

#include "CallLogFile.h"
#include "Log.h"

#include <QFile>
#include <QSaveFile>

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

QByteArray callRow(int place, const CallRecord::Fields &f, bool refused)
{
    return csvRow({QString::number(place), f.date, f.time, f.name, f.number, f.rings,
                   refused ? QStringLiteral("yes") : QStringLiteral("no")});
}

bool write(const QString &logPath, const QString &refusedPath, QIODevice &out, QString *error)
{
    const QSet<QString> refused = RefusedCalls::read(refusedPath);
    bool written = out.write(header()) >= 0;
    int place = 0;
    // Numbered by their place among the calls, as the next load of the log numbers them.
    const bool read = CallLogFile::forEachCall(
        logPath,
        [&](const QString &record) {
            const CallRecord::Fields f = CallRecord::fields(record);
            written = written && out.write(callRow(++place, f, refused.contains(RefusedCalls::keyOf(f)))) >= 0;
        },
        error);
    if (read && !written && error)
        *error = out.errorString();
    return read && written;
}

bool writeFile(const QString &logPath, const QString &refusedPath, const QString &target, QString *error)
{
    QSaveFile file(target);
    const bool ok = file.open(QIODevice::WriteOnly) && write(logPath, refusedPath, file, error) && file.commit();
    if (!ok && error && error->isEmpty())
        *error = file.errorString();
    return ok;
}

} // namespace CallExport

namespace RefusedCalls {

QString keyOf(const CallRecord::Fields &f)
{
    return QStringLiteral("DT=") + f.date + QStringLiteral("TM=") + f.time + QStringLiteral("NB=") + f.number;
}

bool add(const QString &path, const CallRecord::Fields &call, QString *error)
{
    QFile f(path);
    const QByteArray line = keyOf(call).toUtf8() + '\n';
    const bool ok = f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write(line) == line.size() && f.flush();
    ProgramLog::fileWritten(path, QStringLiteral("(refused call)"), ok, f.errorString());
    if (!ok && error)
        *error = f.errorString();
    return ok;
}

QSet<QString> read(const QString &path)
{
    QSet<QString> keys;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return keys;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (!line.isEmpty())
            keys.insert(line);
    }
    return keys;
}

} // namespace RefusedCalls
