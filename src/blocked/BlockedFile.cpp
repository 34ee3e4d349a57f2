#include "BlockedFile.h"

#include "Clock.h"
#include "FileChanges.h"
#include "FileReplace.h"
#include "Log.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::array<qint64, 5> stampOf(const struct stat &st)
{
    const auto ns = [](const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

// Changed long enough ago that a change made now would show in its times.
bool settled(const struct stat &st)
{
    return Clock::current().now().toSecsSinceEpoch() - std::max(st.st_mtim.tv_sec, st.st_ctim.tv_sec) >= 2;
}

// The reason alone: whoever reports it names the file.
bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// Views, not copies: every caller is looked up in the whole list before record 5 is written.
constexpr QByteArrayView EntryStart("\x30\x00NB=", 5); // an entry's length and its first key

// As QByteArray::mid, without the copy: from `pos`, at most `n` bytes.
QByteArrayView part(QByteArrayView v, qsizetype pos, qsizetype n)
{
    if (pos >= v.size())
        return {};
    return v.sliced(pos, std::min(n, v.size() - pos));
}

bool isEntry(QByteArrayView record)
{
    return record.contains("END");
}

// What unblocking writes over an entry: its record number, "DELETE", blanks, 50 bytes.
bool isDeletionMarker(QByteArrayView record)
{
    qsizetype digits = 0;
    while (digits < record.size() && record.at(digits) >= '0' && record.at(digits) <= '9')
        ++digits;
    if (digits == 0 || record.size() != BlockedFile::RecordLength || part(record, digits, 6) != "DELETE")
        return false;
    for (qsizetype i = digits + 6; i < record.size(); ++i) {
        if (record.at(i) != ' ')
            return false;
    }
    return true;
}

// An entry as the program writes it, whole: the length, "NB=", the number, "NM=", the name, "END"
// and nothing after it but full stops.
bool isIntactEntry(QByteArrayView r)
{
    if (r.size() != BlockedFile::RecordLength || !r.startsWith(EntryStart))
        return false;
    qsizetype last = r.size();
    while (last > 0 && r.at(last - 1) == '.')
        --last;
    return last >= 8 && part(r, last - 3, 3) == "END" && r.indexOf("NM=", 5) >= 0 &&
           r.indexOf("NM=", 5) + 3 <= last - 3;
}

// The list goes on properly at `at`: its end, a deletion marker or an entry with its length and key.
bool goesOnAt(QByteArrayView all, qsizetype at)
{
    if (at == all.size())
        return true;
    const QByteArrayView r = part(all, at, BlockedFile::RecordLength);
    return r.size() == BlockedFile::RecordLength && (isDeletionMarker(r) || (r.startsWith(EntryStart) && isEntry(r)));
}

// Where, after `at` and before a record's length, stray bytes end and the list goes on with a
// whole entry or deletion marker; -1 to read the record at `at` as it stands. It gives way only
// when it is no entry, or when the list does not go on after it while it does after the other:
// a name that holds an entry's keys never makes an entry give way that the next one follows.
qsizetype resyncPoint(QByteArrayView all, qsizetype at)
{
    constexpr qsizetype Length = BlockedFile::RecordLength;
    const QByteArrayView window = part(all, at, Length);
    const bool dead = !isEntry(window) && !isDeletionMarker(window);
    if (!dead && goesOnAt(all, at + Length))
        return -1;
    qsizetype fallback = -1;
    for (qsizetype k = at + 1; k < at + Length && k + Length <= all.size(); ++k) {
        const char c = all.at(k);
        if (c != '\x30' && (c < '0' || c > '9' || (all.at(k - 1) >= '0' && all.at(k - 1) <= '9')))
            continue;
        const QByteArrayView r = part(all, k, Length);
        if (!isIntactEntry(r) && !isDeletionMarker(r))
            continue;
        if (goesOnAt(all, k + Length))
            return k;
        if (fallback < 0)
            fallback = k;
    }
    return dead ? fallback : -1;
}

// The text from `from` to just before `to`, key removed, when both are there in that order.
QString field(const QString &text, const QString &from, const QString &to)
{
    const qsizetype a = text.indexOf(from);
    const qsizetype b = text.indexOf(to);
    if (a < 0 || b < a + from.size())
        return QString();
    // Exactly the text between the keys: a damaged entry with its key twice still shows a
    // number that is in the file, so that it can be found and unblocked.
    return text.mid(a + from.size(), b - a - from.size());
}

} // namespace

BlockedFile::BlockedFile(const QString &path, const QString &scratchPath)
    : m_path(path), m_encodedPath(QFile::encodeName(path)), m_scratch(scratchPath)
{
}

BlockedFile::~BlockedFile() = default;

QByteArray BlockedFile::entryRecord(const QString &number, const QString &name)
{
    const QString n = number.left(Capacity);
    const QString shortenedName = name.left(Capacity - n.size());
    QByteArray text = ("NB=" + n + "NM=" + shortenedName + "END").toLatin1();
    text.append(QByteArray(TextLength - text.size(), '.'));
    return QByteArray("\x30\x00", 2) + text;
}

QByteArray BlockedFile::deletionMarker(int recordNumber)
{
    QByteArray m = QByteArray::number(recordNumber) + "DELETE";
    return m + QByteArray(RecordLength - m.size(), ' ');
}

bool BlockedFile::createIfMissing(QString *error) const
{
    if (QFile::exists(m_path))
        return true;
    QFile create(m_path);
    if (!create.open(QIODevice::WriteOnly))
        return fail(error, create.errorString());
    return true;
}

QByteArray BlockedFile::bytes() const
{
    // Read with the system's calls: every caller is looked up here before record 5 is written.
    // The list is there, empty, from the first time it is looked at: the user finds the file
    // where the program keeps its data, before any number was blocked.
    const char *path = m_encodedPath.constData();
    if (!m_changes)
        m_changes = std::make_unique<FileChanges>(m_path, FileChanges::Notices::AllChanges);
    const quint64 mark = m_changes->changeMark();
    struct stat st {};
    if (m_haveKept && (mark != 0 ? mark == m_keptMark : ::stat(path, &st) == 0 && stampOf(st) == m_keptStamp))
        return m_kept;
    m_haveKept = false;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            createIfMissing();
        return {};
    }
    QByteArray all;
    const bool statted = ::fstat(fd, &st) == 0;
    if (statted && st.st_size > 0) {
        all.resize(qsizetype(st.st_size));
        qsizetype got = 0;
        while (got < all.size()) {
            const ssize_t n = ::read(fd, all.data() + got, size_t(all.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        all.truncate(got);
    }
    ::close(fd);
    // With the kernel's notices a change after the mark moves it, however soon it comes.
    if (statted && all.size() == st.st_size && (mark != 0 || settled(st))) {
        m_kept = all;
        m_keptMark = mark;
        m_keptStamp = stampOf(st);
        m_haveKept = true;
    }
    return all;
}

template <typename Visit> void BlockedFile::eachRecord(QByteArrayView all, Visit visit)
{
    // A record normally follows the last one, 50 bytes on; where stray bytes put the list out of
    // step, the next whole entry or marker is found wherever it starts, and the bytes before it
    // are a record of their own (damaged). Every look-up reads the list so, as the tidy-up does.
    for (qsizetype at = 0; at < all.size();) {
        const qsizetype inner = resyncPoint(all, at);
        const qsizetype length = inner > 0 ? inner - at : std::min<qsizetype>(RecordLength, all.size() - at);
        if (visit(at, part(all, at, length), inner > 0))
            return;
        at += length;
    }
}

QList<BlockedFile::Record> BlockedFile::records() const
{
    QList<Record> list;
    eachRecord(bytes(), [&](qsizetype at, QByteArrayView record, bool stray) {
        list.append({at, record.toByteArray(), stray});
        return false;
    });
    return list;
}

bool BlockedFile::append(const QString &number, const QString &name, QString *error)
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadWrite))
        return fail(error, f.errorString());
    // After the last record, a part record included: it is a record as far as the readers go.
    const qint64 records = (f.size() + RecordLength - 1) / RecordLength;
    const QByteArray bytes = entryRecord(number, name);
    const bool ok = f.seek(records * RecordLength) && f.write(bytes) == bytes.size() && f.flush();
    ProgramLog::fileWritten(m_path, QStringLiteral("record %1").arg(records + 1), ok, f.errorString());
    return ok || fail(error, f.errorString());
}

