#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The in-memory call list: record n (from 1) is the 80-character text of call n, in file order,
// oldest first. The next-record number is the number the next call gets. A log longer than the
// program keeps in memory is held from its newest calls back; the older records stay in the
// file and are read from it one at a time when asked for (the main window browses that far).
class CallList {
public:
    int count() const { return m_older + int(m_records.size()); }
    int nextRecord() const { return count() + 1; }
    // The first record held in memory: 1 unless the log is longer than what is held.
    int firstHeld() const { return m_older + 1; }
    // Record n, 1-based; empty outside the list.
    QString at(int n) const
    {
        if (n > m_older && n <= count())
            return m_records.at(n - m_older - 1);
        return n >= 1 && n <= m_older && m_readOlder ? m_readOlder(n) : QString();
    }
    void append(const QString &record) { m_records.append(record); }
    void clear()
    {
        m_records.clear();
        m_older = 0;
        m_readOlder = nullptr;
    }
    // The list holds `older` records before the ones appended next, read by `readOlder`.
    void setOlder(int older, std::function<QString(int)> readOlder)
    {
        m_older = older;
        m_readOlder = std::move(readOlder);
    }
    // The records held in memory, record firstHeld() first.
    const QStringList &records() const { return m_records; }

private:
    QStringList m_records;
    int m_older = 0;
    std::function<QString(int)> m_readOlder;
};
