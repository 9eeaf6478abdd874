#pragma once

#include <QByteArray>
#include <QDate>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QVariant>

class QTextDocument;

// What a column holds decides how its values are shown and how they are exported.
enum class ReportColumnKind
{
    Text,  // QString, shown as it is and exported as text no spreadsheet takes for a formula
    Date,  // QDate: "MM/dd/yyyy" shown, yyyy-MM-dd exported, an invalid date as empty
    Money, // double, or ReportEstimate: "$1,234.50" (or "≈$1,234.50") shown, 1234.50 exported
    YesNo, // bool: "Yes" (bold) or "No"
    Month  // QDate, any day of the month: "Dec 2026" shown, 2026-12 exported
};

// A Money value that rests on an estimate: shown marked, exported as the plain figure with the
// row's Estimate field set. A plain double in a Money cell is a confirmed amount.
struct ReportEstimate
{
    double amount = 0.0;
};
bool operator==(const ReportEstimate &a, const ReportEstimate &b);
Q_DECLARE_METATYPE(ReportEstimate)

struct ReportColumn
{
    QString title;
    ReportColumnKind kind = ReportColumnKind::Text;
};

// One report as data, before it becomes HTML, a laid-out document or a CSV file, so that the
// three always agree. The summary block starts with the report's name and date; the lines
// here follow them (a total, for instance).
struct ReportContent
{
    enum class Layout
    {
        // One table with a header row and rows on alternating backgrounds.
        Table,
        // One bordered block per row, each value on its own line after its column's title
        // (the payee list).
        Records
    };

    QString name;
    QDate reportDate;
    QList<QPair<QString, QString>> summaryLines;
    Layout layout = Layout::Table;
    QList<ReportColumn> columns;
    // One value per column, of the type its kind names.
    QList<QVariantList> rows;
    // Drawn between the summary and the table when not null. Its device pixel ratio says how
    // much sharper than the screen it is drawn; it is shown at its size divided by that ratio.
    QImage chart;
    // A line under the chart (its legend is in the picture), empty for none.
    QString chartCaption;
};

namespace ReportContents {

// A Money cell's value: a plain double when the amount is confirmed, a ReportEstimate when not.
QVariant money(double amount, bool estimate);
// What a Money cell holds, and whether it rests on an estimate.
double amountOf(const QVariant &value);
bool isEstimate(const QVariant &value);
// "$86.40", or "≈$86.40" for an amount that rests on an estimate (a total that counts one, too).
QString moneyText(double amount, bool estimate);

// A value as the report shows it and as a CSV file holds it.
QString shownText(ReportColumnKind kind, const QVariant &value);
QString exportText(ReportColumnKind kind, const QVariant &value);

// The rows as CSV: a header of the column titles, then one record per row. A table with amounts
// ends each record with "Estimate", Yes when any amount of the row rests on an estimate, so
// that the amounts themselves stay figures a spreadsheet can add up.
QByteArray csvDocument(const ReportContent &content);

// The report as one HTML document, as the report window has always produced it.
QString html(const ReportContent &content);

// The same report built straight into a rich-text document, which is far quicker to lay out
// than the HTML is to import. The chart, if any, becomes one of the document's resources.
// textWidth is the width the document will be laid out at, in screen pixels, over which the
// columns are spread; 0 gives each column what its values need.
void buildDocument(const ReportContent &content, QTextDocument *document, qreal textWidth);

} // namespace ReportContents
