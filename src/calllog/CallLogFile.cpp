#include "CallLogFile.h"

#include "CallRecord.h"
#include "FileReplace.h"
#include "Log.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <string_view>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr qsizetype Length = CallRecord::Length;
// Read and written a piece at a time: a log of any length costs this much memory to go through.
constexpr qint64 Piece = 4096 * Length;

// The reason alone: whoever reports it names the file.
bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool isLive(std::string_view r)
{
    return r.find("DT=") != r.npos && r.find("RG=") != r.npos && r.find("END") != r.npos;
}

// What the Calls Log writes over a deleted call: its record number, "DELETE", blanks.
bool isDeletionMarker(std::string_view r)
{
    const size_t digits = r.find_first_not_of("0123456789");
    return digits > 0 && digits != r.npos && r.substr(digits, 6) == "DELETE" &&
           r.find_first_not_of(' ', digits + 6) == r.npos;
}

// "CL=" + the number + "DT=" at the start of a live record: renumbering leaves it as it is.
// Nearly every record of a tidy log is one, so it is told without building a text.
bool numberedAs(std::string_view r, int number)
{
    char digits[16];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    const std::string_view n(digits, size_t(end - digits));
    return r.substr(0, 3) == "CL=" && r.substr(3, n.size()) == n && r.substr(3 + n.size(), 3) == "DT=";
}

// The call number: the text between "CL" and "DT". A record without them (a deletion marker)
// holds none.
bool callNumberOf(const QString &r, QString *number)
{
    const qsizetype cl = r.indexOf(QLatin1String("CL"));
    const qsizetype dt = r.indexOf(QLatin1String("DT"));
    if (cl < 0 || dt <= cl)
        return false;
    *number = r.mid(cl + 3, dt - cl - 3);
    return true;
}

bool syncToDisk(QFile &f)
{
#ifdef Q_OS_UNIX
    return ::fdatasync(f.handle()) == 0;
#else
    Q_UNUSED(f);
    return true;
#endif
}

// Goes through a log a piece at a time, whole records only; a torn last record comes padded
// with NULs.
class RecordReader {
public:
    explicit RecordReader(QFile &f) : m_file(f) {}
    // The next records, or an empty view at the end; false at a read error.
    bool next(std::string_view *records, bool *torn)
    {
        m_buffer.remove(0, m_used);
        m_used = 0;
        *torn = false;
        while (m_buffer.size() < Length && !m_end) {
            // No more asked for than the file holds: a read reserves what it asks for, and the
            // log is read at the end of every call.
            const qint64 left = m_file.size() - m_file.pos();
            const QByteArray more = left > 0 ? m_file.read(std::min(Piece, left)) : QByteArray();
            if (m_file.error() != QFileDevice::NoError)
                return false;
            m_end = more.isEmpty();
            m_buffer += more;
        }
        m_used = m_buffer.size() / Length * Length;
        if (m_used == 0 && !m_buffer.isEmpty()) {
            *torn = true;
            m_buffer.append(QByteArray(Length - m_buffer.size(), '\0'));
            m_used = Length;
        }
        *records = std::string_view(m_buffer.constData(), size_t(m_used));
        return true;
    }

private:
    QFile &m_file;
    QByteArray m_buffer;
    qsizetype m_used = 0;
    bool m_end = false;
};

// The compacted log on its way to the scratch file. A failure stops the writing; the reason
// stays, and the scratch file goes.
class ScratchWriter {
public:
    explicit ScratchWriter(const QString &path) : m_file(path) {}
    ~ScratchWriter()
    {
        if (!m_done)
            m_file.remove();
    }
    bool writing() const { return m_file.isOpen(); }
    bool failed() const { return !m_reason.isEmpty(); }
    QString reason() const { return m_reason; }
    // Starts with the first `bytes` of `log`, which the compaction leaves as they are.
    void start(const QString &log, qint64 bytes)
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return stop(m_file.errorString());
        QFile from(log);
        if (!from.open(QIODevice::ReadOnly))
            return stop(from.errorString());
        while (bytes > 0) {
            const QByteArray piece = from.read(std::min(bytes, Piece));
            if (piece.isEmpty())
                return stop(from.errorString());
            if (!add(std::string_view(piece.constData(), size_t(piece.size()))))
                return;
            bytes -= piece.size();
        }
    }
    bool add(std::string_view bytes)
    {
        if (m_file.isOpen() && m_file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            stop(m_file.errorString());
        return m_file.isOpen();
    }
    bool finish()
    {
        if (!m_file.isOpen())
            return false;
        if (!m_file.flush() || !syncToDisk(m_file)) {
            stop(m_file.errorString());
            return false;
        }
        m_file.close();
        return true;
    }
    void done() { m_done = true; }

private:
    void stop(const QString &reason)
    {
        m_reason = QStringLiteral("%1: %2").arg(m_file.fileName(), reason);
        m_file.close();
        m_file.remove();
    }

    QFile m_file;
    QString m_reason;
    bool m_done = false;
};

} // namespace

