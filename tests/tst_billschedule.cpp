#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "payee.h"
#include "scratchdatabase.h"
#include "testmain.h"
#include "transaction.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const QDate today(2007, 2, 10);

bool createTables()
{
    return Payee::createTable() && Bill::createTable() && BillPayment::createTable() &&
           BillSchedule::createTable();
}

BillSchedule makeSchedule(const QString &type, int dayOfWeek, int dayOfMonth, const QDate &start,
                          const QDate &end)
{
    BillSchedule schedule;
    schedule.setScheduleType(type);
    schedule.setDayOfWeek(dayOfWeek);
    schedule.setDayOfMonth(dayOfMonth);
    schedule.setRangeStartDate(start);
    schedule.setRangeEndDate(end);
    return schedule;
}

Bill makeTemplate(const Payee &payee, double amount)
{
    Bill bill;
    bill.setPayee(payee);
    bill.setAmount(amount);
    bill.setDescription("Rent");
    bill.setNote("flat 2\nback door");
    return bill;
}

// A stored monthly series on the 1st, January to the given month of 2007.
BillSchedule storedSeries(int months, double amount = 100.0)
{
    BillSchedule schedule =
        makeSchedule("MONTHLY", 0, 1, QDate(2007, 1, 1), QDate(2007, months, 1));
    if (schedule.save())
        schedule.generateBills(makeTemplate(Payee(), amount));
    return schedule;
}

QList<QDate> storedDueDates()
{
    QList<QDate> dates;
    QSqlQuery query(Connections::database(Connections::current()));
    query.exec("SELECT duedate FROM bills ORDER BY id");
    while (query.next())
        dates.append(query.value(0).toDate());
    return dates;
}

bool payBill(int billId, double amount)
{
    BillPayment payment(billId, Clock::now(), amount);
    return payment.save();
}

QList<QDate> dates(std::initializer_list<QDate> list)
{
    return QList<QDate>(list);
}
} // namespace

class TestBillSchedule : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(today, QTime(12, 0))); }
    void cleanup() { Clock::reset(); }

    // Recurrence rules, without a file
    void dueDates_data();
    void dueDates();

    // Table and statements
    void createTableWritesTheExactLayout();
    void saveInsertsOnceThenUpdatesAndReadsBack();
    void addBillSavesAndListsTheCallersBill();
    void addBillIsRefusedWithoutAStoredSchedule();

    // Generating a series
    void generatedInstancesCarryTheTemplateFields();
    void generatedInstancesKnowTheirOwnRows();
    void newScheduleIgnoresStrayBillsOfIdZero();
    void generatedMonthlySeriesCoversShortMonths();
    void nonRecurringTypesGenerateNothing_data();
    void nonRecurringTypesGenerateNothing();
    void secondGenerationAddsNothing();
    void seriesFailingHalfWayLeavesNoRows();
    void failedSeriesInsideCallersTransactionKeepsCallersWrites();
    void fiveYearWeeklySeriesIsWrittenAtOnce();

    // Reading, updating and removing a series
    void loadBillsListsLiveBillsAndWritesNothing();
    void updateBillsSkipsUniqueBillsAndKeepsDates();
    void updateBillsFailingHalfWayChangesNothing();
    void removeKeepsUniqueInstanceAndScheduleRow();
    void removeWithoutUniqueInstanceDeletesScheduleRow();
    void removeFailingHalfWayDeletesNothing();
};

