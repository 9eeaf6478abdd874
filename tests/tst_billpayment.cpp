#include "bill.h"
#include "billpayment.h"
#include "clock.h"
#include "connections.h"
#include "payee.h"
#include "recordsql.h"
#include "scratchdatabase.h"
#include "testmain.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const QDate day1(2007, 3, 15);
const QDate day2(2007, 4, 2);
const QDate day3(2007, 5, 9);

bool createTables()
{
    return Payee::createTable() && Bill::createTable() && BillPayment::createTable();
}

int storedBill(double amount)
{
    Bill bill;
    bill.setAmount(amount);
    return bill.save() ? bill.id() : 0;
}

void setToday(const QDate &date)
{
    Clock::setFixed(QDateTime(date, QTime(10, 0)));
}
} // namespace

class TestBillPayment : public QObject
{
    Q_OBJECT

private slots:
    void init() { setToday(day1); }
    void cleanup() { Clock::reset(); }

    // Table and statements
    void createTableWritesTheExactLayout();
    void saveInsertsOnceThenUpdatesTheSameRow();
    void newPaymentIsDatedNow();
    void setFromRecordReadsColumnsByName();
    void findByIdWithoutRowGivesNoPayment();
    void momentReadFromARowIsWrittenBackAsRead_data();
    void momentReadFromARowIsWrittenBackAsRead();

    // The bill's paid state
    void paymentsDecideTheBillsPaidState();
    void removeDeletesOnlyItsRowUntilTheBillIsRead();
    void billListsTwoPaymentsEarliestFirst();

    // Failures
    void failedInsertKeepsIdZeroAndLeavesBillAlone();
    void rejectedBillWriteUndoesThePayment();
};

void TestBillPayment::createTableWritesTheExactLayout()
{
    ScratchDatabase db;
    QVERIFY(BillPayment::createTable());
    QCOMPARE(db.scalar("SELECT sql FROM sqlite_master WHERE name = 'billpayment'").toString(),
             QString("CREATE TABLE billpayment (id INTEGER NOT NULL PRIMARY KEY, billid INTEGER, "
                     "paymentdate DATETIME, amount DECIMAL, reference VARCHAR(100))"));
}

void TestBillPayment::saveInsertsOnceThenUpdatesTheSameRow()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int billId = storedBill(100.0);
    const QDateTime when(day1, QTime(14, 30, 15, 250));
    BillPayment payment(billId, when, 25.5);
    QVERIFY(!payment.isStored());
    QVERIFY(payment.save());
    QCOMPARE(payment.id(), 1);
    QVERIFY(payment.isStored());

    payment.setAmount(26.0);
    QVERIFY(payment.save());
    QCOMPARE(payment.id(), 1);
    QCOMPARE(db.count("billpayment"), 1);
    QCOMPARE(db.scalar("SELECT amount FROM billpayment").toDouble(), 26.0);
    QCOMPARE(db.scalar("SELECT billid FROM billpayment").toInt(), billId);
    // Stored as ISO text, so ordering by the column is chronological; the time survives.
    QVERIFY(db.scalar("SELECT paymentdate FROM billpayment")
                .toString()
                .startsWith("2007-03-15T14:30:15"));
    QCOMPARE(BillPayment::findById(1).value().paymentDate(), when);
}

void TestBillPayment::newPaymentIsDatedNow()
{
    const BillPayment payment;
    QCOMPARE(payment.paymentDate(), QDateTime(day1, QTime(10, 0)));
    QCOMPARE(payment.id(), 0);
    QCOMPARE(payment.billId(), 0);
    QCOMPARE(payment.amount(), 0.0);
    QVERIFY(!payment.isStored());
}

void TestBillPayment::setFromRecordReadsColumnsByName()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    QVERIFY(db.exec("INSERT INTO billpayment VALUES (5, 8, '2007-02-03T04:05:06.000', 7.25, '')"));
    QSqlQuery query(Connections::database(Connections::current()));
    QVERIFY(query.exec("SELECT amount, paymentdate, billid, id FROM billpayment"));
    QVERIFY(query.next());
    const BillPayment payment(query.record());
    QCOMPARE(payment.id(), 5);
    QCOMPARE(payment.billId(), 8);
    QCOMPARE(payment.paymentDate(), QDateTime(QDate(2007, 2, 3), QTime(4, 5, 6)));
    QCOMPARE(payment.amount(), 7.25);
    QVERIFY(payment.isStored());
}

void TestBillPayment::momentReadFromARowIsWrittenBackAsRead_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("rewritten");
    QTest::newRow("as written") << "2007-02-03T04:05:06.789"
                                << "2007-02-03T04:05:06.789";
    QTest::newRow("without msecs") << "2007-02-03T04:05:06"
                                   << "2007-02-03T04:05:06.000";
    QTest::newRow("with a space") << "2007-02-03 04:05:06"
                                  << "2007-02-03T04:05:06.000";
    QTest::newRow("in UTC") << "2007-02-03T04:05:06Z"
                            << "2007-02-03T04:05:06.000Z";
    QTest::newRow("date only") << "2007-02-03"
                               << "2007-02-03T00:00:00.000";
    QTest::newRow("nonsense") << "soon" << QString();
}

