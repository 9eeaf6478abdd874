#include "billsummary.h"

#include "bill.h"
#include "formatting.h"
#include "htmltext.h"
#include "payee.h"

#include <QBrush>
#include <QColor>
#include <QTreeWidgetItem>

namespace {
const int dueDateColumn = 2;
const int columnCount = 4;
} // namespace

BillTotals billTotals(const QList<DataFile::BillPtr> &bills, const QDate &today)
{
    const QDate weekEnd = today.addDays(7);
    const QDate monthStart(today.year(), today.month(), 1);
    const QDate monthEnd(today.year(), today.month(), today.daysInMonth());
    BillTotals totals;
    for (const DataFile::BillPtr &bill : bills) {
        const QDate due = bill->dueDate();
        const double balance = bill->balance();
        if (due < today)
            totals.pastDue += balance;
        if (due <= weekEnd)
            totals.dueInSevenDays += balance;
        if (due >= monthStart && due <= monthEnd)
            totals.dueThisMonth += balance;
        totals.total += balance;
    }
    return totals;
}

QString summaryDocument(const BillTotals &totals, const QDate &today)
{
    return QStringLiteral("<html><body><font size='5'><table width='100%'><tr><td><b>Past "
                          "Due:</b></td><td>") +
           Formatting::currency(totals.pastDue) +
           QStringLiteral("</td></tr><tr><td><b>Due in 7 days:</b></td><td>") +
           Formatting::currency(totals.dueInSevenDays) +
           QStringLiteral("</td></tr><tr><td><b>Due in ") + Formatting::monthName(today) +
           QStringLiteral(":</b></td><td>") + Formatting::currency(totals.dueThisMonth) +
           QStringLiteral("</td></tr><tr><td><b>Total Due:</b></td><td>") +
           Formatting::currency(totals.total) +
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
    const QBrush overdue(QColor(QStringLiteral("red")));
    const QBrush dueToday(QColor(QStringLiteral("yellow")));
    QList<QTreeWidgetItem *> rows;
    rows.reserve(bills.size());
    for (const DataFile::BillPtr &bill : bills) {
        auto *row = new QTreeWidgetItem(QStringList{bill->payee().payeeName(), bill->description(),
                                                    Formatting::shortDate(bill->dueDate()),
                                                    Formatting::currency(bill->balance())});
        for (int column = 0; column < columnCount; ++column)
            row->setTextAlignment(column, Qt::AlignHCenter | Qt::AlignVCenter);
        if (bill->dueDate() < today)
            row->setBackground(dueDateColumn, overdue);
        else if (bill->dueDate() == today)
            row->setBackground(dueDateColumn, dueToday);
        row->setData(0, Qt::UserRole, bill->id());
        rows.append(row);
    }
    return rows;
}
