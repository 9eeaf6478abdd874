#include "bill.h"
#include "clock.h"
#include "csvparse.h"
#include "datafile.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "payee.h"
#include "reportdialog.h"
#include "reportdocuments.h"
#include "scratchdatafile.h"
#include "testmain.h"

#include <QAbstractTextDocumentLayout>
#include <QMap>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>

using ReportDocuments::BillsById;
using ReportDocuments::PayeesById;

namespace {
const QDate today(2026, 3, 18); // a Wednesday
using ReportFunction = QString (*)(const BillsById &, const QDate &);

// The reports as the HTML document the window has always produced.
namespace ReportHtml {
template <ReportContent (*report)(const BillsById &, const QDate &)>
QString html(const BillsById &bills, const QDate &today)
{
    return ReportContents::html(report(bills, today));
}
const ReportFunction pastDue = html<&ReportDocuments::pastDue>;
const ReportFunction currentMonth = html<&ReportDocuments::currentMonth>;
const ReportFunction currentMonthBillsDue = html<&ReportDocuments::currentMonthBillsDue>;
const ReportFunction currentMonthBillsPaid = html<&ReportDocuments::currentMonthBillsPaid>;
const ReportFunction lastMonthBills = html<&ReportDocuments::lastMonthBills>;
QString payeeList(const PayeesById &payees, const QDate &today)
{
    return ReportContents::html(ReportDocuments::payeeList(payees, today));
}
} // namespace ReportHtml
} // namespace
Q_DECLARE_METATYPE(ReportFunction)
using ContentFunction = ReportContent (*)(const BillsById &, const QDate &);
Q_DECLARE_METATYPE(ContentFunction)

namespace {

std::shared_ptr<Payee> payee(int id, const QString &name)
{
    auto made = std::make_shared<Payee>();
    made->setId(id);
    made->setPayeeName(name);
    return made;
}

void addBill(BillsById &bills, int id, const QString &payeeName, const QString &description,
             double amount, const QDate &due, const QDate &paid = QDate())
{
    auto bill = std::make_shared<Bill>();
    bill->setId(id);
    bill->setPayee(*payee(id, payeeName));
    bill->setDescription(description);
    bill->setAmount(amount);
    bill->setDueDate(due);
    bill->setPaid(paid.isValid());
    bill->setPaidDate(paid.isValid() ? paid : Bill::neverPaidDate());
    bills.insert(id, bill);
}

// Today and yesterday, a paid bill of last week, one due last month and paid this month, an
// unpaid one of last month and one of next month.
BillsById sampleBills()
{
    BillsById bills;
    addBill(bills, 1, "Power Co", "March power", 80.0, today);
    addBill(bills, 2, "Water Works", "Water", 45.5, today.addDays(-1));
    addBill(bills, 3, "Phone Inc", "Phone", 1234.5, QDate(2026, 3, 11), QDate(2026, 3, 12));
    addBill(bills, 4, "Power Co", "February power", 70.0, QDate(2026, 2, 20), QDate(2026, 3, 2));
    addBill(bills, 5, "Rent LLC", "February rent", 900.0, QDate(2026, 2, 1));
    addBill(bills, 6, "Phone Inc", "April phone", 30.0, QDate(2026, 4, 5));
    return bills;
}

// The sample bills, but March's power bill forecast from its series, a gas bill of a series
// with no confirmed amount yet, and February's power bill paid while still an estimate.
BillsById billsWithEstimates()
{
    BillsById bills = sampleBills();
    bills.value(1)->setEstimate(true);
    bills.value(1)->setForecast(86.4);
    addBill(bills, 7, "Gas Co", "Gas", 60.0, QDate(2026, 3, 5));
    bills.value(7)->setEstimate(true);
    bills.value(4)->setEstimate(true);
    bills.value(4)->setForecast(75.1);
    return bills;
}

QString head(const QString &name, const QString &date = "Wed Mar 18 2026")
{
    return "<html><head><title>" + name +
           "</title></head><body><center><table width='100%'>"
           "<tr><td><table width='100%' cellspacing='0' cellpadding='2'>"
           "<tr><td><b><u>Report Summary</u></b></td><td></td></tr>"
           "<tr><td><b>Report:</b></td><td>" +
           name + "</td></tr><tr><td><b>Report Date:</b></td><td>" + date + "</td></tr>";
}

QString billHead(const QString &name, const QString &totalLabel, const QString &total,
                 const QString &header)
{
    return head(name) + "<tr><td><b>" + totalLabel + "</b></td><td>" + total +
           "</td></tr></table></td></tr><tr width='100%'><td height='5'></td></tr>"
           "<tr><td><table width='100%' cellspacing='0' cellpadding='2'>" +
           header;
}

const QString fourColumns =
    "<tr><td><b><u>Payee</b></u></td><td><b><u>Description</b></u></td><td><b><u>Due "
    "Date</b></u></td><td><b><u>Amount</b></u></td></tr>";
const QString fiveColumns =
    "<tr><td><b><u>Payee</b></u></td><td><b><u>Description</b></u></td><td><b><u>Due "
    "Date</b></u></td><td><b><u>Paid Date</b></u></td><td><b><u>Amount</b></u></td></tr>";
const QString sixColumns =
    "<tr><td><b><u>Payee</b></u></td><td><b><u>Description</b></u></td><td><b><u>Due "
    "Date</b></u></td><td><b><u>Paid Date</b></u></td><td><b><u>Amount</b></u></td><td><b><u>"
    "Paid</b></u></td></tr>";
const QString end = "</td></tr></table></center></body></html>";

QString row(const QString &colour, const QString &cells)
{
    return "<tr bgcolor='" + colour + "' bordercolor='" + colour + "'><td>" + cells + "</tr>";
}

int rowCount(const QString &html)
{
    return int(html.count(QStringLiteral("<tr bgcolor=")));
}
} // namespace

