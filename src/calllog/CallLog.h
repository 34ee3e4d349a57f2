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
    // goes to the file with the next write.
    bool AppendCallRecord(const QString &recordLine, int rings);
    // Compacts Array.bin, reloads the call list from it and fills the list, newest first.
    void DisplayFinalList();

private:
    AppState &m_state;
    CallLogFile m_file;
    CallLogModel m_model;
};
