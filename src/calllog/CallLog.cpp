#include "CallLog.h"

#include "AppState.h"
#include "CallRecord.h"

CallLog::CallLog(AppState &state, QObject *parent)
    : QObject(parent), m_state(state), m_file(state.callLogPath(), state.callLogScratchPath()), m_model(this)
{
}

bool CallLog::AppendCallRecord(const QString &recordLine, int rings, QString *error)
{
    // Never write the whole log from a list that does not hold it (not loaded yet, or the file
    // could not be read): the calls stored before would be gone.
    QString ignored;
    if (!m_loaded)
        load(&ignored, &ignored);
    // Numbered by its place: from the list when it holds the whole log, else from the file, so
    // that the number matches the record's place and a later tidy-up keeps it whole.
    const int number = m_loaded ? m_state.calls.nextRecord() : m_file.recordCount() + 1;
    const QString record = CallRecord::build(number, recordLine, rings);
    m_state.calls.append(record);
    // The list shows the newest call first after every call, however the user had sorted it.
    if (m_model.sortedBy(1, 0, false)) {
        m_model.insertSorted(CallRecord::fields(record));
    } else {
        m_model.addRow(CallRecord::fields(record));
        m_model.SortListView(1, 0, false);
    }
    m_unwritten.append(record);
    return writeUnwritten(error);
}

bool CallLog::writeUnwritten(QString *error)
{
    if (m_loaded) {
        if (!m_file.rewrite(m_state.calls.records(), error))
            return false;
        m_unwritten.clear();
        return true;
    }
    while (!m_unwritten.isEmpty()) {
        const QString record = CallRecord::renumbered(m_unwritten.first(), m_file.recordCount() + 1);
        if (!m_file.appendRecord(record, error))
            return false;
        m_unwritten.removeFirst();
    }
    return true;
}

void CallLog::DisplayFinalList()
{
    QString readError, writeError;
    if (!load(&readError, &writeError))
        reportReadFailure(m_file.path(), readError);
    else if (!writeError.isEmpty())
        reportWriteFailure(m_file.path(), writeError);
}

bool CallLog::load(QString *readError, QString *writeError)
{
    QStringList records;
    QString error;
    switch (m_file.compact(&records, &error)) {
    case CallLogFile::Compaction::NotReadable:
        *readError = error;
        return false;
    case CallLogFile::Compaction::NotWritten:
        *writeError = error;
        break;
    case CallLogFile::Compaction::Done:
        break;
    }
    m_state.calls.clear();
    QList<CallRecord::Fields> rows;
    rows.reserve(records.size());
    for (const QString &r : std::as_const(records)) {
        if (!r.contains(QLatin1String("RG")))
            continue;
        m_state.calls.append(r);
        rows.append(CallRecord::fields(r));
    }
    // Calls whose write failed are not in the file: reloading it must not lose them. They go
    // after its calls, numbered on, and to the file now.
    for (const QString &r : std::as_const(m_unwritten)) {
        const QString again = CallRecord::renumbered(r, m_state.calls.nextRecord());
        m_state.calls.append(again);
        rows.append(CallRecord::fields(again));
    }
    // The list mirrors the log as loaded: a reload replaces its rows, never doubles them.
    m_model.clear();
    m_model.addRows(rows);
    m_model.SortListView(1, 0, false);
    m_loaded = true;
    if (!m_unwritten.isEmpty())
        writeUnwritten(writeError);
    return true;
}
