#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "filedata.h"
#include "messagerecorder.h"
#include "oldfiles.h"
#include "payee.h"
#include "scopedworkdir.h"
#include "testmain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlQuery>

namespace {
const QString upgradeTitle = QStringLiteral("Norvo Rava Rodozod File Upgrade");
const QString errorTitle = QStringLiteral("Norvo Rava Rodozod File Error");
const QString invalidText = QStringLiteral(
    "The file you are trying to open is invalid.\nPlease check the file you are opening.");
const QDate today(2026, 3, 18);

QString openFileName()
{
    if (!QSqlDatabase::contains(Connections::current()))
        return QString();
    QSqlDatabase db = QSqlDatabase::database(Connections::current(), false);
    return db.isOpen() ? db.databaseName() : QString();
}

Payee addPayee(const QString &name)
{
    Payee payee;
    payee.setPayeeName(name);
    payee.save();
    return payee;
}

// A single bill on its own "SINGLE" schedule, as the bill dialog stores one.
Bill addBill(const Payee &payee, const QString &description, double amount, const QDate &due)
{
    BillSchedule schedule;
    schedule.setScheduleType(QStringLiteral("SINGLE"));
    schedule.save();
    Bill bill;
    bill.setPayee(payee);
    bill.setDescription(description);
    bill.setAmount(amount);
    bill.setDueDate(due);
    schedule.addBill(bill);
    return bill;
}

// The header of a "1.1" file without the tables of that version.
QStringList olderHeaderOnly()
{
    return {"CREATE TABLE filedata(firstname TEXT, lastname TEXT, address TEXT, version TEXT)",
            "INSERT INTO filedata VALUES ('', '', '', '1.1')"};
}

void pay(const Bill &bill, double amount)
{
    BillPayment payment(bill.id(), Clock::now(), amount);
    QVERIFY(payment.save());
}

// Writes a file at path with its own connection, as an older program would have left it.
void buildFile(const QString &path, const QStringList &statements)
{
    QVERIFY(Connections::open("builder", path));
    {
        QSqlQuery query(Connections::database("builder"));
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
    }
    Connections::close("builder");
}

QStringList descriptions(const QList<DataFile::BillPtr> &bills)
{
    QStringList result;
    for (const auto &bill : bills)
        result.append(bill->description());
    return result;
}
} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Opening and creating
    void newFileGetsTablesAndHeader();
    void currentFileOpensWithoutQuestions();
    void newFileInMissingFolderKeepsPreviousFile();
    void emptyOrRelativePaths();
    void vanishedPreviousFileIsNotRecreated();
    void foreignFileIsRefusedUntouched_data();
    void foreignFileIsRefusedUntouched();
    void newerFileIsRefusedUntouched_data();
    void newerFileIsRefusedUntouched();
    void damagedCurrentFileIsInvalid();
    void lockedFileFailsInsteadOfHanging();

    // Upgrade question
    void refusedUpgradeKeepsPreviousFileOpen();
    void refusedUpgradeAtStartLeavesNoFileOpen();
    void failedUpgradeRestoresFileAndKeepsPreviousOpen();
    void olderFileUpgradesInOneGo_data();
    void olderFileUpgradesInOneGo();

    // Loading
    void currentAndPaidViewsSplitTheBills();
    void listFollowsTheStoredDueDates_data();
    void listFollowsTheStoredDueDates();
    void deletedRowsAreFilteredOut();
    void coveredBillTurnsPaidWhileLoading();
    void plainLoadWritesNothing();
    void reloadsReleaseRecordsButKeepHeldOnes();
    void loadedPaymentsAreThoseEachBillReadsItself();
    void billsOfOneLoadKeepTheirOwnPayees();
    void failedLoadLeavesNothingLoaded();

    // Deleting
    void deleteBillTakesPaymentsAndLastSchedule();
    void deleteBillKeepsScheduleOfRemainingSeries();
    void failedDeleteBillChangesNothing();
    void deletePayeeMarksPayeeAndItsBills();
    void failedDeletePayeeChangesNothing();
    void savePayeeKeepsTheCallersPayeeAlive();

private:
    std::unique_ptr<ScopedWorkDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<DataFile> m_file;
};

void TestDataFile::init()
{
    Clock::setFixed(QDateTime(today, QTime(9, 30)));
    m_dir = std::make_unique<ScopedWorkDir>();
    m_messages = std::make_unique<MessageRecorder>();
    m_file = std::make_unique<DataFile>(nullptr);
}

void TestDataFile::cleanup()
{
    m_file.reset();
    Connections::close(Connections::current());
    m_messages.reset();
    m_dir.reset();
    Clock::reset();
}

