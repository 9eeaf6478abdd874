#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "debugcapture.h"
#include "filebytes.h"
#include "filedata.h"
#include "oldfiles.h"
#include "payee.h"
#include "scratchdatabase.h"
#include "tableupgrade.h"
#include "testmain.h"
#include "upgraderunner.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const QDate today(2009, 6, 15);

const QStringList file10 = file10Layout();
const QStringList file11 = file11Layout();

bool createCurrentTables()
{
    return Bill::createTable() && BillPayment::createTable() && BillSchedule::createTable() &&
           FileData::createTable() && Payee::createTable();
}

bool build(const ScratchDatabase &db, const QStringList &statements)
{
    for (const QString &statement : statements) {
        if (!db.exec(statement))
            return false;
    }
    return true;
}

QList<UpgradeRunner::Table> dataTables()
{
    return {{"payees", &Payee::layoutMatches, &Payee::upgradePrepare, &Payee::upgradeCopy,
             &Payee::upgradeDrop},
            {"billschedule", &BillSchedule::layoutMatches, &BillSchedule::upgradePrepare,
             &BillSchedule::upgradeCopy, &BillSchedule::upgradeDrop},
            {"bills", &Bill::layoutMatches, &Bill::upgradePrepare, &Bill::upgradeCopy,
             &Bill::upgradeDrop},
            {"billpayment", &BillPayment::layoutMatches, &BillPayment::upgradePrepare,
             &BillPayment::upgradeCopy, &BillPayment::upgradeDrop},
            {"filedata", &FileData::layoutMatches, &FileData::upgradePrepare,
             &FileData::upgradeCopy, &FileData::upgradeDrop}};
}

UpgradeRunner::Outcome runUpgrade()
{
    UpgradeRunner runner(Connections::current(), &FileData::readVersion, dataTables());
    return runner.run();
}

// Runs one step of every table, in the runner's order, without the runner.
bool runStep(bool (*const steps[5])(const QString &), const QString &version)
{
    for (int i = 0; i < 5; ++i) {
        if (!steps[i](version))
            return false;
    }
    return true;
}

bool (*const prepareSteps[5])(const QString &) = {
    &Payee::upgradePrepare, &BillSchedule::upgradePrepare, &Bill::upgradePrepare,
    &BillPayment::upgradePrepare, &FileData::upgradePrepare};
bool (*const copySteps[5])(const QString &) = {&Payee::upgradeCopy, &BillSchedule::upgradeCopy,
                                               &Bill::upgradeCopy, &BillPayment::upgradeCopy,
                                               &FileData::upgradeCopy};
bool (*const dropSteps[5])(const QString &) = {&Payee::upgradeDrop, &BillSchedule::upgradeDrop,
                                               &Bill::upgradeDrop, &BillPayment::upgradeDrop,
                                               &FileData::upgradeDrop};

QStringList sortedTables()
{
    QStringList tables = Connections::database(Connections::current()).tables(QSql::Tables);
    tables.sort();
    return tables;
}

const QStringList currentTables = {"billpayment", "bills", "billschedule", "filedata", "payees"};

// Every row of a query, each as its column texts joined with "|".
QStringList rowsOf(const QString &statement)
{
    QStringList rows;
    QSqlQuery query(Connections::database(Connections::current()));
    if (!query.exec(statement))
        return {"query failed: " + statement};
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i).toString();
        rows << values.join('|');
    }
    return rows;
}

// Values of every form a hand-edited or damaged file may hold, as SQL literals. Row i of a
// generated table takes the value i modulo the list's length, so that the columns mix.
const QStringList oddTexts = {"'Water'",
                              "NULL",
                              "'Caf' || char(233)",
                              "42",
                              "'a' || char(0) || 'b'",
                              "X'41FF42'",
                              "'tab' || char(9) || 'here'",
                              "CAST(X'C3' AS TEXT)",
                              "''",
                              "2.5"};
// The same for a column declared NOT NULL.
const QStringList oddNames = {"'Water'",   "'Caf' || char(233)",  "42", "'a' || char(0) || 'b'",
                              "X'41FF42'", "CAST(X'C3' AS TEXT)", "''", "2.5"};
const QStringList oddAmounts = {
    "12.5",  "80", "'12abc'",          "'inf'", "NULL",  "'12.50'", "9e999", "0",
    "0.004", "-5", "9007199254740993", "' 7 '", "X'00'", "49.99"};
const QStringList oddDates = {
    "'2007-02-10'", "'2007-02-30'", "'02/10/2007'",          "'2007-2-3'",
    "NULL",         "20070210",     "'2007-02-10T00:00:00'", "'0000-01-01'",
    "'1960-05-01'", "'2045-03-09'", "'2007-03-25'",          "' 2007-02-10'"};
const QStringList oddMoments = {"'2007-02-03T10:00:00.000'",
                                "'2007-02-03T10:00:00'",
                                "'2007-03-25T02:30:00.000'",
                                "NULL",
                                "'garbage'",
                                "'2040-01-01T00:00:00.000'",
                                "'1965-01-01T00:00:00.000'",
                                "'2007-02-03T24:00:00.000'",
                                "'2007-10-28T02:30:00.000'",
                                "12"};
const QStringList oddFlags = {"0", "1", "'true'", "2", "NULL", "1", "0", "1.0"};
const QStringList oddIds = {"3", "7", "5", "NULL", "'7'", "7.0", "2147483648", "3", "'x'", "-1"};

QString valuesRow(int row, const QList<const QStringList *> &columns)
{
    QStringList values;
    for (const QStringList *column : columns)
        values << column->at((row + values.size()) % column->size());
    return values.join(", ");
}

