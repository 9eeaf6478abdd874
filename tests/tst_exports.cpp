#include "bill.h"
#include "billexport.h"
#include "billpayment.h"
#include "csvparse.h"
#include "duebills.h"
#include "exportfiles.h"
#include "filebytes.h"
#include "formatting.h"
#include "messagerecorder.h"
#include "payee.h"
#include "reportcontent.h"
#include "reportdocuments.h"
#include "testmain.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {
const QDate today(2026, 5, 14);

std::shared_ptr<Bill> unpaidBill(const QString &name, double amount, const QDate &due)
{
    Payee payee;
    payee.setId(1);
    payee.setPayeeName(name);
    auto bill = std::make_shared<Bill>();
    bill->setId(1);
    bill->setPayee(payee);
    bill->setDescription(name);
    bill->setAmount(amount);
    bill->setDueDate(due);
    return bill;
}

// The bill's record, read back, from each file a spreadsheet may open: File > Export Bills,
// the Past Due report and nvdue --format csv; and where payee and amount are in each.
QList<QStringList> csvRecords(const std::shared_ptr<Bill> &bill)
{
    QList<QStringList> records;
    for (const QByteArray &csv :
         {BillExport::csv({bill}),
          ReportContents::csvDocument(ReportDocuments::pastDue({{1, bill}}, today)),
          DueBills::csvDocument(DueBills::select({bill}, today, 7))}) {
        bool ok = false;
        records.append(parseCsv(csv, &ok).value(1));
        if (!ok)
            records.last().clear();
    }
    return records;
}
const int payeeAt[] = {0, 0, 2};
const int amountAt[] = {3, 3, 4};

} // namespace

class TestExports : public QObject
{
    Q_OBJECT

private slots:
    void textCellsAreInert_data();
    void textCellsAreInert();
    void amountsAreWrittenInFull_data();
    void amountsAreWrittenInFull();
    void textOutputCutsLongNames_data();
    void textOutputCutsLongNames();
    void calendarDatesAreValid_data();
    void calendarDatesAreValid();
    void estimatesLeaveWithTheirExpectedAmount_data();
    void estimatesLeaveWithTheirExpectedAmount();
    void failedWriteNamesTheReason();
};

void TestExports::textCellsAreInert_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("written");
    QTest::newRow("formula") << "=HYPERLINK(\"http://x\",\"y\")"
                             << "'=HYPERLINK(\"http://x\",\"y\")";
    QTest::newRow("command") << "+cmd|' /C calc'!A0"
                             << "'+cmd|' /C calc'!A0";
    QTest::newRow("function") << "@SUM(1)"
                              << "'@SUM(1)";
    QTest::newRow("sum") << "-2+3"
                         << "'-2+3";
    QTest::newRow("tab") << "\t=1"
                         << "' =1";
    QTest::newRow("carriage return") << "\r=1"
                                     << "'\r=1";
    QTest::newRow("after a control") << "\x1b=1"
                                     << "' =1";
    QTest::newRow("terminal controls") << QString("\x1b]0;x\x07"
                                                  "A") +
                                              QChar(0) + QChar(0x9b)
                                       << " ]0;x A  ";
    QTest::newRow("line break kept") << "Line\nbreak, too"
                                     << "Line\nbreak, too";
}

void TestExports::textCellsAreInert()
{
    QFETCH(QString, stored);
    QFETCH(QString, written);
    const QList<QStringList> records = csvRecords(unpaidBill(stored, -12.5, today.addDays(-1)));
    for (int i = 0; i < records.size(); ++i) {
        QCOMPARE(records.at(i).value(payeeAt[i]), written);
        QCOMPARE(records.at(i).value(payeeAt[i] + 1), written); // the description
        // Numbers are not text: a credit keeps its minus, and so do the days overdue.
        QCOMPARE(records.at(i).value(amountAt[i]), QString("-12.50"));
    }
    QCOMPARE(records.at(2).value(7), QString("-1"));
}

void TestExports::amountsAreWrittenInFull_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("written");
    // Beyond what whole cents in 64 bits can hold.
    QTest::newRow("1e19") << 1e19 << "10000000000000000000.00";
    QTest::newRow("no minus for nothing") << -0.001 << "0.00";
}

void TestExports::amountsAreWrittenInFull()
{
    QFETCH(double, amount);
    QFETCH(QString, written);
    const QList<QStringList> records = csvRecords(unpaidBill("Payee", amount, today.addDays(-1)));
    for (int i = 0; i < records.size(); ++i)
        QCOMPARE(records.at(i).value(amountAt[i]), written);
    // As the window and the reports show it: the same digits, grouped, with a dollar sign.
    QCOMPARE(Formatting::currency(amount).remove(',').remove('$'), written);
}

void TestExports::textOutputCutsLongNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("forty") << QString(40, 'a') << QString(40, 'a');
    QTest::newRow("a megabyte") << QString(1 << 20, 'a') << QString(39, 'a') + QChar(0x2026);
    QTest::newRow("outside the basic plane")
        << smile.repeated(41) << smile.repeated(39) + QChar(0x2026);
}