class TestReports : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(today, QTime(9, 30))); }
    void cleanup() { Clock::reset(); }

    // Documents
    void billReportText_data();
    void billReportText();
    void payeeListText();
    void monthWindows_data();
    void monthWindows();
    void userTextIsShownAsText();
    void rowsByDueDateThenId();
    void payeesByNameThenId();
    void tenThousandBills();
    void csvHoldsTheRows_data();
    void csvHoldsTheRows();

    // Laid-out document
    void rowsKeepTheirColumns_data();
    void rowsKeepTheirColumns();
    void estimatesAreMarked_data();
    void estimatesAreMarked();
    void printedRowsFitThePage();

    // Dialog
    void listAndPlaceholder();
    void clickingAReportReplacesThePrevious();
    void scrollBarShowsOnlyForALongReport();
    void printsReportToPdf();
    void exportWritesTheShownReport_data();
    void exportWritesTheShownReport();
    void printButtonAsksForAPrinter();
    void cancelClosesTheDialog();
};

void TestReports::billReportText_data()
{
    QTest::addColumn<ReportFunction>("report");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("totalLabel");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("rows");

    // Yesterday is past due, today is not; the paid bill of last week is in neither.
    QTest::newRow("Past Due") << ReportHtml::pastDue << "Past Due"
                              << "Total Past Due:" << fourColumns << "$945.50"
                              << row("LightGrey", "Rent LLC</td><td>February rent</td><td>"
                                                  "02/01/2026</td><td>$900.00</td>") +
                                     row("White", "Water Works</td><td>Water</td><td>03/17/"
                                                  "2026</td><td>$45.50</td>");
    QTest::newRow("Current Month")
        << ReportHtml::currentMonth << "Current Month"
        << "Total Unpaid For March:" << sixColumns << "$125.50"
        << row("LightGrey", "Phone Inc</td><td>Phone</td><td>03/11/2026</td><td>03/12/"
                            "2026</td><td>$1,234.50</td><td><b>Yes</b></td>") +
               row("White", "Water Works</td><td>Water</td><td>03/17/2026</td><td></td>"
                            "<td>$45.50</td><td>No</td>") +
               row("LightGrey", "Power Co</td><td>March power</td><td>03/18/2026</td><td></td>"
                                "<td>$80.00</td><td>No</td>");
    QTest::newRow("Current Month Bills Due")
        << ReportHtml::currentMonthBillsDue << "Current Month Bills Due"
        << "Total Due In March:" << fourColumns << "$125.50"
        << row("LightGrey", "Water Works</td><td>Water</td><td>03/17/2026</td><td>$45.50</td>") +
               row("White", "Power Co</td><td>March power</td><td>03/18/2026</td><td>$80.00</td>");
    // A bill due last month and paid this month shows its own due date.
    QTest::newRow("Current Month Bills Paid")
        << ReportHtml::currentMonthBillsPaid << "Current Month Bills Paid"
        << "Total Paid In March:" << fiveColumns << "$1,304.50"
        << row("LightGrey", "Power Co</td><td>February power</td><td>02/20/2026</td><td>"
                            "03/02/2026</td><td>$70.00</td>") +
               row("White", "Phone Inc</td><td>Phone</td><td>03/11/2026</td><td>03/12/2026"
                            "</td><td>$1,234.50</td>");
    QTest::newRow("Last Month Bills")
        << ReportHtml::lastMonthBills << "Last Month Bills"
        << "Total Due For February:" << sixColumns << "$900.00"
        << row("LightGrey", "Rent LLC</td><td>February rent</td><td>02/01/2026</td>"
                            "<td></td><td>$900.00</td><td>No</td>") +
               row("White", "Power Co</td><td>February power</td><td>02/20/2026</td><td>"
                            "03/02/2026</td><td>$70.00</td><td><b>Yes</b></td>");
}