QStringList oddFile11()
{
    QStringList statements = file11Layout();
    statements << "INSERT INTO filedata VALUES ('Ann', 'Lee', '1 Road', '1.1')";
    for (int i = 0; i < 12; ++i)
        statements << QString("INSERT INTO payees VALUES (%1, %2)")
                          .arg(i == 11 ? "-1" : QString::number(i))
                          .arg(valuesRow(i,
                                         {&oddTexts, &oddTexts, &oddTexts, &oddTexts, &oddFlags}));
    for (int i = 0; i < 3; ++i)
        statements << QString("INSERT INTO billschedule VALUES (%1, 'MONTHLY', 0, 15, 'ENDON', "
                              "'2007-01-15', '2007-12-15')")
                          .arg(i * 5 + 2);
    for (int i = 0; i < 150; ++i)
        statements << QString("INSERT INTO bills VALUES (%1, %2)")
                          .arg(i * 3 + 10)
                          .arg(valuesRow(i, {&oddIds, &oddTexts, &oddAmounts, &oddDates, &oddDates,
                                             &oddTexts, &oddIds, &oddFlags, &oddTexts, &oddFlags}));
    // Plain rows, as most files hold them: paid ones, open ones and nothing owed.
    for (int i = 0; i < 60; ++i)
        statements << QString("INSERT INTO bills VALUES (%1, %2, 'plain', %3, '2007-%4-11', %5, "
                              "'SINGLE', 0, %6, 'n', 0)")
                          .arg(1000 + i)
                          .arg(i % 12)
                          .arg(i % 5 == 0 ? "0" : QString::number(10.25 * i))
                          .arg(i % 12 + 1, 2, 10, QChar('0'))
                          .arg(i % 3 == 0 ? "NULL" : "'2007-01-05'")
                          .arg(i % 2);
    return statements;
}

QStringList oddFile12()
{
    QStringList statements =
        file14Layout() +
        QStringList{"INSERT INTO filedata VALUES (1, 'Ann', 'Lee', '', NULL, '1.2')"};
    for (int i = 1; i <= 12; ++i)
        statements << QString("INSERT INTO payees VALUES (%1, %2)")
                          .arg(i)
                          .arg(valuesRow(i,
                                         {&oddNames, &oddTexts, &oddTexts, &oddTexts, &oddFlags}));
    for (int i = 1; i <= 20; ++i)
        statements << QString("INSERT INTO billschedule VALUES (%1, %2)")
                          .arg(i)
                          .arg(valuesRow(i, {&oddTexts, &oddIds, &oddIds, &oddIds, &oddTexts,
                                             &oddTexts, &oddDates, &oddDates}));
    for (int i = 1; i <= 150; ++i)
        statements << QString("INSERT INTO bills VALUES (%1, %2)")
                          .arg(i)
                          .arg(valuesRow(i, {&oddIds, &oddIds, &oddNames, &oddAmounts, &oddDates,
                                             &oddDates, &oddDates, &oddFlags, &oddFlags, &oddTexts,
                                             &oddFlags}));
    for (int i = 1; i <= 80; ++i)
        statements << QString("INSERT INTO billpayment VALUES (%1, %2)")
                          .arg(i)
                          .arg(valuesRow(i, {&oddIds, &oddMoments, &oddAmounts}));
    return statements;
}

// Every row of the current tables, each value with its storage class (quote() writes 12 and
// '12' apart), in the order of the rows in the file.
QStringList storedValues()
{
    QStringList rows;
    const QSqlDatabase db = Connections::database(Connections::current());
    for (const QString &table : currentTables) {
        const QSqlRecord record = db.record(table);
        QStringList columns;
        for (int i = 0; i < record.count(); ++i)
            columns << "quote(" + record.fieldName(i) + ")";
        rows << table;
        rows << rowsOf("SELECT " + columns.join(" || '|' || ") + " FROM " + table +
                       " ORDER BY rowid");
    }
    return rows;
}

QStringList upgradedValues(const QStringList &statements, bool wholeTables)
{
    ScratchDatabase db;
    if (!build(db, statements))
        return {"the file could not be built"};
    TableUpgrade::setWholeTableCopies(wholeTables);
    const bool upgraded = runUpgrade().succeeded;
    TableUpgrade::setWholeTableCopies(true);
    return upgraded ? storedValues() : QStringList{"the upgrade failed"};
}

} // namespace

class TestDataUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(today, QTime(9, 30))); }
    void cleanup() { Clock::reset(); }

    // Layout recognition
    void layoutMatches_data();
    void layoutMatches();

    // The steps
    void prepareSetsOldTablesAside();
    void billPrepareWritesStatementErrorsToDebugOutput();
    void billCopyStopsWhenThePayeeLinkCannotBeRead();
    void insertKeepingIdNeverTakesOverARow();

    // Version 1.1
    void oldPayeeIdsAreMappedToNewOnes();
    void file11ReachesCurrentVersionInOneRun();
    void billsPaidInAnOldFileStayPaid();
    void billsOfFewPayeesEachKeepTheirOwn();

    // Version 1.0
    void oldestDueDate_data();
    void oldestDueDate();
    void file10ReachesCurrentVersionInOneRun();
    void legacyHeaderIsReplacedAllOrNothing();

    // Version 1.2
    void file12KeepsIdsColumnsAndPaidStates_data();
    void file12KeepsIdsColumnsAndPaidStates();
    void valuesThatCannotBeReadAreCarriedOverAsStored_data();
    void valuesThatCannotBeReadAreCarriedOverAsStored();

    // Whole tables at once
    void wholeTableCopiesStoreWhatRowByRowCopiesStore_data();
    void wholeTableCopiesStoreWhatRowByRowCopiesStore();

    // Failures
    void failedUpgradeRestoresTheFile_data();
    void failedUpgradeRestoresTheFile();
};

