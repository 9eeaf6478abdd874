#include "connections.h"
#include "payee.h"
#include "recordsql.h"
#include "scratchdatabase.h"
#include "testmain.h"

#include <QSqlQuery>
#include <QSqlRecord>

class TestPayee : public QObject
{
    Q_OBJECT

private slots:
    // Table and statements
    void createTableWritesTheExactLayout();
    void saveInsertsOnceThenUpdatesTheSameRow();
    void textsNeverSetAreStoredEmptyNotNull();
    void deletedFlagIsStoredAsZeroOrOne_data();
    void deletedFlagIsStoredAsZeroOrOne();

    // Reading
    void setFromRecordReadsColumnsByName();
    void findByIdWithoutRowGivesNoPayee();
    void copyOfReadPayeeKeepsFlagsAndId();

    // Failures and no-ops
    void failedInsertKeepsIdZeroAndStaysNew();
    void failedInsertDropsAnIdHeldBeforehand();
    void failedUpdateIsReportedAndKeepsFields();
    void removeLeavesTableUnchanged();
};

void TestPayee::createTableWritesTheExactLayout()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    QCOMPARE(db.scalar("SELECT sql FROM sqlite_master WHERE name = 'payees'").toString(),
             QString("CREATE TABLE payees(id INTEGER PRIMARY KEY, payeename VARCHAR(100) NOT "
                     "NULL, accountnumber VARCHAR(200), mailingaddress VARCHAR(400), note "
                     "VARCHAR(200), deleted BOOL)"));
    QVERIFY(!Payee::createTable()); // a second attempt fails and says so
}

void TestPayee::saveInsertsOnceThenUpdatesTheSameRow()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    QVERIFY(db.exec("INSERT INTO payees VALUES (7, 'Older', '', '', '', 0)"));

    Payee payee(0, "Power Co", "A-17", "1 Main St\nSpringfield", "line one\nline two", false);
    QVERIFY(!payee.isStored());
    QVERIFY(payee.save());
    QCOMPARE(payee.id(), 8);
    QVERIFY(payee.isStored());
    QCOMPARE(db.count("payees"), 2);

    payee.setPayeeName("Power Company");
    payee.setMailingAddress("2 Side St");
    QVERIFY(payee.save());
    QCOMPARE(payee.id(), 8);
    QCOMPARE(db.count("payees"), 2);
    QCOMPARE(db.scalar("SELECT payeename FROM payees WHERE id = 8").toString(),
             QString("Power Company"));
    QCOMPARE(db.scalar("SELECT mailingaddress FROM payees WHERE id = 8").toString(),
             QString("2 Side St"));
    QCOMPARE(db.scalar("SELECT note FROM payees WHERE id = 8").toString(),
             QString("line one\nline two"));
    QCOMPARE(db.scalar("SELECT payeename FROM payees WHERE id = 7").toString(), QString("Older"));
}

void TestPayee::textsNeverSetAreStoredEmptyNotNull()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    Payee fresh;
    QVERIFY(fresh.save());
    // A null string handed in later must not turn into NULL either (payeename is NOT NULL).
    Payee cleared;
    cleared.setPayeeName(QString());
    cleared.setNote(QString());
    QVERIFY(cleared.save());

    QCOMPARE(db.count("payees"), 2);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM payees WHERE payeename = '' AND accountnumber = '' "
                       "AND mailingaddress = '' AND note = '' AND deleted = 0")
                 .toInt(),
             2);
}

void TestPayee::deletedFlagIsStoredAsZeroOrOne_data()
{
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<int>("stored");
    QTest::newRow("active") << false << 0;
    QTest::newRow("deleted") << true << 1;
}

void TestPayee::deletedFlagIsStoredAsZeroOrOne()
{
    QFETCH(bool, deleted);
    QFETCH(int, stored);
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    Payee payee;
    payee.setPayeeName("Water");
    QVERIFY(payee.save());
    payee.setDeleted(deleted);
    QVERIFY(payee.save());
    QCOMPARE(db.scalar("SELECT deleted FROM payees").toInt(), stored);
    QCOMPARE(db.scalar("SELECT typeof(deleted) FROM payees").toString(), QString("integer"));
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM payees WHERE deleted = 0").toInt(), 1 - stored);
}

