#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
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
const QDate day2(2007, 12, 20);

bool createTables()
{
    return Payee::createTable() && Bill::createTable() && BillPayment::createTable() &&
           BillSchedule::createTable();
}

// Payment rows written behind the records' back, so that only reading the bill can react.
bool insertPayment(int billId, const QDateTime &when, double amount)
{
    QSqlQuery query(Connections::database(Connections::current()));
    query.prepare("INSERT INTO billpayment (billid, paymentdate, amount) VALUES (?, ?, ?)");
    query.addBindValue(billId);
    query.addBindValue(when);
    query.addBindValue(amount);
    return query.exec();
}

int storedBill(double amount)
{
    Bill bill;
    bill.setAmount(amount);
    return bill.save() ? bill.id() : 0;
}

// Counts every UPDATE of a bills row, to prove which reads write.
bool countBillUpdates(const ScratchDatabase &db)
{
    return db.exec("CREATE TABLE updates(n INTEGER)") &&
           db.exec("CREATE TRIGGER count_updates AFTER UPDATE ON bills "
                   "BEGIN INSERT INTO updates VALUES (1); END;");
}

void setToday(const QDate &date)
{
    Clock::setFixed(QDateTime(date, QTime(10, 0)));
}
} // namespace

class TestBill : public QObject
{
    Q_OBJECT

private slots:
    void init() { setToday(day1); }
    void cleanup() { Clock::reset(); }

    // Table and statements
    void createTableWritesTheExactLayout();
    void newBillIsStoredWithItsDefaults();
    void saveInsertsOnceThenUpdatesTheSameRow();
    void failedInsertKeepsIdZeroAndStaysNew();

    // Reading
    void setFromRecordReadsColumnsByNameWithPayeeAndPayments();
    void paymentsAreReadEarliestFirst();
    void findByIdWithoutRowGivesNoBill();
    void copyKeepsFlagsIdAndPayments();

    // Paid state
    void readingSetsPaidStateFromPayments_data();
    void readingSetsPaidStateFromPayments();
    void paidDateIsKeptAcrossReadsOnLaterDays();
    void billTurningUnpaidKeepsItsPaidDate();
    void plainReadWritesNothing();
    void unreadableAmountLeavesTheRowAsStored_data();
    void unreadableAmountLeavesTheRowAsStored();
    void newBillIgnoresStrayPaymentsOfIdZero();
    void writeBackKeepsIdOfMissingPayee();
    void failedPaidStateWriteIsReportedAndRetried();

    // Removal
    void removeDeletesRowAndListedPaymentsOnly();
    void failedRemoveLeavesBillAndPaymentsInPlace();
};

void TestBill::createTableWritesTheExactLayout()
{
    ScratchDatabase db;
    QVERIFY(Bill::createTable());
    QCOMPARE(db.scalar("SELECT sql FROM sqlite_master WHERE name = 'bills'").toString(),
             QString("CREATE TABLE bills(id INTEGER primary key, billscheduleid INTEGER, payeeid "
                     "INTEGER, description VARCHAR(100) not null, amount DECIMAL, insertdate "
                     "DATETIME, duedate DATETIME, paiddate DATETIME, isunique BOOL, paid BOOL, "
                     "note VARCHAR(400), deleted BOOL, isestimate BOOL)"));
}

void TestBill::newBillIsStoredWithItsDefaults()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    Bill bill;
    QVERIFY(!bill.isStored());
    QVERIFY(bill.save());
    QSqlQuery query(Connections::database(Connections::current()));
    QVERIFY(query.exec("SELECT billscheduleid, payeeid, description, typeof(description), "
                       "amount, insertdate, duedate, paiddate, isunique, paid, note, "
                       "typeof(note), deleted FROM bills"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 0);
    QCOMPARE(query.value(1).toInt(), 0);
    QCOMPARE(query.value(2).toString(), QString(""));
    QCOMPARE(query.value(3).toString(), QString("text"));
    QCOMPARE(query.value(4).toDouble(), 0.0);
    QCOMPARE(query.value(5).toString(), QString("2007-03-15"));
    QCOMPARE(query.value(6).toString(), QString("2007-03-15"));
    QCOMPARE(query.value(7).toString(), QString("2000-01-01"));
    QCOMPARE(query.value(8).toInt(), 0);
    QCOMPARE(query.value(9).toInt(), 0);
    QCOMPARE(query.value(11).toString(), QString("text"));
    QCOMPARE(query.value(12).toInt(), 0);

    const Bill full(4, Payee(), "Rent", 900.0, day1, day2, QDate(2000, 1, 1), false, true, "keys",
                    false);
    QVERIFY(!full.isStored());
    QCOMPARE(full.dueDate(), day2);
    QVERIFY(full.isUnique());
    QVERIFY(!full.hasPayments());
}