void TestDataUpgrade::layoutMatches_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("version");
    // Payee, BillSchedule, Bill, BillPayment, FileData
    QTest::addColumn<QList<bool>>("matches");

    QStringList current = {"CREATE TABLE payees(id INTEGER PRIMARY KEY, payeename TEXT, "
                           "accountnumber TEXT, mailingaddress TEXT, note TEXT, deleted BOOL)",
                           "CREATE TABLE billschedule(id INTEGER PRIMARY KEY, scheduletype TEXT, "
                           "dayofmonth INTEGER, dayofweek INTEGER, frequency INTEGER, "
                           "frequencyvalue TEXT, rangetype TEXT, rangestartdate DATETIME, "
                           "rangeenddate DATETIME)",
                           "CREATE TABLE billpayment(id INTEGER PRIMARY KEY, billid INTEGER, "
                           "paymentdate DATETIME, amount DECIMAL)",
                           "CREATE TABLE filedata(id INTEGER PRIMARY KEY, firstname TEXT, "
                           "lastname TEXT, address TEXT, emailaddress TEXT, version TEXT)"};
    const QString currentBills =
        "CREATE TABLE bills(id INTEGER PRIMARY KEY, billscheduleid INTEGER, payeeid INTEGER, "
        "description TEXT, amount DECIMAL, insertdate DATETIME, duedate DATETIME, paiddate "
        "DATETIME, isunique BOOL, paid BOOL, note TEXT, deleted BOOL%1)";
    const QStringList withBills = current + QStringList{currentBills.arg("")};
    QStringList file10WithoutText = file10;
    file10WithoutText[2].replace("duedatestring TEXT, ", "");

    const QList<bool> all = {true, true, true, true, true};
    const QList<bool> none = {false, false, false, false, false};
    QTest::newRow("1.0 file as 1.0") << file10 << "1.0" << all;
    QTest::newRow("1.0 bills without duedatestring")
        << file10WithoutText << "1.0" << QList<bool>{true, true, false, true, true};
    QTest::newRow("1.0 file as 1.1")
        << file10 << "1.1" << QList<bool>{false, false, false, true, false};
    QTest::newRow("1.1 file as 1.1") << file11 << "1.1" << all;
    QTest::newRow("empty file as 1.1")
        << QStringList{} << "1.1" << QList<bool>{false, false, false, true, false};
    QTest::newRow("1.1 file as 1.4")
        << file11 << "1.4" << QList<bool>{false, false, false, false, false};
    QTest::newRow("1.4 file as 1.4") << withBills << "1.4" << all;
    QTest::newRow("1.4 file as 1.5")
        << withBills << "1.5" << QList<bool>{true, false, false, false, true};
    QTest::newRow("current file as 1.2") << withBills << "1.2" << all;
    QTest::newRow("extra bills column as 1.4")
        << current + QStringList{currentBills.arg(", extra TEXT")} << "1.4" << all;
    QTest::newRow("current file as 1.0")
        << withBills << "1.0" << QList<bool>{false, true, false, true, true};
    QTest::newRow("unknown version") << withBills << "1.3" << none;
    QTest::newRow("empty version") << withBills << "" << none;
}

void TestDataUpgrade::layoutMatches()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, version);
    QFETCH(QList<bool>, matches);
    ScratchDatabase db;
    QVERIFY(build(db, statements));
    const QList<bool> found = {Payee::layoutMatches(version), BillSchedule::layoutMatches(version),
                               Bill::layoutMatches(version), BillPayment::layoutMatches(version),
                               FileData::layoutMatches(version)};
    QCOMPARE(found, matches);
}

void TestDataUpgrade::prepareSetsOldTablesAside()
{
    ScratchDatabase db;
    QVERIFY(build(db, file11));
    QVERIFY(db.exec("INSERT INTO bills(billid, payeeid, description) VALUES (1, 2, 'Gas')"));
    QVERIFY(runStep(prepareSteps, "1.1"));

    QCOMPARE(sortedTables(),
             QStringList({"billpayment", "bills", "billschedule", "billschedulelink",
                          "billscheduletemp", "billslink", "billstemp", "filedata", "filedatalink",
                          "filedatatemp", "payees", "payeeslink", "payeestemp"}));
    QCOMPARE(db.count("bills"), 0);
    QCOMPARE(db.count("billstemp"), 1);
    QCOMPARE(db.count("billpayment"), 0);
    QVERIFY(Bill::layoutMatches("1.5"));
    QVERIFY(BillPayment::layoutMatches("1.5"));

    QVERIFY(runStep(copySteps, "1.1"));
    QVERIFY(runStep(dropSteps, "1.1"));
    QCOMPARE(sortedTables(), currentTables);
}

void TestDataUpgrade::billPrepareWritesStatementErrorsToDebugOutput()
{
    ScratchDatabase db;
    QVERIFY(build(db, file11));
    DebugCapture capture;
    DebugCapture::lines().clear();
    QVERIFY(Payee::upgradePrepare("1.1"));
    QVERIFY(DebugCapture::lines().isEmpty());
    QVERIFY(Bill::upgradePrepare("1.1"));
    QCOMPARE(DebugCapture::lines(), QStringList({"", ""}));

    // A link table left from an earlier attempt: the rename worked, the link creation not.
    ScratchDatabase second;
    QVERIFY(build(second, file11));
    QVERIFY(second.exec("CREATE TABLE billslink(id INTEGER, oldid INTEGER)"));
    DebugCapture::lines().clear();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("CREATE TABLE billslink"));
    QVERIFY(!Bill::upgradePrepare("1.1"));
    QCOMPARE(DebugCapture::lines().size(), 2);
    QCOMPARE(DebugCapture::lines().at(0), QString(""));
    QVERIFY(DebugCapture::lines().at(1).contains("billslink already exists"));
}

