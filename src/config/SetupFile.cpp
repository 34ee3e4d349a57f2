#include "SetupFile.h"

#include "FileChanges.h"
#include "FileReplace.h"
#include "Log.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// All of `bytes` at `offset`, however the system splits the write.
bool writeAllAt(int fd, const QByteArray &bytes, off_t offset)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray nulRecord()
{
    return QByteArray(Settings::RecordLength, '\0');
}

// Reads records 1 to 32; a record beyond the end of the file reads as NULs.
QString readRecords(const QString &path, std::array<QByteArray, Settings::RecordCount + 1> &records)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(path, f.errorString());
    const QByteArray all = f.read(qint64(Settings::RecordLength) * Settings::RecordCount);
    for (int n = 1; n <= Settings::RecordCount; ++n) {
        QByteArray r = all.mid(qsizetype(n - 1) * Settings::RecordLength, Settings::RecordLength);
        r.append(QByteArray(Settings::RecordLength - r.size(), '\0'));
        records[n] = r;
    }
    return QString();
}

// Opening a random-access file creates it when it is missing.
bool touch(const QString &path, qint64 *size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    if (size)
        *size = f.size();
    return true;
}

} // namespace

SetupFile::SetupFile(const QString &programFolder)
    : m_path(QDir(programFolder).filePath(QStringLiteral("acsetup.bin"))), m_encodedPath(QFile::encodeName(m_path)),
      m_defaultsPath(QDir(programFolder).filePath(QStringLiteral("desetup.bin")))
{
    m_records.fill(nulRecord());
}

SetupFile::~SetupFile()
{
    closeKept();
}

SetupFile::SetupFile(const SetupFile &other)
    : m_path(other.m_path), m_encodedPath(other.m_encodedPath), m_defaultsPath(other.m_defaultsPath),
      m_records(other.m_records)
{
}

SetupFile &SetupFile::operator=(const SetupFile &other)
{
    if (this == &other)
        return *this;
    if (other.m_path != m_path) {
        closeKept();
        m_changes.reset();
    }
    m_path = other.m_path;
    m_encodedPath = other.m_encodedPath;
    m_defaultsPath = other.m_defaultsPath;
    m_records = other.m_records;
    return *this;
}

void SetupFile::closeKept()
{
    m_keptSize = -1;
    if (m_keptFd >= 0)
        ::close(std::exchange(m_keptFd, -1));
}

int SetupFile::openForWrite()
{
    // Kept open between writes: a call's record is then one positioned write, without a walk of
    // the path. Another program that puts another file where this one stood (a restored
    // backup) gets the next write, as it would with an opening for each.
    if (!m_changes)
        m_changes = std::make_unique<FileChanges>(m_path, FileChanges::Notices::Replacements);
    const quint64 mark = m_changes->replacementMark();
    if (m_keptFd >= 0 && mark != 0 && mark == m_keptMark)
        return m_keptFd;
    closeKept();
    const int fd = ::open(m_encodedPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0 && mark != 0) {
        m_keptFd = fd;
        m_keptMark = mark;
    }
    return fd;
}

SetupFile::LoadOutcome SetupFile::load(Settings &settings, const std::function<void()> &beforeDefaults)
{
    LoadOutcome out;
    // The first-start copy goes through a temporary file; a kill during it leaves one behind.
    removeSaveLeftovers(m_path);
    qint64 size = 0;
    if (!touch(m_path, &size)) {
        // Not even readable: every setting takes its default, without the first-start message.
        QFile f(m_path);
        f.open(QIODevice::ReadOnly);
        out.error = QStringLiteral("%1: %2").arg(m_path, f.errorString());
        size = f.size();
    }
    touch(m_defaultsPath, nullptr);

    if (size > 0) {
        const QString e = readRecords(m_path, m_records);
        if (!e.isEmpty())
            out.error = e;
    } else {
        out.usedDefaults = true;
        if (beforeDefaults)
            beforeDefaults();
        const QString e = readRecords(m_defaultsPath, m_records);
        if (!e.isEmpty())
            out.error = e;
        QFile defaults(m_defaultsPath);
        if (defaults.open(QIODevice::ReadOnly)) {
            // Flushed before the commit: a full disk must not leave a short settings file.
            QSaveFile copy(m_path);
            if (!copy.open(QIODevice::WriteOnly) || copy.write(defaults.readAll()) < 0 || !copy.flush()) {
                out.copyError = copy.errorString();
                copy.cancelWriting();
            } else if (!copy.commit()) {
                out.copyError = copy.errorString();
            }
            ProgramLog::fileWritten(m_path, QStringLiteral("from the defaults"), out.copyError.isEmpty(),
                                    out.copyError);
        }
    }

    for (int n = 1; n <= Settings::SettingRecords; ++n)
        settings.readRecord(n, Settings::recordText(m_records[n]));
    // Watched and held open from here, so that the first call's record is written as the others.
    if (out.error.isEmpty() && out.copyError.isEmpty()) {
        const int fd = openForWrite();
        if (fd >= 0 && fd != m_keptFd)
            ::close(fd);
    }
    return out;
}

