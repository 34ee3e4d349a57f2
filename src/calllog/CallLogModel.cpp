#include "CallLogModel.h"

#include "SortKeys.h"

#include <algorithm>

int CallLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CallLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant CallLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return QVariant();
    return m_rows.at(index.row()).at(index.column());
}

QVariant CallLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const headers[Columns] = {"Call#", "Name", "Number", "Date", "Time", "Ring#"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Columns)
        return QVariant();
    return QString::fromLatin1(headers[section]);
}

void CallLogModel::addRow(const CallRecord::Fields &f)
{
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size()));
    m_rows.append(toRow(f));
    endInsertRows();
}

void CallLogModel::addRows(const QList<CallRecord::Fields> &rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
    m_rows.reserve(m_rows.size() + rows.size());
    for (const CallRecord::Fields &f : rows)
        m_rows.append(toRow(f));
    endInsertRows();
}

void CallLogModel::insertSorted(const CallRecord::Fields &f)
{
    const Row row = toRow(f);
    const QString key = SortKeys::forKind(row.at(m_sortColumn - 1), m_sortKind);
    // First row that sorts after the new one; rows with an equal key stay in front of it.
    qsizetype lo = 0, hi = m_rows.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        const int c = QString::compare(SortKeys::forKind(m_rows.at(mid).at(m_sortColumn - 1), m_sortKind), key,
                                       Qt::CaseInsensitive);
        const bool after = m_sortAscending ? c > 0 : c < 0;
        if (after)
            hi = mid;
        else
            lo = mid + 1;
    }
    beginInsertRows(QModelIndex(), int(lo), int(lo));
    m_rows.insert(lo, row);
    endInsertRows();
}

void CallLogModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QStringList CallLogModel::column(int column) const
{
    QStringList l;
    for (const Row &r : m_rows)
        l << r.at(column - 1);
    return l;
}

void CallLogModel::SortListView(int column, int kind, bool ascending)
{
    if (column < 1 || column > Columns)
        return;
    m_sortColumn = column;
    m_sortKind = kind;
    m_sortAscending = ascending;
    // Each row's key with its old place, so that the view's selection can follow its rows.
    QList<std::pair<QString, int>> keyed;
    keyed.reserve(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        keyed.append({SortKeys::forKind(m_rows.at(i).at(column - 1), kind), int(i)});
    std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto &a, const auto &b) {
        const int c = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return ascending ? c < 0 : c > 0;
    });
    // A layout change, not a reset: a reset would clear what the user selected, and a call
    // stored while the deletion question is open sorts the list under it.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> newPlace(m_rows.size());
    QList<Row> ordered;
    ordered.reserve(m_rows.size());
    for (qsizetype i = 0; i < keyed.size(); ++i) {
        newPlace[keyed[i].second] = int(i);
        ordered.append(m_rows.at(keyed[i].second));
    }
    m_rows = std::move(ordered);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after.append(index(newPlace.at(i.row()), i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit sorted(column, ascending);
}
