#include "bill.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "norvoravarodozod.h"
#include "samplehousehold.h"
#include "scopeddocuments.h"
#include "scopedworkdir.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QDir>
#include <QTreeWidget>

class TestSampleHousehold : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }

    // The file
    void householdAroundToday_data();
    void householdAroundToday();

    // The window
    void helpMenuOpensANewSampleEachTime();
    void unwritableFolderLeavesTheOpenFileOpen();
};

void TestSampleHousehold::householdAroundToday_data()
{
    QTest::addColumn<QDate>("today");
    QTest::newRow("mid-month Saturday") << QDate(2025, 6, 14);
    QTest::newRow("31st of a month") << QDate(2025, 7, 31);
    QTest::newRow("leap day") << QDate(2024, 2, 29);
    QTest::newRow("New Year's Eve") << QDate(2025, 12, 31);
}

void TestSampleHousehold::householdAroundToday()
{
    QFETCH(QDate, today);
    const QDateTime now(today, QTime(10, 0));
    Clock::setFixed(now);
    QTemporaryDir dir;
    QVERIFY2(SampleHousehold::write(dir.filePath("a.nvbf")), qPrintable(DataFile::lastErrorText()));
    // The entries were made on their own days; the program's day is today again.
    QCOMPARE(Clock::now(), now);
    QVERIFY(SampleHousehold::write(dir.filePath("b.nvbf"), today));
    QCOMPARE(fileBytes(dir.filePath("b.nvbf")), fileBytes(dir.filePath("a.nvbf")));

    DataFile file(nullptr);
    QVERIFY(file.open(dir.filePath("a.nvbf")) && file.loadCurrentBills());
    QCOMPARE(file.payeesById().size(), 8);
    const QString kinds = "SELECT COUNT(*) FROM billschedule WHERE scheduletype = '%1'";
    QCOMPARE(scalar(kinds.arg("MONTHLY")).toInt(), 4);
    QCOMPARE(scalar(kinds.arg("WEEKLY")).toInt(), 1);
    QCOMPARE(scalar(kinds.arg("SINGLE")).toInt(), 3);
    QCOMPARE(scalar("SELECT frequency FROM billschedule WHERE scheduletype = 'NMONTHLY'").toInt(),
             3);
    QCOMPARE(scalar("SELECT COUNT(*) FROM payees WHERE mailingaddress = '' OR accountnumber = ''")
                 .toInt(),
             0);

    int dueThisWeek = 0, pastPaid = 0, overdue = 0, partlyPaidOpen = 0, paidInTwo = 0;
    for (const DataFile::BillPtr &bill : file.billsById()) {
        const QDate due = bill->dueDate();
        QVERIFY2(qAbs(today.daysTo(due)) <= 366, qPrintable(due.toString(Qt::ISODate)));
        const QList<BillPayment> paid = file.payments(bill->id()).value();
        for (const BillPayment &payment : paid)
            QVERIFY(payment.paymentDay() >= bill->insertDate() && payment.paymentDay() < today);
        if (bill->isPaid()) {
            // Paid on the day of its last payment, as the payment dialog would have left it.
            QCOMPARE(bill->paidDate(), paid.last().paymentDay());
            paidInTwo += paid.size() == 2;
        } else {
            partlyPaidOpen += !paid.isEmpty();
            dueThisWeek += due >= today && due < today.addDays(7);
        }
        if (due < today)
            (bill->isPaid() ? pastPaid : overdue) += 1;
        // The electricity varies: what came in before today is confirmed, the rest forecast.
        if (bill->description() == "Electricity")
            QCOMPARE(bill->isEstimate() && bill->forecast().has_value(), due >= today);
    }
    QVERIFY(overdue >= 1 && dueThisWeek >= 1 && partlyPaidOpen >= 1 && paidInTwo >= 1);
    QVERIFY2(pastPaid > 5 * overdue, qPrintable(QString("%1 %2").arg(pastPaid).arg(overdue)));
    QVERIFY(scalar("SELECT MAX(duedate) FROM bills").toDate() >= today.addMonths(2));
    Connections::close(Connections::current());
}

void TestSampleHousehold::helpMenuOpensANewSampleEachTime()
{
    const QDate today(2026, 3, 9);
    Clock::setFixed(QDateTime(today, QTime(10, 0)));
    ScopedWorkDir workDir;
    ScopedDocuments documents;
    QVERIFY2(documents.isInPlace(), qPrintable(documents.folder()));
    const QString first = documents.folder() + "/Sample Household.nvbf";
    {
        MessageRecorder messages;
        NorvoRavaRodozod window;
        trigger(window, "actionOpen_Sample_File");
        QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.6 - " + first);

        // The unpaid bills, the overdue ones first and marked.
        QTreeWidget *list = billList(window);
        QCOMPARE(list->topLevelItemCount(),
                 scalar("SELECT COUNT(*) FROM bills WHERE paid = 0").toInt());
        const int overdue = scalar("SELECT COUNT(*) FROM bills WHERE paid = 0 AND duedate < "
                                   "'2026-03-09'")
                                .toInt();
        QVERIFY(overdue >= 2);
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            QCOMPARE(list->topLevelItem(row)->background(2).color() == QColor("red"),
                     row < overdue);

        const QByteArray firstBytes = fileBytes(first);
        trigger(window, "actionOpen_Sample_File");
        QCOMPARE(window.windowTitle(),
                 "Norvo Rava Rodozod 1.6 - " + documents.folder() + "/Sample Household 2.nvbf");
        QCOMPARE(fileBytes(first), firstBytes);
        // No half-written or temporary file is left beside them.
        QCOMPARE(QDir(documents.folder()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QCOMPARE(messages.count(), 0);
    }
    // The sample is the recent file: the next start opens it.
    NorvoRavaRodozod again;
    QVERIFY(again.windowTitle().endsWith("Sample Household 2.nvbf"));
}

void TestSampleHousehold::unwritableFolderLeavesTheOpenFileOpen()
{
    ScopedWorkDir workDir;
    ScopedDocuments documents;
    QVERIFY2(documents.isInPlace(), qPrintable(documents.folder()));
    FileAnswers answers;
    MessageRecorder messages;
    NorvoRavaRodozod window;
    const QString own = workDir.filePath("own.nvbf");
    newFileInWindow(window, answers, own);
    QVERIFY(addBill("Gas", "gas", 30, Clock::today()));
    trigger(window, "action_Current_Bills_Menu");
    const QString title = window.windowTitle();

    // A file where the documents folder should be: nothing can be written there.
    QVERIFY(writeFileBytes(documents.folder(), "not a folder"));
    trigger(window, "actionOpen_Sample_File");
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().title, QString("Norvo Rava Rodozod File Error"));
    QVERIFY(messages.last().text.contains(documents.folder()));
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(fileBytes(documents.folder()), QByteArray("not a folder"));
    QCOMPARE(Connections::database(Connections::current()).databaseName(), own);
    QCOMPARE(billList(window)->topLevelItemCount(), 1);
}

NV_TEST_MAIN(TestSampleHousehold)
#include "tst_samplehousehold.moc"
