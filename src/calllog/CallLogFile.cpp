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

// A call as the program writes it, whole: "CL=" number "DT=" ... "TM=" ... "NM=" ... "NB=" ...
// "RG=" rings "END", then nothing but the full stops or blanks that pad it. Only such a record is
// looked for where the log lost its step: the padding after END is what a name cannot fake
// while the next record follows it.
bool isIntactCall(std::string_view r)
{
    const auto digitsFrom = [&r](size_t at) {
        while (at < r.size() && r[at] >= '0' && r[at] <= '9')
            ++at;
        return at;
    };
    const size_t afterNumber = digitsFrom(3);
    if (r.size() != size_t(Length) || r.substr(0, 3) != "CL=" || afterNumber == 3 || r.substr(afterNumber, 3) != "DT=")
        return false;
    const size_t last = r.find_last_not_of(". ");
    if (last == r.npos || last < 2 || r.substr(last - 2, 3) != "END")
        return false;
    size_t rings = last - 2;
    while (rings > 0 && r[rings - 1] >= '0' && r[rings - 1] <= '9')
        --rings;
    if (rings == last - 2 || rings < 3 || r.substr(rings - 3, 3) != "RG=")
        return false;
    const size_t tm = r.find("TM=", afterNumber + 3);
    const size_t nm = tm == r.npos ? tm : r.find("NM=", tm + 3);
    const size_t nb = nm == r.npos ? nm : r.find("NB=", nm + 3);
    return nb != r.npos && nb + 3 <= rings - 3;
}

// A deletion marker or an intact call starts at `at`.
bool recordStartsAt(std::string_view rest, size_t at)
{
    if (at + Length > rest.size())
        return false;
    const std::string_view r = rest.substr(at, Length);
    return isIntactCall(r) || isDeletionMarker(r);
}

// The log goes on properly at `at`: its end, a deletion marker, or a live record that starts
// with its number and date keys, as every record the program writes or renumbers does.
bool goesOnAt(std::string_view rest, size_t at)
{
    if (at == rest.size())
        return true;
    if (at + Length > rest.size())
        return false;
    const std::string_view r = rest.substr(at, Length);
    const size_t digits = r.find_first_not_of("0123456789", 3);
    return isDeletionMarker(r) ||
           (r.substr(0, 3) == "CL=" && digits > 3 && digits != r.npos && r.substr(digits, 2) == "DT" && isLive(r));
}

// Where, after the first byte of `rest` and before a record's length, stray bytes end and the
// log goes on with a whole call or deletion marker; -1 to read the record at the start as it
// stands. `rest` holds what follows up to three records' length, or all that the file has left.
// The record at the start gives way only when it is no call (dead), or when the log does not go
// on after it while it does after the other; of several places the first after which the log
// goes on. So a name that holds "CL=" and the keys never makes a call give way that the next
// call follows, nor hides a whole call behind it.
// `startLive`: the record at the start was seen to be live already (the log went on at it).
// `*nextLive` (when given) says whether the record after it was found live in the same look.
qsizetype resyncPoint(std::string_view rest, bool startLive = false, bool *nextLive = nullptr)
{
    if (nextLive)
        *nextLive = false;
    const std::string_view window = rest.substr(0, Length);
    const bool dead = !startLive && !isLive(window) && !isDeletionMarker(window);
    if (!dead && goesOnAt(rest, Length)) {
        // Most of a log is calls in step: each is looked at once, as the record the last went on at.
        if (nextLive && Length < qsizetype(rest.size()))
            *nextLive = !isDeletionMarker(rest.substr(Length, Length));
        return -1;
    }
    qsizetype fallback = -1;
    for (size_t k = 1; k < size_t(Length) && k + Length <= rest.size(); ++k) {
        // A call starts with its key; a marker with the digits of its record number.
        const char c = rest[k];
        if (c != 'C' && (c < '0' || c > '9' || (rest[k - 1] >= '0' && rest[k - 1] <= '9')))
            continue;
        if (!recordStartsAt(rest, k))
            continue;
        if (goesOnAt(rest, k + Length))
            return qsizetype(k);
        if (fallback < 0)
            fallback = qsizetype(k);
    }
    return dead ? fallback : -1;
}