CallLogFile::CallLogFile(const QString &path, const QString &scratchPath) : m_path(path), m_scratch(scratchPath) {}

CallLogFile::Compaction CallLogFile::compact(int keepNewest, Contents *contents, QString *error)
{
    // A save cut short by a kill leaves its temporary file; the log itself is whole. Only a run
    // that was killed leaves one, so the folder is looked through once per run, not per call.
    if (!m_leftoversRemoved) {
        removeSaveLeftovers(m_path);
        m_leftoversRemoved = true;
    }
    *contents = {};
    if (!QFileInfo::exists(m_path)) {
        // Opening the log creates it; an empty log is a log all the same.
        QFile create(m_path);
        if (!create.open(QIODevice::WriteOnly)) {
            fail(error, create.errorString());
            ProgramLog::fileWritten(m_path, QStringLiteral("(new, empty)"), false, create.errorString());
            return Compaction::NotWritten;
        }
        QFile::remove(m_scratch);
        return Compaction::Done;
    }
    QFile in(m_path);
    if (!in.open(QIODevice::ReadOnly)) {
        fail(error, in.errorString());
        return Compaction::NotReadable;
    }

    // The newest records kept in a ring, whatever the length of the log; no bigger than the log,
    // which is read at the end of every call.
    const qsizetype keep = std::min<qsizetype>(std::max(keepNewest, 0), (in.size() + Length - 1) / Length);
    QByteArray newest(keep * Length, '\0');
    ScratchWriter out(m_scratch);
    bool damaged = false;
    int live = 0;
    qint64 read = 0; // records gone through
    RecordReader reader(in);
    std::string_view records;
    bool torn = false;
    for (;;) {
        if (!reader.next(&records, &torn)) {
            fail(error, in.errorString());
            return Compaction::NotReadable;
        }
        if (records.empty())
            break;
        for (size_t at = 0; at < records.size(); at += Length, ++read) {
            const std::string_view r = records.substr(at, Length);
            const bool keepIt = isLive(r);
            std::string_view kept = r;
            QByteArray renumbered;
            if (keepIt && !numberedAs(r, ++live)) {
                renumbered = CallRecord::renumbered(QString::fromLatin1(r.data(), Length), live).toLatin1();
                kept = std::string_view(renumbered.constData(), size_t(renumbered.size()));
            }
            damaged = damaged || (!keepIt && !isDeletionMarker(r));
            // From the first change on, the compacted log goes to the scratch file.
            if ((!keepIt || torn || kept != r) && !out.writing() && !out.failed())
                out.start(m_path, read * Length);
            if (keepIt) {
                out.add(kept);
                if (keep > 0)
                    std::memcpy(newest.data() + (live - 1) % keep * Length, kept.data(), Length);
            }
        }
    }
    in.close();
    contents->count = live;
    for (qsizetype n = std::max<qsizetype>(live - keep, 0); n < live; ++n)
        contents->newest << QString::fromLatin1(newest.constData() + n % keep * Length, Length);

    if (!out.writing() && !out.failed()) {
        // Nothing to drop or renumber: the log stays as it is (no write at every start).
        QFile::remove(m_scratch);
        return Compaction::Done;
    }
    if (!out.finish()) {
        fail(error, out.reason());
        ProgramLog::fileWritten(m_path, QStringLiteral("tidied up"), false, out.reason());
        return Compaction::NotWritten;
    }
    QString copy;
    if (damaged) {
        // What could not be read as calls goes from the log, but not from the disk.
        copy = keepDamagedCopy(m_path, error);
        if (copy.isEmpty()) {
            ProgramLog::fileWritten(m_path, QStringLiteral("tidied up"), false, error ? *error : QString());
            return Compaction::NotWritten;
        }
    }
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(m_scratch).toStdString(), QFile::encodeName(m_path).toStdString(), ec);
    if (ec) {
        if (!copy.isEmpty())
            QFile::remove(copy);
        fail(error, QString::fromStdString(ec.message()));
        ProgramLog::fileWritten(m_path, QStringLiteral("tidied up"), false, QString::fromStdString(ec.message()));
        return Compaction::NotWritten;
    }
    out.done();
    ProgramLog::fileWritten(m_path, QStringLiteral("tidied up (%1 calls)").arg(live), true);
    contents->damagedCopy = copy;
    return Compaction::Done;
}

