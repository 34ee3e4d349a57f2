#pragma once

#include <QSortFilterProxyModel>

// The Calls Log rows a search leaves: those whose name or number holds the text typed. A number
// is also found by its digits alone ("5551234" finds "(555)-123-4567"). The rows keep the order
// of the log's own sort; an empty search leaves every row.
class CallLogFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setSearch(const QString &text);
    QString search() const { return m_text; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
    QString m_digits;
};