void TestBill::saveInsertsOnceThenUpdatesTheSameRow()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    Payee payee;
    payee.setPayeeName("Power");
    QVERIFY(payee.save());

    Bill bill;
    bill.setBillScheduleId(5);
    bill.setPayee(payee);
    bill.setDescription("March");
    bill.setAmount(12.34);
    bill.setNote("first\nsecond");
    QVERIFY(bill.save());
    QCOMPARE(bill.id(), 1);
    QVERIFY(bill.isStored());
    QCOMPARE(db.scalar("SELECT billscheduleid FROM bills").toInt(), 5);

    bill.setBillScheduleId(9);
    bill.setDueDate(day2);
    bill.setUnique(true);
    QVERIFY(bill.save());
    QCOMPARE(bill.id(), 1);
    QCOMPARE(db.count("bills"), 1);
    QCOMPARE(db.scalar("SELECT billscheduleid FROM bills").toInt(), 9);
    QCOMPARE(db.scalar("SELECT payeeid FROM bills").toInt(), payee.id());
    QCOMPARE(db.scalar("SELECT duedate FROM bills").toString(), QString("2007-12-20"));
    QCOMPARE(db.scalar("SELECT isunique FROM bills").toInt(), 1);
    QCOMPARE(db.scalar("SELECT amount FROM bills").toDouble(), 12.34);
    QCOMPARE(db.scalar("SELECT note FROM bills").toString(), QString("first\nsecond"));
}

void TestBill::failedInsertKeepsIdZeroAndStaysNew()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    QVERIFY(storedBill(10.0) > 0);
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE INSERT ON bills WHEN NEW.description = 'boom' "
                    "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    Bill bill;
    bill.setDescription("boom");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!bill.save());
    QCOMPARE(bill.id(), 0); // not the id of the bill inserted before
    QVERIFY(!bill.isStored());
    QCOMPARE(db.count("bills"), 1);

    bill.setDescription("fine");
    QVERIFY(bill.save()); // still new, so this inserts
    QCOMPARE(bill.id(), 2);
    QCOMPARE(db.count("bills"), 2);
}

void TestBill::setFromRecordReadsColumnsByNameWithPayeeAndPayments()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    QVERIFY(db.exec("INSERT INTO payees VALUES (4, 'Water', 'W-9', '', '', 0)"));
    QVERIFY(db.exec("INSERT INTO bills VALUES (6, 3, 4, 'Q1', 80.5, '2007-01-02', '2007-04-01', "
                    "'2000-01-01', 1, 0, 'n', 0, 0)"));
    QVERIFY(insertPayment(6, QDateTime(day1, QTime(9, 0)), 20.5));
    QSqlQuery query(Connections::database(Connections::current()));
    QVERIFY(query.exec("SELECT deleted, note, paid, isunique, paiddate, duedate, insertdate, "
                       "amount, description, payeeid, billscheduleid, id FROM bills"));
    QVERIFY(query.next());
    const Bill bill(query.record());
    QCOMPARE(bill.id(), 6);
    QCOMPARE(bill.billScheduleId(), 3);
    QCOMPARE(bill.payee().id(), 4);
    QCOMPARE(bill.payee().payeeName(), QString("Water"));
    QVERIFY(bill.payee().isStored());
    QCOMPARE(bill.description(), QString("Q1"));
    QCOMPARE(bill.amount(), 80.5);
    QCOMPARE(bill.insertDate(), QDate(2007, 1, 2));
    QCOMPARE(bill.dueDate(), QDate(2007, 4, 1));
    QCOMPARE(bill.paidDate(), QDate(2000, 1, 1));
    QVERIFY(bill.isUnique());
    QVERIFY(!bill.isPaid());
    QVERIFY(!bill.isDeleted());
    QCOMPARE(bill.note(), QString("n"));
    QVERIFY(bill.isStored());
    QCOMPARE(BillPayment::ofBill(bill.id()).value().size(), 1);
    QCOMPARE(bill.balance(), 60.0);
}