void TestDataFile::newFileGetsTablesAndHeader()
{
    const QString path = m_dir->filePath("bills.nvbf");
    QVERIFY(m_file->open(path));
    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(m_file->path(), path);
    QVERIFY(QFileInfo::exists(path));

    QStringList tables = Connections::database(Connections::current()).tables();
    tables.sort();
    QCOMPARE(tables, QStringList({"billpayment", "bills", "billschedule", "filedata",
                                  "importedtransactions", "payeealiases", "payees"}));
    QCOMPARE(scalar("SELECT COUNT(*) FROM filedata").toInt(), 1);
    QCOMPARE(scalar("SELECT id FROM filedata").toInt(), 1);
    QCOMPARE(scalar("SELECT version FROM filedata").toString(), QString("1.6"));
    QVERIFY(m_file->isValid());
}

void TestDataFile::currentFileOpensWithoutQuestions()
{
    const QString path = m_dir->filePath("bills.nvbf");
    QVERIFY(m_file->open(path));
    addBill(addPayee("Power Co"), "March", 80.0, today);

    DataFile again(nullptr);
    QVERIFY(again.open(path));
    QCOMPARE(m_messages->count(), 0);
    QVERIFY(again.loadCurrentBills());
    QCOMPARE(descriptions(again.billList()), QStringList({"March"}));
}

void TestDataFile::newFileInMissingFolderKeepsPreviousFile()
{
    const QString first = m_dir->filePath("first.nvbf");
    QVERIFY(m_file->open(first));
    QVERIFY(!m_file->open(m_dir->filePath("no/such/folder/second.nvbf")));
    QCOMPARE(m_file->path(), first);
    QCOMPARE(openFileName(), first);
    // Said, not just logged: otherwise New would seem to do nothing.
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().title, QString("Norvo Rava Rodozod File Error"));
    QVERIFY(m_messages->last().text.startsWith("The file could not be created:\n" +
                                               m_dir->filePath("no/such/folder/second.nvbf")));
}

void TestDataFile::emptyOrRelativePaths()
{
    QVERIFY(!m_file->open(QString()));
    QCOMPARE(m_file->path(), QString());
    QCOMPARE(openFileName(), QString());

    // ScopedWorkDir made the test folder the working directory.
    QVERIFY(m_file->open("relative.nvbf"));
    QCOMPARE(m_file->path(), m_dir->filePath("relative.nvbf"));
    QVERIFY(!m_file->open(QString()));
    QCOMPARE(m_file->path(), m_dir->filePath("relative.nvbf"));
    QCOMPARE(openFileName(), m_dir->filePath("relative.nvbf"));
}

void TestDataFile::vanishedPreviousFileIsNotRecreated()
{
    const QString first = m_dir->filePath("first.nvbf");
    QVERIFY(m_file->open(first));
    Connections::close(Connections::current());
    QVERIFY(QFile::rename(first, m_dir->filePath("moved.nvbf")));
    const QString foreign = m_dir->filePath("foreign.nvbf");
    QVERIFY(writeFileBytes(foreign, "not a database"));

    QVERIFY(!m_file->open(foreign));
    QVERIFY(!QFileInfo::exists(first));
    QCOMPARE(m_file->path(), QString());
    QCOMPARE(openFileName(), QString());
}

void TestDataFile::foreignFileIsRefusedUntouched_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text file") << QByteArray("Rent 450\nPower 80\n");
    QTest::newRow("zero bytes") << QByteArray();
    QByteArray random(8192, '\0');
    QRandomGenerator generator(7);
    for (char &byte : random)
        byte = char(generator.bounded(256));
    QTest::newRow("random bytes") << random;
}

void TestDataFile::foreignFileIsRefusedUntouched()
{
    QFETCH(QByteArray, bytes);
    const QString first = m_dir->filePath("first.nvbf");
    QVERIFY(m_file->open(first));
    const QString foreign = m_dir->filePath("foreign.nvbf");
    QVERIFY(writeFileBytes(foreign, bytes));

    QVERIFY(!m_file->open(foreign));
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().icon, QMessageBox::Critical);
    QCOMPARE(m_messages->last().title, errorTitle);
    QCOMPARE(m_messages->last().text, invalidText);
    QCOMPARE(fileBytes(foreign), bytes);
    QCOMPARE(m_file->path(), first);
    QCOMPARE(openFileName(), first);
    QCOMPARE(QDir(m_dir->path()).entryList({"*.bak"}, QDir::Files), QStringList());
}