void TestPayee::setFromRecordReadsColumnsByName()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    QVERIFY(db.exec("INSERT INTO payees VALUES (3, 'Gas', 'G-1', 'Road 5', 'n', 1)"));
    QSqlQuery query(Connections::database("current"));
    QVERIFY(query.exec("SELECT deleted, note, mailingaddress, accountnumber, payeename, id "
                       "FROM payees"));
    QVERIFY(query.next());
    const Payee payee(query.record());
    QCOMPARE(payee.id(), 3);
    QCOMPARE(payee.payeeName(), QString("Gas"));
    QCOMPARE(payee.accountNumber(), QString("G-1"));
    QCOMPARE(payee.mailingAddress(), QString("Road 5"));
    QCOMPARE(payee.note(), QString("n"));
    QVERIFY(payee.isDeleted());
    QVERIFY(payee.isStored());

    const Payee found = Payee::findById(3).value();
    QCOMPARE(found.payeeName(), QString("Gas"));
    QVERIFY(found.isDeleted());
}

void TestPayee::findByIdWithoutRowGivesNoPayee()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    QVERIFY(db.exec("INSERT INTO payees VALUES (1, 'Gas', 'G-1', 'Road 5', 'n', 1)"));
    QVERIFY(!Payee::findById(42).has_value());
    QCOMPARE(RecordSql::lastErrorText(), QString("The file has no payee with the id 42."));
}

void TestPayee::copyOfReadPayeeKeepsFlagsAndId()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    Payee original;
    original.setPayeeName("Phone");
    QVERIFY(original.save());
    const Payee read = Payee::findById(original.id()).value();
    Payee copy = read;
    QVERIFY(copy.isStored());
    QCOMPARE(copy.id(), original.id());
    copy.setNote("copied");
    QVERIFY(copy.save()); // an update of the same row, not a second payee
    QCOMPARE(db.count("payees"), 1);
    QCOMPARE(db.scalar("SELECT note FROM payees").toString(), QString("copied"));
}

void TestPayee::failedInsertKeepsIdZeroAndStaysNew()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    Payee first;
    first.setPayeeName("Accepted");
    QVERIFY(first.save());
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE INSERT ON payees WHEN NEW.payeename = 'boom' "
                    "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    Payee payee;
    payee.setPayeeName("boom");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!payee.save());
    QCOMPARE(payee.id(), 0); // not the id of the row inserted before
    QVERIFY(!payee.isStored());
    QCOMPARE(db.count("payees"), 1);
}

void TestPayee::failedInsertDropsAnIdHeldBeforehand()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    Payee first;
    first.setPayeeName("Accepted");
    QVERIFY(first.save());
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE INSERT ON payees "
                    "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    // A new record that carries the id of a stored row must not keep it after a failed
    // insert: a later save would then look like that row's.
    Payee payee;
    payee.setId(first.id());
    payee.setPayeeName("boom");
    payee.setModified(true);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!payee.save());
    QCOMPARE(payee.id(), 0);
    QVERIFY(!payee.isStored());
    QVERIFY(payee.isModified());
    QCOMPARE(db.count("payees"), 1);
}

void TestPayee::failedUpdateIsReportedAndKeepsFields()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    Payee payee;
    payee.setPayeeName("Before");
    QVERIFY(payee.save());
    QVERIFY(db.exec("CREATE TRIGGER reject BEFORE UPDATE ON payees "
                    "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    payee.setPayeeName("After");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("rejected"));
    QVERIFY(!payee.save());
    QVERIFY(payee.isStored());
    QCOMPARE(payee.payeeName(), QString("After"));
    QCOMPARE(db.scalar("SELECT payeename FROM payees").toString(), QString("Before"));
}

void TestPayee::removeLeavesTableUnchanged()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    Payee payee;
    payee.setPayeeName("Stays");
    QVERIFY(payee.save());
    QVERIFY(payee.remove());
    QCOMPARE(db.count("payees"), 1);
    QCOMPARE(Payee::findById(payee.id()).value().payeeName(), QString("Stays"));
}

NV_TEST_MAIN(TestPayee)
#include "tst_payee.moc"
