#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "currentsql.h"
#include "datafile.h"
#include "monthlyseries.h"
#include "payee.h"
#include "scratchdatafile.h"
#include "testmain.h"

class TestStatementImport : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(QDate(2026, 5, 20), QTime(9, 0))); }
    void cleanup() { Clock::reset(); }

    void linesAreRecordedOnce_data();
    void linesAreRecordedOnce();
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

    const DataFile::StatementPayment line{"ofx:1/2/F-77", "F-77", QDate(2026, 5, 16),
                                          cents,          billId, "CITY POWER DD"};
    int recorded = -1;
    QVERIFY(data.file.recordStatementPayments({line}, &recorded));
    QCOMPARE(recorded, 1);
    QVERIFY(data.file.recordStatementPayments({line}, &recorded));
    QCOMPARE(recorded, 0);

    QCOMPARE(scalar("SELECT amount || ':' || isestimate || ':' || paid FROM bills").toString(),
             stored);
    QCOMPARE(scalar("SELECT group_concat(substr(paymentdate, 1, 10) || '=' || amount || '/' || "
                    "reference) FROM billpayment WHERE reference <> ''")
                 .toString(),
             QString("2026-05-16=%1/F-77").arg(QString::number(double(cents) / 100.0)));
    QCOMPARE(scalar("SELECT COUNT(*) FROM importedtransactions WHERE importid = 'ofx:1/2/F-77' "
                    "AND paymentid = (SELECT id FROM billpayment WHERE reference = 'F-77')")
                 .toInt(),
             1);
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

NV_TEST_MAIN(TestStatementImport)
#include "tst_statementimport.moc"