void TestDataUpgrade::billCopyStopsWhenThePayeeLinkCannotBeRead()
{
    ScratchDatabase db;
    QVERIFY(build(db, file11));
    QVERIFY(db.exec("INSERT INTO bills(billid, payeeid, description) VALUES (1, 2, 'Gas')"));
    QVERIFY(db.exec("ALTER TABLE bills RENAME TO billstemp"));
    QVERIFY(Bill::createTable());
    // No payeeslink: a lookup that fails is not the same as a payee without a link.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no such table: payeeslink"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Copying a row of billstemp failed"));
    QVERIFY(!Bill::upgradeCopy("1.1"));
    QCOMPARE(db.count("bills"), 0);
}

namespace {
// The insert fails, and the record neither keeps the id nor counts as stored.
template <typename Record> bool refusesTakenId(Record record, int takenId)
{
    record.setId(takenId);
    return !record.insertKeepingId() && record.id() == 0 && !record.isStored();
}
} // namespace

void TestDataUpgrade::insertKeepingIdNeverTakesOverARow()
{
    ScratchDatabase db;
    QVERIFY(createCurrentTables());
    QVERIFY(db.exec("INSERT INTO payees(id, payeename) VALUES (4, 'kept')"));
    QVERIFY(db.exec("INSERT INTO billschedule(id, scheduletype) VALUES (4, 'kept')"));
    QVERIFY(db.exec("INSERT INTO bills(id, description) VALUES (4, 'kept')"));
    QVERIFY(db.exec("INSERT INTO billpayment(id, amount) VALUES (4, 1.5)"));

    for (int i = 0; i < 4; ++i)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("UNIQUE constraint failed"));
    QVERIFY(refusesTakenId(Payee(), 4));
    QVERIFY(refusesTakenId(BillSchedule(), 4));
    QVERIFY(refusesTakenId(Bill(), 4));
    QVERIFY(refusesTakenId(BillPayment(), 4));
    QCOMPARE(rowsOf("SELECT payeename FROM payees UNION ALL SELECT scheduletype FROM "
                    "billschedule UNION ALL SELECT description FROM bills UNION ALL SELECT "
                    "amount FROM billpayment"),
             QStringList({"kept", "kept", "kept", "1.5"}));

    // A free id is taken as it is, and a payment alone does not touch its bill.
    BillPayment payment;
    payment.setId(9);
    payment.setBillId(4);
    payment.setAmount(100.0);
    QVERIFY(payment.insertKeepingId());
    QVERIFY(payment.isStored());
    QCOMPARE(rowsOf("SELECT id, billid FROM billpayment WHERE id = 9"), QStringList({"9|4"}));
    QCOMPARE(rowsOf("SELECT paid FROM bills WHERE id = 4"), QStringList({""}));
}

namespace {
// Payees of old ids 3 and 7, and bills of payee 7, of a payee without a row (5) and of 3.
bool fillFile11(const ScratchDatabase &db)
{
    return build(db, file11) && build(db, file11Rows());
}
} // namespace

void TestDataUpgrade::oldPayeeIdsAreMappedToNewOnes()
{
    ScratchDatabase db;
    QVERIFY(fillFile11(db));
    QVERIFY(runStep(prepareSteps, "1.1"));
    QVERIFY(runStep(copySteps, "1.1"));

    // Payees get new ids in the order they are read; the link holds (new id, old id).
    QCOMPARE(rowsOf("SELECT id, oldid FROM payeeslink ORDER BY oldid"),
             QStringList({"1|3", "2|7"}));
    QCOMPARE(rowsOf("SELECT * FROM payees ORDER BY id"),
             QStringList({"1|Gas Co|G-1|Gas Street|gas|0", "2|Water|W-9|Lake Road||1"}));
    QCOMPARE(Bill::newPayeeId(7, "1.1"), 2);
    QCOMPARE(Bill::newPayeeId(5, "1.1"), 0);
    for (const char *link : {"billslink", "billschedulelink", "filedatalink"})
        QCOMPARE(db.count(link), 0);

    // Each bill: its payee through the link (0 without one), unique, inserted today, never
    // paid, on a "SINGLE" schedule of its own; old type, schedule and paid date not read.
    QCOMPARE(rowsOf("SELECT payeeid, description, amount, insertdate, duedate, paiddate, "
                    "isunique, paid, note, deleted FROM bills ORDER BY id"),
             QStringList({"2|Water bill|50.25|2009-06-15|2007-04-01|2000-01-01|1|0|quarterly|0",
                          "0|Orphan|12|2009-06-15|2007-05-01|2000-01-01|1|0||0",
                          "1|Gas bill|30|2009-06-15|2007-06-01|2000-01-01|1|0||1"}));
    QCOMPARE(rowsOf("SELECT COUNT(DISTINCT b.billscheduleid) FROM bills b JOIN billschedule s "
                    "ON s.id = b.billscheduleid WHERE s.scheduletype = 'SINGLE'"),
             QStringList({"3"}));
    // The old schedule becomes a schedule with default values that no bill refers to.
    QCOMPARE(rowsOf("SELECT s.scheduletype FROM billschedule s WHERE NOT EXISTS (SELECT 1 "
                    "FROM bills b WHERE b.billscheduleid = s.id)"),
             QStringList({"NOTSET"}));
    QCOMPARE(rowsOf("SELECT * FROM filedata"), QStringList({"1|Ann|Lee|1 Road||1.2"}));

    QVERIFY(runStep(dropSteps, "1.1"));
    QCOMPARE(sortedTables(), currentTables);
}

