#include "CallLogFile.h"

#include "CallRecord.h"
#include "FileReplace.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QByteArray join(const QStringList &records)
{
    QByteArray all;
    all.reserve(records.size() * CallRecord::Length);
    for (const QString &r : records)
        all += CallRecord::padded(r).toLatin1();
    return all;
}

// The reason alone: whoever reports it names the file.
bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

CallLogFile::CallLogFile(const QString &path, const QString &scratchPath) : m_path(path), m_scratch(scratchPath)
{
}

bool CallLogFile::readAll(QStringList *records, QString *error) const
{
    records->clear();
    QFile f(m_path);
    if (!f.exists()) {
        // Opening the log creates it; an empty log is a log all the same.
        QFile create(m_path);
        if (!create.open(QIODevice::WriteOnly))
            fail(error, create.errorString());
        return true;
    }
    if (!f.open(QIODevice::ReadOnly))
        return fail(error, f.errorString());
    const QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError || all.size() != f.size())
        return fail(error, f.errorString());
    records->reserve(all.size() / CallRecord::Length + 1);
    for (qsizetype at = 0; at < all.size(); at += CallRecord::Length) {
        QByteArray r = all.mid(at, CallRecord::Length);
        r.append(QByteArray(CallRecord::Length - r.size(), '\0'));
        *records << QString::fromLatin1(r);
    }
    return true;
}

bool CallLogFile::rewrite(const QStringList &records, QString *error)
{
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return fail(error, f.errorString());
    const QByteArray all = join(records);
    // QSaveFile buffers: a full disk shows only when the buffer goes out, and commit() would
    // then put the short file in place of the log. Flush first and give up on any error.
    if (f.write(all) != all.size() || !f.flush()) {
        const QString reason = f.errorString();
        f.cancelWriting();
        return fail(error, reason);
    }
    if (!f.commit())
        return fail(error, f.errorString());
    return true;
}

CallLogFile::Compaction CallLogFile::compact(QStringList *records, QString *error)
{
    // A save cut short by a kill leaves its temporary file; the log itself is whole.
    removeSaveLeftovers(m_path);
    QStringList stored;
    if (!readAll(&stored, error))
        return Compaction::NotReadable;
    QStringList live;
    live.reserve(stored.size());
    for (const QString &r : std::as_const(stored)) {
        if (CallRecord::isLive(r))
            live << CallRecord::renumbered(r, int(live.size()) + 1);
    }
    if (records)
        *records = live;
    const QByteArray compacted = join(live);
    if (compacted == join(stored)) {
        // Nothing to drop or renumber: the log stays as it is (no write at every start).
        QFile::remove(m_scratch);
        return Compaction::Done;
    }
    return replaceFileThrough(m_scratch, m_path, compacted, error) ? Compaction::Done : Compaction::NotWritten;
}

int CallLogFile::recordCount() const
{
    return int(QFileInfo(m_path).size() / CallRecord::Length);
}

bool CallLogFile::appendRecord(const QString &record, QString *error)
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadWrite))
        return fail(error, f.errorString());
    // After the last whole record: a torn tail is overwritten.
    const qint64 at = f.size() / CallRecord::Length * CallRecord::Length;
    const QByteArray bytes = CallRecord::padded(record).toLatin1();
    if (!f.seek(at) || f.write(bytes) != bytes.size() || !f.flush())
        return fail(error, f.errorString());
    return true;
}

int CallLogFile::findRecord(const QString &callNumber) const
{
    QStringList records;
    readAll(&records);
    // The number between "CL" and "DT"; a record without them (a deletion marker) has none.
    auto holds = [&callNumber](const QString &r) {
        const qsizetype cl = r.indexOf(QLatin1String("CL"));
        const qsizetype dt = r.indexOf(QLatin1String("DT"));
        return cl >= 0 && dt > cl && r.mid(cl + 3, dt - cl - 3) == callNumber;
    };
    // After a tidy-up a call's number is its place: that record first. A damaged record that
    // kept its old number may carry the same one, and must not be deleted in its stead.
    bool isNumber = false;
    const int place = callNumber.toInt(&isNumber);
    if (isNumber && place >= 1 && place <= records.size() && holds(records.at(place - 1)))
        return place;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (holds(records.at(i)))
            return int(i + 1);
    }
    return 0;
}

bool CallLogFile::writeDeletionMarker(int recordNumber, QString *error)
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadWrite))
        return fail(error, f.errorString());
    if (!f.seek(qint64(recordNumber - 1) * CallRecord::Length) ||
        f.write(CallRecord::deletionMarker(recordNumber).toLatin1()) != CallRecord::Length || !f.flush())
        return fail(error, f.errorString());
    return true;
}