void TestBillSchedule::dueDates_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("dayOfWeek");
    QTest::addColumn<int>("dayOfMonth");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QList<QDate>>("expected");

    QTest::newRow("weekly on Friday from a Thursday")
        << "WEEKLY" << 5 << 0 << QDate(2007, 3, 1) << QDate(2007, 3, 31)
        << dates({{2007, 3, 2}, {2007, 3, 9}, {2007, 3, 16}, {2007, 3, 23}, {2007, 3, 30}});
    QTest::newRow("bi-weekly on Monday, end date included")
        << "BIWEEKLY" << 1 << 0 << QDate(2007, 3, 1) << QDate(2007, 4, 30)
        << dates({{2007, 3, 5}, {2007, 3, 19}, {2007, 4, 2}, {2007, 4, 16}, {2007, 4, 30}});
    QTest::newRow("weekly, start on the chosen weekday")
        << "WEEKLY" << 4 << 0 << QDate(2007, 3, 1) << QDate(2007, 3, 15)
        << dates({{2007, 3, 1}, {2007, 3, 8}, {2007, 3, 15}});
    QTest::newRow("weekly, start past the weekday")
        << "WEEKLY" << 1 << 0 << QDate(2007, 3, 3) << QDate(2007, 3, 19)
        << dates({{2007, 3, 5}, {2007, 3, 12}, {2007, 3, 19}});
    QTest::newRow("weekly on Sunday across a year")
        << "WEEKLY" << 7 << 0 << QDate(2007, 12, 25) << QDate(2008, 1, 6)
        << dates({{2007, 12, 30}, {2008, 1, 6}});
    QTest::newRow("monthly 31") << "MONTHLY" << 0 << 31 << QDate(2007, 1, 15) << QDate(2007, 6, 30)
                                << dates({{2007, 1, 31},
                                          {2007, 2, 28},
                                          {2007, 3, 31},
                                          {2007, 4, 30},
                                          {2007, 5, 31},
                                          {2007, 6, 30}});
    QTest::newRow("monthly 15 from a later day")
        << "MONTHLY" << 0 << 15 << QDate(2007, 1, 20) << QDate(2007, 4, 30)
        << dates({{2007, 2, 15}, {2007, 3, 15}, {2007, 4, 15}});
    QTest::newRow("monthly 30 from 31 January keeps February")
        << "MONTHLY" << 0 << 30 << QDate(2007, 1, 31) << QDate(2007, 5, 31)
        << dates({{2007, 2, 28}, {2007, 3, 30}, {2007, 4, 30}, {2007, 5, 30}});
    QTest::newRow("monthly 29 from 30 January")
        << "MONTHLY" << 0 << 29 << QDate(2007, 1, 30) << QDate(2007, 3, 31)
        << dates({{2007, 2, 28}, {2007, 3, 29}});
    QTest::newRow("monthly 15, start on the day, end on the day")
        << "MONTHLY" << 0 << 15 << QDate(2007, 1, 15) << QDate(2007, 2, 15)
        << dates({{2007, 1, 15}, {2007, 2, 15}});
    QTest::newRow("monthly 31 across a year end")
        << "MONTHLY" << 0 << 31 << QDate(2007, 12, 31) << QDate(2008, 2, 29)
        << dates({{2007, 12, 31}, {2008, 1, 31}, {2008, 2, 29}});
    QTest::newRow("leap February, day 29")
        << "MONTHLY" << 0 << 29 << QDate(2008, 1, 31) << QDate(2008, 3, 31)
        << dates({{2008, 2, 29}, {2008, 3, 29}});
    QTest::newRow("leap February, day 30")
        << "MONTHLY" << 0 << 30 << QDate(2008, 1, 31) << QDate(2008, 3, 31)
        << dates({{2008, 2, 29}, {2008, 3, 30}});
    QTest::newRow("leap February, day 31")
        << "MONTHLY" << 0 << 31 << QDate(2008, 1, 31) << QDate(2008, 3, 31)
        << dates({{2008, 1, 31}, {2008, 2, 29}, {2008, 3, 31}});
    QTest::newRow("weekly, no due date in range")
        << "WEEKLY" << 5 << 0 << QDate(2007, 3, 3) << QDate(2007, 3, 8) << QList<QDate>();
    QTest::newRow("monthly, no due date in range")
        << "MONTHLY" << 0 << 15 << QDate(2007, 1, 20) << QDate(2007, 2, 14) << QList<QDate>();
    QTest::newRow("end before start")
        << "WEEKLY" << 5 << 0 << QDate(2007, 3, 31) << QDate(2007, 3, 1) << QList<QDate>();
    QTest::newRow("not set") << "NOTSET" << 5 << 15 << QDate(2007, 1, 1) << QDate(2007, 12, 31)
                             << QList<QDate>();
    QTest::newRow("single") << "SINGLE" << 5 << 15 << QDate(2007, 1, 1) << QDate(2007, 12, 31)
                            << QList<QDate>();
    QTest::newRow("unread dates") << "WEEKLY" << 5 << 0 << QDate() << QDate() << QList<QDate>();
}

void TestBillSchedule::dueDates()
{
    QFETCH(QString, type);
    QFETCH(int, dayOfWeek);
    QFETCH(int, dayOfMonth);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QList<QDate>, expected);
    QCOMPARE(makeSchedule(type, dayOfWeek, dayOfMonth, start, end).dueDates(), expected);
}

