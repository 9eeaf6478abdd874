#include "activedomainobject.h"
#include "clock.h"
#include "connections.h"
#include "messagehelper.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "payee.h"
#include "recordsql.h"
#include "scratchdatabase.h"
#include "testmain.h"
#include "transaction.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>

class TestRecordBase : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }

    // Amount text
    void formatting_data();
    void formatting();
    void formattingMakesUsEnglishTheDefaultLocale();
    void versionAndTitle();

    // Clock
    void clockCanBePinnedAndReleased();

    // Row ids and transactions
    void lastInsertIdFollowsInserts();
    void lastInsertIdWithoutConnectionIsZero();
    void transactionRollsBackUnlessCommitted();
    void nestedTransactionRollsBackOnlyItsOwnWrites();

    // Column values read and dates bound without the general conversion
    void valueReadersMatchQVariant_data();
    void valueReadersMatchQVariant();
    void boundDatesAreStoredAsTheDriverStoresThem_data();
    void boundDatesAreStoredAsTheDriverStoresThem();

    // Writes that reuse their compiled statements inside a transaction
    void reusedInsertsEachTakeTheirNewId();
    void reusedStatementWritesIntoATableRebuiltMeanwhile();
    void failedReusedWriteLeavesTheNextOneWorking();
    void reusedStatementsEndWithTheirConnection();

    // Message boxes
    void recorderAnswersAndRecords();
    void realBoxUsesLabelsDefaultAndEscape();
};

void TestRecordBase::formatting_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("amount");
    QTest::newRow("thousands") << 1234.5 << "$1,234.50"
                               << "1,234.50";
    QTest::newRow("zero") << 0.0 << "$0.00"
                          << "0.00";
    QTest::newRow("negative, minus before the dollar") << -12.0 << "-$12.00"
                                                       << "-12.00";
    QTest::newRow("rounds to cents") << 0.125 << "$0.13"
                                     << "0.13";
    QTest::newRow("millions") << 1234567.891 << "$1,234,567.89"
                              << "1,234,567.89";
}

void TestRecordBase::formatting()
{
    QFETCH(double, value);
    QFETCH(QString, currency);
    QFETCH(QString, amount);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(ActiveDomainObject::formatCurrency(value), currency);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QCOMPARE(ActiveDomainObject::formatAmount(value), amount);
}

void TestRecordBase::formattingMakesUsEnglishTheDefaultLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ActiveDomainObject::formatAmount(1.0);
    QCOMPARE(QLocale().language(), QLocale::English);
    QCOMPARE(QLocale().territory(), QLocale::UnitedStates);

    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    ActiveDomainObject::formatCurrency(1.0);
    QCOMPARE(QLocale().language(), QLocale::English);
    QCOMPARE(QLocale().territory(), QLocale::UnitedStates);
}

void TestRecordBase::versionAndTitle()
{
    QCOMPARE(currentVersion(), QString("1.6"));
    QCOMPARE(productTitle(), QString("Norvo Rava Rodozod 1.6"));
}

void TestRecordBase::clockCanBePinnedAndReleased()
{
    const QDateTime pinned(QDate(2007, 2, 28), QTime(23, 59, 30));
    Clock::setFixed(pinned);
    QCOMPARE(Clock::now(), pinned);
    QCOMPARE(Clock::today(), QDate(2007, 2, 28));
    Clock::reset();
    QVERIFY(!Clock::isFixed());
    QVERIFY(qAbs(Clock::now().secsTo(QDateTime::currentDateTime())) < 5);
}

void TestRecordBase::lastInsertIdFollowsInserts()
{
    ScratchDatabase db;
    QVERIFY(db.exec("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT)"));
    QVERIFY(db.exec("INSERT INTO t VALUES (41, 'a')"));
    QCOMPARE(ActiveDomainObject::lastInsertId(), 41);
    QVERIFY(db.exec("INSERT INTO t VALUES (NULL, 'b')"));
    QCOMPARE(ActiveDomainObject::lastInsertId(), 42);
}

void TestRecordBase::lastInsertIdWithoutConnectionIsZero()
{
    Connections::close(Connections::current());
    QCOMPARE(ActiveDomainObject::lastInsertId(), 0);
}

