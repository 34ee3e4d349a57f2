#pragma once

#include "CallLogFile.h"
#include "CallLogModel.h"

#include <QObject>

class CallList;
class DataFiles;

// The call log: Array.bin, the in-memory call list that mirrors it, and the rows of the Calls
// Log list. Every stored call gets the next call number and a row.
class CallLog : public QObject {
    Q_OBJECT
public:
    // The calls held in memory and listed: the most the record format was made for. A longer log
    // keeps its older calls in the file, where the main window's browsing still reaches them.
    static constexpr int Held = 32767;

    CallLog(DataFiles &files, CallList &calls, QObject *parent = nullptr);

    CallLogModel &model() { return m_model; }
    CallLogFile &file() { return m_file; }

    // Stores a call: "CL=" + the next call number + the call record line + "RG=" + rings +
    // "END", written in place after the last record. While the file is not the log in memory
    // (it could not be read, or it changed on the disk), the call goes after the file's last
    // record, numbered by its place there. False, and the reason in `error`, when the file could
    // not be written: the call stays in memory and goes to the file with the next write. The
    // caller tells the user, once nothing of the call is left half done (a message box lets the
    // next call in).
    // A refused call's mark (refused.txt, beside the log) is written with it, before its record
    // and forced to disk as the record is: a call in the file has its mark, whatever cut it
    // short; when the mark cannot be written, neither is the call, and both go with the next write.
    bool AppendCallRecord(const QString &recordLine, int rings, QString *error = nullptr, bool refused = false);
    // The file the last failed write was for (Array.bin or refused.txt).
    QString failedPath() const { return m_failedPath; }
    // Compacts Array.bin, reloads the call list from it and fills the list with its newest calls
    // (up to Held), newest first. A log that cannot be read is reported and the list in memory is
    // left as it was; a damaged one is kept beside it and the user told once.
    void DisplayFinalList();
    bool loaded() const { return m_loaded; }

private:
    // False when the log could not be read (the reason in `readError`); a tidied log that could
    // not be written back is loaded all the same, the reason in `writeError`.
    bool load(QString *readError, QString *writeError);
    // The file holds the log in memory, or less of it than memory holds (it was emptied or cut
    // under us): the next call can go to its place.
    bool fileIsTheLog() const;
    // Writes the calls that are not in the file yet, each at its place.
    bool writeUnwritten(QString *error);
    // Writes the oldest unwritten call as call `number`, its refusal mark first.
    bool writeFirst(int number, QString *error);

    DataFiles &m_files;
    CallList &m_calls;
    CallLogFile m_file;
    CallLogModel m_model;
    bool m_loaded = false; // the call list in memory was read from the file
    int m_inFile = -1;     // records of the file that are the call list's; -1 when unknown
    // A stored call whose write failed: built again under the number it gets in the file.
    struct Unwritten {
        QString recordLine;
        int rings = 0;
        bool refused = false;
        int markedAs = 0; // the number its refusal mark was written under; 0 while none
    };
    QString m_failedPath;
    QList<Unwritten> m_unwritten; // oldest first
};
