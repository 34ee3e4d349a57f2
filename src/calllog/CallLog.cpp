#include "CallLog.h"

#include "AppState.h"
#include "CallRecord.h"

CallLog::CallLog(AppState &state, QObject *parent)
    : QObject(parent), m_state(state), m_file(state.callLogPath(), state.callLogScratchPath()), m_model(this)
{
}

bool CallLog::AppendCallRecord(const QString &recordLine, int rings)
{
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
    if (m_file.rewrite(m_state.calls.records(), &error))
        return true;
    reportWriteFailure(m_file.path(), error);
    return false;
}

void CallLog::DisplayFinalList()
{
    QStringList records;
    QString error;
    if (!m_file.compact(&records, &error))
        reportWriteFailure(m_file.path(), error);
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
}
