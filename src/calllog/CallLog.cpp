#include "CallLog.h"

#include "AppState.h"
#include "CallRecord.h"

CallLog::CallLog(AppState &state, QObject *parent)
    : QObject(parent), m_state(state), m_file(state.callLogPath(), state.callLogScratchPath()), m_model(this)
{
}

bool CallLog::AppendCallRecord(const QString &recordLine, int rings)
{
    // Never write the whole log from a list that does not hold it (not loaded yet, or the file
    // could not be read): the calls stored before would be gone.
    if (!m_loaded)
        load(false);
    const QString record = CallRecord::build(m_state.calls.nextRecord(), recordLine, rings);
    m_state.calls.append(record);
    // The list shows the newest call first after every call, however the user had sorted it.
    if (m_model.sortedBy(1, 0, false)) {
        m_model.insertSorted(CallRecord::fields(record));
    } else {
        m_model.addRow(CallRecord::fields(record));
        m_model.SortListView(1, 0, false);
    }
    QString error;
    const bool written = m_loaded ? m_file.rewrite(m_state.calls.records(), &error) : m_file.appendRecord(record, &error);
    if (!written)
        reportWriteFailure(m_file.path(), error);
    return written;
}

void CallLog::DisplayFinalList()
{
    load(true);
}

bool CallLog::load(bool reportReadFailure)
{
    QStringList records;
    QString error;
    switch (m_file.compact(&records, &error)) {
    case CallLogFile::Compaction::NotReadable:
        if (reportReadFailure)
            ::reportReadFailure(m_file.path(), error);
        return false;
    case CallLogFile::Compaction::NotWritten:
        reportWriteFailure(m_file.path(), error);
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
    m_model.addRows(rows);
    m_model.SortListView(1, 0, false);
    m_loaded = true;
    return true;
}
