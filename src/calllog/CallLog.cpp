#include "CallLog.h"

#include "CallExport.h"
#include "CallList.h"
#include "CallRecord.h"
#include "DataFiles.h"
#include "FileReplace.h"

CallLog::CallLog(DataFiles &files, CallList &calls, QObject *parent)
    : QObject(parent), m_files(files), m_calls(calls), m_file(files.callLogPath(), files.callLogScratchPath()),
      m_model(this)
{
}

bool CallLog::AppendCallRecord(const QString &recordLine, int rings, QString *error, bool refused)
{
    // Never number a call from a list that is not the file's (not loaded yet, the file could not
    // be read, or it changed on the disk): read the file again first.
    QString ignored;
    if (!m_loaded || !fileIsTheLog())
        load(&ignored, &ignored);
    // Numbered by its place: from the list when it is the file's, else from the file, so that
    // the number matches the record's place and a later tidy-up keeps it whole.
    const int number = fileIsTheLog() ? m_calls.nextRecord() : m_file.recordCount() + 1;
    const QString record = CallRecord::build(number, recordLine, rings);
    m_calls.append(record);
    // The list shows the newest call first after every call, however the user had sorted it.
    if (m_model.sortedBy(1, 0, false)) {
        m_model.insertSorted(CallRecord::fields(record));
    } else {
        m_model.addRow(CallRecord::fields(record));
        m_model.SortListView(1, 0, false);
    }
    m_unwritten.append({recordLine, rings, refused});
    return writeUnwritten(error);
}

bool CallLog::fileIsTheLog() const
{
    if (m_inFile < 0)
        return false;
    const int have = m_file.recordCount();
    return have == m_inFile || (have < m_inFile && have + 1 >= m_calls.firstHeld());
}

bool CallLog::writeUnwritten(QString *error)
{
    while (!m_unwritten.isEmpty()) {
        const int have = m_file.recordCount();
        m_failedPath = m_file.path();
        if (fileIsTheLog()) {
            // What the file lost under us and memory still holds goes back to its place first.
            for (int n = have + 1; n <= m_inFile; ++n) {
                if (!m_file.writeRecord(n, m_calls.at(n), error))
                    return false;
            }
            if (!writeFirst(m_inFile + 1, error))
                return false;
            ++m_inFile;
        } else {
            // After the file's last record, numbered by its place there; nothing in it is touched.
            if (!writeFirst(have + 1, error))
                return false;
            m_inFile = -1;
        }
        m_unwritten.removeFirst();
    }
    return true;
}

bool CallLog::writeFirst(int number, QString *error)
{
    Unwritten &call = m_unwritten.first();
    const QString record = CallRecord::build(number, call.recordLine, call.rings);
    // The mark first: a kill between the two leaves a mark without its call, never a refused call
    // without its mark. A retry under the same number does not write it twice.
    if (call.refused && call.markedAs != number) {
        const QString marks = m_files.file(RefusedCalls::fileName());
        if (!RefusedCalls::add(marks, CallRecord::fields(record), number, error)) {
            m_failedPath = marks;
            return false;
        }
        call.markedAs = number;
    }
    m_failedPath = m_file.path();
    return m_file.writeRecord(number, record, error);
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
    CallLogFile::Contents contents;
    QString error;
    switch (m_file.compact(Held, &contents, &error)) {
    case CallLogFile::Compaction::NotReadable:
        *readError = error;
        return false;
    case CallLogFile::Compaction::NotWritten:
        *writeError = error;
        m_inFile = -1;
        break;
    case CallLogFile::Compaction::Done:
        m_inFile = contents.count;
        break;
    }
    m_calls.clear();
    // The older calls of a long log are read from the file when the main window browses there.
    m_calls.setOlder(contents.count - int(contents.newest.size()),
                     [path = m_file.path()](int n) { return CallLogFile::readRecord(path, n); });
    QList<CallRecord::Fields> rows;
    rows.reserve(contents.newest.size() + m_unwritten.size());
    for (const QString &r : std::as_const(contents.newest)) {
        m_calls.append(r);
        rows.append(CallRecord::fields(r));
    }
    // Calls whose write failed are not in the file: reloading it must not lose them. They go
    // after its calls, numbered on, and to the file now.
    for (const Unwritten &call : std::as_const(m_unwritten)) {
        const QString r = CallRecord::build(m_calls.nextRecord(), call.recordLine, call.rings);
        m_calls.append(r);
        rows.append(CallRecord::fields(r));
    }
    // The list mirrors the log as loaded: a reload replaces its rows, never doubles them.
    m_model.clear();
    m_model.addRows(rows);
    m_model.SortListView(1, 0, false);
    m_loaded = true;
    if (!contents.damagedCopy.isEmpty())
        reportDamagedFile(m_file.path(), contents.damagedCopy);
    if (!m_unwritten.isEmpty())
        writeUnwritten(writeError);
    return true;
}