void TestBill::paymentsAreReadEarliestFirst()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(100.0);
    QVERIFY(insertPayment(id, QDateTime(QDate(2007, 3, 10), QTime(8, 0)), 3.0));
    QVERIFY(insertPayment(id, QDateTime(QDate(2007, 2, 1), QTime(23, 0)), 1.0));
    QVERIFY(insertPayment(id, QDateTime(QDate(2007, 3, 10), QTime(7, 59)), 2.0));
    const QList<BillPayment> payments = BillPayment::ofBill(id).value();
    QCOMPARE(payments.size(), 3);
    QCOMPARE(payments.at(0).amount(), 1.0);
    QCOMPARE(payments.at(1).amount(), 2.0);
    QCOMPARE(payments.at(2).amount(), 3.0);
    QCOMPARE(payments.at(1).paymentDate(), QDateTime(QDate(2007, 3, 10), QTime(7, 59)));
}

void TestBill::findByIdWithoutRowGivesNoBill()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(25.0);
    // A row 0 of its own, which an empty bill read from nowhere would write over.
    QVERIFY(db.exec("INSERT INTO bills (id, description, amount, duedate, paid) VALUES (0, "
                    "'zero', 5, '2007-04-01', 0)"));
    QVERIFY(countBillUpdates(db));
    QVERIFY(!Bill::findById(99).has_value());
    QCOMPARE(RecordSql::lastErrorText(), QString("The file has no bill with the id 99."));
    QCOMPARE(db.count("updates"), 0);
    QCOMPARE(Bill::findById(id).value().amount(), 25.0);
    QCOMPARE(Bill::findById(0).value().description(), QString("zero"));
}

void TestBill::copyKeepsFlagsIdAndPayments()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(30.0);
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(8, 0)), 10.0));
    const Bill read = Bill::findById(id).value();
    Bill copy = read;
    QVERIFY(copy.isStored());
    QCOMPARE(copy.id(), id);
    QVERIFY(copy.hasPayments());
    QCOMPARE(copy.balance(), read.balance());
    copy.setDescription("edited copy");
    QVERIFY(copy.save());
    QCOMPARE(db.count("bills"), 1);
}

void TestBill::readingSetsPaidStateFromPayments_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<QList<double>>("payments");
    QTest::addColumn<bool>("paid");
    QTest::addColumn<QString>("storedPaidDate");
    const QString today = "2007-03-15";
    const QString never = "2000-01-01";
    QTest::newRow("covered exactly") << 100.0 << QList<double>{60.0, 40.0} << true << today;
    QTest::newRow("partly paid") << 100.0 << QList<double>{60.0} << false << never;
    QTest::newRow("one cent short") << 100.0 << QList<double>{99.99} << false << never;
    QTest::newRow("overpaid") << 50.0 << QList<double>{60.0} << true << today;
    QTest::newRow("nothing owed, nothing paid") << 0.0 << QList<double>{} << true << today;
    QTest::newRow("credit") << -5.0 << QList<double>{} << true << today;
    QTest::newRow("ten dimes cover a dollar") << 1.0 << QList<double>(10, 0.1) << true << today;
}

void TestBill::readingSetsPaidStateFromPayments()
{
    QFETCH(double, amount);
    QFETCH(QList<double>, payments);
    QFETCH(bool, paid);
    QFETCH(QString, storedPaidDate);
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(amount);
    for (int i = 0; i < payments.size(); ++i)
        QVERIFY(insertPayment(id, QDateTime(day1, QTime(8, i)), payments.at(i)));

    const Bill bill = Bill::findById(id).value();
    QCOMPARE(bill.isPaid(), paid);
    QCOMPARE(bill.paidDate().toString(Qt::ISODate), storedPaidDate);
    QCOMPARE(db.scalar("SELECT paid FROM bills").toBool(), paid);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills").toString(), storedPaidDate);
}

void TestBill::paidDateIsKeptAcrossReadsOnLaterDays()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(100.0);
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(8, 0)), 100.0));
    QCOMPARE(Bill::findById(id).value().paidDate(), day1);

    setToday(day2);
    const Bill later = Bill::findById(id).value();
    QVERIFY(later.isPaid());
    QCOMPARE(later.paidDate(), day1);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills").toString(), QString("2007-03-15"));
}

void TestBill::billTurningUnpaidKeepsItsPaidDate()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(100.0);
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(8, 0)), 100.0));
    QVERIFY(Bill::findById(id).value().isPaid());

    setToday(QDate(2007, 6, 1));
    QVERIFY(db.exec("UPDATE billpayment SET amount = 70"));
    const Bill unpaid = Bill::findById(id).value();
    QVERIFY(!unpaid.isPaid());
    QCOMPARE(unpaid.paidDate(), day1);
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 0);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills").toString(), QString("2007-03-15"));

    // Paid again later: the date is that of the new payment day.
    setToday(day2);
    QVERIFY(insertPayment(id, QDateTime(day2, QTime(8, 0)), 30.0));
    QCOMPARE(Bill::findById(id).value().paidDate(), day2);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills").toString(), QString("2007-12-20"));
}

