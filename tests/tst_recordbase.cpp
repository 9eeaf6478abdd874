#include "activedomainobject.h"
#include "clock.h"
#include "connections.h"
#include "messagehelper.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
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
    QTest::newRow("negative keeps sign after dollar") << -12.0 << "$-12.00"
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
    QCOMPARE(currentVersion(), QString("1.4"));
    QCOMPARE(productTitle(), QString("Norvo Rava Rodozod 1.4"));
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

void TestRecordBase::recorderAnswersAndRecords()
{
    MessageRecorder recorder;
    recorder.answer("Delete");
    QVERIFY(
        MessageHelper::confirm(QMessageBox::Warning, "Bill Delete", "Sure?", "Delete", "Cancel"));
    // Nothing queued: the box is answered like Escape, which picks the second button.
    QVERIFY(
        !MessageHelper::confirm(QMessageBox::Warning, "Bill Delete", "Again?", "Delete", "Cancel"));
    MessageHelper::show(QMessageBox::Critical, "Title", "Text");

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
        answered = MessageHelper::confirm(QMessageBox::Warning, "Norvo Rava Rodozod File Upgrade",
                                          "Upgrade?", "Upgrade", "Cancel");
    }
    QVERIFY(!answered);
    labels.sort();
    QCOMPARE(labels, QStringList({"Cancel", "Upgrade"}));
    QCOMPARE(defaultLabel, QString("Upgrade"));
}

NV_TEST_MAIN(TestRecordBase)
#include "tst_recordbase.moc"