bool BlockedFile::contains(const QString &text) const
{
    const QByteArray sought = text.toLatin1();
    bool found = false;
    eachRecord(bytes(), [&](qsizetype, QByteArrayView record, bool stray) {
        return found = !stray && isEntry(record) && record.contains(sought);
    });
    return found;
}

int BlockedFile::findRecord(const QString &number) const
{
    // The number as the list shows it: an entry the list shows can always be found, also a
    // damaged one whose number the list shows empty (it can still be unblocked).
    const QList<Record> all = records();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (!all.at(i).stray && isEntry(all.at(i).bytes) &&
            field(QString::fromLatin1(all.at(i).bytes), QStringLiteral("NB="), QStringLiteral("NM=")) == number)
            return int(i + 1);
    }
    return 0; // not in the file: the search ends at its end
}

bool BlockedFile::writeDeletionMarker(int recordNumber, QString *error)
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadWrite))
        return fail(error, f.errorString());
    // Where record n starts: stray bytes before it move it from its place.
    const QList<Record> all = records();
    const qint64 at = recordNumber >= 1 && recordNumber <= all.size() ? all.at(recordNumber - 1).offset
                                                                      : qint64(recordNumber - 1) * RecordLength;
    const QByteArray m = deletionMarker(recordNumber);
    const bool ok = f.seek(at) && f.write(m) == m.size() && f.flush();
    ProgramLog::fileWritten(m_path, QStringLiteral("deletion marker %1").arg(recordNumber), ok, f.errorString());
    return ok || fail(error, f.errorString());
}