// What a log is made of, in file order: calls, deletion markers, and what is neither.
enum class Kind { Call, Marker, Damaged };
struct Unit {
    qint64 offset = 0;
    qsizetype length = 0;   // bytes of the file it takes; 0 at the end of the file
    std::string_view bytes; // a record's 80 bytes (a torn last record padded with NULs)
    Kind kind = Kind::Damaged;
    bool torn = false;
};

// Goes through a log a piece at a time. A record normally follows the last one, 80 bytes on;
// where stray bytes (a write that went astray, zeros from a crash) put the records out of step,
// the next whole call or marker is found wherever it starts, and only the bytes before it count
// as damaged. Every reader of the log goes through this, so that they all see the same calls.
class RecordScanner {
public:
    explicit RecordScanner(QFile &f) : m_file(f) {}
    // The next part of the log, or one of length 0 at the end; false at a read error.
    bool next(Unit *unit)
    {
        if (!fill(3 * Length + 16))
            return false;
        const std::string_view rest(m_buffer.constData() + m_at, size_t(m_buffer.size() - m_at));
        *unit = Unit();
        unit->offset = m_offset;
        if (rest.empty())
            return true;
        const bool startLive = m_nextLive;
        if (const qsizetype inner = resyncPoint(rest, startLive, &m_nextLive); inner > 0) {
            unit->length = inner;
            unit->bytes = rest.substr(0, size_t(inner));
        } else {
            unit->length = std::min<qsizetype>(qsizetype(rest.size()), Length);
            unit->bytes = rest.substr(0, size_t(unit->length));
            if (unit->length < Length) {
                unit->torn = true;
                m_torn = QByteArray(unit->bytes.data(), unit->length) + QByteArray(Length - unit->length, '\0');
                unit->bytes = std::string_view(m_torn.constData(), size_t(Length));
            }
            unit->kind = (startLive && !unit->torn) || isLive(unit->bytes) ? Kind::Call
                         : isDeletionMarker(unit->bytes)                   ? Kind::Marker
                                                                           : Kind::Damaged;
        }
        m_at += unit->length;
        m_offset += unit->length;
        return true;
    }

private:
    // At least `wanted` bytes after the position, or all that the file has left.
    bool fill(qsizetype wanted)
    {
        if (m_buffer.size() - m_at >= wanted || m_end)
            return true;
        m_buffer.remove(0, m_at);
        m_at = 0;
        while (m_buffer.size() < wanted && !m_end) {
            // No more asked for than the file holds: a read reserves what it asks for, and the
            // log is read at the end of every call.
            const qint64 left = m_file.size() - m_file.pos();
            const QByteArray more = left > 0 ? m_file.read(std::min(Piece, left)) : QByteArray();
            if (m_file.error() != QFileDevice::NoError)
                return false;
            m_end = more.isEmpty();
            m_buffer += more;
        }
        return true;
    }

