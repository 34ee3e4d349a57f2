#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Array.bin: the call log, 80-byte records without header or line ends, oldest first.
// A new call is written in place after the last record; a tidy-up replaces the whole log
// atomically, so that a crash or a full disk leaves either the old log or the new one. The log
// is read in pieces: however long it grows, only a bounded part of it is in memory at once.
class CallLogFile {
public:
    CallLogFile(const QString &path, const QString &scratchPath);

    QString path() const { return m_path; }
    QString scratchPath() const { return m_scratch; }

    struct Contents {
        int count = 0;       // the calls of the log
        QStringList newest;  // its newest records (as many as asked for), oldest first
        QString damagedCopy; // where the file as found was kept, when it held more than calls
    };
    enum class Compaction { Done, NotReadable, NotWritten };
    // Drops every record that is not live and renumbers the rest 1, 2, 3 ...; a missing file is
    // created empty. `contents` gets the calls as compacted, also when the file could not be
    // written (but not when it could not be read). The file is written through the scratch file
    // ArrayTemp1.bin, which then replaces it; a scratch file left by an interrupted run is
    // discarded. A file that held anything but calls and deletion markers (garbage, zeros, a torn
    // record) is kept beside it first; when no copy can be made it is not replaced.
    Compaction compact(int keepNewest, Contents *contents, QString *error = nullptr);
    // Whole records in the file (a torn tail is not one).
    int recordCount() const;
    // Every call of the log at `path`, oldest first, without changing the file (deletion
    // markers and dead records are passed over). A missing log holds no call. False, and the
    // reason in `error`, when it could not be read.
    static bool forEachCall(const QString &path, const std::function<void(const QString &record)> &each,
                            QString *error = nullptr);
    // Record n of the log at `path` (up to 80 characters); empty when there is none.
    static QString readRecord(const QString &path, int recordNumber);
    // Writes record n in place (n at most one past the last whole record, which overwrites a
    // torn tail) and forces it to disk.
    bool writeRecord(int recordNumber, const QString &record, QString *error = nullptr);
    // The record number of the call numbered `callNumber` (the text between "CL=" and "DT");
    // 0 when no call has it: the search ends at the end of the file. Records are counted as the
    // tidy-up finds them, stray bytes before a record counting as one.
    int findRecord(const QString &callNumber) const;
    // The same for several calls at once, in one pass over the log at most. False, and the
    // reason in `error`, when the file could not be read.
    // Where stray bytes put the log out of step, a record's place is not record number times
    // 80: `offsets` gets where each record starts (-1 for none).
    bool findRecords(const QStringList &callNumbers, QList<int> *records, QString *error = nullptr,
                     QList<qint64> *offsets = nullptr) const;
    // Marks record n deleted, in place.
    bool writeDeletionMarker(int recordNumber, QString *error = nullptr);
    // Marks the record that starts at `offset` (as findRecords gives it) deleted, in place.
    bool writeDeletionMarkerAt(qint64 offset, int recordNumber, QString *error = nullptr);

private:
    QString m_path;
    QString m_scratch;
    bool m_leftoversRemoved = false;
};