bool BlockedFile::compact(QString *error)
{
    if (!QFile::exists(m_path))
        return createIfMissing(error);
    const QList<Record> all = records();
    QByteArray kept, original;
    bool damaged = false;
    for (const Record &r : all) {
        original += r.bytes;
        if (!r.stray && isEntry(r.bytes) && r.bytes.size() == RecordLength)
            kept += r.bytes;
        else
            damaged = damaged || r.stray || !isDeletionMarker(r.bytes);
    }
    if (kept == original) {
        QFile::remove(m_scratch);
        return true;
    }
    // What is neither an entry nor an unblocked one (garbage, zeros, an entry torn by a kill)
    // goes from the list, but not from the disk.
    QString copy;
    if (damaged && (copy = keepDamagedCopy(m_path, error)).isEmpty())
        return false;
    if (!replaceFileThrough(m_scratch, m_path, kept, error)) {
        if (!copy.isEmpty())
            QFile::remove(copy);
        return false;
    }
    if (!copy.isEmpty())
        reportDamagedFile(m_path, copy);
    return true;
}

QList<BlockedFile::Entry> BlockedFile::readEntries() const
{
    QList<Entry> entries;
    for (const Record &r : records()) {
        if (r.stray || !isEntry(r.bytes))
            continue;
        const QString text = QString::fromLatin1(r.bytes);
        entries.append({field(text, QStringLiteral("NB="), QStringLiteral("NM=")),
                        field(text, QStringLiteral("NM="), QStringLiteral("END"))});
    }
    return entries;
}