void TestBillSchedule::createTableWritesTheExactLayout()
{
    ScratchDatabase db;
    QVERIFY(BillSchedule::createTable());
    QCOMPARE(db.scalar("SELECT sql FROM sqlite_master WHERE name = 'billschedule'").toString(),
             QString("CREATE TABLE billschedule (id INTEGER NOT NULL PRIMARY KEY, scheduletype "
                     "VARCHAR(20), dayofmonth INTEGER, dayofweek INTEGER, frequency INTEGER, "
                     "frequencyvalue VARCHAR(20), rangetype VARCHAR(20), rangestartdate "
                     "DATETIME, rangeenddate DATETIME, amountrule VARCHAR(20))"));
}

void TestBillSchedule::saveInsertsOnceThenUpdatesAndReadsBack()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule schedule;
    QCOMPARE(schedule.scheduleType(), QString("NOTSET"));
    QVERIFY(schedule.save());
    QCOMPARE(schedule.id(), 1);
    QCOMPARE(db.scalar("SELECT frequencyvalue || rangetype || rangestartdate FROM billschedule")
                 .toString(),
             QString("DAYENDON2007-02-10"));

    schedule.setScheduleType("MONTHLY");
    schedule.setDayOfMonth(31);
    schedule.setDayOfWeek(3);
    schedule.setFrequency(2);
    schedule.setRangeEndDate(QDate(2007, 12, 31));
    QVERIFY(schedule.save());
    QCOMPARE(db.count("billschedule"), 1);

    QSqlQuery query(Connections::database(Connections::current()));
    QVERIFY(query.exec("SELECT rangeenddate, rangestartdate, rangetype, frequencyvalue, "
                       "frequency, dayofweek, dayofmonth, scheduletype, id FROM billschedule"));
    QVERIFY(query.next());
    const BillSchedule read(query.record());
    QVERIFY(read.isStored());
    QCOMPARE(read.id(), 1);
    QCOMPARE(read.scheduleType(), QString("MONTHLY"));
    QCOMPARE(read.dayOfMonth(), 31);
    QCOMPARE(read.dayOfWeek(), 3);
    QCOMPARE(read.frequency(), 2);
    QCOMPARE(read.frequencyValue(), QString("DAY"));
    QCOMPARE(read.rangeType(), QString("ENDON"));
    QCOMPARE(read.rangeStartDate(), today);
    QCOMPARE(read.rangeEndDate(), QDate(2007, 12, 31));
}

void TestBillSchedule::addBillSavesAndListsTheCallersBill()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule schedule;
    schedule.setScheduleType("SINGLE");
    QVERIFY(schedule.save());
    Bill bill;
    bill.setDescription("Phone");
    QVERIFY(schedule.addBill(bill));
    QCOMPARE(bill.billScheduleId(), schedule.id());
    QVERIFY(bill.isStored());
    QCOMPARE(db.scalar("SELECT billscheduleid FROM bills").toInt(), schedule.id());
    QVERIFY(schedule.hasBills());
    QCOMPARE(schedule.bills().size(), 1);
    QCOMPARE(schedule.bills().first().id(), bill.id());

    // Copies hold their own bills: the list of one is not the list of the other.
    BillSchedule copy = schedule;
    QCOMPARE(copy.bills().first().id(), bill.id());
    QVERIFY(copy.remove());
    QVERIFY(!copy.hasBills());
    QVERIFY(schedule.hasBills());
    QCOMPARE(db.count("bills"), 0);
}

void TestBillSchedule::addBillIsRefusedWithoutAStoredSchedule()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule unsaved;
    Bill bill;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not been stored"));
    QVERIFY(!unsaved.addBill(bill));
    QVERIFY(!bill.isStored());
    QVERIFY(!unsaved.hasBills());

    // A schedule looked up by an id that has no row is no schedule at all.
    QVERIFY(!BillSchedule::findById(12).has_value());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not been stored"));
    QVERIFY(
        !makeSchedule("WEEKLY", 1, 0, QDate(2007, 3, 1), QDate(2007, 3, 31)).generateBills(Bill()));
    QCOMPARE(db.count("bills"), 0);
}