void TestReports::billReportText()
{
    QFETCH(ReportFunction, report);
    QFETCH(QString, name);
    QFETCH(QString, totalLabel);
    QFETCH(QString, header);
    QFETCH(QString, total);
    QFETCH(QString, rows);
    QCOMPARE(report(sampleBills(), today), billHead(name, totalLabel, total, header) + rows + end);
    // Nothing to list is still a whole document, with a total of nothing.
    QCOMPARE(report({}, today), billHead(name, totalLabel, "$0.00", header) + end);
}

void TestReports::payeeListText()
{
    PayeesById payees;
    auto power = payee(4, "Power Co");
    power->setAccountNumber("A-17");
    power->setMailingAddress("1 Grid Road\nVoltville");
    power->setNote("Pays by card");
    payees.insert(4, power);
    payees.insert(2, payee(2, "Anvil Rentals"));

    auto block = [](const QString &name, const QString &account, const QString &address,
                    const QString &note) {
        return "<tr><td><table width='100%' cellspacing='0' cellpadding='2' border='1' "
               "bordercolor='LightGrey'><tr><td><b>Payee Name:</b></td><td>" +
               name + "</td></tr><tr><td><b>Account Number:</b></td><td>" + account +
               "</td></tr><tr><td><b>Mailing Address:</b></td><td>" + address +
               "</td></tr><tr><td><b>Note:</b></td><td>" + note +
               "</td></tr></table></td></tr><tr width='100%'><td><br><br></td></tr>";
    };
    const QString expected = head("Payee List") +
                             "</table></td></tr><tr width='100%'><td height='5'></td></tr>" +
                             block("Anvil Rentals", "", "", "") +
                             block("Power Co", "A-17", "1 Grid Road<br>Voltville", "Pays by card") +
                             "</table></center></body></html>";
    QCOMPARE(ReportHtml::payeeList(payees, today), expected);
    QCOMPARE(ReportHtml::payeeList({}, today),
             head("Payee List") + "</table></td></tr><tr width='100%'><td height='5'></td></tr>"
                                  "</table></center></body></html>");
}

void TestReports::monthWindows_data()
{
    QTest::addColumn<ReportFunction>("report");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("totalLabel");
    QTest::addColumn<QList<QDate>>("inside");
    QTest::addColumn<QList<QDate>>("outside");

    QTest::newRow("last month on 31 March")
        << ReportHtml::lastMonthBills << QDate(2026, 3, 31)
        << "Total Due For February:" << QList<QDate>{{2026, 2, 1}, {2026, 2, 28}}
        << QList<QDate>{{2026, 1, 31}, {2026, 3, 1}, {2026, 3, 31}};
    QTest::newRow("last month on 31 March of a leap year")
        << ReportHtml::lastMonthBills << QDate(2028, 3, 31)
        << "Total Due For February:" << QList<QDate>{{2028, 2, 29}} << QList<QDate>{{2028, 3, 1}};
    QTest::newRow("last month in January")
        << ReportHtml::lastMonthBills << QDate(2027, 1, 15)
        << "Total Due For December:" << QList<QDate>{{2026, 12, 1}, {2026, 12, 31}}
        << QList<QDate>{{2025, 12, 15}, {2027, 1, 1}, {2026, 11, 30}};
    QTest::newRow("current month edges")
        << ReportHtml::currentMonth << QDate(2026, 4, 30)
        << "Total Unpaid For April:" << QList<QDate>{{2026, 4, 1}, {2026, 4, 30}}
        << QList<QDate>{{2026, 3, 31}, {2026, 5, 1}, {2025, 4, 15}};
    QTest::newRow("bills due in December")
        << ReportHtml::currentMonthBillsDue << QDate(2026, 12, 1)
        << "Total Due In December:" << QList<QDate>{{2026, 12, 1}, {2026, 12, 31}}
        << QList<QDate>{{2026, 11, 30}};
}

