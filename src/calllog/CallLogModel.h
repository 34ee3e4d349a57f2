#pragma once

#include "CallRecord.h"

#include <QAbstractTableModel>
#include <QList>
#include <array>

// The rows of the Calls Log list: one per call, the call number then name, number, date, time
// and rings, as stored. A table view shows it; the order is the one the sort keys give.
class CallLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int Columns = 6;
    using Row = std::array<QString, Columns>;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void addRow(const CallRecord::Fields &f);
    void clear();
    const Row &row(int i) const { return m_rows.at(i); }
    QStringList column(int column) const; // 1-based column, top to bottom

    // Orders the rows by a column (1 = call number ... 6 = rings) with the key of the kind of
    // data (0 to 5), ascending or descending. Rows with equal keys keep their order.
    void SortListView(int column, int kind, bool ascending);

private:
    QList<Row> m_rows;
};
