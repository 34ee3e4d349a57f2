#pragma once

#include <QString>
#include <QStringList>

// The in-memory call list: record n (from 1) is the 80-character text of call n, in file order,
// oldest first. The next-record number is the number the next call gets.
class CallList {
public:
    int count() const { return int(m_records.size()); }
    int nextRecord() const { return count() + 1; }
    // Record n, 1-based; empty outside the list.
    QString at(int n) const { return (n >= 1 && n <= count()) ? m_records.at(n - 1) : QString(); }
    void append(const QString &record) { m_records.append(record); }
    void clear() { m_records.clear(); }
    const QStringList &records() const { return m_records; }

private:
    QStringList m_records;
};