void TestReports::monthWindows()
{
    QFETCH(ReportFunction, report);
    QFETCH(QDate, day);
    QFETCH(QString, totalLabel);
    QFETCH(QList<QDate>, inside);
    QFETCH(QList<QDate>, outside);

    BillsById bills;
    int id = 0;
    for (const QDate &due : inside + outside)
        addBill(bills, ++id, "Payee", due.toString(Qt::ISODate), 10.0, due);
    const QString html = report(bills, day);

    QVERIFY(html.contains("<tr><td><b>" + totalLabel + "</b></td><td>$" +
                          QString::number(10 * inside.size()) + ".00</td></tr>"));
    QCOMPARE(rowCount(html), int(inside.size()));
    for (const QDate &due : inside)
        QVERIFY2(html.contains(due.toString("MM/dd/yyyy")), qPrintable(due.toString()));
    for (const QDate &due : outside)
        QVERIFY2(!html.contains(due.toString(Qt::ISODate)), qPrintable(due.toString()));
}

void TestReports::userTextIsShownAsText()
{
    BillsById bills;
    addBill(bills, 1, "<i>Acme</i> & Sons", "<b>Bold</b> <script>x</script>", 5.0, today);
    const QString html = ReportHtml::currentMonth(bills, today);
    QVERIFY(html.contains("<td>&lt;i&gt;Acme&lt;/i&gt; &amp; Sons</td><td>&lt;b&gt;Bold&lt;/b&gt; "
                          "&lt;script&gt;x&lt;/script&gt;</td>"));
    QVERIFY(!html.contains("<i>Acme"));
    QVERIFY(!html.contains("<script>"));

    PayeesById payees;
    auto odd = payee(1, "<h1>Big</h1>");
    odd->setAccountNumber("1<2");
    odd->setMailingAddress("'quoted' \"street\"");
    odd->setNote("<a href='http://x'>link</a>\r\nsecond line");
    payees.insert(1, odd);
    const QString list = ReportHtml::payeeList(payees, today);
    QVERIFY(list.contains("<td>&lt;h1&gt;Big&lt;/h1&gt;</td>"));
    QVERIFY(list.contains("<td>1&lt;2</td>"));
    QVERIFY(list.contains("<td>'quoted' &quot;street&quot;</td>"));
    QVERIFY(list.contains("<td>&lt;a href='http://x'&gt;link&lt;/a&gt;<br>second "
                          "line</td>"));
    QVERIFY(!list.contains("<a href"));
}

void TestReports::rowsByDueDateThenId()
{
    BillsById bills;
    for (int id : {9, 3, 7, 5, 1}) // hash order is not insertion order either
        addBill(bills, id, "P", QStringLiteral("bill%1").arg(id), 1.0,
                id == 1 ? today.addDays(-1) : today.addDays(-5));
    const QString html = ReportHtml::pastDue(bills, today);
    QStringList order;
    const QRegularExpression description(QStringLiteral("<td>(bill\\d)</td>"));
    for (const QRegularExpressionMatch &match : description.globalMatch(html))
        order.append(match.captured(1));
    QCOMPARE(order, QStringList({"bill3", "bill5", "bill7", "bill9", "bill1"}));
}

void TestReports::payeesByNameThenId()
{
    PayeesById payees;
    payees.insert(1, payee(1, "beta"));
    payees.insert(2, payee(2, "alpha"));
    payees.insert(3, payee(3, "Alpha"));
    payees.insert(4, payee(4, "Gamma"));
    payees.insert(5, payee(5, "Alpha"));
    const QString html = ReportHtml::payeeList(payees, today);
    QStringList order;
    const QRegularExpression name(QStringLiteral("Payee Name:</b></td><td>([^<]*)</td>"));
    for (const QRegularExpressionMatch &match : name.globalMatch(html))
        order.append(match.captured(1));
    // "alpha" (2), "Alpha" (3) and "Alpha" (5) compare equal and keep their id order.
    QCOMPARE(order, QStringList({"alpha", "Alpha", "Alpha", "beta", "Gamma"}));
    QVERIFY(html.indexOf("<td>alpha</td>") < html.indexOf("<td>Alpha</td>"));
}

void TestReports::tenThousandBills()
{
    BillsById bills;
    for (int id = 1; id <= 10000; ++id)
        addBill(bills, id, "Payee", "Bill", 1.25, today.addDays(-1 - id % 300));
    const QString html = ReportHtml::pastDue(bills, today);
    QCOMPARE(rowCount(html), 10000);
    QVERIFY(html.contains("<b>Total Past Due:</b></td><td>$12,500.00</td>"));
    QVERIFY(html.endsWith(end));
}

namespace {
// A data file with a few bills and payees, loaded as the main window loads it.
struct LoadedFile : ScratchDataFile
{
    LoadedFile() : ScratchDataFile("reports.nvbf")
    {
        if (!isOpen)
            return;
        Payee power;
        power.setPayeeName("Power Co");
        power.save();
        Payee water;
        water.setPayeeName("Water Works");
        water.save();
        addBill(power, "March power", today);
        addBill(water, "Water", today.addDays(-1));
        file.loadCurrentBills();
    }

