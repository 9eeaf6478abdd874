#include "billlist.h"

#include "bill.h"
#include "formatting.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

namespace {
// Negative, zero or positive as a sorts before, with or after b in the column alone.
int compareColumn(const Bill &a, const Bill &b, int column)
{
    switch (column) {
    case PayeeColumn:
        return QString::compare(a.payeeName(), b.payeeName(), Qt::CaseInsensitive);
    case DescriptionColumn:
        return QString::compare(a.description(), b.description(), Qt::CaseInsensitive);
    case AmountColumn: {
        const double left = a.balance();
        const double right = b.balance();
        return left < right ? -1 : (right < left ? 1 : 0);
    }
    default:
        return 0; // the due date is the tie-break of every column
    }
}
} // namespace

bool billShownBefore(const Bill &a, const Bill &b, int column, Qt::SortOrder order)
{
    const int byColumn = compareColumn(a, b, column);
    if (byColumn != 0)
        return order == Qt::AscendingOrder ? byColumn < 0 : byColumn > 0;
    if (a.dueDate() != b.dueDate()) {
        const bool earlier = a.dueDate() < b.dueDate();
        // The due date column itself turns with the direction; as a tie-break it does not.
        return column == DueDateColumn && order == Qt::DescendingOrder ? !earlier : earlier;
    }
    return a.id() < b.id();
}

void sortBills(QList<DataFile::BillPtr> &bills, int column, Qt::SortOrder order)
{
    const auto shownBefore = [column, order](const DataFile::BillPtr &a,
                                             const DataFile::BillPtr &b) {
        return billShownBefore(*a, *b, column, order);
    };
    // A load gives the bills by due date already, the order the list starts in; checking that
    // costs one pass and leaves the loaded list unshared.
    if (!std::is_sorted(bills.cbegin(), bills.cend(), shownBefore))
        std::stable_sort(bills.begin(), bills.end(), shownBefore);
}

BillListItem::BillListItem(DataFile::BillPtr bill, const QDate &today)
    : QTreeWidgetItem(UserType), m_bill(std::move(bill)),
      m_due(m_bill->dueDate() < today    ? Due::Overdue
            : m_bill->dueDate() == today ? Due::Today
                                         : Due::Later)
{
}

QVariant BillListItem::data(int column, int role) const
{
    if (column < 0 || column >= BillColumnCount)
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case PayeeColumn:
            return m_bill->payeeName();
        case DescriptionColumn:
            return m_bill->description();
        case DueDateColumn:
            return Formatting::shortDate(m_bill->dueDate());
        default:
            return Formatting::currency(m_bill->balance(), m_bill->isEstimate());
        }
    case Qt::TextAlignmentRole:
        return int(Qt::AlignHCenter | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (column == DueDateColumn && m_due == Due::Overdue)
            return QBrush(QColor(Qt::red));
        if (column == DueDateColumn && m_due == Due::Today)
            return QBrush(QColor(Qt::yellow));
        return QVariant();
    case Qt::UserRole:
        if (column == PayeeColumn)
            return m_bill->id();
        break;
    default:
        break;
    }
    return QTreeWidgetItem::data(column, role);
}

bool BillListItem::operator<(const QTreeWidgetItem &other) const
{
    if (other.type() != UserType)
        return QTreeWidgetItem::operator<(other);
    const Bill &otherBill = *static_cast<const BillListItem &>(other).m_bill;
    const QTreeWidget *list = treeWidget();
    const int column = list ? list->sortColumn() : int(DueDateColumn);
    const Qt::SortOrder order = list ? list->header()->sortIndicatorOrder() : Qt::AscendingOrder;
    // A list sorted downwards puts a row first when the other is less than it; this row is
    // less when the other comes first, which keeps equal rows ascending there too.
    return order == Qt::AscendingOrder ? billShownBefore(*m_bill, otherBill, column, order)
                                       : billShownBefore(otherBill, *m_bill, column, order);
}