void TestRecordBase::transactionRollsBackUnlessCommitted()
{
    ScratchDatabase db;
    QVERIFY(db.exec("CREATE TABLE t(id INTEGER PRIMARY KEY)"));
    {
        Transaction transaction(Connections::current());
        QVERIFY(transaction.isActive());
        QVERIFY(db.exec("INSERT INTO t VALUES (1)"));
    }
    QCOMPARE(db.count("t"), 0);
    {
        Transaction transaction(Connections::current());
        QVERIFY(db.exec("INSERT INTO t VALUES (2)"));
        QVERIFY(transaction.commit());
    }
    QCOMPARE(db.count("t"), 1);
}

void TestRecordBase::nestedTransactionRollsBackOnlyItsOwnWrites()
{
    ScratchDatabase db;
    QVERIFY(db.exec("CREATE TABLE t(id INTEGER PRIMARY KEY)"));
    {
        Transaction outer(Connections::current());
        QVERIFY(db.exec("INSERT INTO t VALUES (1)"));
        {
            Transaction inner(Connections::current());
            QVERIFY(inner.isActive());
            QVERIFY(db.exec("INSERT INTO t VALUES (2)"));
        }
        QCOMPARE(db.count("t"), 1);
        QVERIFY(outer.commit());
    }
    QCOMPARE(db.scalar("SELECT id FROM t").toInt(), 1);
}

void TestRecordBase::valueReadersMatchQVariant_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("integer") << QVariant(qlonglong(42));
    QTest::newRow("negative integer") << QVariant(qlonglong(-7));
    QTest::newRow("integer beyond int") << QVariant(qlonglong(1) << 40);
    QTest::newRow("zero") << QVariant(qlonglong(0));
    QTest::newRow("double") << QVariant(12.75);
    QTest::newRow("double rounding to int") << QVariant(2.5);
    QTest::newRow("int") << QVariant(3);
    QTest::newRow("bool") << QVariant(true);
    QTest::newRow("number text") << QVariant(QString("17"));
    QTest::newRow("decimal text") << QVariant(QString("17.5"));
    QTest::newRow("true text") << QVariant(QString("true"));
    QTest::newRow("empty text") << QVariant(QString(""));
    QTest::newRow("null text") << QVariant(QMetaType::fromType<QString>());
    QTest::newRow("invalid") << QVariant();
    QTest::newRow("date") << QVariant(QString("2026-03-18"));
    QTest::newRow("date of year 1") << QVariant(QString("0001-01-01"));
    QTest::newRow("date of year 0") << QVariant(QString("0000-06-01"));
    QTest::newRow("date without leading zeros") << QVariant(QString("2026-3-18"));
    QTest::newRow("no such day") << QVariant(QString("2026-02-30"));
    QTest::newRow("month 0") << QVariant(QString("2026-00-10"));
    QTest::newRow("slashes") << QVariant(QString("2026/03/18"));
    QTest::newRow("other digits") << QVariant(QString::fromUtf8("\u0662\u0660\u0662\u0666-03-18"));
    QTest::newRow("moment") << QVariant(QString("2026-03-18T10:20:30"));
    QTest::newRow("moment with msecs") << QVariant(QString("2026-03-18T10:20:30.123"));
    QTest::newRow("moment with tenths") << QVariant(QString("2026-03-18T10:20:30.5"));
    QTest::newRow("moment with a space") << QVariant(QString("2026-03-18 10:20:30"));
    QTest::newRow("moment in UTC") << QVariant(QString("2026-03-18T10:20:30Z"));
    QTest::newRow("moment with offset") << QVariant(QString("2026-03-18T10:20:30+02:00"));
    QTest::newRow("end of day") << QVariant(QString("2026-03-18T24:00:00"));
    QTest::newRow("leap second") << QVariant(QString("2026-03-18T23:59:60"));
    QTest::newRow("minute 60") << QVariant(QString("2026-03-18T10:60:00"));
    QTest::newRow("moment on no such day") << QVariant(QString("2026-02-30T10:20:30"));
    QTest::newRow("hours and minutes") << QVariant(QString("2026-03-18T10:20"));
    QTest::newRow("date value") << QVariant(QDate(2026, 3, 18));
    QTest::newRow("moment value") << QVariant(QDateTime(QDate(2026, 3, 18), QTime(1, 2, 3)));
}