void TestExports::textOutputCutsLongNames()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    const QByteArray text = DueBills::textDocument(
        DueBills::select({unpaidBill(name, 10, today.addDays(-1))}, today, 7));
    QCOMPARE(QString::fromUtf8(text).section('\n', 0, 0),
             "2026-05-13  OVERDUE 1d  " + shown + "  " + shown + "  $10.00");
}

void TestExports::calendarDatesAreValid_data()
{
    QTest::addColumn<QDate>("due");
    QTest::addColumn<QStringList>("dates");
    QTest::newRow("ordinary") << QDate(2026, 5, 13)
                              << QStringList{"DTSTART;VALUE=DATE:20260513",
                                             "DTEND;VALUE=DATE:20260514"};
    // The next day has no four-digit year; the event lasts its one day without an end.
    QTest::newRow("last day") << QDate(9999, 12, 31) << QStringList{"DTSTART;VALUE=DATE:99991231"};
}

void TestExports::calendarDatesAreValid()
{
    QFETCH(QDate, due);
    QFETCH(QStringList, dates);
    const QByteArray ics =
        DueBills::icsDocument(DueBills::select({unpaidBill("Payee", 10, due)}, today, 7, true),
                              "bills.nvbf", QDateTime(today, QTime(8, 0), Qt::UTC));
    QStringList found;
    for (const QByteArray &line : ics.split('\n'))
        if (line.contains(";VALUE=DATE"))
            found.append(QString::fromUtf8(line.trimmed()));
    QCOMPARE(found, dates);
}

void TestExports::estimatesLeaveWithTheirExpectedAmount_data()
{
    QTest::addColumn<bool>("estimate");
    QTest::addColumn<double>("forecast"); // none when 0
    QTest::addColumn<double>("paid");
    QTest::addColumn<QString>("exported");  // amount and balance in the CSV file
    QTest::addColumn<QStringList>("shown"); // amount and balance in the calendar event

    // Stored amount 50 throughout.
    const QString e(QChar(0x2248));
    QTest::newRow("confirmed") << false << 0.0 << 0.0 << "50.00 50.00"
                               << QStringList{"$50.00", "$50.00"};
    QTest::newRow("forecast") << true << 86.4 << 0.0 << "86.40 86.40"
                              << QStringList{e + "$86.40", e + "$86.40"};
    QTest::newRow("forecast, partly paid") << true << 1234.5 << 34.5 << "1234.50 1200.00"
                                           << QStringList{e + "$1\\,234.50", e + "$1\\,200.00"};
    // Nothing confirmed in the series yet: the stored amount is the estimate.
    QTest::newRow("nothing to forecast from")
        << true << 0.0 << 0.0 << "50.00 50.00" << QStringList{e + "$50.00", e + "$50.00"};
}

void TestExports::estimatesLeaveWithTheirExpectedAmount()
{
    QFETCH(bool, estimate);
    QFETCH(double, forecast);
    QFETCH(double, paid);
    QFETCH(QString, exported);
    QFETCH(QStringList, shown);
    const std::shared_ptr<Bill> bill = unpaidBill("Power", 50, today.addDays(3));
    bill->setEstimate(estimate);
    if (forecast > 0)
        bill->setForecast(forecast);
    if (paid > 0)
        bill->addPayment(BillPayment(1, QDateTime(today, QTime(9, 0)), paid));

    bool ok = false;
    const QList<QStringList> csv = parseCsv(BillExport::csv({bill}), &ok);
    QVERIFY(ok);
    QCOMPARE(csv.value(0).mid(3), (QStringList{"Amount", "Balance", "Paid Date", "Estimate"}));
    const QStringList row = csv.value(1);
    QCOMPARE((QStringList{row.value(3) + " " + row.value(4), row.value(6)}),
             (QStringList{exported, estimate ? "true" : "false"}));

    const QByteArray ics = DueBills::icsDocument(DueBills::select({bill}, today, 7), "bills.nvbf",
                                                 QDateTime(today, QTime(8, 0), Qt::UTC));
    const QStringList lines = QString::fromUtf8(ics).remove("\r\n ").split("\r\n");
    const QString summary = "Power: Power (" + shown.at(1) + ")";
    // The alarm repeats the summary.
    QCOMPARE(lines.filter(QRegularExpression("^(SUMMARY|DESCRIPTION):")),
             (QStringList{"SUMMARY:" + summary,
                          "DESCRIPTION:Amount " + shown.at(0) + "\\, balance " + shown.at(1),
                          "DESCRIPTION:" + summary}));
}

void TestExports::failedWriteNamesTheReason()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bills.csv");
    QVERIFY(writeFileBytes(path, "earlier\r\n"));
    MessageRecorder messages;
    // A file size limit stands in for a full disk: a write beyond it fails with a reason.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{100, limit.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    const bool written = ExportFiles::writeFileOrTell(path, QByteArray(4096, 'x'), nullptr);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
    QVERIFY(!written);
    QCOMPARE(messages.count(), 1);
    QVERIFY2(messages.last().text.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))),
             qPrintable(messages.last().text));
    // Nothing half written, and the earlier export as it was.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"bills.csv"});
    QCOMPARE(fileBytes(path), QByteArray("earlier\r\n"));
}

NV_TEST_MAIN(TestExports)
#include "tst_exports.moc"
