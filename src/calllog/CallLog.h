#pragma once

#include "CallLogFile.h"
#include "CallLogModel.h"

#include <QObject>

class AppState;

// The call log: Array.bin, the in-memory call list that mirrors it, and the rows of the Calls
// Log list. Every stored call gets the next call number and a row.
class CallLog : public QObject {
    Q_OBJECT
public:
    explicit CallLog(AppState &state, QObject *parent = nullptr);

    CallLogModel &model() { return m_model; }
    CallLogFile &file() { return m_file; }

    // Stores a call: "CL=" + the next call number + the call record line + "RG=" + rings +
    // "END", and rewrites Array.bin. Whole rewrites happen only once the log has been read
    // whole: otherwise the call is added after the file's last record, numbered by its place
    // there. False, and the reason in `error`, when the file could not be written: the call
    // stays in memory and goes to the file with the next write. The caller tells the user, once
    // nothing of the call is left half done (a message box lets the next call in).
    bool AppendCallRecord(const QString &recordLine, int rings, QString *error = nullptr);
    // Compacts Array.bin, reloads the call list from it and fills the list, newest first. A log
    // that cannot be read is reported and the list in memory is left as it was.
    void DisplayFinalList();
    bool loaded() const { return m_loaded; }

private:
    // False when the log could not be read (the reason in `readError`); a tidied log that could
    // not be written back is loaded all the same, the reason in `writeError`.
    bool load(QString *readError, QString *writeError);
    // Writes the calls that are not in the file yet: the whole log once it has been read,
    // else each after the file's last record.
    bool writeUnwritten(QString *error);

    AppState &m_state;
    CallLogFile m_file;
    CallLogModel m_model;
    bool m_loaded = false;   // the call list in memory is the whole log
    QStringList m_unwritten; // stored calls whose write failed, oldest first
};
