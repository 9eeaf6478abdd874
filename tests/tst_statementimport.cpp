#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "monthlyseries.h"
#include "norvoravarodozod.h"
#include "payee.h"
#include "scopedworkdir.h"
#include "scratchdatafile.h"
#include "statementimport.h"
#include "statementreviewdialog.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTreeWidget>

class TestStatementImport : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(QDate(2026, 5, 20), QTime(9, 0))); }
    void cleanup() { Clock::reset(); }

    void linesAreRecordedOnce_data();
    void linesAreRecordedOnce();
    void reviewedStatementIsRecordedOnce();
    void importStatementCommand_data();
    void importStatementCommand();
};

void TestStatementImport::linesAreRecordedOnce_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<double>("paidBefore");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("stored"); // amount:isestimate:paid of the bill

    QTest::newRow("a fixed bill paid in full") << "FIXED" << 0.0 << qint64(5000) << "50:0:1";
    QTest::newRow("an estimate confirmed at what the bank took")
        << "AVERAGE3" << 0.0 << qint64(6237) << "62.37:0:1";
    QTest::newRow("an estimate paid in part before")
        << "AVERAGE3" << 20.0 << qint64(3000) << "50:0:1";
}

// A monthly series of one bill of 50.00, and a line of the bank's statement that pays it.
void TestStatementImport::linesAreRecordedOnce()
{
    QFETCH(QString, rule);
    QFETCH(double, paidBefore);
    QFETCH(qint64, cents);
    QFETCH(QString, stored);
    ScratchDataFile data;
    const BillSchedule schedule =
        addMonthlySeries(data.file, "City Power", rule, QDate(2026, 5, 15), QDate(2026, 5, 15));
    QCOMPARE(schedule.bills().size(), 1);
    const int billId = schedule.bills().constFirst().id();
    const int payeeId = schedule.bills().constFirst().payee().id();
    if (paidBefore > 0)
        QVERIFY(run(QString("INSERT INTO billpayment VALUES (NULL, %1, "
                            "'2026-05-01T10:00:00.000', %2, '')")
                        .arg(billId)
                        .arg(paidBefore)));

    const DataFile::StatementPayment line{
        "ofx:1/2/F-77", "F-77", QDate(2026, 5, 16), cents, billId, "CITY POWER DD", {}, {}};
    int recorded = -1;
    QVERIFY(data.file.recordStatementPayments({line}, &recorded));
    QCOMPARE(recorded, 1);
    QVERIFY(data.file.recordStatementPayments({line}, &recorded));
    QCOMPARE(recorded, 0);

    QCOMPARE(scalar("SELECT amount || ':' || isestimate || ':' || paid FROM bills").toString(),
             stored);
    // The payment, and the line's identity kept beside it.
    QCOMPARE(
        scalar("SELECT group_concat(substr(p.paymentdate, 1, 10) || '=' || p.amount || '/' || "
               "p.reference || ' ' || coalesce(i.importid, '-')) FROM billpayment p LEFT JOIN "
               "importedtransactions i ON i.paymentid = p.id WHERE p.reference <> ''")
            .toString(),
        QString("2026-05-16=%1/F-77 ofx:1/2/F-77").arg(QString::number(double(cents) / 100.0)));
    QCOMPARE(scalar("SELECT alias FROM payeealiases WHERE payeeid = " + QString::number(payeeId))
                 .toString(),
             QString("CITY POWER DD"));

    // Deleting the payment lets a later import offer the line again.
    BillPayment payment =
        BillPayment::findById(scalar("SELECT id FROM billpayment WHERE reference = 'F-77'").toInt())
            .value();
    QVERIFY(data.file.deletePayment(payment));
    QCOMPARE(scalar("SELECT COUNT(*) FROM importedtransactions").toInt(), 0);
}