void TestDataFile::newerFileIsRefusedUntouched_data()
{
    QTest::addColumn<QString>("version");
    QTest::newRow("1.7") << "1.7";
    QTest::newRow("1.10") << "1.10";
    QTest::newRow("2.0") << "2.0";
}

void TestDataFile::newerFileIsRefusedUntouched()
{
    QFETCH(QString, version);
    const QString path = m_dir->filePath("newer.nvbf");
    QVERIFY(m_file->open(path));
    QVERIFY(run("UPDATE filedata SET version = '" + version + "'"));
    Connections::close(Connections::current());
    const QByteArray before = fileBytes(path);

    DataFile fresh(nullptr);
    QVERIFY(!fresh.open(path));
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().icon, QMessageBox::Critical);
    QCOMPARE(m_messages->last().title, errorTitle);
    QCOMPARE(m_messages->last().text,
             "The file version (" + version +
                 ") is newer than the current file version (1.6).\nPlease use a newer version "
                 "of Norvo Rava Rodozod.");
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(fresh.path(), QString());
    QCOMPARE(openFileName(), QString());
}

void TestDataFile::damagedCurrentFileIsInvalid()
{
    const QString first = m_dir->filePath("first.nvbf");
    const QString damaged = m_dir->filePath("damaged.nvbf");
    QVERIFY(m_file->open(damaged));
    QVERIFY(run("DROP TABLE billpayment"));
    QVERIFY(run("CREATE TABLE billpayment (id INTEGER, billid INTEGER)"));
    QVERIFY(m_file->open(first));

    QVERIFY(!m_file->open(damaged));
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().text, invalidText);
    QCOMPARE(m_file->path(), first);
    QCOMPARE(openFileName(), first);
}

void TestDataFile::lockedFileFailsInsteadOfHanging()
{
    const QString path = m_dir->filePath("locked.nvbf");
    QVERIFY(m_file->open(path));
    Connections::close(Connections::current());
    QVERIFY(Connections::open("other program", path));
    QSqlQuery lock(Connections::database("other program"));
    QVERIFY(lock.exec("BEGIN EXCLUSIVE"));

    QElapsedTimer timer;
    timer.start();
    DataFile blocked(nullptr);
    QVERIFY(!blocked.open(path));
    QVERIFY(timer.elapsed() < 15000);
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().title, errorTitle);
    QCOMPARE(m_messages->last().text, QString("The file is in use by another program.\nPlease "
                                              "close it there and try again."));
    QCOMPARE(blocked.path(), QString());

    QVERIFY(lock.exec("ROLLBACK"));
    lock.finish();
    Connections::close("other program");
    QVERIFY(blocked.open(path));
}

void TestDataFile::refusedUpgradeKeepsPreviousFileOpen()
{
    const QString old = m_dir->filePath("old.nvbf");
    buildFile(old, olderHeaderOnly());
    const QByteArray before = fileBytes(old);

    const QString first = m_dir->filePath("first.nvbf");
    QVERIFY(m_file->open(first));
    m_messages->answer("Cancel");
    QVERIFY(!m_file->open(old));

    QCOMPARE(m_messages->count(), 2);
    const auto &question = m_messages->messages().at(0);
    QCOMPARE(question.icon, QMessageBox::Warning);
    QCOMPARE(question.title, upgradeTitle);
    QCOMPARE(question.text, QString("The file version (1.1) you are opening is older than the "
                                    "current file version (1.6).\nWould you like to upgrade the "
                                    "file?"));
    QCOMPARE(question.buttons, QStringList({"Upgrade", "Cancel"}));
    QCOMPARE(question.defaultButton, 0);
    QCOMPARE(question.escapeButton, 1);
    const auto &refusal = m_messages->messages().at(1);
    QCOMPARE(refusal.icon, QMessageBox::Information);
    QCOMPARE(refusal.text, QString("You cannot open the file if you do not upgrade.\nIf you want "
                                   "to open the file please use Norvo Rava Rodozod 1.1."));
    QCOMPARE(m_file->path(), first);
    QCOMPARE(openFileName(), first);
    QCOMPARE(fileBytes(old), before);
}

void TestDataFile::refusedUpgradeAtStartLeavesNoFileOpen()
{
    const QString old = m_dir->filePath("old.nvbf");
    buildFile(old, olderHeaderOnly());

    m_messages->answerEscape();
    QVERIFY(!m_file->open(old));
    QCOMPARE(m_messages->count(), 2);
    QCOMPARE(m_messages->messages().at(0).answer, QString("Cancel"));
    QCOMPARE(m_file->path(), QString());
    QCOMPARE(openFileName(), QString());
}

