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
    // "END", and rewrites Array.bin. A failed write is reported; the call stays in memory and
    // goes to the file with the next write. Whole rewrites happen only once the log has been
    // read whole: otherwise the call is added after the file's last record.
    bool AppendCallRecord(const QString &recordLine, int rings);
    // Compacts Array.bin, reloads the call list from it and fills the list, newest first. A log
    // that cannot be read is reported and the list in memory is left as it was.
    void DisplayFinalList();
    bool loaded() const { return m_loaded; }

private:
    bool load(bool reportReadFailure);

    AppState &m_state;
    CallLogFile m_file;
    CallLogModel m_model;
    bool m_loaded = false; // the call list in memory is the whole log
};