void TestDataUpgrade::file11ReachesCurrentVersionInOneRun()
{
    ScratchDatabase db;
    QVERIFY(fillFile11(db));
    const QByteArray before = fileBytes(db.path());
    const UpgradeRunner::Outcome outcome = runUpgrade();
    QVERIFY(outcome.succeeded);
    QCOMPARE(outcome.version, QString("1.6"));
    QCOMPARE(fileBytes(outcome.backupPath), before);
    QCOMPARE(sortedTables(), currentTables);

    QCOMPARE(rowsOf("SELECT b.description, p.payeename, s.scheduletype, b.isunique, "
                    "b.insertdate, b.paiddate FROM bills b JOIN payees p ON p.id = b.payeeid "
                    "JOIN billschedule s ON s.id = b.billscheduleid ORDER BY b.id"),
             QStringList({"Water bill|Water|SINGLE|1|2009-06-15|2000-01-01",
                          "Gas bill|Gas Co|SINGLE|1|2009-06-15|2000-01-01"}));
    QCOMPARE(rowsOf("SELECT payeeid FROM bills WHERE description = 'Orphan'"), QStringList({"0"}));
    QCOMPARE(db.count("billschedule"), 4);
    QCOMPARE(rowsOf("SELECT * FROM filedata"), QStringList({"1|Ann|Lee|1 Road||1.6"}));
}

void TestDataUpgrade::billsPaidInAnOldFileStayPaid()
{
    ScratchDatabase db;
    QVERIFY(build(db, file11));
    QVERIFY(db.exec("INSERT INTO filedata VALUES ('', '', '', '1.1')"));
    QVERIFY(db.exec("INSERT INTO payees VALUES (1, 'Gas Co', '', '', '', 0)"));
    QVERIFY(db.exec("INSERT INTO bills VALUES (1, 1, 'dated', 80, '2007-02-10', '2007-02-03', "
                    "'SINGLE', 0, 1, '', 0)"));
    QVERIFY(db.exec("INSERT INTO bills VALUES (2, 1, 'undated', 20, '2007-03-01', NULL, "
                    "'SINGLE', 0, 1, '', 0)"));
    QVERIFY(db.exec("INSERT INTO bills VALUES (3, 1, 'never-paid date', 20, '2007-04-01', "
                    "'2000-01-01', 'SINGLE', 0, 1, '', 0)"));
    QVERIFY(db.exec("INSERT INTO bills VALUES (4, 1, 'open', 30, '2007-03-01', NULL, 'SINGLE', "
                    "0, 0, '', 0)"));
    QVERIFY(db.exec("INSERT INTO bills VALUES (5, 1, 'nothing owed', 0, '2007-03-01', NULL, "
                    "'SINGLE', 0, 1, '', 0)"));
    QVERIFY(runUpgrade().succeeded);

    // One payment of the whole amount, dated when the old file says the bill was paid, or on
    // its due date.
    QCOMPARE(rowsOf("SELECT b.description, p.amount, substr(p.paymentdate, 1, 10) FROM "
                    "billpayment p JOIN bills b ON b.id = p.billid ORDER BY b.id"),
             QStringList({"dated|80|2007-02-03", "undated|20|2007-03-01",
                          "never-paid date|20|2007-04-01"}));
    // ... and that day is the bill's paid date.
    QCOMPARE(rowsOf("SELECT description, paiddate FROM bills ORDER BY id"),
             QStringList({"dated|2007-02-03", "undated|2007-03-01", "never-paid date|2007-04-01",
                          "open|2000-01-01", "nothing owed|2000-01-01"}));
    const QStringList stored = rowsOf("SELECT * FROM bills ORDER BY id");
    QList<bool> paid;
    for (int id = 1; id <= 5; ++id)
        paid << Bill::findById(id).value().isPaid();
    QCOMPARE(paid, QList<bool>({true, true, true, false, true}));
    // Reading them found nothing to change.
    QCOMPARE(rowsOf("SELECT * FROM bills ORDER BY id"), stored);
}

void TestDataUpgrade::billsOfFewPayeesEachKeepTheirOwn()
{
    ScratchDatabase db;
    QVERIFY(fillFile11(db));
    // Forty bills more, of the payees 3 and 7 and of 5, which has no row; every third paid.
    const int oldPayees[] = {3, 7, 5};
    for (int i = 0; i < 40; ++i)
        QVERIFY(db.exec(QString("INSERT INTO bills VALUES (%1, %2, 'bill %1', %3, '2007-07-01', "
                                "'2007-06-20', 'SINGLE', 0, %4, '', 0)")
                            .arg(100 + i)
                            .arg(oldPayees[i % 3])
                            .arg(10 + i)
                            .arg(i % 3 == 1 ? 1 : 0)));
    QVERIFY(runUpgrade().succeeded);

    QCOMPARE(rowsOf("SELECT COUNT(*) FROM bills b JOIN payees p ON p.id = b.payeeid WHERE "
                    "b.description LIKE 'bill %' AND p.payeename = CASE (CAST(substr("
                    "b.description, 6) AS INTEGER) - 100) % 3 WHEN 0 THEN 'Gas Co' ELSE "
                    "'Water' END"),
             QStringList({"27"}));
    QCOMPARE(rowsOf("SELECT COUNT(*) FROM bills WHERE description LIKE 'bill %' AND payeeid = 0"),
             QStringList({"13"}));
    // Each bill paid in the old file has one payment of its whole amount and stays paid.
    QCOMPARE(rowsOf("SELECT COUNT(*), SUM(p.amount = b.amount), SUM(b.paid) FROM billpayment p "
                    "JOIN bills b ON b.id = p.billid"),
             QStringList({"13|13|13"}));
    QCOMPARE(rowsOf("SELECT COUNT(*) FROM bills WHERE paid = 1"), QStringList({"13"}));
    const QStringList stored = rowsOf("SELECT * FROM bills ORDER BY id");
    for (const QString &id : rowsOf("SELECT id FROM bills WHERE paid = 1"))
        QVERIFY(Bill::findById(id.toInt()).value().isPaid());
    QCOMPARE(rowsOf("SELECT * FROM bills ORDER BY id"), stored);
}