    static void addBill(const Payee &payee, const QString &description, const QDate &due)
    {
        Bill bill;
        bill.setPayee(payee);
        bill.setDescription(description);
        bill.setAmount(20.0);
        bill.setDueDate(due);
        bill.save();
    }
};

QTreeWidgetItem *reportItem(QTreeWidget *list, const QString &text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

// Clicks the report in the dialog's list, as a person picks one.
void chooseReport(const ReportDialog &dialog, const QString &report)
{
    auto *list = dialog.findChild<QTreeWidget *>("reportsTreeWidget");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(reportItem(list, report)).center());
}

// The text pdftotext reads from a PDF, with its options before the file.
QString pdfText(const QString &pdftotext, const QStringList &arguments)
{
    QProcess process;
    process.start(pdftotext, arguments + QStringList{"-"});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// What a laid-out row shows: the text of each value and where it starts and ends.
struct LaidOutRow
{
    QStringList texts;
    QList<qreal> starts;
    QList<qreal> ends;
    int lines = 0;
    bool shaded = false;
};

// The heading and the rows of a document: the paragraphs with tab stops.
QList<LaidOutRow> laidOutRows(const QTextDocument &document)
{
    QList<LaidOutRow> rows;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().tabPositions().isEmpty())
            continue;
        LaidOutRow row;
        const QTextLine line = block.layout()->lineAt(0);
        row.lines = block.layout()->lineCount();
        row.shaded = block.blockFormat().background().style() != Qt::NoBrush;
        // The values follow the struts that give the row its height.
        const QString text = block.text();
        int from = int(text.lastIndexOf(QChar::ObjectReplacementCharacter)) + 1;
        for (const QString &value : text.mid(from).split('\t')) {
            row.texts.append(value);
            row.starts.append(line.cursorToX(from));
            row.ends.append(line.cursorToX(from + int(value.size())));
            from += int(value.size()) + 1;
        }
        rows.append(row);
    }
    return rows;
}
} // namespace

void TestReports::csvHoldsTheRows_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QList<QStringList>>("records");

    QTest::newRow("bills: ISO dates, plain amounts, Yes and No")
        << ReportContents::csvDocument(ReportDocuments::currentMonth(sampleBills(), today))
        << QList<QStringList>{
               {"Payee", "Description", "Due Date", "Paid Date", "Amount", "Paid", "Estimate"},
               {"Phone Inc", "Phone", "2026-03-11", "2026-03-12", "1234.50", "Yes", "No"},
               {"Water Works", "Water", "2026-03-17", "", "45.50", "No", "No"},
               {"Power Co", "March power", "2026-03-18", "", "80.00", "No", "No"}};
    QTest::newRow("bills: estimates as plain figures, marked in a column of their own")
        << ReportContents::csvDocument(ReportDocuments::pastDue(billsWithEstimates(), today))
        << QList<QStringList>{{"Payee", "Description", "Due Date", "Amount", "Estimate"},
                              {"Rent LLC", "February rent", "2026-02-01", "900.00", "No"},
                              {"Gas Co", "Gas", "2026-03-05", "60.00", "Yes"},
                              {"Water Works", "Water", "2026-03-17", "45.50", "No"}};

    PayeesById payees;
    auto cafe = payee(1, "Café \"Zürich\", Ltd");
    cafe->setAccountNumber("0042");
    cafe->setMailingAddress("1 Main St\nSpringfield, IL");
    cafe->setNote("Pays, then \"calls\"");
    payees.insert(1, cafe);
    QTest::newRow("payees: quotes, commas, line breaks, non-ASCII")
        << ReportContents::csvDocument(ReportDocuments::payeeList(payees, today))
        << QList<QStringList>{{"Payee Name", "Account Number", "Mailing Address", "Note"},
                              {"Café \"Zürich\", Ltd", "0042", "1 Main St\nSpringfield, IL",
                               "Pays, then \"calls\""}};
}

void TestReports::csvHoldsTheRows()
{
    QFETCH(QByteArray, csv);
    QFETCH(QList<QStringList>, records);
    bool ok = false;
    QCOMPARE(parseCsv(csv, &ok), records);
    QVERIFY(ok);
    QVERIFY(csv.endsWith("\r\n"));
}

void TestReports::rowsKeepTheirColumns_data()
{
    QTest::addColumn<QString>("payeeName");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("shownName"); // empty: cut short with an ellipsis
    QTest::addColumn<QString>("shownDescription");

    QTest::newRow("short") << "Gas Co"
                           << "Gas"
                           << "Gas Co"
                           << "Gas";
    QTest::newRow("long name") << QString("Northern Power and Light ").repeated(20) << "Power"
                               << ""
                               << "Power";
    QTest::newRow("markup") << "<b>Acme</b> & Sons"
                            << "<i>x</i>"
                            << "<b>Acme</b> & Sons"
                            << "<i>x</i>";
    QTest::newRow("tab and line breaks")
        << "Tab\there" << QString("one\ntwo") + QChar(0x2029) << "Tab here"
        << "one two ";
}