bool CallLogFile::forEachCall(const QString &path, const std::function<void(const QString &)> &each, QString *error)
{
    QFile in(path);
    if (!in.exists())
        return true;
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, in.errorString());
    RecordReader reader(in);
    std::string_view records;
    bool torn = false;
    for (;;) {
        if (!reader.next(&records, &torn))
            return fail(error, in.errorString());
        if (records.empty())
            return true;
        for (size_t at = 0; at < records.size(); at += Length) {
            const std::string_view r = records.substr(at, Length);
            if (isLive(r))
                each(QString::fromLatin1(r.data(), Length));
        }
    }
}

int CallLogFile::recordCount() const
{
    return int(QFileInfo(m_path).size() / Length);
}

QString CallLogFile::readRecord(const QString &path, int recordNumber)
{
    QFile f(path);
    if (recordNumber < 1 || !f.open(QIODevice::ReadOnly) || !f.seek(qint64(recordNumber - 1) * Length))
        return QString();
    return QString::fromLatin1(f.read(Length));
}

bool CallLogFile::writeRecord(int recordNumber, const QString &record, QString *error)
{
    QFile f(m_path);
    // Unbuffered: a write that fails leaves nothing behind in a buffer, and the file can be cut back.
    if (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fail(error, f.errorString());
    const QByteArray bytes = CallRecord::padded(record).toLatin1();
    const qint64 before = f.size();
    // On the disk, not only handed to the system: a call is stored once this returns.
    if (!f.seek(qint64(recordNumber - 1) * Length) || f.write(bytes) != bytes.size() || !f.flush() || !syncToDisk(f)) {
        const QString reason = f.errorString();
        // A full disk takes part of the record: the file keeps only whole records.
        if (f.size() > before)
            f.resize(before);
        ProgramLog::fileWritten(m_path, QStringLiteral("record %1").arg(recordNumber), false, reason);
        return fail(error, reason);
    }
    ProgramLog::fileWritten(m_path, QStringLiteral("record %1").arg(recordNumber), true);
    return true;
}

int CallLogFile::findRecord(const QString &callNumber) const
{
    QList<int> records;
    findRecords({callNumber}, &records);
    return records.value(0);
}

bool CallLogFile::findRecords(const QStringList &callNumbers, QList<int> *records, QString *error) const
{
    *records = QList<int>(callNumbers.size(), 0);
    QFile f(m_path);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly))
        return fail(error, f.errorString());
    // After a tidy-up a call's number is its place: that record first, one read. A damaged
    // record that kept its old number may carry the same one, and must not be deleted in its stead.
    QHash<QString, QList<int>> sought;
    for (qsizetype i = 0; i < callNumbers.size(); ++i) {
        bool isNumber = false;
        const int place = callNumbers[i].toInt(&isNumber);
        if (isNumber && place >= 1 && f.seek(qint64(place - 1) * Length)) {
            QByteArray r = f.read(Length);
            r.append(QByteArray(Length - r.size(), '\0'));
            QString number;
            if (callNumberOf(QString::fromLatin1(r), &number) && number == callNumbers[i]) {
                (*records)[i] = place;
                continue;
            }
        }
        sought[callNumbers[i]] << int(i);
    }
    if (sought.isEmpty())
        return true;
    // The others: the first record that holds each, in one pass.
    if (!f.seek(0))
        return fail(error, f.errorString());
    RecordReader reader(f);
    std::string_view piece;
    bool torn = false;
    for (int record = 1; !sought.isEmpty();) {
        if (!reader.next(&piece, &torn))
            return fail(error, f.errorString());
        if (piece.empty())
            break;
        for (size_t at = 0; at < piece.size() && !sought.isEmpty(); at += Length, ++record) {
            QString number;
            if (!callNumberOf(QString::fromLatin1(piece.data() + at, Length), &number))
                continue;
            if (const auto it = sought.constFind(number); it != sought.constEnd()) {
                for (int i : it.value())
                    (*records)[i] = record;
                sought.erase(it);
            }
        }
    }
    return true;
}

bool CallLogFile::writeDeletionMarker(int recordNumber, QString *error)
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadWrite))
        return fail(error, f.errorString());
    const bool ok = f.seek(qint64(recordNumber - 1) * Length) &&
                    f.write(CallRecord::deletionMarker(recordNumber).toLatin1()) == Length && f.flush();
    ProgramLog::fileWritten(m_path, QStringLiteral("deletion marker %1").arg(recordNumber), ok, f.errorString());
    return ok || fail(error, f.errorString());
}
