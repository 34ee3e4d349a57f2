#include "CallLogFilter.h"

#include <algorithm>

namespace {

QString digitsOf(const QString &text)
{
    QString d;
    for (QChar c : text) {
        if (c.isDigit())
            d += c;
    }
    return d;
}

constexpr int NameColumn = 1;
constexpr int NumberColumn = 2;

} // namespace

void CallLogFilter::setSearch(const QString &text)
{
    const QString t = text.simplified();
    if (t == m_text)
        return;
    m_text = t;
    // A text of digits and the marks numbers are written with is a number, however written.
    const bool number = std::none_of(t.begin(), t.end(), [](QChar c) { return c.isLetter(); });
    m_digits = number ? digitsOf(t) : QString();
    invalidateRowsFilter();
}

bool CallLogFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_text.isEmpty())
        return true;
    const QAbstractItemModel *m = sourceModel();
    const QString name = m->index(sourceRow, NameColumn, sourceParent).data().toString();
    const QString number = m->index(sourceRow, NumberColumn, sourceParent).data().toString();
    // Names are stored with doubled blanks at times ("JOHN  DOE"): compared with single ones.
    return name.simplified().contains(m_text, Qt::CaseInsensitive) || number.contains(m_text, Qt::CaseInsensitive) ||
           (!m_digits.isEmpty() && digitsOf(number).contains(m_digits));
}