void TestReports::rowsKeepTheirColumns()
{
    QFETCH(QString, payeeName);
    QFETCH(QString, description);
    QFETCH(QString, shownName);
    QFETCH(QString, shownDescription);
    BillsById bills;
    addBill(bills, 1, "Rent LLC", "February rent", 900.0, QDate(2026, 2, 1));
    addBill(bills, 2, payeeName, description, 12.5, QDate(2026, 2, 2));
    addBill(bills, 3, "Water Works", "Water", 1234.5, QDate(2026, 2, 3));
    const qreal width = 600;
    QTextDocument document;
    ReportContents::buildDocument(ReportDocuments::pastDue(bills, today), &document, width);
    document.setTextWidth(width);
    document.documentLayout()->documentSize();

    const QList<LaidOutRow> rows = laidOutRows(document);
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.at(0).texts, QStringList({"Payee", "Description", "Due Date", "Amount"}));
    QCOMPARE(rows.at(3).texts, QStringList({"Water Works", "Water", "02/03/2026", "$1,234.50"}));
    const QString shown = rows.at(2).texts.at(0);
    if (shownName.isEmpty()) {
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(payeeName.startsWith(shown.chopped(1)));
    } else {
        QCOMPARE(shown, shownName);
    }
    QCOMPARE(rows.at(2).texts.mid(1), QStringList({shownDescription, "02/02/2026", "$12.50"}));
    for (int r = 0; r < rows.size(); ++r) {
        QCOMPARE(rows.at(r).lines, 1);
        // Every other row is shaded, the first among them; the heading is not.
        QCOMPARE(rows.at(r).shaded, r % 2 == 1);
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(rows.at(r).starts.at(column), rows.at(0).starts.at(column));
            const qreal next = column < 3 ? rows.at(0).starts.at(column + 1) : width;
            QVERIFY2(rows.at(r).ends.at(column) < next, qPrintable(rows.at(r).texts.at(column)));
        }
    }
}

void TestReports::estimatesAreMarked_data()
{
    QTest::addColumn<ContentFunction>("report");
    QTest::addColumn<QStringList>("amounts");
    QTest::addColumn<QString>("total");

    const QString estimate(QChar(0x2248));
    QTest::newRow("Past Due: no forecast yet")
        << &ReportDocuments::pastDue << QStringList{"$900.00", estimate + "$60.00", "$45.50"}
        << estimate + "$1,005.50";
    QTest::newRow("Current Month: forecast")
        << &ReportDocuments::currentMonth
        << QStringList{estimate + "$60.00", "$1,234.50", "$45.50", estimate + "$86.40"}
        << estimate + "$191.90";
    QTest::newRow("Current Month Bills Due")
        << &ReportDocuments::currentMonthBillsDue
        << QStringList{estimate + "$60.00", "$45.50", estimate + "$86.40"} << estimate + "$191.90";
    QTest::newRow("Current Month Bills Paid: paid as an estimate")
        << &ReportDocuments::currentMonthBillsPaid << QStringList{estimate + "$75.10", "$1,234.50"}
        << estimate + "$1,309.60";
    QTest::newRow("Last Month Bills: the estimate is not in the total")
        << &ReportDocuments::lastMonthBills << QStringList{"$900.00", estimate + "$75.10"}
        << "$900.00";
}

// Each amount and total as the report window lays it out, the estimates marked, each amount
// whole inside its column.
void TestReports::estimatesAreMarked()
{
    QFETCH(ContentFunction, report);
    QFETCH(QStringList, amounts);
    QFETCH(QString, total);
    const ReportContent content = report(billsWithEstimates(), today);
    QCOMPARE(content.summaryLines.last().second, total);

    const qreal width = 600;
    QTextDocument document;
    ReportContents::buildDocument(content, &document, width);
    document.documentLayout()->documentSize();
    const QList<LaidOutRow> rows = laidOutRows(document);
    const int column = int(rows.value(0).texts.indexOf("Amount"));
    QVERIFY(column > 0);
    QStringList shown;
    for (const LaidOutRow &row : rows.mid(1)) {
        shown.append(row.texts.at(column));
        const qreal next =
            column + 1 < rows.at(0).starts.size() ? rows.at(0).starts.at(column + 1) : width;
        QVERIFY2(row.starts.at(column) == rows.at(0).starts.at(column) &&
                     row.ends.at(column) < next,
                 qPrintable(row.texts.at(column)));
    }
    QCOMPARE(shown, amounts);
}

