#include "clock.h"
#include "csvbillreader.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "norvoravarodozod.h"
#include "payee.h"
#include "scopedworkdir.h"
#include "scratchdatafile.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

// Payee, description, due date, amount and paid date, below a row of column names.
CsvMapping billColumns(bool decimalComma)
{
    const QChar separator = decimalComma ? QLatin1Char(';') : QLatin1Char(',');
    return CsvMapping{"Sheet", 2, 3, -1, -1, 0, 1, 4, "yyyy-MM-dd", decimalComma, 1, separator};
}

// Each bill as payee|description|due|amount|paid|the payment's day=amount, in the order added.
QString storedBills()
{
    return scalar("SELECT group_concat(line, ';') FROM (SELECT p.payeename || '|' || "
                  "b.description || '|' || substr(b.duedate, 1, 10) || '|' || b.amount || '|' || "
                  "b.paid || '|' || coalesce((SELECT substr(paymentdate, 1, 10) || '=' || amount "
                  "FROM billpayment WHERE billid = b.id), '-') AS line FROM bills b JOIN payees p "
                  "ON p.id = b.payeeid ORDER BY b.id)")
        .toString();
}

} // namespace

class TestBillImport : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(QDate(2026, 3, 1), QTime(9, 0))); }
    void cleanup() { Clock::reset(); }

    void rowsBecomeBills_data();
    void rowsBecomeBills();
    void failedRowLeavesNothingStored();
    void importBillsCommandAddsTheFile();
};

void TestBillImport::rowsBecomeBills_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("decimalComma");
    QTest::addColumn<QString>("where"); // empty when the file is read
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("payees");

    const QByteArray header = "Payee,What,Due,Amount,Paid\n";
    // A file refused at a row stores nothing beside the payee there before.
    const auto refused = [&header](const char *name, const char *rows, const char *where) {
        QTest::newRow(name) << header + rows << false << QString(where) << QString() << 1;
    };
    QTest::newRow("paid and unpaid, payees by name")
        << header + "city power,March,2026-03-15,84.50,2026-03-14\n"
                    "Water Works,Q1,2026-03-31,120.00,\n"
                    ",,,,\n"
                    "WATER works ,Q2,2026-06-30,121,\n"
        << false << ""
        << "City Power|March|2026-03-15|84.5|1|2026-03-14=84.5;"
           "Water Works|Q1|2026-03-31|120|0|-;Water Works|Q2|2026-06-30|121|0|-"
        << 2;
    QTest::newRow("decimal comma")
        << QByteArray("Payee;What;Due;Amount;Paid\nGas Co;Winter;2026-01-10;1.234,56;\r\n") << true
        << ""
        << "Gas Co|Winter|2026-01-10|1234.56|0|-" << 2;
    refused("amount not a number", "Gas Co,Winter,2026-01-10,12.00,\nPhone,March,2026-03-02,abc,\n",
            "row 3");
    refused("due date that does not exist", "Gas Co,Winter,2026-02-31,12.00,\n", "row 2");
    refused("paid date that is not a date", "Gas Co,Winter,2026-02-01,12.00,paid\n", "row 2");
    refused("zero amount", "\nGas Co,Winter,2026-02-01,0.00,\n", "row 3");
}

// What the rows of a spreadsheet become in the file; a file refused at a row adds nothing.
void TestBillImport::rowsBecomeBills()
{
    QFETCH(QByteArray, csv);
    QFETCH(bool, decimalComma);
    QFETCH(QString, where);
    QFETCH(QString, stored);
    QFETCH(int, payees);
    ScratchDataFile data;
    Payee existing;
    existing.setPayeeName("City Power");
    QVERIFY(existing.save());

    const BillRows rows = CsvBillReader::read(csv, billColumns(decimalComma));
    QCOMPARE(rows.where, where);
    QCOMPARE(rows.ok, where.isEmpty());
    if (rows.ok) {
        int added = -1;
        QVERIFY(data.file.addBills(rows.bills, &added));
        QCOMPARE(added, int(rows.bills.size()));
    }
    QCOMPARE(storedBills(), stored);
    QCOMPARE(scalar("SELECT COUNT(*) FROM payees").toInt(), payees);
}

// One bill the file refuses takes the bills and payees before it back with it.
void TestBillImport::failedRowLeavesNothingStored()
{
    ScratchDataFile data;
    const DataFile::NewBill good{"Gas Co", "Winter", QDate(2026, 1, 10), 1200, QDate(), QString()};
    const DataFile::NewBill undated{"Phone", "March", QDate(), 3000, QDate(), QString()};
    int added = -1;
    QVERIFY(!data.file.addBills({good, undated}, &added));
    QCOMPARE(added, -1);
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 0);
    QCOMPARE(scalar("SELECT COUNT(*) FROM payees").toInt(), 0);
}

// File > Import Bills... with the file chosen and its columns as the dialog first offers them.
void TestBillImport::importBillsCommandAddsTheFile()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("bills.nvbf"));
    const QString sheet = dir.filePath("bills.csv");
    QVERIFY(writeFileBytes(sheet, "Payee,Description,Due Date,Amount,Balance,Paid Date\n"
                                  "City Power,March,2026-03-15,84.50,84.50,\n"
                                  "Rent,March,2026-03-01,900.00,0.00,2026-02-28\n"));
    answers.paths = QStringList{sheet};
    MessageRecorder recorder;
    {
        ModalAnswerer answerer("CsvMappingDialog", [](QWidget *dialog) {
            QTest::keyClicks(dialog->findChild<QComboBox *>("nameCombo")->lineEdit(), "Sheet");
            QTest::mouseClick(
                dialog->findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok),
                Qt::LeftButton);
        });
        trigger(window, "actionImport_Bills");
    }
    QCOMPARE(recorder.count(), 1);
    QCOMPARE(recorder.last().text, QString("2 bills imported."));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills WHERE paid = 1").toInt(), 1);
    QCOMPARE(billList(window)->topLevelItemCount(), 1);
}

NV_TEST_MAIN(TestBillImport)
#include "tst_billimport.moc"