void TestDataUpgrade::oldestDueDate_data()
{
    QTest::addColumn<QVariant>("dueDate");
    QTest::addColumn<QVariant>("dueDateString");
    QTest::addColumn<QDate>("expected");

    const QVariant null;
    QTest::newRow("date column") << QVariant("2006-03-01") << QVariant("02/02/2002")
                                 << QDate(2006, 3, 1);
    QTest::newRow("date column with time")
        << QVariant("2006-03-01 00:00:00") << null << QDate(2006, 3, 1);
    QTest::newRow("year first text") << null << QVariant("2006-03-15") << QDate(2006, 3, 15);
    QTest::newRow("month first text") << null << QVariant("03/15/2006") << QDate(2006, 3, 15);
    QTest::newRow("month first without zeros")
        << QVariant("") << QVariant("3/5/2006") << QDate(2006, 3, 5);
    QTest::newRow("unreadable date column")
        << QVariant("soon") << QVariant("2006-12-31") << QDate(2006, 12, 31);
    QTest::newRow("text with spaces") << null << QVariant(" 12/31/2006 ") << QDate(2006, 12, 31);
    QTest::newRow("day first is not read") << null << QVariant("31/12/2006") << QDate();
    QTest::newRow("nothing readable") << null << QVariant("someday") << QDate();
    QTest::newRow("neither") << null << null << QDate();
}

void TestDataUpgrade::oldestDueDate()
{
    QFETCH(QVariant, dueDate);
    QFETCH(QVariant, dueDateString);
    QFETCH(QDate, expected);
    ScratchDatabase db;
    QVERIFY(build(db, file10));
    QVERIFY(db.exec("ALTER TABLE payees RENAME TO payeestemp"));
    QVERIFY(Payee::createTable());
    QVERIFY(db.exec("CREATE TABLE payeeslink(id INTEGER, oldid INTEGER)"));
    QVERIFY(db.exec("INSERT INTO payees(id, payeename) VALUES (1, 'Gas Co')"));
    QVERIFY(db.exec("INSERT INTO payeeslink VALUES (1, 4)"));

    QSqlQuery insert(Connections::database(Connections::current()));
    QVERIFY(insert.prepare("INSERT INTO bills VALUES (1, 4, 'Gas', 12.5, :text, :date, 1, 'n')"));
    insert.bindValue(":text", dueDateString);
    insert.bindValue(":date", dueDate);
    QVERIFY(insert.exec());
    QSqlQuery select(Connections::database(Connections::current()));
    QVERIFY(select.exec("SELECT * FROM bills") && select.next());

    Bill bill;
    QVERIFY(bill.convertRecord(select.record(), "1.0"));
    QCOMPARE(bill.dueDate(), expected);
    QCOMPARE(bill.payee().payeeName(), QString("Gas Co"));
    QVERIFY(bill.isPaid());
    QVERIFY(!bill.isStored());
}

namespace {
bool fillFile10(const ScratchDatabase &db)
{
    return build(db, file10) && db.exec("INSERT INTO reg VALUES ('Ann', 'Lee', '1 Road', '1.0')") &&
           db.exec("INSERT INTO payees VALUES (4, 'Gas Co', 'G-1', 'Gas Street', 'gas')") &&
           db.exec("INSERT INTO payees VALUES (9, 'Phone', NULL, NULL, NULL)") &&
           db.exec("INSERT INTO bills VALUES (1, 9, 'Phone bill', 40, '01/01/1999', "
                   "'2006-05-01', 0, 'May')") &&
           db.exec("INSERT INTO bills VALUES (2, 4, 'Gas bill', 30.5, '2006-06-15', NULL, 0, "
                   "NULL)") &&
           db.exec("INSERT INTO bills VALUES (3, 4, 'Gas bill', 25, '07/04/2006', '', 1, '')");
}
} // namespace

void TestDataUpgrade::file10ReachesCurrentVersionInOneRun()
{
    ScratchDatabase db;
    QVERIFY(fillFile10(db));
    QCOMPARE(FileData::readVersion(), QString("1.0"));
    const UpgradeRunner::Outcome outcome = runUpgrade();
    QVERIFY(outcome.succeeded);
    QCOMPARE(outcome.version, QString("1.6"));
    // reg is gone, and so is every work table.
    QCOMPARE(sortedTables(), currentTables);

    QCOMPARE(rowsOf("SELECT * FROM filedata"), QStringList({"1|Ann|Lee|1 Road||1.6"}));
    QCOMPARE(rowsOf("SELECT * FROM payees ORDER BY id"),
             QStringList({"1|Gas Co|G-1|Gas Street|gas|0", "2|Phone||||0"}));
    QCOMPARE(rowsOf("SELECT b.id, p.payeename, b.description, b.amount, b.insertdate, "
                    "b.duedate, b.paiddate, b.isunique, b.paid, b.note, b.deleted, "
                    "s.scheduletype FROM bills b JOIN payees p ON p.id = b.payeeid JOIN "
                    "billschedule s ON s.id = b.billscheduleid ORDER BY b.id"),
             QStringList({"1|Phone|Phone bill|40|2009-06-15|2006-05-01|2000-01-01|1|0|May|0|SINGLE",
                          "2|Gas Co|Gas bill|30.5|2009-06-15|2006-06-15|2000-01-01|1|0||0|SINGLE",
                          "3|Gas Co|Gas bill|25|2009-06-15|2006-07-04|2006-07-04|1|1||0|SINGLE"}));
    QCOMPARE(rowsOf("SELECT COUNT(DISTINCT billscheduleid) FROM bills"), QStringList({"3"}));
    QCOMPARE(db.count("billschedule"), 3);
    QCOMPARE(rowsOf("SELECT billid, amount FROM billpayment"), QStringList({"3|25"}));
}