void TestDataFile::failedUpgradeRestoresFileAndKeepsPreviousOpen()
{
    // The tables of the version are missing, so the upgrade cannot succeed.
    const QString old = m_dir->filePath("old.nvbf");
    buildFile(old, olderHeaderOnly());
    const QByteArray before = fileBytes(old);

    const QString first = m_dir->filePath("first.nvbf");
    QVERIFY(m_file->open(first));
    m_messages->answer("Upgrade");
    QVERIFY(!m_file->open(old));

    QCOMPARE(m_messages->count(), 2);
    QCOMPARE(m_messages->last().icon, QMessageBox::Information);
    QCOMPARE(m_messages->last().title, upgradeTitle);
    QCOMPARE(m_messages->last().text,
             QString("The file is still version (1.1)).\nUpdate was not successful.  The "
                     "file was left as it was."));
    QCOMPARE(fileBytes(old), before);
    // Nothing could be carried over, so nothing was copied.
    QCOMPARE(QDir(m_dir->path()).entryList({"*.bak"}, QDir::Files), QStringList());
    QCOMPARE(m_file->path(), first);
    QCOMPARE(openFileName(), first);
}

void TestDataFile::olderFileUpgradesInOneGo_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QStringList>("statements");

    QTest::newRow("1.0") << "1.0"
                         << file10Layout() +
                                QStringList{
                                    "INSERT INTO reg VALUES ('Ann', 'Lee', '1 Road', '1.0')",
                                    "INSERT INTO payees VALUES (3, 'Gas Co', '', '', '')",
                                    "INSERT INTO payees VALUES (7, 'Water', 'W-9', '', '')",
                                    "INSERT INTO bills VALUES (1, 7, 'Water bill', 50.25, "
                                    "'04/20/2026', NULL, 0, '')"};
    QTest::newRow("1.1") << "1.1"
                         << file11Layout() +
                                QStringList{
                                    "INSERT INTO filedata VALUES ('Ann', 'Lee', '1 Road', '1.1')",
                                    "INSERT INTO payees VALUES (3, 'Gas Co', '', '', '', 0)",
                                    "INSERT INTO payees VALUES (7, 'Water', 'W-9', '', '', 0)",
                                    "INSERT INTO bills VALUES (1, 7, 'Water bill', 50.25, "
                                    "'2026-04-20', NULL, 'SINGLE', 0, 0, '', 0)"};
    // A 1.2 and a 1.4 file, in the layout they share.
    const QStringList layout14 =
        file14Layout() +
        QStringList{
            "INSERT INTO payees VALUES (3, 'Gas Co', '', '', '', 0)",
            "INSERT INTO payees VALUES (7, 'Water', 'W-9', '', '', 0)",
            "INSERT INTO billschedule VALUES (4, 'SINGLE', 0, 0, 0, '', 'ENDON', '2026-04-20', "
            "'2026-04-20')",
            "INSERT INTO bills VALUES (1, 4, 7, 'Water bill', 50.25, '2026-04-01', '2026-04-20', "
            "'2000-01-01', 0, 0, '', 0)",
            "INSERT INTO billpayment VALUES (1, 1, '2026-04-02T10:00:00.000', 10)"};
    for (const QString version : {"1.2", "1.4"})
        QTest::newRow(qPrintable(version))
            << version
            << layout14 + QStringList{"INSERT INTO filedata VALUES (1, 'Ann', 'Lee', '1 Road', '', "
                                      "'" +
                                      version + "')"};
    // A 1.5 file keeps its tables as they are and gains those of imported statements.
    QTest::newRow("1.5")
        << "1.5"
        << layout14 +
               QStringList{"ALTER TABLE bills ADD COLUMN isestimate BOOL",
                           "ALTER TABLE billpayment ADD COLUMN reference VARCHAR(100)",
                           "ALTER TABLE billschedule ADD COLUMN amountrule VARCHAR(20)",
                           "UPDATE bills SET isestimate = 0",
                           "UPDATE billschedule SET amountrule = 'FIXED'",
                           "INSERT INTO filedata VALUES (1, 'Ann', 'Lee', '1 Road', '', '1.5')"};
}

