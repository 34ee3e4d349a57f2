#pragma once

#include "CallRecord.h"

#include <QAbstractTableModel>
#include <QList>
#include <array>

namespace RefusedCalls {
class Column;
}

// The rows of the Calls Log list: one per call, the call number then name, number, date, time
// and rings, as stored, and last whether the call was refused and why. A table view shows it; the
// order is the one the sort keys give.
class CallLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int Columns = 7;
    static constexpr int RefusedColumn = 7; // 1-based: why the call was refused, "yes" when not known, or ""
    using Row = std::array<QString, Columns>;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void addRow(const CallRecord::Fields &f);
    // Adds rows in one go (loading the log); the order is set by the next sort.
    void addRows(const QList<CallRecord::Fields> &rows);
    // Puts a row where the last sort would have put it (after the rows with an equal key),
    // without sorting the whole list again: one call is added to a log of thousands.
    void insertSorted(const CallRecord::Fields &f);
    bool sortedBy(int column, int kind, bool ascending) const
    {
        return m_sortColumn == column && m_sortKind == kind && m_sortAscending == ascending;
    }
    int sortColumn() const { return m_sortColumn; }
    bool sortAscending() const { return m_sortAscending; }
    void clear();
    const Row &row(int i) const { return m_rows.at(i); }
    QStringList column(int column) const; // 1-based column, top to bottom
    CallRecord::Fields fields(int i) const;

    // Fills the Refused column from `refused`, which sees every row in the log's order (by call
    // number, oldest first). A list sorted by that column is sorted again.
    void setRefusals(RefusedCalls::Column refused);

    // Orders the rows by a column (1 = call number ... 6 = rings, 7 = refused) with the key of the
    // kind of data (0 to 6), ascending or descending. Rows with equal keys keep their order, and a
    // view's selection stays on its rows.
    void SortListView(int column, int kind, bool ascending);

signals:
    // After every sort, whoever asked for it: a view's sort arrow follows the rows.
    void sorted(int column, bool ascending);

private:
    static Row toRow(const CallRecord::Fields &f)
    {
        return {f.callNumber, f.name, f.number, f.date, f.time, f.rings, QString()};
    }

    QList<Row> m_rows;
    // The last sort: column (1-based), kind of data, order.
    int m_sortColumn = 1;
    int m_sortKind = 0;
    bool m_sortAscending = false;
};