    QFile &m_file;
    QByteArray m_buffer;
    QByteArray m_torn;
    qsizetype m_at = 0;
    qint64 m_offset = 0;
    bool m_end = false;
    bool m_nextLive = false; // the record at the position was seen live by the last look
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
    RecordScanner scanner(in);
    Unit unit;
    for (;;) {
        if (!scanner.next(&unit)) {
            fail(error, in.errorString());
            return Compaction::NotReadable;
        }
        if (unit.length == 0)
            break;
        const bool keepIt = unit.kind == Kind::Call;
        const std::string_view r = unit.bytes;
        std::string_view kept = r;
        QByteArray renumbered;
        if (keepIt && !numberedAs(r, ++live)) {
            renumbered = CallRecord::renumbered(QString::fromLatin1(r.data(), Length), live).toLatin1();
            kept = std::string_view(renumbered.constData(), size_t(renumbered.size()));
        }
        damaged = damaged || unit.kind == Kind::Damaged;
        // From the first change on, the compacted log goes to the scratch file; every part
        // before it was a call kept as it stood.
        if ((!keepIt || unit.torn || kept != r) && !out.writing() && !out.failed())
            out.start(m_path, unit.offset);
        if (keepIt) {
            out.add(kept);
            if (keep > 0)
                std::memcpy(newest.data() + (live - 1) % keep * Length, kept.data(), Length);
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
    RecordScanner scanner(in);
    Unit unit;
    for (;;) {
        if (!scanner.next(&unit))
            return fail(error, in.errorString());
        if (unit.length == 0)
            return true;
        if (unit.kind == Kind::Call)
            each(QString::fromLatin1(unit.bytes.data(), Length));
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

bool CallLogFile::findRecords(const QStringList &callNumbers, QList<int> *records, QString *error,
                              QList<qint64> *offsets) const
{
    *records = QList<int>(callNumbers.size(), 0);
    QList<qint64> at(callNumbers.size(), -1);
    const auto done = [&] {
        if (offsets)
            *offsets = at;
        return true;
    };
    QFile f(m_path);
    if (!f.exists())
        return done();
    if (!f.open(QIODevice::ReadOnly))
        return fail(error, f.errorString());
    // After a tidy-up a call's number is its place: that record first, one read. A damaged
    // record that kept its old number may carry the same one, and must not be deleted in its
    // stead; nor is a place taken whose record is not whole or that stray bytes put out of step.
    QHash<QString, QList<int>> sought;
    for (qsizetype i = 0; i < callNumbers.size(); ++i) {
        bool isNumber = false;
        const int place = callNumbers[i].toInt(&isNumber);
        if (isNumber && place >= 1 && f.seek(qint64(place - 1) * Length)) {
            const QByteArray r = f.read(3 * Length + 16);
            const std::string_view view(r.constData(), size_t(r.size()));
            QString number;
            if (r.size() >= Length && isIntactCall(view.substr(0, Length)) && resyncPoint(view) < 0 &&
                callNumberOf(QString::fromLatin1(r.left(Length)), &number) && number == callNumbers[i]) {
                (*records)[i] = place;
                at[i] = qint64(place - 1) * Length;
                continue;
            }
        }
        sought[callNumbers[i]] << int(i);
    }
    if (sought.isEmpty())
        return done();
    // The others: the first call that holds each, in one pass, as the tidy-up finds the calls.
    if (!f.seek(0))
        return fail(error, f.errorString());
    RecordScanner scanner(f);
    Unit unit;
    for (int record = 1; !sought.isEmpty(); ++record) {
        if (!scanner.next(&unit))
            return fail(error, f.errorString());
        if (unit.length == 0)
            break;
        QString number;
        if (unit.kind != Kind::Call || !callNumberOf(QString::fromLatin1(unit.bytes.data(), Length), &number))
            continue;
        if (const auto it = sought.constFind(number); it != sought.constEnd()) {
            for (int i : it.value()) {
                (*records)[i] = record;
                at[i] = unit.offset;
            }
            sought.erase(it);
        }
    }
    return done();
}

bool CallLogFile::writeDeletionMarker(int recordNumber, QString *error)
{
    return writeDeletionMarkerAt(qint64(recordNumber - 1) * Length, recordNumber, error);
}

bool CallLogFile::writeDeletionMarkerAt(qint64 offset, int recordNumber, QString *error)
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadWrite))
        return fail(error, f.errorString());
    const bool ok =
        f.seek(offset) && f.write(CallRecord::deletionMarker(recordNumber).toLatin1()) == Length && f.flush();
    ProgramLog::fileWritten(m_path, QStringLiteral("deletion marker %1").arg(recordNumber), ok, f.errorString());
    return ok || fail(error, f.errorString());
}
