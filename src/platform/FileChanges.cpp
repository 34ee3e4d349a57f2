#include "FileChanges.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>

#ifdef Q_OS_LINUX
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

namespace {

bool g_useNotices = true;

#ifdef Q_OS_LINUX
// File systems whose every change is made through this kernel, and so noticed. A network or
// FUSE file system may be changed behind its back.
bool changedOnlyHere(const char *folder)
{
    struct statfs fs {};
    if (::statfs(folder, &fs) != 0)
        return false;
    switch (quint64(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case TMPFS_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case 0x4d44: // FAT (MSDOS_SUPER_MAGIC)
        return true;
    default:
        return false;
    }
}
#endif

} // namespace

FileChanges::FileChanges(const QString &path, Notices notices)
{
#ifdef Q_OS_LINUX
    const QFileInfo file(path);
    m_name = QFile::encodeName(file.fileName());
    m_path = QFile::encodeName(file.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(file.absolutePath());
    if (!g_useNotices || !changedOnlyHere(folder.constData()))
        return;
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return;
    // No writes of the folder's files: the program writes its own records there while a call
    // waits, and every such notice would be queued for nothing.
    const uint32_t mask =
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    m_folderWatch = ::inotify_add_watch(m_fd, folder.constData(), mask);
    if (m_folderWatch < 0) {
        lose();
        return;
    }
    m_allChanges = notices == Notices::AllChanges;
    if (m_allChanges)
        watchFile();
#else
    Q_UNUSED(path);
    Q_UNUSED(notices);
#endif
}

void FileChanges::watchFile()
{
#ifdef Q_OS_LINUX
    // The former file's watch goes; its last notice (IN_IGNORED) is no loss.
    if (m_fileWatch >= 0)
        ::inotify_rm_watch(m_fd, m_fileWatch);
    m_fileWatch =
        ::inotify_add_watch(m_fd, m_path.constData(), IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF);
    // No file there: its coming is told by the folder's watch. Any other refusal (no room for
    // more watches) leaves its writes untold.
    if (m_fileWatch < 0 && errno != ENOENT)
        lose();
#endif
}

void FileChanges::lose()
{
#ifdef Q_OS_LINUX
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = m_folderWatch = m_fileWatch = -1;
#endif
}

void FileChanges::useNotices(bool use)
{
    g_useNotices = use;
}

FileChanges::~FileChanges()
{
#ifdef Q_OS_LINUX
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

quint64 FileChanges::replacementMark()
{
    read();
    return m_fd >= 0 ? m_replacements + 1 : 0;
}

quint64 FileChanges::changeMark()
{
    read();
    return m_fd >= 0 ? m_changes + 1 : 0;
}

void FileChanges::read()
{
#ifdef Q_OS_LINUX
    if (m_fd < 0)
        return;
    alignas(inotify_event) char buffer[4096];
    bool lost = false;
    bool replaced = false;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // EAGAIN: nothing more has happened
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + e->len);
            if (e->mask & IN_Q_OVERFLOW) {
                lost = true; // notices were lost
                continue;
            }
            if (e->wd != m_folderWatch) {
                // The file's own watch (or a former one's last word): written, or gone.
                if (e->wd == m_fileWatch) {
                    ++m_changes;
                    if (e->mask & (IN_DELETE_SELF | IN_IGNORED | IN_UNMOUNT))
                        replaced = true;
                }
                continue;
            }
            if (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
                lost = true; // the folder is no longer where the path leads
                continue;
            }
            if (e->len == 0 || std::strcmp(e->name, m_name.constData()) != 0)
                continue;
            ++m_changes;
            // A file held open keeps what it was opened with: new permissions need a new opening.
            if (e->mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB))
                ++m_replacements;
            if (e->mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO))
                replaced = true;
        }
        // Room was left for one more notice of the longest name: none was waiting.
        if (size_t(n) + sizeof(inotify_event) + NAME_MAX + 1 <= sizeof buffer)
            break;
    }
    if (lost) {
        // From here on nothing is known: the caller looks at the file itself.
        lose();
    } else if (replaced && m_allChanges) {
        // Watched before the caller looks at it: a write after the look moves the mark.
        watchFile();
    }
#endif
}