void TestRecordBase::valueReadersMatchQVariant()
{
    QFETCH(QVariant, value);
    QCOMPARE(RecordSql::intValue(value), value.toInt());
    QCOMPARE(RecordSql::doubleValue(value), value.toDouble());
    QCOMPARE(RecordSql::boolValue(value), value.toBool());
    QCOMPARE(RecordSql::dateValue(value), value.toDate());
    const QDateTime moment = RecordSql::dateTimeValue(value);
    const QDateTime expected = value.toDateTime();
    QCOMPARE(moment, expected);
    QCOMPARE(moment.timeSpec(), expected.timeSpec());
    QCOMPARE(moment.toString(Qt::ISODateWithMs), expected.toString(Qt::ISODateWithMs));
    // A moment put off for later is the very one that would have been read at once.
    QDate day;
    QTime time;
    if (RecordSql::plainLocalDateTime(value, &day, &time))
        QCOMPARE(QDateTime(day, time).toString(Qt::ISODateWithMs),
                 expected.toString(Qt::ISODateWithMs));
}

void TestRecordBase::boundDatesAreStoredAsTheDriverStoresThem_data()
{
    QTest::addColumn<QDate>("date");
    QTest::newRow("ordinary") << QDate(2026, 3, 18);
    QTest::newRow("never paid") << QDate(2000, 1, 1);
    QTest::newRow("year 1") << QDate(1, 1, 1);
    QTest::newRow("year 999") << QDate(999, 12, 31);
    QTest::newRow("year 9999") << QDate(9999, 12, 31);
    QTest::newRow("year 10000") << QDate(10000, 1, 1);
    QTest::newRow("before year 1") << QDate(-44, 3, 15);
    QTest::newRow("null") << QDate();
}

void TestRecordBase::boundDatesAreStoredAsTheDriverStoresThem()
{
    QFETCH(QDate, date);
    ScratchDatabase db;
    QVERIFY(db.exec("CREATE TABLE t(id INTEGER PRIMARY KEY, d DATETIME)"));
    QSqlQuery insert(Connections::database(Connections::current()));
    QVERIFY(insert.prepare("INSERT INTO t(id, d) VALUES (?, ?)"));
    insert.bindValue(0, 1);
    insert.bindValue(1, QVariant(date));
    QVERIFY(insert.exec());
    insert.bindValue(0, 2);
    insert.bindValue(1, RecordSql::date(date));
    QVERIFY(insert.exec());
    QCOMPARE(db.scalar("SELECT COUNT(DISTINCT quote(d)) FROM t").toInt(), 1);
    QCOMPARE(db.scalar("SELECT typeof(d) FROM t WHERE id = 2").toString(),
             db.scalar("SELECT typeof(d) FROM t WHERE id = 1").toString());
}

void TestRecordBase::reusedInsertsEachTakeTheirNewId()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    QVERIFY(db.exec("INSERT INTO payees(id, payeename) VALUES (40, 'before')"));
    QList<int> ids;
    {
        Transaction transaction(Connections::current());
        for (const char *name : {"one", "two", "three"}) {
            Payee payee;
            payee.setPayeeName(name);
            QVERIFY(payee.save());
            ids << payee.id();
        }
        // An update by the same record class in between does not disturb the inserts.
        Payee first = Payee::findById(ids.first()).value();
        first.setNote("first");
        QVERIFY(first.save());
        Payee fourth;
        fourth.setPayeeName("four");
        QVERIFY(fourth.save());
        ids << fourth.id();
        QVERIFY(transaction.commit());
    }
    QCOMPARE(ids, QList<int>({41, 42, 43, 44}));
    QCOMPARE(db.scalar("SELECT group_concat(payeename || ':' || note, ',') FROM (SELECT * FROM "
                       "payees WHERE id > 40 ORDER BY id)")
                 .toString(),
             QString("one:first,two:,three:,four:"));
}