void TestDataFile::olderFileUpgradesInOneGo()
{
    QFETCH(QString, version);
    QFETCH(QStringList, statements);
    const QString old = m_dir->filePath("old.nvbf");
    buildFile(old, statements);
    const QByteArray before = fileBytes(old);

    m_messages->answer("Upgrade");
    QVERIFY(m_file->open(old));
    QCOMPARE(m_file->path(), old);
    QCOMPARE(m_messages->count(), 2);
    QCOMPARE(m_messages->messages().at(0).text,
             "The file version (" + version +
                 ") you are opening is older than the current file version (1.6).\nWould you "
                 "like to upgrade the file?");
    QCOMPARE(m_messages->last().icon, QMessageBox::Information);
    QCOMPARE(m_messages->last().title, upgradeTitle);
    QCOMPARE(m_messages->last().text,
             QString("The file is now version (1.6)).\nUpdate successful."));
    QCOMPARE(fileBytes(old + ".v" + version + ".bak"), before);
    QVERIFY(m_file->isValid());

    QVERIFY(m_file->loadCurrentBills());
    QCOMPARE(descriptions(m_file->billList()), QStringList({"Water bill"}));
    const Bill &bill = *m_file->billList().first();
    QCOMPARE(bill.payee().payeeName(), QString("Water"));
    QCOMPARE(bill.dueDate(), QDate(2026, 4, 20));
    QCOMPARE(bill.amount(), 50.25);
    QCOMPARE(m_file->payeesById().size(), 2);
    // Every amount of an older file is a real one, and every series' amount fixed.
    QCOMPARE(scalar("SELECT group_concat(quote(isestimate)) FROM bills").toString(), QString("0"));
    QCOMPARE(scalar("SELECT group_concat(DISTINCT amountrule) FROM billschedule").toString(),
             QString("FIXED"));
    QCOMPARE(scalar("SELECT COUNT(*) FROM importedtransactions").toInt(), 0);
    QCOMPARE(scalar("SELECT COUNT(*) FROM payeealiases").toInt(), 0);

    // Opened again, the file is current and asks nothing.
    DataFile again(nullptr);
    QVERIFY(again.open(old));
    QCOMPARE(m_messages->count(), 2);
}

void TestDataFile::currentAndPaidViewsSplitTheBills()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee power = addPayee("Power Co");
    addBill(power, "later", 30.0, today.addDays(20));
    const Bill settled = addBill(power, "settled", 50.0, today.addDays(-3));
    addBill(power, "soon", 20.0, today.addDays(2));
    addBill(power, "late", 10.0, today.addDays(-10));
    pay(settled, 50.0);

    QVERIFY(m_file->loadCurrentBills());
    QCOMPARE(descriptions(m_file->billList()), QStringList({"late", "soon", "later"}));
    QCOMPARE(m_file->billsById().size(), 4);
    QVERIFY(m_file->billsById().value(settled.id())->isPaid());
    QCOMPARE(m_file->billsById().value(settled.id())->payee().payeeName(), QString("Power Co"));
    QCOMPARE(m_file->payeesById().size(), 1);

    QVERIFY(m_file->loadPaidBills());
    QCOMPARE(descriptions(m_file->billList()), QStringList({"settled"}));
    QCOMPARE(m_file->payments(m_file->billList().first()->id()).value().size(), 1);
    QCOMPARE(m_file->billList().first()->balance(), 0.0);
}

void TestDataFile::listFollowsTheStoredDueDates_data()
{
    QTest::addColumn<QStringList>("dueDates");
    // Ties on one day, rows stored out of date order, and other forms a file may hold, which
    // the list orders as SQLite orders the stored values.
    QTest::newRow("yyyy-MM-dd") << QStringList{"'2026-03-02'", "'2026-01-15'", "'2026-03-02'",
                                               "'2025-12-31'", "'2026-01-15'"};
    QTest::newRow("mixed forms") << QStringList{"'2026-03-02'", "'04/20/2026'", "'2026-01-15'",
                                                "'01/02/2026'", "'2026-03-02'"};
}

void TestDataFile::listFollowsTheStoredDueDates()
{
    QFETCH(QStringList, dueDates);
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee payee = addPayee("Gas");
    for (const QString &due : dueDates)
        QVERIFY(run(QString("INSERT INTO bills VALUES (NULL, 0, %1, 'gas', 10, '2025-01-01', %2, "
                            "'2000-01-01', 0, 0, '', 0, 0)")
                        .arg(payee.id())
                        .arg(due)));
    QVERIFY(m_file->loadCurrentBills());
    QStringList listed;
    for (const auto &bill : m_file->billList())
        listed.append(QString::number(bill->id()));
    QCOMPARE(listed.join(','),
             scalar("SELECT group_concat(id) FROM (SELECT id FROM bills ORDER BY duedate, id)")
                 .toString());
}

