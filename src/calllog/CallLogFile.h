#pragma once

#include <QString>
#include <QStringList>

// Array.bin: the call log, 80-byte records without header or line ends, oldest first.
// The whole log is replaced atomically: a crash or a full disk leaves either the old log or
// the new one, never half of one.
class CallLogFile {
public:
    CallLogFile(const QString &path, const QString &scratchPath);

    QString path() const { return m_path; }
    QString scratchPath() const { return m_scratch; }

    // The records as stored; a missing file is created empty. False (and the reason in
    // `error`) when the file is there but cannot be read whole.
    bool readAll(QStringList *records, QString *error = nullptr) const;
    // Replaces the whole file with these records.
    bool rewrite(const QStringList &records, QString *error = nullptr);
    enum class Compaction { Done, NotReadable, NotWritten };
    // Drops every record that is not live and renumbers the rest 1, 2, 3 ... The compacted
    // records go to `records`, also when the file could not be written (but not when it could
    // not be read). The file is written through the scratch file ArrayTemp1.bin, which then
    // replaces it; a scratch file left by an interrupted run is discarded.
    Compaction compact(QStringList *records, QString *error = nullptr);
    // Whole records in the file (a torn tail is not one).
    int recordCount() const;
    // Adds one record after the last, in place (when the log in memory is not the whole log).
    bool appendRecord(const QString &record, QString *error = nullptr);
    // The record number of the call numbered `callNumber` (the text between "CL=" and "DT");
    // 0 when no record has it: the search ends at the end of the file.
    int findRecord(const QString &callNumber) const;
    // Marks record n deleted, in place.
    bool writeDeletionMarker(int recordNumber, QString *error = nullptr);

private:
    QString m_path;
    QString m_scratch;
};
