#pragma once

#include "datafile.h"

#include <QDate>
#include <QList>
#include <QString>

class Payee;
class QTreeWidgetItem;

// What the open bills add up to on one day: the four lines of the window's summary. A line
// that adds in any estimate is itself one, and is marked so.
struct BillTotals
{
    double pastDue = 0.0;
    double dueInSevenDays = 0.0;
    double dueThisMonth = 0.0;
    double total = 0.0;
    bool pastDueEstimated = false;
    bool dueInSevenDaysEstimated = false;
    bool dueThisMonthEstimated = false;
    bool totalEstimated = false;
};

// Sums the balances of the bills. Due in 7 days has no lower bound: what is overdue or due
// today is owed within the week as well.
BillTotals billTotals(const QList<DataFile::BillPtr> &bills, const QDate &today);

// The summary panel's document for those totals.
QString summaryDocument(const BillTotals &totals, const QDate &today);

// The panel's document for a selected bill's payee.
QString payeeDocument(const Payee &payee);

// One list row per bill, in the bills' order: payee, description, due date and balance, all
// centred, the due date on red when overdue and on yellow when due today, and the bill's id in
// the first cell's user role. The rows are BillListItems; the caller takes ownership of them.
QList<QTreeWidgetItem *> billRows(const QList<DataFile::BillPtr> &bills, const QDate &today);