// Printing lays the rows out on the printer's page: a long name is cut short there too, and
// the amount after it stays on the page, beside it.
void TestReports::printedRowsFitThePage()
{
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    LoadedFile loaded;
    Payee payee;
    payee.setPayeeName(QString("Northern Power and Light ").repeated(20).trimmed());
    QVERIFY(payee.save());
    LoadedFile::addBill(payee, "Power", today.addDays(-3));
    QVERIFY(loaded.file.loadCurrentBills());
    ReportDialog dialog(&loaded.file);
    dialog.show();
    chooseReport(dialog, "Past Due");
    const QString path = loaded.dir.filePath("past due.pdf");
    QVERIFY(dialog.exportReport(path));

    const QString boxes = pdfText(pdftotext, {"-bbox", path});
    const QRegularExpression page("<page width=\"([\\d.]+)\"");
    const QRegularExpression word(
        "yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)<");
    const double pageWidth = page.match(boxes).captured(1).toDouble();
    QVERIFY(pageWidth > 0);
    QMap<QString, QPair<double, double>> words; // first place of each word: top, right edge
    for (auto match = word.globalMatch(boxes); match.hasNext();) {
        const auto found = match.next();
        if (!words.contains(found.captured(3)))
            words.insert(found.captured(3),
                         {found.captured(1).toDouble(), found.captured(2).toDouble()});
    }
    QVERIFY(words.contains("Northern"));
    QVERIFY2(words.contains("$20.00"), qPrintable(boxes));
    QCOMPARE(qRound(words.value("Northern").first), qRound(words.value("$20.00").first));
    QVERIFY(words.value("$20.00").second < pageWidth);
    // Cut short: the name repeats its last word twenty times.
    QVERIFY(boxes.count(">Light<") < 20);
}

void TestReports::listAndPlaceholder()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal for on_")));
    ReportDialog dialog(nullptr);
    auto *list = dialog.findChild<QTreeWidget *>("reportsTreeWidget");
    auto *browser = dialog.findChild<QTextBrowser *>("reportTextBrowser");
    QVERIFY(list && browser);
    // Maximised, but left for exec() to show, so that it opens modal.
    QVERIFY(dialog.windowState() & Qt::WindowMaximized);
    QVERIFY(!dialog.isVisible());

    const QStringList texts{
        "Past Due",         "Current Month", "Current Month Bills Due", "Current Month Bills Paid",
        "Last Month Bills", "Payee List",    "Payments by Month"};
    const QStringList keys{
        "PastDue",        "CurrentMonth", "CurrentMonthBillsDue", "CurrentMonthBillsPaid",
        "LastMonthBills", "PayeeList",    "PaymentsByMonth"};
    QCOMPARE(list->topLevelItemCount(), texts.size());
    for (int index = 0; index < texts.size(); ++index) {
        QTreeWidgetItem *item = list->topLevelItem(index);
        QCOMPARE(item->text(0), texts.at(index));
        QCOMPARE(item->data(0, Qt::UserRole).toString(), keys.at(index));
        QVERIFY(!item->icon(0).isNull());
    }
    QCOMPARE(list->headerItem()->text(0), QString("Reports"));
    QCOMPARE(browser->toPlainText().trimmed(), QString("Please select a report"));
    QVERIFY(dialog.reportKey().isEmpty());
    QVERIFY(dialog.reportHtml().isEmpty());
}

void TestReports::clickingAReportReplacesThePrevious()
{
    LoadedFile loaded;
    QCOMPARE(loaded.file.billsById().size(), 2);
    ReportDialog dialog(&loaded.file);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *browser = dialog.findChild<QTextBrowser *>("reportTextBrowser");

    chooseReport(dialog, "Past Due");
    QCOMPARE(dialog.reportKey(), QString("PastDue"));
    QCOMPARE(dialog.reportHtml(), ReportHtml::pastDue(loaded.file.billsById(), today));
    QVERIFY(browser->toPlainText().contains("Total Past Due:"));
    QVERIFY(browser->toPlainText().contains("Water Works"));
    QVERIFY(!browser->toPlainText().contains("March power"));

    chooseReport(dialog, "Payee List");
    QCOMPARE(dialog.reportKey(), QString("PayeeList"));
    QCOMPARE(dialog.reportHtml(), ReportHtml::payeeList(loaded.file.payeesById(), today));
    QVERIFY(!browser->toPlainText().contains("Total Past Due:"));
    QVERIFY(browser->toPlainText().contains("Payee Name:"));
}