void TestRecordBase::reusedStatementWritesIntoATableRebuiltMeanwhile()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    Transaction transaction(Connections::current());
    Payee before;
    before.setPayeeName("before");
    QVERIFY(before.save());
    // As an upgrade does: the table is set aside and made again within the transaction.
    QVERIFY(db.exec("ALTER TABLE payees RENAME TO payeestemp"));
    QVERIFY(Payee::createTable());
    Payee after;
    after.setPayeeName("after");
    QVERIFY(after.save());
    QVERIFY(transaction.commit());
    QCOMPARE(db.scalar("SELECT group_concat(payeename) FROM payeestemp").toString(),
             QString("before"));
    QCOMPARE(db.scalar("SELECT group_concat(payeename) FROM payees").toString(), QString("after"));
    QVERIFY(db.exec("DROP TABLE payeestemp"));
}

void TestRecordBase::failedReusedWriteLeavesTheNextOneWorking()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    QVERIFY(db.exec("INSERT INTO payees(id, payeename) VALUES (5, 'taken')"));
    Transaction transaction(Connections::current());
    Payee clash(5, "clash", "", "", "", false);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("UNIQUE constraint failed"));
    QVERIFY(!clash.insertKeepingId());
    QCOMPARE(clash.id(), 0);
    Payee free(6, "free", "", "", "", false);
    QVERIFY(free.insertKeepingId());
    QVERIFY(transaction.commit());
    QCOMPARE(db.scalar("SELECT group_concat(id || payeename) FROM payees").toString(),
             QString("5taken,6free"));
}

void TestRecordBase::reusedStatementsEndWithTheirConnection()
{
    ScratchDatabase db;
    QVERIFY(Payee::createTable());
    {
        Transaction transaction(Connections::current());
        Payee first;
        first.setPayeeName("first");
        QVERIFY(first.save());
        // The connection goes away under an open transaction, which takes its writes along.
        Connections::close(Connections::current());
        QVERIFY(Connections::open(Connections::current(), db.path()));
        Payee second;
        second.setPayeeName("second");
        QVERIFY(second.save());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ROLLBACK - cannot rollback"));
    }
    QCOMPARE(db.scalar("SELECT group_concat(payeename) FROM payees").toString(), QString("second"));
}

void TestRecordBase::recorderAnswersAndRecords()
{
    MessageRecorder recorder;
    recorder.answer("Delete");
    QVERIFY(
        MessageHelper::confirm(MessageIcon::Warning, "Bill Delete", "Sure?", "Delete", "Cancel"));
    // Nothing queued: the box is answered like Escape, which picks the second button.
    QVERIFY(
        !MessageHelper::confirm(MessageIcon::Warning, "Bill Delete", "Again?", "Delete", "Cancel"));
    MessageHelper::show(MessageIcon::Critical, "Title", "Text");

    QCOMPARE(recorder.count(), 3);
    QCOMPARE(recorder.messages().at(0).answer, QString("Delete"));
    QCOMPARE(recorder.messages().at(1).answer, QString("Cancel"));
    QCOMPARE(recorder.messages().at(1).buttons, QStringList({"Delete", "Cancel"}));
    QCOMPARE(recorder.last().icon, QMessageBox::Critical);
    QCOMPARE(recorder.last().title, QString("Title"));
    QCOMPARE(recorder.last().text, QString("Text"));
    QCOMPARE(recorder.last().buttons, QStringList({"OK"}));
}

void TestRecordBase::realBoxUsesLabelsDefaultAndEscape()
{
    QStringList labels;
    QString defaultLabel;
    bool answered = false;
    {
        ModalAnswerer answerer([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            for (QAbstractButton *button : box->buttons())
                labels.append(button->text());
            defaultLabel = box->defaultButton()->text();
            QCOMPARE(box->windowTitle(), QString("Norvo Rava Rodozod File Upgrade"));
            QCOMPARE(box->icon(), QMessageBox::Warning);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        answered = MessageHelper::confirm(MessageIcon::Warning, "Norvo Rava Rodozod File Upgrade",
                                          "Upgrade?", "Upgrade", "Cancel");
    }
    QVERIFY(!answered);
    labels.sort();
    QCOMPARE(labels, QStringList({"Cancel", "Upgrade"}));
    QCOMPARE(defaultLabel, QString("Upgrade"));
}

NV_TEST_MAIN(TestRecordBase)
#include "tst_recordbase.moc"