void TestDataFile::deletedRowsAreFilteredOut()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee kept = addPayee("Water");
    Payee gone = addPayee("Old Phone");
    addBill(kept, "water", 25.0, today);
    const Bill hidden = addBill(kept, "hidden", 5.0, today);
    QVERIFY(run(QString("UPDATE bills SET deleted = 1 WHERE id = %1").arg(hidden.id())));
    gone.setDeleted(true);
    QVERIFY(gone.save());

    QVERIFY(m_file->loadCurrentBills());
    QCOMPARE(descriptions(m_file->billList()), QStringList({"water"}));
    QVERIFY(!m_file->billsById().contains(hidden.id()));
    QCOMPARE(m_file->payeesById().keys(), QList<int>({kept.id()}));
    QVERIFY(m_file->reloadPayees());
    QCOMPARE(m_file->payeesById().keys(), QList<int>({kept.id()}));
}

void TestDataFile::coveredBillTurnsPaidWhileLoading()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Bill bill = addBill(addPayee("Gas"), "gas", 40.0, today.addDays(-40));
    // Payments written behind the bill's back, as an older program could leave them.
    QVERIFY(run(QString("INSERT INTO billpayment VALUES (NULL, %1, '2026-01-05T10:00:00', 15, '')")
                    .arg(bill.id())));
    QVERIFY(run(QString("INSERT INTO billpayment VALUES (NULL, %1, '2026-01-02T10:00:00', 25, '')")
                    .arg(bill.id())));
    QVERIFY(m_file->loadCurrentBills());
    QVERIFY(m_file->billList().isEmpty());
    const auto loaded = m_file->billsById().value(bill.id());
    QVERIFY(loaded->isPaid());
    QCOMPARE(m_file->payments(bill.id()).value().first().amount(), 25.0); // earliest first
    QCOMPARE(scalar(QString("SELECT paid FROM bills WHERE id = %1").arg(bill.id())).toInt(), 1);
    QCOMPARE(scalar(QString("SELECT paiddate FROM bills WHERE id = %1").arg(bill.id())).toDate(),
             today);
}

void TestDataFile::plainLoadWritesNothing()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee payee = addPayee("Rent");
    const Bill paid = addBill(payee, "paid", 10.0, today);
    addBill(payee, "open", 10.0, today);
    pay(paid, 10.0);
    QVERIFY(run("CREATE TABLE writes(n INTEGER)"));
    QVERIFY(run("CREATE TRIGGER count_writes AFTER UPDATE ON bills BEGIN INSERT INTO writes "
                "VALUES (1); END"));

    Clock::setFixed(QDateTime(today.addDays(30), QTime(8, 0)));
    QVERIFY(m_file->loadCurrentBills());
    QVERIFY(m_file->loadPaidBills());
    QCOMPARE(scalar("SELECT COUNT(*) FROM writes").toInt(), 0);
    QCOMPARE(m_file->billList().first()->paidDate(), today);
}

void TestDataFile::reloadsReleaseRecordsButKeepHeldOnes()
{
    QVERIFY(m_file->open(m_dir->filePath("big.nvbf")));
    const Payee payee = addPayee("Bank");
    BillSchedule schedule;
    schedule.setScheduleType("WEEKLY");
    schedule.setDayOfWeek(3);
    schedule.setRangeStartDate(QDate(2010, 1, 1));
    schedule.setRangeEndDate(QDate(2010, 1, 1).addDays(7 * 1000 - 1));
    QVERIFY(schedule.save());
    Bill templateBill;
    templateBill.setPayee(payee);
    templateBill.setAmount(12.5);
    templateBill.setDescription("loan");
    QVERIFY(schedule.generateBills(templateBill));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 1000);

    QVERIFY(m_file->loadCurrentBills());
    const DataFile::BillPtr selected = m_file->billList().at(500);
    const int selectedId = selected->id();
    QList<std::weak_ptr<Bill>> firstLoad;
    for (const auto &bill : m_file->billsById())
        firstLoad.append(bill);

    std::weak_ptr<Bill> previousLoadSample;
    for (int reload = 0; reload < 200; ++reload) {
        QVERIFY(m_file->loadCurrentBills());
        QVERIFY(previousLoadSample.expired());
        previousLoadSample = m_file->billList().first();
    }
    int alive = 0;
    for (const auto &weak : firstLoad)
        alive += weak.expired() ? 0 : 1;
    // Only the bill the window still holds is left of the first load.
    QCOMPARE(alive, 1);
    QCOMPARE(selected->id(), selectedId);
    QCOMPARE(selected->description(), QString("loan"));
    QCOMPARE(m_file->billsById().size(), 1000);
}