void TestBillPayment::momentReadFromARowIsWrittenBackAsRead()
{
    QFETCH(QString, stored);
    QFETCH(QString, rewritten);
    ScratchDatabase db;
    QVERIFY(createTables());
    QVERIFY(db.exec("INSERT INTO bills (id, description, amount, duedate) VALUES (8, 'gas', 10, "
                    "'2007-03-01')"));
    QSqlQuery insert(Connections::database(Connections::current()));
    QVERIFY(insert.prepare("INSERT INTO billpayment VALUES (5, 8, ?, 7.25, '')"));
    insert.addBindValue(stored);
    QVERIFY(insert.exec());

    BillPayment payment = BillPayment::findById(5).value();
    const QDateTime expected = QVariant(stored).toDateTime();
    QCOMPARE(payment.paymentDate(), expected);
    QCOMPARE(payment.paymentDate().timeSpec(), expected.timeSpec());
    // Copies taken before the moment is first asked for read the same.
    const BillPayment copy = BillPayment::findById(5).value();
    QCOMPARE(BillPayment(copy).paymentDate(), expected);

    payment.setAmount(8.0);
    QVERIFY(payment.save());
    const QVariant written = db.scalar("SELECT paymentdate FROM billpayment WHERE id = 5");
    QCOMPARE(written.toString(), rewritten);
    QCOMPARE(written.isNull(), rewritten.isNull());

    // A moment set by hand replaces the one read.
    BillPayment changed = BillPayment::findById(5).value();
    changed.setPaymentDate(QDateTime(day2, QTime(9, 0)));
    QCOMPARE(changed.paymentDate(), QDateTime(day2, QTime(9, 0)));
}

void TestBillPayment::findByIdWithoutRowGivesNoPayment()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    QVERIFY(!BillPayment::findById(3).has_value());
    QCOMPARE(RecordSql::lastErrorText(), QString("The file has no payment with the id 3."));
}

void TestBillPayment::paymentsDecideTheBillsPaidState()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int billId = storedBill(100.0);

    BillPayment first(billId, QDateTime(day1, QTime(8, 0)), 60.0);
    QVERIFY(first.save());
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 0);

    BillPayment second(billId, QDateTime(day1, QTime(9, 0)), 40.0);
    QVERIFY(second.save());
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 1);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills").toString(), QString("2007-03-15"));

    // Edited downwards: unpaid again, and the day it was paid stays on record.
    setToday(day2);
    second.setAmount(30.0);
    QVERIFY(second.save());
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 0);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills").toString(), QString("2007-03-15"));
    QCOMPARE(Bill::findById(billId).value().balance(), 10.0);

    setToday(day3);
    second.setAmount(40.0);
    QVERIFY(second.save());
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 1);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills").toString(), QString("2007-05-09"));
    QCOMPARE(db.count("billpayment"), 2);
}

void TestBillPayment::removeDeletesOnlyItsRowUntilTheBillIsRead()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int billId = storedBill(50.0);
    BillPayment kept(billId, QDateTime(day1, QTime(8, 0)), 20.0);
    BillPayment removed(billId, QDateTime(day1, QTime(9, 0)), 30.0);
    QVERIFY(kept.save());
    QVERIFY(removed.save());
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 1);

    QVERIFY(removed.remove());
    QVERIFY(removed.isStored());
    QCOMPARE(db.count("billpayment"), 1);
    QCOMPARE(db.scalar("SELECT id FROM billpayment").toInt(), kept.id());
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 1);

    QVERIFY(!Bill::findById(billId).value().isPaid());
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 0);
}

void TestBillPayment::billListsTwoPaymentsEarliestFirst()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int billId = storedBill(50.0);
    BillPayment later(billId, QDateTime(day2, QTime(8, 0)), 2.0);
    BillPayment earlier(billId, QDateTime(day1, QTime(18, 0)), 1.0);
    QVERIFY(later.save());
    QVERIFY(earlier.save());
    const QList<BillPayment> payments = BillPayment::ofBill(billId).value();
    QCOMPARE(payments.size(), 2);
    QCOMPARE(payments.at(0).id(), earlier.id());
    QCOMPARE(payments.at(1).id(), later.id());
}

void TestBillPayment::failedInsertKeepsIdZeroAndLeavesBillAlone()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int billId = storedBill(10.0);
    BillPayment accepted(billId, QDateTime(day1, QTime(8, 0)), 1.0);
    QVERIFY(accepted.save());
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE INSERT ON billpayment WHEN NEW.amount > 5 "
                    "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    BillPayment payment(billId, QDateTime(day1, QTime(9, 0)), 9.0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!payment.save());
    QCOMPARE(payment.id(), 0);
    QVERIFY(!payment.isStored());
    QCOMPARE(db.count("billpayment"), 1);
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 0);
}

void TestBillPayment::rejectedBillWriteUndoesThePayment()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int billId = storedBill(10.0);
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE UPDATE ON bills "
                    "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    BillPayment payment(billId, QDateTime(day1, QTime(9, 0)), 10.0);
    payment.setModified(true);
    // Reading the bill tries the write once, the refresh after it once more.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!payment.save());
    QCOMPARE(payment.id(), 0);
    QVERIFY(!payment.isStored());
    QVERIFY(payment.isModified()); // its row was written and undone: still unsaved
    QCOMPARE(db.count("billpayment"), 0);
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 0);

    QVERIFY(db.exec("DROP TRIGGER reject"));
    QVERIFY(payment.save());
    QVERIFY(!payment.isModified());
    QCOMPARE(db.count("billpayment"), 1);
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 1);
}

NV_TEST_MAIN(TestBillPayment)
#include "tst_billpayment.moc"
