#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Whether one file may have changed since it was last looked at, from the kernel's notices about
// its folder and the file itself (inotify) instead of a look at the file: asking costs one read
// that usually finds nothing, where a stat or an open walks the path. A file that is looked up
// or written between a call's last byte and its record is asked about this way.
//
// The notices are read only when asked, never from the event loop: an idle program is not woken
// by its own writes. Where the kernel cannot tell (no inotify, no watch granted, a file system
// that other machines may change, the folder itself renamed or removed), the marks are 0
// and the caller looks at the file as it would without a watch.
class FileChanges {
public:
    enum class Notices {
        Replacements, // only of other files put where it stood, or of new permissions: its own
                      // writes cost nothing
        AllChanges,   // also of every write to it, by whatever name it is written
    };
    FileChanges(const QString &path, Notices notices);
    ~FileChanges();
    FileChanges(const FileChanges &) = delete;
    FileChanges &operator=(const FileChanges &) = delete;

    bool watching() const { return m_fd >= 0; }
    // Whether watches are set up at all (else every folder is taken for one the kernel cannot
    // vouch for). On by default; the tests take the other road with it too.
    static void useNotices(bool use);

    // Marks of the file's state, as far as the notices that have come tell: equal marks, nothing
    // happened between them. 0 when nothing can be told (never equal to a mark taken before).
    // The replacement mark moves when an opening of the path would no longer find what an earlier
    // one found: another file put where it stood (created, removed, renamed to or away from its
    // name), or its permissions or owner changed.
    quint64 replacementMark();
    // The change mark moves with any change: replaced, written, truncated, its attributes changed
    // (with Notices::Replacements only as the replacement mark does).
    quint64 changeMark();

private:
    void read();
    // With AllChanges: a watch on the file that stands at the path now (none while there is
    // none). The folder's watch asks for no writes, so its other files' writes cost nothing.
    void watchFile();
    // Nothing is known from here on: the marks are 0.
    void lose();

    QByteArray m_name; // the file's name in its folder, as the notices carry it
    QByteArray m_path; // as the system's calls take it
    int m_fd = -1;
    int m_folderWatch = -1;
    int m_fileWatch = -1;
    bool m_allChanges = false;
    quint64 m_replacements = 0;
    quint64 m_changes = 0;
};
