#include "billsummary.h"

#include "bill.h"
#include "billlist.h"
#include "formatting.h"
#include "htmltext.h"
#include "payee.h"

BillTotals billTotals(const QList<DataFile::BillPtr> &bills, const QDate &today)
{
    const QDate weekEnd = today.addDays(7);
    const QDate monthStart(today.year(), today.month(), 1);
    const QDate monthEnd(today.year(), today.month(), today.daysInMonth());
    BillTotals totals;
    for (const DataFile::BillPtr &bill : bills) {
        const QDate due = bill->dueDate();
        const double balance = bill->balance();
        const bool estimate = bill->isEstimate();
        if (due < today) {
            totals.pastDue += balance;
            totals.pastDueEstimated |= estimate;
        }
        if (due <= weekEnd) {
            totals.dueInSevenDays += balance;
            totals.dueInSevenDaysEstimated |= estimate;
        }
        if (due >= monthStart && due <= monthEnd) {
            totals.dueThisMonth += balance;
            totals.dueThisMonthEstimated |= estimate;
        }
        totals.total += balance;
        totals.totalEstimated |= estimate;
    }
    return totals;
}

QString summaryDocument(const BillTotals &totals, const QDate &today)
{
    return QStringLiteral("<html><body><font size='5'><table width='100%'><tr><td><b>Past "
                          "Due:</b></td><td>") +
           Formatting::currency(totals.pastDue, totals.pastDueEstimated) +
           QStringLiteral("</td></tr><tr><td><b>Due in 7 days:</b></td><td>") +
           Formatting::currency(totals.dueInSevenDays, totals.dueInSevenDaysEstimated) +
           QStringLiteral("</td></tr><tr><td><b>Due in ") + Formatting::monthName(today) +
           QStringLiteral(":</b></td><td>") +
           Formatting::currency(totals.dueThisMonth, totals.dueThisMonthEstimated) +
           QStringLiteral("</td></tr><tr><td><b>Total Due:</b></td><td>") +
           Formatting::currency(totals.total, totals.totalEstimated) +
           QStringLiteral("</td></tr></table></font></body></html>");
}

QString payeeDocument(const Payee &payee)
{
    return QStringLiteral("<html><head></head><body width='100%'><font size='5'>") +
           QStringLiteral("<b>Payee:</b> ") + htmlText(payee.payeeName()) +
           QStringLiteral("<br><br>") + QStringLiteral("<b>Mailing Address:</b> ") +
           htmlText(payee.mailingAddress()) + QStringLiteral("<br><br>") +
           QStringLiteral("<b>Account Number:</b> ") + htmlText(payee.accountNumber()) +
           QStringLiteral("<br>") + QStringLiteral("</font></body></html>");
}

QList<QTreeWidgetItem *> billRows(const QList<DataFile::BillPtr> &bills, const QDate &today)
{
    QList<QTreeWidgetItem *> rows;
    rows.reserve(bills.size());
    for (const DataFile::BillPtr &bill : bills)
        rows.append(new BillListItem(bill, today));
    return rows;
}