QByteArray SetupFile::record(int rec) const
{
    if (rec < 1 || rec > Settings::RecordCount)
        return QByteArray();
    return m_records[rec];
}

void SetupFile::putRecord(int rec, const QString &text)
{
    if (rec >= 1 && rec <= Settings::SettingRecords)
        m_records[rec] = Settings::padRecord(text);
}

bool SetupFile::writeRecords(int first, int last, QString *error)
{
    return writeRange(first, last, error);
}

bool SetupFile::WriteSetupRecord(int rec, const QString &text, Settings &settings, QString *error)
{
    if (rec < 1 || rec > Settings::SettingRecords) {
        if (error)
            *error = QStringLiteral("record %1 is not a setting").arg(rec);
        return false;
    }
    // The setting follows the file: after a failed write both keep the value they had, so the
    // program never acts on a value that the next start would not read back.
    const QByteArray before = m_records[rec];
    m_records[rec] = Settings::padRecord(text);
    if (!writeRange(rec, rec, error)) {
        m_records[rec] = before;
        return false;
    }
    if (rec == Settings::LastReportRecord)
        settings.LastCallerIdReport = text;
    else
        settings.readRecord(rec, Settings::recordText(m_records[rec]));
    return true;
}

bool SetupFile::saveSetupDialog(const Settings &settings, QString *error)
{
    const auto before = m_records;
    for (int n = 5; n <= Settings::SettingRecords; ++n)
        m_records[n] = Settings::padRecord(settings.composeRecord(n));
    if (writeRange(5, Settings::SettingRecords, error))
        return true;
    m_records = before;
    return false;
}

bool SetupFile::writeRange(int first, int last, QString *error)
{
    // Records are written in place: the rest of the file, the reserved records 29 to 32
    // included, must stay as it is. With the system's calls, one positioned write: record 5 is
    // written here while the phone rings.
    auto what = [&] {
        return first == last ? QStringLiteral("record %1").arg(first)
                             : QStringLiteral("records %1-%2").arg(first).arg(last);
    };
    const int fd = openForWrite();
    auto fail = [&] {
        const QString reason = qt_error_string(errno);
        // Opened again for the next write: a failure may have been the kept file's own.
        if (fd == m_keptFd) {
            m_keptFd = -1;
            m_keptSize = -1;
        }
        if (fd >= 0)
            ::close(fd);
        if (error)
            *error = reason;
        ProgramLog::fileWritten(m_path, what(), false, reason);
        return false;
    };
    if (fd < 0)
        return fail();
    const off_t start = off_t(first - 1) * Settings::RecordLength;
    off_t size = fd == m_keptFd ? off_t(m_keptSize) : -1;
    if (size < start) {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return fail();
        size = st.st_size;
    }
    QByteArray bytes;
    // A gap before the first record written reads back as NULs, on every file system.
    if (size < start)
        bytes = QByteArray(qsizetype(start - size), '\0');
    for (int n = first; n <= last; ++n)
        bytes += m_records[n];
    const off_t at = std::min<off_t>(start, size);
    if (!writeAllAt(fd, bytes, at))
        return fail();
    if (fd == m_keptFd)
        m_keptSize = std::max<off_t>(size, at + off_t(bytes.size()));
    if (fd != m_keptFd && ::close(fd) != 0) {
        const QString reason = qt_error_string(errno);
        if (error)
            *error = reason;
        ProgramLog::fileWritten(m_path, what(), false, reason);
        return false;
    }
    if (lcFiles().isDebugEnabled())
        ProgramLog::fileWritten(m_path, what(), true);
    return true;
}