// A statement of four lines for a file of two bills: one the bank names, one it does not, a
// shop no bill is for, and money coming in. What the review window offers and records, and
// what the same statement offers the next time.
void TestStatementImport::reviewedStatementIsRecordedOnce()
{
    ScratchDataFile data;
    const QDate may15(2026, 5, 15);
    addMonthlySeries(data.file, "City Power", "FIXED", may15, may15);
    const int water =
        addMonthlySeries(data.file, "Water Board", "FIXED", may15.addDays(5), may15.addDays(5))
            .bills()
            .constFirst()
            .id();
    const Statement statement = QifReader::read("!Type:Bank\nD5/16/2026\nT-50.00\nPCITY POWER\n^\n"
                                                "D5/19/2026\nT-50.00\nPWB DIRECT DEBIT\n^\n"
                                                "D5/18/2026\nT-12.34\nPCorner Shop\n^\n"
                                                "D5/18/2026\nT100.00\nPSalary\n^\n",
                                                QifOptions());
    QVERIFY2(statement.ok, qPrintable(statement.error));
    QHash<int, DataFile::BillPtr> bills;
    std::optional<QList<ImportLine>> lines =
        StatementImport::review(data.file, statement, "", &bills);
    QVERIFY(lines);
    {
        StatementReviewDialog dialog(*lines, bills);
        auto *tree = dialog.findChild<QTreeWidget *>("linesTreeWidget");
        QCOMPARE(tree->topLevelItem(0)->checkState(0), Qt::Checked);
        QCOMPARE(tree->topLevelItem(1)->checkState(0), Qt::Unchecked);
        tree->topLevelItem(1)->setCheckState(0, Qt::Checked);
        qobject_cast<QComboBox *>(tree->itemWidget(tree->topLevelItem(2), 4))->setCurrentIndex(1);
        int recorded = 0;
        QVERIFY(data.file.recordStatementPayments(dialog.chosenPayments(), &recorded));
        QCOMPARE(recorded, 3);
    }
    QCOMPARE(scalar("SELECT group_concat(bill, ' ') FROM (SELECT p.payeename || '=' || b.paid || "
                    "'/' || b.amount AS bill FROM bills b JOIN payees p ON p.id = b.payeeid "
                    "ORDER BY b.id)")
                 .toString(),
             QString("City Power=1/50 Water Board=1/50 Corner Shop=1/12.34"));
    // The confirmed likely match taught the file the bank's name for the payee.
    QCOMPARE(scalar("SELECT alias FROM payeealiases").toString(), QString("WB DIRECT DEBIT"));
    QCOMPARE(
        scalar("SELECT COUNT(*) FROM billpayment WHERE billid = " + QString::number(water)).toInt(),
        1);

    lines = StatementImport::review(data.file, statement, "", &bills);
    QVERIFY(lines);
    QList<ImportLine::Status> statuses;
    for (const ImportLine &line : *lines)
        statuses.append(line.status);
    using S = ImportLine::Status;
    QCOMPARE(statuses,
             QList<S>({S::AlreadyImported, S::AlreadyImported, S::AlreadyImported, S::Ignored}));
    QVERIFY(StatementReviewDialog(*lines, bills).chosenPayments().isEmpty());
}

void TestStatementImport::importStatementCommand_data()
{
    QTest::addColumn<QString>("statement"); // a sample statement, or text for notes.txt
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("paid");

    QTest::newRow("a bank's statement") << "checking-1x.ofx"
                                        << "2 payments recorded."
                                        << "City Power Works,Bakery";
    QTest::newRow("a bank's error in place of a statement")
        << "damaged-bank-error.ofx"
        << "The statement cannot be read (<STATUS>): The bank reports an error: General "
           "error\n\nNothing was recorded."
        << "";
    QTest::newRow("another kind of file")
        << "Pay the bakery on Friday."
        << "notes.txt is not a statement this program reads: it reads OFX, QFX, QIF and CSV files."
        << "";
}

// File > Import Statement as a person uses it: the statement chosen, the review confirmed with
// the line no bill takes turned into a bill, and what the program then says.
void TestStatementImport::importStatementCommand()
{
    QFETCH(QString, statement);
    QFETCH(QString, message);
    QFETCH(QString, paid);
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("bills.nvbf"));
    QVERIFY(addBill("City Power Works", "May", 84.20, QDate(2026, 5, 5)));
    QString path = QString(NV_STATEMENTS_DIR "/") + statement;
    if (!QFile::exists(path))
        QVERIFY(writeFileBytes(path = dir.filePath("notes.txt"), statement.toUtf8()));
    answers.paths = QStringList{path};
    MessageRecorder recorder;
    {
        std::unique_ptr<ModalAnswerer> review;
        if (!paid.isEmpty())
            review = std::make_unique<ModalAnswerer>("StatementReviewDialog", [](QWidget *dialog) {
                auto *tree = dialog->findChild<QTreeWidget *>("linesTreeWidget");
                qobject_cast<QComboBox *>(tree->itemWidget(tree->topLevelItem(2), 4))
                    ->setCurrentIndex(1);
                dialog->findChild<QDialogButtonBox *>("buttonBox")
                    ->button(QDialogButtonBox::Ok)
                    ->click();
            });
        trigger(window, "actionImport_Statement");
    }
    QCOMPARE(recorder.count(), 1);
    QCOMPARE(recorder.last().text, message);
    QCOMPARE(scalar("SELECT group_concat(payeename) FROM (SELECT p.payeename FROM bills b JOIN "
                    "payees p ON p.id = b.payeeid WHERE b.paid = 1 ORDER BY b.id)")
                 .toString(),
             paid);
    // The bills paid leave the list of unpaid ones at once.
    if (!paid.isEmpty())
        QCOMPARE(billList(window)->topLevelItemCount(), 0);
}

NV_TEST_MAIN(TestStatementImport)
#include "tst_statementimport.moc"