void TestBill::plainReadWritesNothing()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int paidId = storedBill(10.0);
    QVERIFY(insertPayment(paidId, QDateTime(day1, QTime(8, 0)), 10.0));
    const int unpaidId = storedBill(10.0);
    QVERIFY(countBillUpdates(db));

    Bill::findById(paidId).value(); // turns paid: the one write
    QCOMPARE(db.count("updates"), 1);
    setToday(day2);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(Bill::findById(paidId).value().isPaid());
        QVERIFY(!Bill::findById(unpaidId).value().isPaid());
    }
    QCOMPARE(db.count("updates"), 1);
}

void TestBill::unreadableAmountLeavesTheRowAsStored_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("amount nan") << "UPDATE bills SET amount = 'nan'";
    QTest::newRow("payment nan") << "UPDATE billpayment SET amount = 'NaN'";
}

void TestBill::unreadableAmountLeavesTheRowAsStored()
{
    QFETCH(QString, statement);
    ScratchDatabase db;
    QVERIFY(createTables());
    // Paid in full, but stored unpaid: a read that settles it writes.
    const int id = storedBill(10.0);
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(8, 0)), 10.0));
    QVERIFY(db.exec(statement));
    QVERIFY(countBillUpdates(db));

    const Bill bill = Bill::findById(id).value();
    QVERIFY(!bill.isReadable());
    QVERIFY(!bill.isPaid());
    QCOMPARE(db.count("updates"), 0);
}

void TestBill::writeBackKeepsIdOfMissingPayee()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    Bill bill;
    bill.setAmount(0.0);
    Payee gone;
    gone.setId(42); // no such row
    bill.setPayee(gone);
    QVERIFY(bill.save());

    const Bill read = Bill::findById(bill.id()).value(); // turns paid, so the row is written back
    QVERIFY(read.isPaid());
    QCOMPARE(read.payee().payeeName(), QString());
    QCOMPARE(db.scalar("SELECT payeeid FROM bills").toInt(), 42);
}

void TestBill::failedPaidStateWriteIsReportedAndRetried()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(10.0);
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(8, 0)), 10.0));
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE UPDATE ON bills "
                    "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    Bill bill = Bill::findById(id).value();
    QVERIFY(bill.isPaid());
    // The state in memory has not reached the row, so a refresh writes it again.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!bill.refreshPaidState());
    QVERIFY(db.exec("DROP TRIGGER reject"));
    QVERIFY(bill.refreshPaidState());
    QCOMPARE(db.scalar("SELECT paid FROM bills").toInt(), 1);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills").toString(), QString("2007-03-15"));
}

void TestBill::removeDeletesRowAndListedPaymentsOnly()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(100.0);
    const int otherId = storedBill(5.0);
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(8, 0)), 10.0));
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(9, 0)), 20.0));
    QVERIFY(insertPayment(otherId, QDateTime(day1, QTime(9, 0)), 5.0));
    Bill bill = Bill::findById(id).value();
    QVERIFY(bill.remove());
    QCOMPARE(db.count("bills"), 1);
    QCOMPARE(db.scalar("SELECT id FROM bills").toInt(), otherId);
    QCOMPARE(db.count("billpayment"), 1);
    QCOMPARE(db.scalar("SELECT billid FROM billpayment").toInt(), otherId);
    QVERIFY(bill.hasPayments());
}

void TestBill::failedRemoveLeavesBillAndPaymentsInPlace()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int id = storedBill(100.0);
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(8, 0)), 10.0));
    QVERIFY(insertPayment(id, QDateTime(day1, QTime(9, 0)), 20.0));
    Bill bill = Bill::findById(id).value();
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE DELETE ON bills "
                    "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!bill.remove());
    QCOMPARE(db.count("bills"), 1);
    QCOMPARE(db.count("billpayment"), 2);
}

void TestBill::newBillIgnoresStrayPaymentsOfIdZero()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    QVERIFY(insertPayment(0, QDateTime(day1, QTime(8, 0)), 30.0));

    const Bill bill(0, Payee(), "fresh", 30.0, day1, day1, Bill::neverPaidDate(), false, false, "",
                    false);
    QVERIFY(!bill.hasPayments());
    QCOMPARE(bill.balance(), 30.0);
}

NV_TEST_MAIN(TestBill)
#include "tst_bill.moc"