void TestDataFile::loadedPaymentsAreThoseEachBillReadsItself()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee payee = addPayee("Phone");
    const Bill open = addBill(payee, "open", 100.0, today);
    const Bill settled = addBill(payee, "settled", 30.0, today.addDays(-5));
    const Bill hidden = addBill(payee, "hidden", 10.0, today);
    QVERIFY(run(QString("UPDATE bills SET deleted = 1 WHERE id = %1").arg(hidden.id())));
    // Moments in the forms this and older programs wrote, and forms only a hand could write;
    // payments of different bills interleaved in time, and some of no loaded bill at all.
    const QStringList moments = {"'2026-01-05T10:00:00.250'",
                                 "'2026-01-04T09:00:00'",
                                 "'2026-01-06 08:30:00'",
                                 "'2026-01-03T12:00:00Z'",
                                 "'2026-01-07T12:00:00+02:00'",
                                 "NULL",
                                 "'not a moment'",
                                 "'2026-01-02'"};
    const QList<int> billIds = {open.id(), settled.id(), hidden.id(), 999};
    for (int i = 0; i < moments.size(); ++i)
        QVERIFY(run(QString("INSERT INTO billpayment VALUES (NULL, %1, %2, %3, '')")
                        .arg(billIds.at(i % billIds.size()))
                        .arg(moments.at(i))
                        .arg(i % 2 ? "15" : "2.5")));

    for (const bool paidView : {false, true}) {
        QVERIFY(paidView ? m_file->loadPaidBills() : m_file->loadCurrentBills());
        QVERIFY(!m_file->billsById().isEmpty());
        for (const auto &bill : m_file->billsById())
            QCOMPARE(bill->balance(), Bill::findById(bill->id()).value().balance());
    }
    QVERIFY(m_file->loadCurrentBills());
    QCOMPARE(m_file->payments(open.id()).value().size(), 2);
    QVERIFY(m_file->billsById().value(settled.id())->isPaid());
}

void TestDataFile::billsOfOneLoadKeepTheirOwnPayees()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee payee = addPayee("Insurer");
    const Bill first = addBill(payee, "first", 10.0, today);
    const Bill second = addBill(payee, "second", 20.0, today);
    QVERIFY(m_file->loadCurrentBills());
    const auto one = m_file->billsById().value(first.id());
    const auto other = m_file->billsById().value(second.id());

    one->setPayee(addPayee("Broker"));
    QCOMPARE(other->payee().payeeName(), QString("Insurer"));
    // The payee list holds payees of its own, which the payee dialogs change in place.
    m_file->payeesById().value(payee.id())->setPayeeName("Renamed");
    QCOMPARE(other->payee().payeeName(), QString("Insurer"));
    const Bill copy = *other;
    other->setPayee(Payee());
    QCOMPARE(copy.payee().payeeName(), QString("Insurer"));
    QCOMPARE(copy.payee().id(), payee.id());
}

void TestDataFile::failedLoadLeavesNothingLoaded()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee payee = addPayee("Water");
    const Bill bill = addBill(payee, "water", 10.0, today);
    pay(bill, 4.0);
    QVERIFY(m_file->loadCurrentBills());
    const DataFile::BillPtr held = m_file->billList().first();
    QVERIFY(run("DROP TABLE billpayment"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no such table: billpayment"));
    QVERIFY(!m_file->loadCurrentBills());
    QVERIFY(m_file->billsById().isEmpty());
    QVERIFY(m_file->billList().isEmpty());
    // Nothing was half read into the bill the window still holds.
    QCOMPARE(held->balance(), 6.0);
    QCOMPARE(scalar(QString("SELECT paid FROM bills WHERE id = %1").arg(bill.id())).toInt(), 0);
}

void TestDataFile::deleteBillTakesPaymentsAndLastSchedule()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee payee = addPayee("Phone");
    const Bill keep = addBill(payee, "keep", 30.0, today);
    const Bill bill = addBill(payee, "drop", 30.0, today);
    pay(bill, 10.0);
    QVERIFY(m_file->loadCurrentBills());
    Bill *loaded = m_file->billsById().value(bill.id()).get();
    pay(bill, 5.0); // recorded after the load

    QVERIFY(m_file->deleteBill(loaded));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 1);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billpayment").toInt(), 0);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billschedule").toInt(), 1);
    QCOMPARE(scalar("SELECT id FROM billschedule").toInt(), keep.billScheduleId());
}