void TestDataUpgrade::legacyHeaderIsReplacedAllOrNothing()
{
    // A reg without owner columns gives empty owner texts.
    ScratchDatabase db;
    QVERIFY(db.exec("CREATE TABLE reg(version TEXT)"));
    QVERIFY(db.exec("INSERT INTO reg VALUES ('1.0')"));
    QVERIFY(FileData::layoutMatches("1.0"));
    QVERIFY(FileData::upgradePrepare("1.0"));
    QVERIFY(FileData::upgradeCopy("1.0"));
    QCOMPARE(sortedTables(), QStringList({"filedata"}));
    QCOMPARE(rowsOf("SELECT * FROM filedata"), QStringList({"1|||||1.2"}));
    QCOMPARE(FileData::readVersion(), QString("1.2"));
    QVERIFY(FileData::upgradeDrop("1.0"));
    QCOMPARE(sortedTables(), QStringList({"filedata"}));

    // Without a filedata table to write to, reg stays as it was.
    ScratchDatabase second;
    QVERIFY(second.exec("CREATE TABLE reg(version TEXT)"));
    QVERIFY(second.exec("INSERT INTO reg VALUES ('1.0')"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no such table: filedata"));
    QVERIFY(!FileData::upgradeCopy("1.0"));
    QCOMPARE(sortedTables(), QStringList({"reg"}));
    QCOMPARE(FileData::readVersion(), QString("1.0"));
}

namespace {
bool insertPayment(int id, int billId, const QDateTime &when, double amount)
{
    QSqlQuery query(Connections::database(Connections::current()));
    query.prepare("INSERT INTO billpayment VALUES (:id, :billid, :when, :amount)");
    query.bindValue(":id", id);
    query.bindValue(":billid", billId);
    query.bindValue(":when", when);
    query.bindValue(":amount", amount);
    return query.exec();
}

// Ids with gaps, a payee that has gone (77), a paid bill paid in the past and an unpaid bill
// whose payments already cover it.
bool fillFile12(const ScratchDatabase &db, const QString &version = "1.2")
{
    return build(db, file14Layout()) &&
           db.exec("INSERT INTO filedata VALUES (1, 'Ann', 'Lee', '1 Road', 'a@b.c', '" + version +
                   "')") &&
           db.exec("INSERT INTO payees VALUES (5, 'Gas Co', 'G-1', 'Street', 'n', 0)") &&
           db.exec("INSERT INTO payees VALUES (8, 'Old', '', '', '', 1)") &&
           db.exec("INSERT INTO billschedule VALUES (3, 'MONTHLY', 15, 0, 1, 'MONTH', 'ENDON', "
                   "'2007-01-15', '2007-12-15')") &&
           db.exec("INSERT INTO billschedule VALUES (6, 'SINGLE', 0, 0, 0, 'DAY', 'ENDON', "
                   "'2007-01-01', '2007-01-01')") &&
           db.exec("INSERT INTO bills VALUES (20, 3, 5, 'Rent', 100, '2007-01-01', '2007-01-15', "
                   "'2007-01-10', 1, 1, 'paid early', 0)") &&
           db.exec("INSERT INTO bills VALUES (21, 3, 5, 'Rent', 100, '2007-01-01', '2007-02-15', "
                   "'2000-01-01', 1, 0, '', 0)") &&
           db.exec("INSERT INTO bills VALUES (22, 6, 77, 'Gone', 9.99, '2007-01-01', "
                   "'2007-01-01', '2000-01-01', 0, 0, '', 1)") &&
           insertPayment(30, 20, QDateTime(QDate(2007, 1, 10), QTime(9, 30)), 100.0) &&
           insertPayment(34, 21, QDateTime(QDate(2007, 2, 1), QTime(8, 0)), 60.0) &&
           insertPayment(32, 21, QDateTime(QDate(2007, 2, 2), QTime(8, 0)), 40.0);
}
} // namespace

void TestDataUpgrade::file12KeepsIdsColumnsAndPaidStates_data()
{
    QTest::addColumn<QString>("version");
    QTest::newRow("1.2") << "1.2";
    QTest::newRow("1.4") << "1.4";
}

void TestDataUpgrade::file12KeepsIdsColumnsAndPaidStates()
{
    QFETCH(QString, version);
    ScratchDatabase db;
    QVERIFY(fillFile12(db, version));
    // Each table with what the new layout adds to every row: confirmed amounts, fixed amount
    // rules and no payment references.
    const QList<QPair<QString, QString>> tables = {
        {"payees", ""}, {"billschedule", "|FIXED"}, {"bills", "|0"}, {"billpayment", "|"}};
    QStringList expected;
    for (const auto &[table, added] : tables)
        for (const QString &row : rowsOf("SELECT * FROM " + table + " ORDER BY id"))
            expected << row + added;
    const QByteArray original = fileBytes(db.path());

    const UpgradeRunner::Outcome outcome = runUpgrade();
    QVERIFY(outcome.succeeded);
    QCOMPARE(outcome.version, QString("1.6"));
    QCOMPARE(fileBytes(outcome.backupPath), original);
    QCOMPARE(sortedTables(), currentTables);
    QStringList after;
    for (const auto &table : tables)
        after << rowsOf("SELECT * FROM " + table.first + " ORDER BY id");
    QCOMPARE(after, expected);
    QCOMPARE(rowsOf("SELECT * FROM filedata"), QStringList({"1|Ann|Lee|1 Road|a@b.c|1.6"}));

    // The paid state is decided when a bill is read, no earlier.
    const Bill paidEarly = Bill::findById(20).value();
    QVERIFY(paidEarly.isPaid());
    QCOMPARE(paidEarly.paidDate(), QDate(2007, 1, 10));
    QVERIFY(Bill::findById(21).value().isPaid());
    QCOMPARE(rowsOf("SELECT paid, paiddate FROM bills WHERE id = 21"),
             QStringList({"1|2009-06-15"}));
}

void TestDataUpgrade::valuesThatCannotBeReadAreCarriedOverAsStored_data()
{
    // The row's name begins with the version of the file.
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("before"); // the value as stored
    QTest::addColumn<QString>("after");  // the same value after the upgrade; empty: as before
    const QString bill21 = "SELECT typeof(%1), %1 FROM bills WHERE id = 21";
    QTest::newRow("1.2, amount nan")
        << "UPDATE bills SET amount = 'nan' WHERE id = 21" << bill21.arg("amount") << QString();
    QTest::newRow("1.2, due date as text")
        << "UPDATE bills SET duedate = 'soon' WHERE id = 21" << bill21.arg("duedate") << QString();
    QTest::newRow("1.2, payment inf")
        << "UPDATE billpayment SET amount = 'inf' WHERE id = 34"
        << "SELECT typeof(amount), amount FROM billpayment WHERE id = 34" << QString();
    // A paid bill of an older file gets a payment of its amount, unless that cannot be read.
    QTest::newRow("1.1, paid bill of an amount that is no number")
        << "UPDATE bills SET amount = 'nan', paid = 1 WHERE billid = 10"
        << "SELECT typeof(amount), amount, paid, 0 FROM bills WHERE billid = 10"
        << "SELECT typeof(amount), amount, paid, (SELECT COUNT(*) FROM billpayment) FROM bills "
           "WHERE description = 'Water bill'";
}

// The upgrade writes every row anew; a value this program cannot read arrives as it was
// stored, not as 0 or NULL.
void TestDataUpgrade::valuesThatCannotBeReadAreCarriedOverAsStored()
{
    QFETCH(QString, damage);
    QFETCH(QString, before);
    QFETCH(QString, after);
    ScratchDatabase db;
    QVERIFY(QString(QTest::currentDataTag()).startsWith("1.2") ? fillFile12(db) : fillFile11(db));
    QVERIFY(db.exec(damage));
    const QStringList stored = rowsOf(before);

    QVERIFY(runUpgrade().succeeded);
    QCOMPARE(rowsOf(after.isEmpty() ? before : after), stored);
}

void TestDataUpgrade::wholeTableCopiesStoreWhatRowByRowCopiesStore_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::newRow("1.1 file") << oddFile11();
    QTest::newRow("1.2 file") << oddFile12();
}

// The statements that copy whole tables must store, value for value and type for type, what
// the records' own conversion stores row by row, unreadable values and broken links included.
void TestDataUpgrade::wholeTableCopiesStoreWhatRowByRowCopiesStore()
{
    QFETCH(QStringList, statements);
    const QStringList rowByRow = upgradedValues(statements, false);
    QVERIFY(rowByRow.size() > 200);
    QCOMPARE(upgradedValues(statements, true), rowByRow);
}

void TestDataUpgrade::failedUpgradeRestoresTheFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("damage");

    QTest::newRow("leftover payeestemp") << "1.1"
                                         << "CREATE TABLE payeestemp(id INTEGER)";
    QTest::newRow("schedule table in a 1.0 file") << "1.0"
                                                  << "CREATE TABLE billschedule(id INTEGER)";
    // The first pass succeeds; the chained pass from "1.2" fails at its last table but one.
    QTest::newRow("1.0 file failing in the second pass")
        << "1.0"
        << "CREATE TABLE billpaymenttemp(id INTEGER)";
    // The copy fails after payees, schedules and bills were written.
    QTest::newRow("payment id twice")
        << "1.2"
        << "INSERT INTO billpayment VALUES (30, 21, '2007-03-01T00:00:00.000', 1)";
}