void TestBillSchedule::generatedInstancesCarryTheTemplateFields()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    Payee payee;
    payee.setPayeeName("Landlord");
    QVERIFY(payee.save());
    BillSchedule schedule = makeSchedule("WEEKLY", 5, 0, QDate(2007, 3, 1), QDate(2007, 3, 31));
    QVERIFY(schedule.save());
    Bill templateBill = makeTemplate(payee, 450.0);
    templateBill.setDueDate(QDate(2006, 1, 1));
    templateBill.setUnique(true);
    templateBill.setPaid(true);
    templateBill.setPaidDate(QDate(2006, 1, 2));

    QVERIFY(schedule.generateBills(templateBill));
    QVERIFY(!templateBill.isStored());
    QCOMPARE(schedule.bills().size(), 5);
    QCOMPARE(storedDueDates(),
             dates({{2007, 3, 2}, {2007, 3, 9}, {2007, 3, 16}, {2007, 3, 23}, {2007, 3, 30}}));
    const QString matching = QString("SELECT COUNT(*) FROM bills WHERE billscheduleid = %1 AND "
                                     "payeeid = %2 AND amount = 450 AND description = 'Rent' AND "
                                     "note = 'flat 2\nback door' AND insertdate = '2007-02-10' "
                                     "AND paiddate = '2000-01-01' AND paid = 0 AND isunique = 0 "
                                     "AND deleted = 0")
                                 .arg(schedule.id())
                                 .arg(payee.id());
    QCOMPARE(db.scalar(matching).toInt(), 5);
}

void TestBillSchedule::generatedMonthlySeriesCoversShortMonths()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule schedule = makeSchedule("MONTHLY", 0, 30, QDate(2007, 1, 31), QDate(2007, 5, 31));
    QVERIFY(schedule.save());
    QVERIFY(schedule.generateBills(makeTemplate(Payee(), 20.0)));
    QCOMPARE(storedDueDates(), dates({{2007, 2, 28}, {2007, 3, 30}, {2007, 4, 30}, {2007, 5, 30}}));
}

void TestBillSchedule::nonRecurringTypesGenerateNothing_data()
{
    QTest::addColumn<QString>("type");
    QTest::newRow("not set") << "NOTSET";
    QTest::newRow("single") << "SINGLE";
}

void TestBillSchedule::nonRecurringTypesGenerateNothing()
{
    QFETCH(QString, type);
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule schedule = makeSchedule(type, 5, 15, QDate(2007, 1, 1), QDate(2007, 12, 31));
    QVERIFY(schedule.save());
    QVERIFY(schedule.generateBills(makeTemplate(Payee(), 1.0)));
    QVERIFY(!schedule.hasBills());
    QCOMPARE(db.count("bills"), 0);
}

void TestBillSchedule::secondGenerationAddsNothing()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule schedule = storedSeries(3);
    QCOMPARE(db.count("bills"), 3);
    QVERIFY(schedule.generateBills(makeTemplate(Payee(), 5.0)));
    QCOMPARE(db.count("bills"), 3);
    BillSchedule read = BillSchedule::findById(schedule.id()).value();
    QVERIFY(read.generateBills(makeTemplate(Payee(), 5.0)));
    QCOMPARE(db.count("bills"), 3);
}

void TestBillSchedule::seriesFailingHalfWayLeavesNoRows()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE INSERT ON bills WHEN NEW.duedate = "
                    "'2007-03-16' BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    BillSchedule schedule = makeSchedule("WEEKLY", 5, 0, QDate(2007, 3, 1), QDate(2007, 3, 31));
    QVERIFY(schedule.save());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!schedule.generateBills(makeTemplate(Payee(), 9.0)));
    QCOMPARE(db.count("bills"), 0);
    QVERIFY(!schedule.hasBills());
    QCOMPARE(db.count("billschedule"), 1);

    // Nothing half-done blocks a later attempt.
    QVERIFY(db.exec("DROP TRIGGER reject"));
    QVERIFY(schedule.generateBills(makeTemplate(Payee(), 9.0)));
    QCOMPARE(db.count("bills"), 5);
}

void TestBillSchedule::failedSeriesInsideCallersTransactionKeepsCallersWrites()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE INSERT ON bills WHEN NEW.duedate = "
                    "'2007-03-16' BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    {
        Transaction callers(Connections::current());
        Payee payee;
        payee.setPayeeName("Kept");
        QVERIFY(payee.save());
        BillSchedule schedule = makeSchedule("WEEKLY", 5, 0, QDate(2007, 3, 1), QDate(2007, 3, 31));
        QVERIFY(schedule.save());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
        QVERIFY(!schedule.generateBills(makeTemplate(payee, 9.0)));
        QCOMPARE(db.count("bills"), 0);
        QVERIFY(callers.commit());
    }
    QCOMPARE(db.count("payees"), 1);
    QCOMPARE(db.count("billschedule"), 1);
    QCOMPARE(db.count("bills"), 0);
}

