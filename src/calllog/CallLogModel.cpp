#include "CallLogModel.h"

#include "CallExport.h"
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
    if (!index.isValid())
        return QVariant();
    const Row &row = m_rows.at(index.row());
    if (role == Qt::DisplayRole)
        return row.at(index.column());
    // A refused call's line says why wherever the mouse is on it.
    const QString &refused = row.at(RefusedColumn - 1);
    if (role != Qt::ToolTipRole || refused.isEmpty())
        return QVariant();
    return refused == QLatin1String("yes") ? QStringLiteral("Refused") : QStringLiteral("Refused: ") + refused;
}

QVariant CallLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const headers[Columns] = {"Call#", "Name", "Number", "Date", "Time", "Ring#", "Refused"};
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

CallRecord::Fields CallLogModel::fields(int i) const
{
    const Row &r = m_rows.at(i);
    return {r[0], r[1], r[2], r[3], r[4], r[5]};
}

void CallLogModel::setRefusals(RefusedCalls::Column refused)
{
    const auto unmarked = [](const Row &r) { return r.at(RefusedColumn - 1).isEmpty(); };
    if (refused.none() && std::all_of(m_rows.cbegin(), m_rows.cend(), unmarked))
        return; // the usual log: no call was ever refused
    // The log's order: the call numbers run with the calls' places in the log.
    QList<std::pair<int, int>> byNumber; // call number, row
    byNumber.reserve(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        byNumber.append({m_rows.at(i).at(0).toInt(), int(i)});
    std::sort(byNumber.begin(), byNumber.end());
    for (const auto &[number, i] : std::as_const(byNumber))
        refused.see(fields(i), number);
    refused.settle();
    // Only the lines that changed are told: a view over thousands of calls has each one looked at again.
    int first = int(m_rows.size()), last = -1;
    for (const auto &[number, i] : std::as_const(byNumber)) {
        const std::optional<QString> why = refused.reasonOf(fields(i), number);
        const QString text = !why ? QString() : why->isEmpty() ? QStringLiteral("yes") : *why;
        QString &cell = m_rows[i][RefusedColumn - 1];
        if (cell == text)
            continue;
        cell = text;
        first = std::min(first, i);
        last = std::max(last, i);
    }
    if (last < 0)
        return;
    emit dataChanged(index(first, 0), index(last, Columns - 1), {Qt::DisplayRole, Qt::ToolTipRole});
    if (m_sortColumn == RefusedColumn)
        SortListView(m_sortColumn, m_sortKind, m_sortAscending);
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