void TestDataFile::deleteBillKeepsScheduleOfRemainingSeries()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    BillSchedule schedule;
    schedule.setScheduleType("MONTHLY");
    schedule.setDayOfMonth(5);
    schedule.setRangeStartDate(QDate(2026, 1, 1));
    schedule.setRangeEndDate(QDate(2026, 3, 31));
    QVERIFY(schedule.save());
    Bill templateBill;
    templateBill.setPayee(addPayee("Insurer"));
    templateBill.setAmount(60.0);
    QVERIFY(schedule.generateBills(templateBill));
    QVERIFY(m_file->loadCurrentBills());
    QCOMPARE(m_file->billList().size(), 3);

    QVERIFY(m_file->deleteBill(m_file->billList().at(0).get()));
    QCOMPARE(scalar("SELECT COUNT(*) FROM billschedule").toInt(), 1);
    QVERIFY(m_file->deleteBill(m_file->billList().at(1).get()));
    QVERIFY(m_file->deleteBill(m_file->billList().at(2).get()));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 0);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billschedule").toInt(), 0);
}

void TestDataFile::failedDeleteBillChangesNothing()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Bill bill = addBill(addPayee("Phone"), "drop", 30.0, today);
    pay(bill, 10.0);
    QVERIFY(run("CREATE TRIGGER keep_schedules BEFORE DELETE ON billschedule BEGIN SELECT "
                "RAISE(ABORT, 'kept'); END"));
    QVERIFY(m_file->loadCurrentBills());

    QVERIFY(!m_file->deleteBill(m_file->billList().first().get()));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 1);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billpayment").toInt(), 1);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billschedule").toInt(), 1);
}

void TestDataFile::deletePayeeMarksPayeeAndItsBills()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee gone = addPayee("Old Gym");
    const Payee kept = addPayee("Library");
    const Bill goneBill = addBill(gone, "gym", 20.0, today);
    const Bill paidGoneBill = addBill(gone, "gym paid", 20.0, today.addDays(-30));
    pay(paidGoneBill, 20.0);
    addBill(kept, "fine", 2.0, today);
    QVERIFY(m_file->loadCurrentBills());

    QVERIFY(m_file->deletePayee(m_file->payeesById().value(gone.id()).get()));
    QCOMPARE(scalar(QString("SELECT deleted FROM payees WHERE id = %1").arg(gone.id())).toInt(), 1);
    QCOMPARE(
        scalar(
            QString("SELECT COUNT(*) FROM bills WHERE deleted = 1 AND payeeid = %1").arg(gone.id()))
            .toInt(),
        2);
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 3);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billpayment").toInt(), 1);

    QVERIFY(m_file->loadCurrentBills());
    QCOMPARE(descriptions(m_file->billList()), QStringList({"fine"}));
    QCOMPARE(m_file->payeesById().keys(), QList<int>({kept.id()}));
    QVERIFY(!m_file->billsById().contains(goneBill.id()));
}

void TestDataFile::failedDeletePayeeChangesNothing()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee payee = addPayee("Old Gym");
    addBill(payee, "gym", 20.0, today);
    QVERIFY(run("CREATE TRIGGER keep_bills BEFORE UPDATE ON bills BEGIN SELECT RAISE(ABORT, "
                "'kept'); END"));
    QVERIFY(m_file->loadCurrentBills());

    QVERIFY(!m_file->deletePayee(m_file->payeesById().value(payee.id()).get()));
    QCOMPARE(scalar("SELECT COUNT(*) FROM payees WHERE deleted = 0").toInt(), 1);
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills WHERE deleted = 0").toInt(), 1);
}

void TestDataFile::savePayeeKeepsTheCallersPayeeAlive()
{
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
    const Payee payee = addPayee("Water");
    addBill(payee, "water", 25.0, today);
    QVERIFY(m_file->loadCurrentBills());

    // Edited in place, as the payee list edits the loaded payee.
    const DataFile::PayeePtr edited = m_file->payeesById().value(payee.id());
    edited->setAccountNumber("W-77");
    QVERIFY(m_file->savePayee(edited));
    QCOMPARE(edited->accountNumber(), QString("W-77"));
    QVERIFY(edited != m_file->payeesById().value(payee.id()));
    QCOMPARE(m_file->payeesById().value(payee.id())->accountNumber(), QString("W-77"));
    QCOMPARE(m_file->billList().first()->payee().accountNumber(), QString("W-77"));

    auto added = std::make_shared<Payee>();
    added->setPayeeName("Phone");
    QVERIFY(m_file->savePayee(added));
    QVERIFY(m_file->payeesById().contains(added->id()));
}

NV_TEST_MAIN(TestDataFile)
#include "tst_datafile.moc"
