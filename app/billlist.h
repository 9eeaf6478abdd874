#pragma once

#include "datafile.h"

#include <QDate>
#include <QList>
#include <QTreeWidgetItem>

class Bill;

// The columns of the window's bill list.
enum BillColumn
{
    PayeeColumn = 0,
    DescriptionColumn,
    DueDateColumn,
    AmountColumn,
    BillColumnCount
};

// Whether a comes before b in a list ordered by column: payees and descriptions ignoring case,
// due dates as dates, amounts (the balance shown, which rests on the forecast of an estimate) as
// numbers. Bills that are equal in that
// column always follow their due date and then their id, both ascending, whichever way the
// column runs, so that the order of equal rows never depends on the order they came in.
bool billShownBefore(const Bill &a, const Bill &b, int column, Qt::SortOrder order);

// Puts the bills in the order billShownBefore gives.
void sortBills(QList<DataFile::BillPtr> &bills, int column, Qt::SortOrder order);

// One row of the list. A list of many thousand bills would hold the four texts, their
// alignment and a colour per cell as stored values; this row keeps the bill and whether it was
// overdue or due on the day the list was made, and works out what a cell shows when asked.
// What is set with setData in the roles it answers is not shown.
class BillListItem : public QTreeWidgetItem
{
public:
    BillListItem(DataFile::BillPtr bill, const QDate &today);

    const DataFile::BillPtr &bill() const { return m_bill; }

    QVariant data(int column, int role) const override;
    // Follows the sort column and direction of the list the row is in, as sortItems() asks.
    bool operator<(const QTreeWidgetItem &other) const override;

private:
    enum class Due : unsigned char
    {
        Later,
        Today,
        Overdue
    };

    DataFile::BillPtr m_bill;
    Due m_due;
};
