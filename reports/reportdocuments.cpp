#include "reportdocuments.h"

#include "bill.h"
#include "formatting.h"
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

QList<ReportColumn> billColumns(Columns columns)
{
    QList<ReportColumn> list{{QStringLiteral("Payee"), ReportColumnKind::Text},
                             {QStringLiteral("Description"), ReportColumnKind::Text},
                             {QStringLiteral("Due Date"), ReportColumnKind::Date}};
    if (columns != Columns::Four)
        list.append({QStringLiteral("Paid Date"), ReportColumnKind::Date});
    list.append({QStringLiteral("Amount"), ReportColumnKind::Money});
    if (columns == Columns::Six)
        list.append({QStringLiteral("Paid"), ReportColumnKind::YesNo});
    return list;
}

// The amount the bill is expected to come to: the forecast of an estimate, marked as such.
QVariant amountCell(const Bill &bill)
{
    return ReportContents::money(bill.expectedAmount(), bill.isEstimate());
}

QVariantList billRow(const Bill &bill, Columns columns)
{
    QVariantList row{bill.payee().payeeName(), bill.description(), bill.dueDate()};
    switch (columns) {
    case Columns::Four:
        row.append(amountCell(bill));
        break;
    case Columns::Five:
        row.append(bill.paidDate());
        row.append(amountCell(bill));
        break;
    case Columns::Six:
        row.append(bill.isPaid() ? bill.paidDate() : QDate());
        row.append(amountCell(bill));
        row.append(bill.isPaid());
        break;
    }
    return row;
}

ReportContent billReport(const BillsById &bills, const QDate &today, const BillReport &report)
{
    const QVector<const Bill *> listed = listedBills(bills, report.listed);
    double total = 0.0;
    // A total that counts a single estimate is itself only an estimate.
    bool estimated = false;
    ReportContent content;
    content.name = report.name;
    content.reportDate = today;
    content.columns = billColumns(report.columns);
    content.rows.reserve(listed.size());
    for (const Bill *bill : listed) {
        if (report.counted(*bill)) {
            total += bill->expectedAmount();
            estimated = estimated || bill->isEstimate();
        }
        content.rows.append(billRow(*bill, report.columns));
    }
    content.summaryLines.append({report.totalLabel, ReportContents::moneyText(total, estimated)});
    return content;
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

ReportContent pastDue(const BillsById &bills, const QDate &today)
{
    const BillTest listed = [today](const Bill &bill) {
        return !bill.isPaid() && bill.dueDate() < today;
    };
    return billReport(bills, today,
                      {QStringLiteral("Past Due"), QStringLiteral("Total Past Due:"), Columns::Four,
                       listed, always});
}

ReportContent currentMonth(const BillsById &bills, const QDate &today)
{
    const MonthWindow month(today);
    const BillTest listed = [month](const Bill &bill) { return month.contains(bill.dueDate()); };
    return billReport(
        bills, today,
        {QStringLiteral("Current Month"),
         QStringLiteral("Total Unpaid For ") + Formatting::monthName(today) + QLatin1Char(':'),
         Columns::Six, listed, unpaid});
}

ReportContent currentMonthBillsDue(const BillsById &bills, const QDate &today)
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

ReportContent currentMonthBillsPaid(const BillsById &bills, const QDate &today)
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

ReportContent lastMonthBills(const BillsById &bills, const QDate &today)
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

ReportContent payeeList(const PayeesById &payees, const QDate &today)
{
    ReportContent content;
    content.name = QStringLiteral("Payee List");
    content.reportDate = today;
    content.layout = ReportContent::Layout::Records;
    content.columns = {{QStringLiteral("Payee Name"), ReportColumnKind::Text},
                       {QStringLiteral("Account Number"), ReportColumnKind::Text},
                       {QStringLiteral("Mailing Address"), ReportColumnKind::Text},
                       {QStringLiteral("Note"), ReportColumnKind::Text}};
    for (const DataFile::PayeePtr &payee : payeesByName(payees))
        content.rows.append(
            {payee->payeeName(), payee->accountNumber(), payee->mailingAddress(), payee->note()});
    return content;
}

} // namespace ReportDocuments
