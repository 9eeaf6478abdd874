#include "reportdocuments.h"

#include "bill.h"
#include "formatting.h"
#include "htmltext.h"
#include "payee.h"
#include "payeeorder.h"

#include <QVector>

#include <algorithm>
#include <functional>

namespace ReportDocuments {

namespace {

enum class Columns
{
    Four,
    Five,
    Six
};

using BillTest = std::function<bool(const Bill &)>;

// What sets one bill report apart from the others.
struct BillReport
{
    QString name;
    QString totalLabel;
    Columns columns;
    BillTest listed;
    // Of the listed bills, those whose amounts make up the total.
    BillTest counted;
};

// The first and the last day of the month of a date, both included.
struct MonthWindow
{
    QDate first;
    QDate last;

    explicit MonthWindow(const QDate &day)
        : first(day.year(), day.month(), 1), last(day.year(), day.month(), day.daysInMonth())
    {
    }
    bool contains(const QDate &date) const { return date >= first && date <= last; }
};

QVector<const Bill *> listedBills(const BillsById &bills, const BillTest &listed)
{
    QVector<const Bill *> rows;
    for (const auto &bill : bills)
        if (bill && listed(*bill))
            rows.append(bill.get());
    std::sort(rows.begin(), rows.end(), [](const Bill *a, const Bill *b) {
        if (a->dueDate() != b->dueDate())
            return a->dueDate() < b->dueDate();
        return a->id() < b->id();
    });
    return rows;
}

void appendHead(QString &html, const QString &name)
{
    html += QLatin1String("<html><head><title>") + name +
            QLatin1String("</title></head><body><center><table width='100%'>");
    html += QLatin1String("<tr><td><table width='100%' cellspacing='0' cellpadding='2'>");
    html += QLatin1String("<tr><td><b><u>Report Summary</u></b></td><td></td></tr>");
    html += QLatin1String("<tr><td><b>Report:</b></td><td>") + name + QLatin1String("</td></tr>");
}

void appendReportDate(QString &html, const QDate &today)
{
    html += QLatin1String("<tr><td><b>Report Date:</b></td><td>") + today.toString(Qt::TextDate) +
            QLatin1String("</td></tr>");
}

void appendSummaryEnd(QString &html)
{
    html += QLatin1String("</table></td></tr>");
    html += QLatin1String("<tr width='100%'><td height='5'></td></tr>");
}

void appendHeaderRow(QString &html, Columns columns)
{
    html += QLatin1String("<tr><td><b><u>Payee</b></u></td><td><b><u>Description</b></u></td>"
                          "<td><b><u>Due Date</b></u></td>");
    if (columns != Columns::Four)
        html += QLatin1String("<td><b><u>Paid Date</b></u></td>");
    html += QLatin1String("<td><b><u>Amount</b></u></td>");
    if (columns == Columns::Six)
        html += QLatin1String("<td><b><u>Paid</b></u></td>");
    html += QLatin1String("</tr>");
}

void appendBillRow(QString &html, const Bill &bill, Columns columns, const QString &colour)
{
    html += QLatin1String("<tr bgcolor='") + colour + QLatin1String("' bordercolor='") + colour +
            QLatin1String("'><td>") + htmlText(bill.payee().payeeName()) +
            QLatin1String("</td><td>") + htmlText(bill.description()) + QLatin1String("</td><td>") +
            Formatting::shortDate(bill.dueDate());
    const QString amount = Formatting::currency(bill.amount());
    switch (columns) {
    case Columns::Four:
        html += QLatin1String("</td><td>") + amount + QLatin1String("</td></tr>");
        break;
    case Columns::Five:
        html += QLatin1String("</td><td>") + Formatting::shortDate(bill.paidDate()) +
                QLatin1String("</td><td>") + amount + QLatin1String("</td></tr>");
        break;
    case Columns::Six:
        html += QLatin1String("</td>");
        if (bill.isPaid())
            html += QLatin1String("<td>") + Formatting::shortDate(bill.paidDate()) +
                    QLatin1String("</td>");
        else
            html += QLatin1String("<td></td>");
        html += QLatin1String("<td>") + amount + QLatin1String("</td><td>") +
                (bill.isPaid() ? QLatin1String("<b>Yes</b>") : QLatin1String("No")) +
                QLatin1String("</td></tr>");
        break;
    }
}

QString billReport(const BillsById &bills, const QDate &today, const BillReport &report)
{
    const QVector<const Bill *> rows = listedBills(bills, report.listed);
    double total = 0.0;
    for (const Bill *bill : rows)
        if (report.counted(*bill))
            total += bill->amount();

    QString html;
    // One growing string: a row takes a few hundred characters.
    html.reserve(2048 + int(rows.size()) * 384);
    appendHead(html, report.name);
    appendReportDate(html, today);
    html += QLatin1String("<tr><td><b>") + report.totalLabel + QLatin1String("</b></td><td>") +
            Formatting::currency(total) + QLatin1String("</td></tr>");
    appendSummaryEnd(html);
    html += QLatin1String("<tr><td><table width='100%' cellspacing='0' cellpadding='2'>");
    appendHeaderRow(html, report.columns);

    const QString lightGrey = QStringLiteral("LightGrey");
    const QString white = QStringLiteral("White");
    QString colour = lightGrey;
    for (const Bill *bill : rows) {
        appendBillRow(html, *bill, report.columns, colour);
        colour = colour == lightGrey ? white : lightGrey;
    }
    html += QLatin1String("</td></tr></table></center></body></html>");
    return html;
}

bool always(const Bill &)
{
    return true;
}

bool unpaid(const Bill &bill)
{
    return !bill.isPaid();
}

} // namespace

QString pastDue(const BillsById &bills, const QDate &today)
{
    const BillTest listed = [today](const Bill &bill) {
        return !bill.isPaid() && bill.dueDate() < today;
    };
    return billReport(bills, today,
                      {QStringLiteral("Past Due"), QStringLiteral("Total Past Due:"), Columns::Four,
                       listed, always});
}

QString currentMonth(const BillsById &bills, const QDate &today)
{
    const MonthWindow month(today);
    const BillTest listed = [month](const Bill &bill) { return month.contains(bill.dueDate()); };
    return billReport(
        bills, today,
        {QStringLiteral("Current Month"),
         QStringLiteral("Total Unpaid For ") + Formatting::monthName(today) + QLatin1Char(':'),
         Columns::Six, listed, unpaid});
}

QString currentMonthBillsDue(const BillsById &bills, const QDate &today)
{
    const MonthWindow month(today);
    const BillTest listed = [month](const Bill &bill) {
        return !bill.isPaid() && month.contains(bill.dueDate());
    };
    return billReport(
        bills, today,
        {QStringLiteral("Current Month Bills Due"),
         QStringLiteral("Total Due In ") + Formatting::monthName(today) + QLatin1Char(':'),
         Columns::Four, listed, always});
}

QString currentMonthBillsPaid(const BillsById &bills, const QDate &today)
{
    const MonthWindow month(today);
    const BillTest listed = [month](const Bill &bill) {
        return bill.isPaid() && month.contains(bill.paidDate());
    };
    return billReport(
        bills, today,
        {QStringLiteral("Current Month Bills Paid"),
         QStringLiteral("Total Paid In ") + Formatting::monthName(today) + QLatin1Char(':'),
         Columns::Five, listed, always});
}

QString lastMonthBills(const BillsById &bills, const QDate &today)
{
    const QDate dayLastMonth = today.addMonths(-1);
    const MonthWindow month(dayLastMonth);
    const BillTest listed = [month](const Bill &bill) { return month.contains(bill.dueDate()); };
    return billReport(
        bills, today,
        {QStringLiteral("Last Month Bills"),
         QStringLiteral("Total Due For ") + Formatting::monthName(dayLastMonth) + QLatin1Char(':'),
         Columns::Six, listed, unpaid});
}

QString payeeList(const PayeesById &payees, const QDate &today)
{
    const QList<DataFile::PayeePtr> sorted = payeesByName(payees);
    QString html;
    html.reserve(2048 + int(sorted.size()) * 512);
    const QString name = QStringLiteral("Payee List");
    appendHead(html, name);
    appendReportDate(html, today);
    appendSummaryEnd(html);
    for (const DataFile::PayeePtr &payee : sorted) {
        html += QLatin1String("<tr><td><table width='100%' cellspacing='0' cellpadding='2' "
                              "border='1' bordercolor='LightGrey'>");
        html += QLatin1String("<tr><td><b>Payee Name:</b></td><td>") +
                htmlText(payee->payeeName()) + QLatin1String("</td></tr>");
        html += QLatin1String("<tr><td><b>Account Number:</b></td><td>") +
                htmlText(payee->accountNumber()) + QLatin1String("</td></tr>");
        html += QLatin1String("<tr><td><b>Mailing Address:</b></td><td>") +
                htmlText(payee->mailingAddress()) + QLatin1String("</td></tr>");
        html += QLatin1String("<tr><td><b>Note:</b></td><td>") + htmlText(payee->note()) +
                QLatin1String("</td></tr>");
        html += QLatin1String("</table></td></tr>");
        html += QLatin1String("<tr width='100%'><td><br><br></td></tr>");
    }
    html += QLatin1String("</table></center></body></html>");
    return html;
}

} // namespace ReportDocuments