void TestDataUpgrade::failedUpgradeRestoresTheFile()
{
    QFETCH(QString, file);
    QFETCH(QString, damage);
    ScratchDatabase db;
    if (file == "1.0")
        QVERIFY(fillFile10(db));
    else if (file == "1.1")
        QVERIFY(fillFile11(db));
    else
        QVERIFY(fillFile12(db));
    if (file == "1.2") {
        // A damaged table without its key, so that a second row can carry the same id.
        QVERIFY(db.exec("ALTER TABLE billpayment RENAME TO keyed"));
        QVERIFY(db.exec("CREATE TABLE billpayment(id INTEGER, billid INTEGER, paymentdate "
                        "DATETIME, amount DECIMAL)"));
        QVERIFY(db.exec("INSERT INTO billpayment SELECT * FROM keyed"));
        QVERIFY(db.exec("DROP TABLE keyed"));
    }
    QVERIFY(db.exec(damage));
    const QByteArray before = fileBytes(db.path());
    const QStringList tablesBefore = sortedTables();

    const UpgradeRunner::Outcome outcome = runUpgrade();
    QVERIFY(!outcome.succeeded);
    QVERIFY(outcome.restored);
    QCOMPARE(outcome.version, file);
    QCOMPARE(fileBytes(db.path()), before);
    QCOMPARE(sortedTables(), tablesBefore);
}

NV_TEST_MAIN(TestDataUpgrade)
#include "tst_dataupgrade.moc"