void TestBillSchedule::fiveYearWeeklySeriesIsWrittenAtOnce()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule schedule = makeSchedule("WEEKLY", 1, 0, QDate(2007, 1, 1), QDate(2011, 12, 31));
    QVERIFY(schedule.save());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(schedule.generateBills(makeTemplate(Payee(), 10.0)));
    qInfo() << "five-year weekly series written in" << timer.elapsed() << "ms";
    QCOMPARE(db.count("bills"), 261);
    QCOMPARE(db.scalar("SELECT MIN(duedate) || MAX(duedate) FROM bills").toString(),
             QString("2007-01-012011-12-26"));
}

void TestBillSchedule::loadBillsListsLiveBillsAndWritesNothing()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule schedule = storedSeries(3);
    BillSchedule other = storedSeries(2);
    QVERIFY(payBill(schedule.bills().first().id(), 100.0)); // a paid one reads without writing
    QVERIFY(db.exec("UPDATE bills SET deleted = 1 WHERE id = 2"));
    QVERIFY(db.exec("CREATE TABLE updates(n INTEGER)"));
    QVERIFY(db.exec("CREATE TRIGGER count_updates AFTER UPDATE ON bills "
                    "BEGIN INSERT INTO updates VALUES (1); END;"));

    Clock::setFixed(QDateTime(QDate(2007, 9, 1), QTime(8, 0)));
    const BillSchedule read = BillSchedule::findById(schedule.id()).value();
    QCOMPARE(read.bills().size(), 2);
    for (const Bill &bill : read.bills()) {
        QCOMPARE(bill.billScheduleId(), schedule.id());
        QVERIFY(bill.id() != 2);
    }
    QCOMPARE(db.count("updates"), 0);
    QCOMPARE(db.scalar("SELECT paiddate FROM bills WHERE id = 1").toString(),
             QString("2007-02-10"));
    QCOMPARE(BillSchedule::findById(other.id()).value().bills().size(), 2);
}

void TestBillSchedule::updateBillsSkipsUniqueBillsAndKeepsDates()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int scheduleId = storedSeries(4).id();
    QVERIFY(db.exec("UPDATE bills SET isunique = 1 WHERE id = 2"));
    QVERIFY(payBill(3, 100.0));
    const QList<QDate> datesBefore = storedDueDates();

    Payee payee;
    payee.setPayeeName("New landlord");
    QVERIFY(payee.save());
    Bill templateBill = makeTemplate(payee, 120.0);
    templateBill.setDescription("Rent, raised");
    templateBill.setNote("");
    templateBill.setDueDate(QDate(2010, 1, 1));
    BillSchedule schedule = BillSchedule::findById(scheduleId).value();
    QVERIFY(schedule.updateBills(templateBill));

    QCOMPARE(db.scalar("SELECT COUNT(*) FROM bills WHERE amount = 120 AND payeeid = 1 AND "
                       "description = 'Rent, raised' AND note = ''")
                 .toInt(),
             3);
    QCOMPARE(
        db.scalar("SELECT amount || description || payeeid FROM bills WHERE id = 2").toString(),
        QString("100Rent0"));
    QCOMPARE(storedDueDates(), datesBefore);
    QCOMPARE(db.scalar("SELECT paid || paiddate FROM bills WHERE id = 3").toString(),
             QString("12007-02-10"));
    for (const Bill &bill : schedule.bills())
        QCOMPARE(bill.amount(), bill.isUnique() ? 100.0 : 120.0);
}

void TestBillSchedule::updateBillsFailingHalfWayChangesNothing()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    BillSchedule schedule = BillSchedule::findById(storedSeries(4).id()).value();
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE UPDATE ON bills WHEN NEW.duedate = "
                    "'2007-03-01' BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!schedule.updateBills(makeTemplate(Payee(), 7.0)));
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM bills WHERE amount = 100").toInt(), 4);
    for (const Bill &bill : schedule.bills())
        QCOMPARE(bill.amount(), 100.0);

    BillSchedule empty;
    QVERIFY(empty.updateBills(makeTemplate(Payee(), 7.0)));
}