void TestReports::scrollBarShowsOnlyForALongReport()
{
    LoadedFile loaded;
    Payee payee = Payee::findById(1).value();
    for (int day = 2; day < 300; ++day)
        LoadedFile::addBill(payee, QString("overdue %1").arg(day), today.addDays(-day));
    QVERIFY(loaded.file.loadCurrentBills());
    ReportDialog dialog(&loaded.file);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *browser = dialog.findChild<QTextBrowser *>("reportTextBrowser");

    chooseReport(dialog, "Past Due");
    QVERIFY(browser->toPlainText().contains("overdue 299"));
    QCOMPARE(browser->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QTRY_VERIFY(browser->verticalScrollBar()->isVisible());

    chooseReport(dialog, "Current Month Bills Due");
    QVERIFY(browser->toPlainText().contains("March power"));
    QCOMPARE(browser->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QTRY_VERIFY(!browser->verticalScrollBar()->isVisible());
}

void TestReports::printsReportToPdf()
{
    LoadedFile loaded;
    ReportDialog dialog(&loaded.file);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    chooseReport(dialog, "Current Month");
    QCOMPARE(dialog.reportKey(), QString("CurrentMonth"));

    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("report.pdf"));
    dialog.printReport(&printer);
    const QByteArray pdf = fileBytes(dir.filePath("report.pdf"));
    QVERIFY(pdf.startsWith("%PDF"));
    QVERIFY(pdf.size() > 1000);
}

void TestReports::exportWritesTheShownReport_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("expected"); // in the file's text; empty when nothing is written

    QTest::newRow("csv") << "Past Due"
                         << "past due.csv"
                         << "Payee,Description,Due Date,Amount,Estimate\r\nWater "
                            "Works,Water,2026-03-17,20.00,No\r\n";
    QTest::newRow("pdf") << "Past Due"
                         << "past due.pdf"
                         << "Total Past Due:";
    QTest::newRow("pdf with a chart") << "Payments by Month"
                                      << "chart.pdf"
                                      << "Total Paid In Last 12 Months:";
    QTest::newRow("pdf into a missing folder") << "Past Due"
                                               << "missing/past due.pdf"
                                               << "";
}

void TestReports::exportWritesTheShownReport()
{
    QFETCH(QString, report);
    QFETCH(QString, fileName);
    QFETCH(QString, expected);
    const bool pdf = fileName.endsWith(".pdf");
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdf && !expected.isEmpty() && pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");

    LoadedFile loaded;
    ReportDialog dialog(&loaded.file);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *exportButton = dialog.findChild<QPushButton *>("exportPushButton");
    QVERIFY(!exportButton->isEnabled());
    chooseReport(dialog, report);
    QVERIFY(exportButton->isEnabled());

    MessageRecorder messages;
    const QString path = loaded.dir.filePath(fileName);
    QCOMPARE(dialog.exportReport(path), !expected.isEmpty());
    if (expected.isEmpty()) {
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().title, MessageHelper::fileErrorTitle());
        QVERIFY(messages.last().text.contains(QDir::toNativeSeparators(path)));
        QVERIFY(!QFileInfo::exists(path));
        return;
    }
    QCOMPARE(messages.count(), 0);
    QString text = QString::fromUtf8(fileBytes(path));
    if (pdf) {
        text = pdfText(pdftotext, {path});
        QVERIFY(text.contains(report));
    }
    QVERIFY2(text.contains(expected), qPrintable(text));
}

void TestReports::printButtonAsksForAPrinter()
{
    ReportDialog dialog(nullptr);
    auto *printButton = dialog.findChild<QPushButton *>("printPushButton");
    QVERIFY(!printButton->isEnabled());
    dialog.show();
    chooseReport(dialog, "Payee List");
    QVERIFY(printButton->isEnabled());
    // Both print dialogs work on the dialog's one printer, so the second starts from the
    // first one's choices.
    QList<QPrinter *> printers;
    for (int round = 0; round < 2; ++round) {
        ModalAnswerer answer([&](QWidget *modal) {
            auto *print = qobject_cast<QPrintDialog *>(modal);
            printers.append(print ? print->printer() : nullptr);
            static_cast<QDialog *>(modal)->reject();
        });
        QTest::mouseClick(printButton, Qt::LeftButton);
    }
    QCOMPARE(printers.size(), 2);
    QVERIFY(printers.at(0));
    QCOMPARE(printers.at(1), printers.at(0));
    QVERIFY(printers.at(0)->fullPage());
}

void TestReports::cancelClosesTheDialog()
{
    ReportDialog dialog(nullptr);
    dialog.show();
    QVERIFY(dialog.isVisible());
    QTest::mouseClick(dialog.findChild<QPushButton *>("cancelButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

NV_TEST_MAIN(TestReports)
#include "tst_reports.moc"
