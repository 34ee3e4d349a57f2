#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <memory>

class FileChanges;

// blocked.bin: the user's blocked numbers, 50-byte records. An entry is a 16-bit length (always
// 48, bytes 0x30 0x00) and 48 characters "NB=" number "NM=" name "END" padded with full stops.
// A deleted entry is overwritten in place by its record number, "DELETE" and blanks, until the
// next compaction drops it.
class BlockedFile {
public:
    static constexpr int RecordLength = 50;
    static constexpr int TextLength = 48;
    static constexpr int Capacity = TextLength - 9; // number and name together

    struct Entry {
        QString number;
        QString name;
    };

    BlockedFile(const QString &path, const QString &scratchPath);
    ~BlockedFile();
    BlockedFile(const BlockedFile &) = delete;
    BlockedFile &operator=(const BlockedFile &) = delete;

    // The 50 bytes of an entry. A number and name longer than the record holds keep the whole
    // number (it is what calls are matched against) and a shortened name.
    static QByteArray entryRecord(const QString &number, const QString &name);
    static QByteArray deletionMarker(int recordNumber);

    // Appends an entry after the last record.
    bool append(const QString &number, const QString &name, QString *error = nullptr);
    // True when an entry holds `text` anywhere (number or name), letter case significant.
    bool contains(const QString &text) const;
    // The record number of the first entry whose number equals `number`; 0 when there is none.
    int findRecord(const QString &number) const;
    bool writeDeletionMarker(int recordNumber, QString *error = nullptr);
    // Drops every record that is not an entry, keeping the entries' bytes and order. The file
    // is written through blocktemp.bin, which then replaces it. A file that held anything but
    // entries and deletion markers is first kept beside it (blocked.bin.damaged-YYYYMMDD-HHMMSS)
    // and the user is told once; when no copy can be made it is not replaced.
    bool compact(QString *error = nullptr);
    // The entries in file order, as the list window shows them.
    QList<Entry> readEntries() const;

    QString path() const { return m_path; }
    // Reads the file ahead of a lookup (at a call's first ring), so that the lookup finds it
    // read and only asks whether it changed since.
    void prepare() const { (void)bytes(); }

private:
    struct Record {
        qint64 offset = 0;
        QByteArray bytes;
        bool stray = false; // bytes before a whole entry that stray bytes put out of step
    };
    // The records in file order; record n is the nth, stray bytes counting as one.
    QList<Record> records() const;
    // The file as it is now (empty when it cannot be read).
    QByteArray bytes() const;
    // Each record of `all` in turn (its offset, its bytes, whether stray bytes), until `visit`
    // returns true.
    template <typename Visit> static void eachRecord(QByteArrayView all, Visit visit);
    bool createIfMissing(QString *error = nullptr) const;

    QString m_path;
    QByteArray m_encodedPath; // m_path as the system's calls take it
    QString m_scratch;
    // The file as last read, and what it was then: taken again when the kernel tells of a change
    // since, or, where it cannot tell, when any of its stamp differs. Then a file changed within
    // the last seconds is not kept, as a second change within the same tick of the file
    // system's clock would leave all of it the same.
    mutable QByteArray m_kept;
    mutable std::unique_ptr<FileChanges> m_changes;
    mutable quint64 m_keptMark = 0;
    mutable std::array<qint64, 5> m_keptStamp{}; // device, inode, size, modified and changed (ns)
    mutable bool m_haveKept = false;
};