void TestBillSchedule::removeKeepsUniqueInstanceAndScheduleRow()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int scheduleId = storedSeries(3).id();
    QVERIFY(db.exec("UPDATE bills SET isunique = 1 WHERE id = 2"));
    for (int billId = 1; billId <= 3; ++billId)
        QVERIFY(payBill(billId, 10.0));
    BillSchedule schedule = BillSchedule::findById(scheduleId).value();
    QVERIFY(schedule.remove());
    QCOMPARE(db.scalar("SELECT id FROM bills").toInt(), 2);
    QCOMPARE(db.count("bills"), 1);
    QCOMPARE(db.scalar("SELECT billid FROM billpayment").toInt(), 2);
    QCOMPARE(db.count("billpayment"), 1);
    QCOMPARE(db.count("billschedule"), 1);
    QCOMPARE(schedule.bills().size(), 1);
    QCOMPARE(schedule.bills().first().id(), 2);
}

void TestBillSchedule::removeWithoutUniqueInstanceDeletesScheduleRow()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int scheduleId = storedSeries(3).id();
    const int otherId = storedSeries(2).id();
    QVERIFY(payBill(1, 10.0));
    BillSchedule schedule = BillSchedule::findById(scheduleId).value();
    QVERIFY(schedule.remove());
    QVERIFY(!schedule.hasBills());
    QCOMPARE(db.count("billpayment"), 0);
    QCOMPARE(
        db.scalar("SELECT COUNT(*) FROM bills WHERE billscheduleid = " + QString::number(otherId))
            .toInt(),
        2);
    QCOMPARE(db.count("bills"), 2);
    QCOMPARE(db.scalar("SELECT id FROM billschedule").toInt(), otherId);
}

void TestBillSchedule::removeFailingHalfWayDeletesNothing()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    const int scheduleId = storedSeries(3).id();
    QVERIFY(payBill(1, 10.0));
    BillSchedule schedule = BillSchedule::findById(scheduleId).value();
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE DELETE ON bills WHEN OLD.duedate = "
                    "'2007-03-01' BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!schedule.remove());
    QCOMPARE(db.count("bills"), 3);
    QCOMPARE(db.count("billpayment"), 1);
    QCOMPARE(db.count("billschedule"), 1);
    QCOMPARE(schedule.bills().size(), 3);
}

void TestBillSchedule::generatedInstancesKnowTheirOwnRows()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    // Rows of another series around it, so that no id can be right by counting from 1.
    BillSchedule before = storedSeries(2);
    BillSchedule schedule = makeSchedule("BIWEEKLY", 2, 0, QDate(2007, 1, 1), QDate(2007, 6, 30));
    QVERIFY(schedule.save());
    QVERIFY(schedule.generateBills(makeTemplate(Payee(), 20.0)));
    BillSchedule after = storedSeries(2);

    QStringList listed;
    for (const Bill &bill : schedule.bills())
        listed << QString("%1:%2").arg(bill.id()).arg(bill.dueDate().toString(Qt::ISODate));
    QSqlQuery query(Connections::database(Connections::current()));
    QVERIFY(query.exec(QString("SELECT id, duedate FROM bills WHERE billscheduleid = %1 ORDER BY "
                               "duedate")
                           .arg(schedule.id())));
    QStringList stored;
    while (query.next())
        stored << QString("%1:%2").arg(query.value(0).toInt()).arg(query.value(1).toString());
    QCOMPARE(listed, stored);
    QCOMPARE(listed.size(), 13);
    QCOMPARE(schedule.bills().first().id(), before.bills().last().id() + 1);
    QCOMPARE(after.bills().first().id(), schedule.bills().last().id() + 1);
}

void TestBillSchedule::newScheduleIgnoresStrayBillsOfIdZero()
{
    ScratchDatabase db;
    QVERIFY(createTables());
    Bill stray;
    stray.setDescription("stray");
    QVERIFY(stray.save()); // schedule id 0

    BillSchedule schedule("MONTHLY", 5, 0, 0, "DAY", "ENDON", QDate(2007, 1, 1),
                          QDate(2007, 3, 31));
    QVERIFY(!schedule.hasBills());
    QVERIFY(schedule.save());
    QVERIFY(schedule.generateBills(makeTemplate(Payee(), 10.0)));
    QCOMPARE(schedule.bills().size(), 3);
    QCOMPARE(db.count("bills"), 4);
}

NV_TEST_MAIN(TestBillSchedule)
#include "tst_billschedule.moc"
