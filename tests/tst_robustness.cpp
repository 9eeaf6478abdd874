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
#include "norvoravarodozod.h"
#include "oldfiles.h"
#include "payee.h"
#include "recordsql.h"
#include "scopedworkdir.h"
#include "scratchdatabase.h"
#include "systemdatabase.h"
#include "testmain.h"
#include "upgraderunner.h"
#include "windowsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTreeWidget>

#include <unistd.h>

namespace {
const QDate today(2026, 5, 14);
const QString errorTitle = QStringLiteral("Norvo Rava Rodozod File Error");
const QString invalidText = QStringLiteral(
    "The file you are trying to open is invalid.\nPlease check the file you are opening.");

bool chattr(const QString &flag, const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("chattr"), {flag, path});
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Makes a file or folder impossible to change while it lives. Root ignores permission bits,
// so root needs the immutable attribute; anyone else is held back by the permissions alone.
// The change is always undone, whatever the test did meanwhile.
class WriteProtection
{
public:
    explicit WriteProtection(const QString &path) : m_path(path)
    {
        if (geteuid() != 0) {
            m_permissions = QFile::permissions(path);
            const auto readOnly = QFileInfo(path).isDir()
                                      ? QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther
                                      : QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
            m_byPermissions = QFile::setPermissions(path, readOnly);
            m_active = m_byPermissions;
        } else {
            m_active = chattr(QStringLiteral("+i"), path);
        }
    }
    ~WriteProtection() { lift(); }
    WriteProtection(const WriteProtection &) = delete;
    WriteProtection &operator=(const WriteProtection &) = delete;

    bool isActive() const { return m_active; }
    void lift()
    {
        if (!m_active)
            return;
        if (m_byPermissions)
            QFile::setPermissions(m_path, m_permissions);
        else
            chattr(QStringLiteral("-i"), m_path);
        m_active = false;
    }

private:
    QString m_path;
    QFile::Permissions m_permissions;
    bool m_byPermissions = false;
    bool m_active = false;
};

#define PROTECT_OR_SKIP(protection)                                                                \
    if (!(protection).isActive())                                                                  \
    QSKIP("Cannot make the file unwritable here: the permissions do not bind root and chattr "     \
          "+i is not available (it needs root on a file system that supports it)")

QStringList descriptions(const QList<DataFile::BillPtr> &bills)
{
    QStringList result;
    for (const auto &bill : bills)
        result.append(bill->description());
    return result;
}

QStringList listedDescriptions(const QWidget &window)
{
    QStringList result;
    const QTreeWidget *list = billList(window);
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        result.append(list->topLevelItem(row)->text(1));
    return result;
}

// A file with an unpaid bill, a paid one, and one stored as unpaid although its payment
// covers it (as a program that stopped half way would leave it): its next load writes it back.
void buildBillsFile(const QString &path)
{
    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(addBill("Power Co", "power", 80, today.addDays(3)));
    QVERIFY(addBill("Water Co", "water", 20, today.addDays(1), 20));
    const int covered = addBill("Gas Co", "gas", 30, today.addDays(2), 30);
    QVERIFY(covered);
    QVERIFY(run(QStringLiteral("UPDATE bills SET paid = 0 WHERE id = %1").arg(covered)));
    Connections::close(Connections::current());
}

// The tables in the order the data file manager upgrades them.
const QStringList upgradeTableNames = {"payees", "billschedule", "bills", "billpayment",
                                       "filedata"};

QList<UpgradeRunner::Table> upgradeTables()
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

bool execAll(const ScratchDatabase &db, const QStringList &statements)
{
    for (const QString &statement : statements) {
        if (!db.exec(statement))
            return false;
    }
    return true;
}

// A "1.1" file as that release wrote it: two payees, two bills, a schedule.
bool fillFile11(const ScratchDatabase &db)
{
    return execAll(
        db,
        file11Layout() +
            QStringList{
                "INSERT INTO filedata VALUES ('Ann', 'Lee', '1 Road', '1.1')",
                "INSERT INTO payees VALUES (3, 'Power', 'A1', 'Street 1', '', 0)",
                "INSERT INTO payees VALUES (7, 'Water', 'B2', 'Street 2', '', 0)",
                "INSERT INTO billschedule VALUES (1, 'MONTHLY', 0, 5, 'ENDDATE', '2009-01-05', "
                "'2009-12-05')",
                "INSERT INTO bills VALUES (1, 3, 'power', 80, '2009-06-20', NULL, 'SINGLE', 0, 0, "
                "'', 0)",
                "INSERT INTO bills VALUES (2, 7, 'water', 20, '2009-06-01', '2009-06-02', "
                "'SINGLE', 0, 1, '', 0)"});
}

// A "1.2" file: the current layout with an older version in its header.
bool fillFile12()
{
    if (!(Bill::createTable() && BillPayment::createTable() && BillSchedule::createTable() &&
          FileData::createTable() && Payee::createTable()))
        return false;
    FileData header;
    header.setVersion("1.2");
    if (!header.save())
        return false;
    return addBill("Power", "power", 80, today) && addBill("Water", "water", 20, today, 20);
}
} // namespace

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // A file that cannot be written
    void readOnlyFileOpensAndLists();
    void readOnlyFileGetsItsPaidStatesOnceWritable();
    void editsOfAReadOnlyFileFailAndChangeNothing_data();
    void editsOfAReadOnlyFileFailAndChangeNothing();
    void deleteInTheWindowReportsAReadOnlyFile();
    void readOnlyOlderFileIsLeftAsItWas();

    // A file held by another program
    void saveToALockedFileFailsQuickly_data();
    void saveToALockedFileFailsQuickly();
    void loadBesideAnotherProgramNeitherHangsNorFails_data();
    void loadBesideAnotherProgramNeitherHangsNorFails();

    // Files that are not data files
    void truncatedFileIsRefusedUntouched_data();
    void truncatedFileIsRefusedUntouched();

    // Values the program's numbers cannot hold
    void idsBeyondTheIntegersAreRefused_data();
    void idsBeyondTheIntegersAreRefused();
    void amountsBeyondTheCentsStayUnpaid_data();
    void amountsBeyondTheCentsStayUnpaid();
    void paidStateWriteBackKeepsWhatItCannotRead_data();
    void paidStateWriteBackKeepsWhatItCannotRead();

    // Upgrades that fail part way
    void upgradeFailingAtAnyStepRestoresTheFile_data();
    void upgradeFailingAtAnyStepRestoresTheFile();

    // No writable system store
    void windowWorksWithoutAWritableSystemStore_data();
    void windowWorksWithoutAWritableSystemStore();

private:
    std::unique_ptr<ScopedWorkDir> m_dir;
};

void TestRobustness::init()
{
    Clock::setFixed(QDateTime(today, QTime(9, 0)));
    m_dir = std::make_unique<ScopedWorkDir>();
}

void TestRobustness::cleanup()
{
    Connections::close(Connections::current());
    Connections::close(Connections::system());
    m_dir.reset();
    Clock::reset();
}

void TestRobustness::readOnlyFileOpensAndLists()
{
    const QString path = m_dir->filePath("bills.nvbf");
    buildBillsFile(path);
    const QByteArray before = fileHash(path);
    WriteProtection protection(path);
    PROTECT_OR_SKIP(protection);

    MessageRecorder messages;
    FileAnswers answers;
    NorvoRavaRodozod window;
    answers.paths.append(path);
    trigger(window, "actionOpen");
    QCOMPARE(messages.count(), 0);
    QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.6 - " + path);
    // The covered bill counts as paid although that could not be written down.
    QCOMPARE(listedDescriptions(window), QStringList({"power"}));
    QVERIFY(!window.statusBar()->currentMessage().contains("could not be read"));
    trigger(window, "action_Paid_Bills_Menu");
    QCOMPARE(listedDescriptions(window), QStringList({"water"}));
    QVERIFY(!window.statusBar()->currentMessage().contains("could not be read"));
    QCOMPARE(fileHash(path), before);
}

void TestRobustness::readOnlyFileGetsItsPaidStatesOnceWritable()
{
    const QString path = m_dir->filePath("bills.nvbf");
    buildBillsFile(path);
    WriteProtection protection(path);
    PROTECT_OR_SKIP(protection);
    const QByteArray before = fileHash(path);

    {
        DataFile file(nullptr);
        QVERIFY(file.open(path));
        QVERIFY(file.loadCurrentBills());
        QCOMPARE(descriptions(file.billList()), QStringList({"power"}));
        QVERIFY(file.loadPaidBills());
        QCOMPARE(descriptions(file.billList()), QStringList({"water"}));
        QCOMPARE(fileHash(path), before);
    }
    protection.lift();

    // The paid state that could not be written is written at the next load that can.
    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(scalar("SELECT paid FROM bills WHERE description = 'gas'").toInt(), 1);
    QCOMPARE(scalar("SELECT paiddate FROM bills WHERE description = 'gas'").toDate(), today);
    QVERIFY(file.loadPaidBills());
    QCOMPARE(descriptions(file.billList()), QStringList({"water", "gas"}));
}

void TestRobustness::editsOfAReadOnlyFileFailAndChangeNothing_data()
{
    QTest::addColumn<QString>("edit");
    QTest::newRow("bill changed") << "bill update";
    QTest::newRow("bill added") << "bill insert";
    QTest::newRow("bill removed") << "bill remove";
    QTest::newRow("payment added") << "payment insert";
    QTest::newRow("payment changed") << "payment update";
    QTest::newRow("bill deleted") << "delete bill";
    QTest::newRow("payee deleted") << "delete payee";
    QTest::newRow("payee saved") << "save payee";
}

void TestRobustness::editsOfAReadOnlyFileFailAndChangeNothing()
{
    QFETCH(QString, edit);
    const QString path = m_dir->filePath("bills.nvbf");
    buildBillsFile(path);
    WriteProtection protection(path);
    PROTECT_OR_SKIP(protection);
    const QByteArray before = fileHash(path);

    MessageRecorder messages;
    FileAnswers answers;
    NorvoRavaRodozod window;
    answers.paths.append(path);
    trigger(window, "actionOpen");
    QCOMPARE(listedDescriptions(window), QStringList({"power"}));

    // The window's data file works on the connection "current"; a second manager on the same
    // connection stands in for the dialogs that will call these.
    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(file.loadCurrentBills());
    const DataFile::BillPtr power = file.billList().constFirst();
    RecordSql::setLastErrorText(QString());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("readonly|read-only|read only"));
    bool saved = true;
    if (edit == "bill update") {
        Bill bill = *power;
        bill.setDescription("changed");
        saved = bill.save();
    } else if (edit == "bill insert") {
        Bill bill;
        bill.setPayee(power->payee());
        bill.setDescription("new");
        saved = bill.save();
        QCOMPARE(bill.id(), 0);
        QVERIFY(!bill.isStored());
    } else if (edit == "bill remove") {
        Bill bill = *file.billsById().value(2);
        QCOMPARE(file.payments(2).value().size(), 1);
        saved = bill.remove();
    } else if (edit == "payment insert") {
        BillPayment payment(power->id(), Clock::now(), 80);
        saved = payment.save();
        QCOMPARE(payment.id(), 0);
        QVERIFY(!payment.isStored());
    } else if (edit == "payment update") {
        BillPayment payment = file.payments(2).value().constFirst();
        payment.setAmount(5);
        saved = payment.save();
    } else if (edit == "delete bill") {
        saved = file.deleteBill(power.get());
    } else if (edit == "delete payee") {
        Payee payee = power->payee();
        saved = file.deletePayee(&payee);
    } else if (edit == "save payee") {
        auto payee = std::make_shared<Payee>(power->payee());
        payee->setPayeeName("renamed");
        saved = file.savePayee(payee);
    }
    QVERIFY(!saved);
    QVERIFY2(RecordSql::lastErrorText().contains("readonly"),
             qPrintable(RecordSql::lastErrorText()));
    QCOMPARE(fileHash(path), before);

    trigger(window, "action_Current_Bills_Menu");
    QCOMPARE(listedDescriptions(window), QStringList({"power"}));
    trigger(window, "action_Paid_Bills_Menu");
    QCOMPARE(listedDescriptions(window), QStringList({"water"}));
    QCOMPARE(messages.count(), 0);
}

void TestRobustness::deleteInTheWindowReportsAReadOnlyFile()
{
    const QString path = m_dir->filePath("bills.nvbf");
    buildBillsFile(path);
    WriteProtection protection(path);
    PROTECT_OR_SKIP(protection);
    const QByteArray before = fileHash(path);

    MessageRecorder messages;
    FileAnswers answers;
    NorvoRavaRodozod window;
    answers.paths.append(path);
    trigger(window, "actionOpen");
    selectRow(window, 0);
    messages.answer("Delete");
    trigger(window, "actionDelete_Bill_Toolbar");
    QCOMPARE(messages.count(), 2);
    QCOMPARE(messages.last().icon, QMessageBox::Critical);
    QCOMPARE(messages.last().title, errorTitle);
    QVERIFY2(messages.last().text.contains("readonly"), qPrintable(messages.last().text));
    QCOMPARE(listedDescriptions(window), QStringList({"power"}));
    QCOMPARE(fileHash(path), before);
}

void TestRobustness::readOnlyOlderFileIsLeftAsItWas()
{
    const QString path = m_dir->filePath("old.nvbf");
    QVERIFY(Connections::open(Connections::current(), path));
    QVERIFY(fillFile12());
    Connections::close(Connections::current());
    WriteProtection protection(path);
    PROTECT_OR_SKIP(protection);
    const QByteArray before = fileHash(path);

    MessageRecorder messages;
    messages.answer("Upgrade");
    DataFile file(nullptr);
    QVERIFY(!file.open(path));
    QCOMPARE(messages.count(), 2);
    QCOMPARE(messages.last().text, QString("The file is still version (1.2)).\nUpdate was not "
                                           "successful.  Replacing current file with backup "
                                           "file."));
    QCOMPARE(fileHash(path), before);
    QCOMPARE(file.path(), QString());
    // Only the copy taken before the attempt is left beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
             QStringList({"old.nvbf", "old.nvbf.v1.2.bak"}));
    QCOMPARE(fileBytes(path + ".v1.2.bak"), fileBytes(path));
}

void TestRobustness::saveToALockedFileFailsQuickly_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("edit");
    for (const char *lock : {"BEGIN EXCLUSIVE", "BEGIN IMMEDIATE"}) {
        for (const char *edit : {"bill", "payment", "delete bill"})
            QTest::addRow("%s, %s", lock, edit) << lock << edit;
    }
}

void TestRobustness::saveToALockedFileFailsQuickly()
{
    QFETCH(QString, lock);
    QFETCH(QString, edit);
    const QString path = m_dir->filePath("bills.nvbf");
    buildBillsFile(path);
    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(file.loadCurrentBills());
    const DataFile::BillPtr power = file.billList().constFirst();
    const QByteArray before = fileHash(path);

    QVERIFY(Connections::open("other program", path));
    {
        QSqlQuery other(Connections::database("other program"));
        QVERIFY(other.exec(lock));

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("locked"));
        QElapsedTimer timer;
        timer.start();
        bool saved = true;
        if (edit == "bill") {
            Bill bill = *power;
            bill.setDescription("changed");
            saved = bill.save();
        } else if (edit == "payment") {
            BillPayment payment(power->id(), Clock::now(), 80);
            saved = payment.save();
            QVERIFY(!payment.isStored());
        } else {
            saved = file.deleteBill(power.get());
        }
        QVERIFY(!saved);
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(RecordSql::lastErrorText().contains("locked"));
        QCOMPARE(fileHash(path), before);
        QVERIFY(other.exec("ROLLBACK"));
    }
    Connections::close("other program");

    // Once the other program lets go, the same edit goes through.
    Bill bill = *power;
    bill.setDescription("changed");
    QVERIFY(bill.save());
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(descriptions(file.billList()), QStringList({"changed"}));
}

void TestRobustness::loadBesideAnotherProgramNeitherHangsNorFails_data()
{
    QTest::addColumn<QString>("statement"); // what the other program does in its transaction
    QTest::newRow("writing") << "UPDATE payees SET note = 'busy'";
    QTest::newRow("reading") << "SELECT COUNT(*) FROM bills";
}

void TestRobustness::loadBesideAnotherProgramNeitherHangsNorFails()
{
    // Many bills whose paid state must be written back, while another program holds the
    // file: the load shows them at once and leaves the writing for later.
    QFETCH(QString, statement);
    const QString path = m_dir->filePath("bills.nvbf");
    {
        DataFile file(nullptr);
        QVERIFY(file.open(path));
        for (int i = 0; i < 30; ++i)
            QVERIFY(addBill(QStringLiteral("Payee %1").arg(i), QStringLiteral("bill %1").arg(i), 10,
                            today.addDays(i), 10));
        QVERIFY(addBill("Open", "open", 10, today));
        // All of them one series, which the bill dialog reads as a whole.
        BillSchedule series;
        series.setScheduleType("WEEKLY");
        QVERIFY(series.save());
        QVERIFY(
            run(QStringLiteral("UPDATE bills SET paid = 0, billscheduleid = %1").arg(series.id())));
        Connections::close(Connections::current());
    }
    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(Connections::open("other program", path));
    {
        QSqlQuery other(Connections::database("other program"));
        QVERIFY(other.exec("BEGIN"));
        QVERIFY(other.exec(statement));
        other.finish(); // its transaction keeps holding the file
        const QByteArray before = fileHash(path);

        QElapsedTimer timer;
        timer.start();
        QVERIFY(file.loadCurrentBills());
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(descriptions(file.billList()), QStringList({"open"}));

        timer.restart();
        const BillSchedule series = BillSchedule::findById(1).value();
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(series.bills().size(), 31);
        int paid = 0;
        for (const Bill &bill : series.bills())
            paid += bill.isPaid() ? 1 : 0;
        QCOMPARE(paid, 30);
        QCOMPARE(fileHash(path), before);
        // Edits the user makes still wait out a short lock as before.
        QCOMPARE(scalar("PRAGMA busy_timeout").toInt(), 2000);
        QVERIFY(other.exec("ROLLBACK"));
        // Nothing of the load is left open: the next edit reaches the file at once, where the
        // other program sees it.
        QVERIFY(run("UPDATE bills SET note = 'edited' WHERE id = 1"));
        QVERIFY(other.exec("SELECT note FROM bills WHERE id = 1") && other.next());
        QCOMPARE(other.value(0).toString(), QString("edited"));
        other.finish();
    }
    Connections::close("other program");
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills WHERE paid = 1").toInt(), 30);
}

void TestRobustness::truncatedFileIsRefusedUntouched_data()
{
    QTest::addColumn<int>("keep"); // bytes kept; negative: bytes cut from the end
    QTest::newRow("50 bytes, within the header") << 50;
    QTest::newRow("first page") << 4096;
    QTest::newRow("half the file") << -2;
    QTest::newRow("one byte short") << -1;
    QTest::newRow("last page cut half way") << -2048;
}

void TestRobustness::truncatedFileIsRefusedUntouched()
{
    QFETCH(int, keep);
    const QString source = m_dir->filePath("source.nvbf");
    {
        DataFile file(nullptr);
        QVERIFY(file.open(source));
        for (int i = 0; i < 40; ++i)
            QVERIFY(addBill(QStringLiteral("Payee %1").arg(i), QString(300, QLatin1Char('x')), 10,
                            today.addDays(i)));
        Connections::close(Connections::current());
    }
    const QByteArray whole = fileBytes(source);
    QVERIFY(whole.size() > 4 * 4096);
    int size = keep;
    if (keep == -2)
        size = int(whole.size() / 2);
    else if (keep < 0)
        size = int(whole.size()) + keep;
    const QString truncated = m_dir->filePath("truncated.nvbf");
    QVERIFY(writeFileBytes(truncated, whole.left(size)));
    const QByteArray before = fileHash(truncated);

    MessageRecorder messages;
    FileAnswers answers;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, m_dir->filePath("open.nvbf"));
    QVERIFY(addBill("Acme", "kept", 12, today));
    trigger(window, "action_Current_Bills_Menu");
    const QString title = window.windowTitle();

    answers.paths.append(truncated);
    trigger(window, "actionOpen");
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().icon, QMessageBox::Critical);
    QCOMPARE(messages.last().title, errorTitle);
    QCOMPARE(messages.last().text, invalidText);
    QCOMPARE(fileHash(truncated), before);
    QCOMPARE(QDir(m_dir->path()).entryList({"*.bak"}, QDir::Files), QStringList());
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(listedDescriptions(window), QStringList({"kept"}));
    trigger(window, "action_Current_Bills_Menu");
    QCOMPARE(listedDescriptions(window), QStringList({"kept"}));
}

void TestRobustness::idsBeyondTheIntegersAreRefused_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("statement");
    // 2^32 + 1 would be cut to 1, the id of the power bill.
    QTest::newRow("bill") << "1.4"
                          << "INSERT INTO bills(id, billscheduleid, payeeid, description, amount, "
                             "duedate, paid, deleted) VALUES (4294967297, 0, 1, 'intruder', 10, "
                             "'2026-05-20', 1, 0)";
    QTest::newRow("payment of a bill")
        << "1.4"
        << "INSERT INTO billpayment(billid, paymentdate, amount) VALUES (4294967297, "
           "'2026-05-01T00:00:00', 80)";
    QTest::newRow("payee of a bill") << "1.4"
                                     << "UPDATE bills SET payeeid = 4294967298 WHERE id = 1";
    QTest::newRow("schedule of a bill")
        << "1.4"
        << "UPDATE bills SET billscheduleid = -4294967295 WHERE id = 1";
    QTest::newRow("payee") << "1.4"
                           << "UPDATE payees SET id = 2147483648 WHERE id = 3";
    QTest::newRow("schedule") << "1.4"
                              << "INSERT INTO billschedule(id, scheduletype) VALUES "
                                 "(9223372036854775807, 'SINGLE')";
    // An upgrade would give the power bill the payee 2 or the series 1, and the orphan of the
    // older file the payee of old id 3.
    QTest::newRow("1.2: payee of a bill") << "1.2"
                                          << "UPDATE bills SET payeeid = 4294967298 WHERE id = 1";
    QTest::newRow("1.2: schedule of a bill")
        << "1.2"
        << "UPDATE bills SET billscheduleid = -4294967295 WHERE id = 1";
    QTest::newRow("1.1: payee of a bill")
        << "1.1"
        << "UPDATE bills SET payeeid = 4294967299 WHERE billid = 11";
}

void TestRobustness::idsBeyondTheIntegersAreRefused()
{
    QFETCH(QString, version);
    QFETCH(QString, statement);
    const QString path = m_dir->filePath("bills.nvbf");
    if (version == "1.1") {
        QVERIFY(Connections::open(Connections::current(), path));
        for (const QString &line : file11Layout() + file11Rows())
            QVERIFY(run(line));
    } else {
        buildBillsFile(path);
        QVERIFY(Connections::open(Connections::current(), path));
        QVERIFY(run("UPDATE filedata SET version = '" + version + "'"));
    }
    QVERIFY(run(statement));
    Connections::close(Connections::current());
    const QByteArray before = fileHash(path);

    // Every write to such a row, and every new row after it, would land on another row. An
    // older file is refused before the upgrade question.
    MessageRecorder messages;
    DataFile file(nullptr);
    QVERIFY(!file.open(path));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().title, errorTitle);
    QCOMPARE(messages.last().text, invalidText);
    QCOMPARE(fileHash(path), before);
}

void TestRobustness::amountsBeyondTheCentsStayUnpaid_data()
{
    QTest::addColumn<QString>("amount");
    QTest::newRow("10^17") << "1e17";
    QTest::newRow("10^300") << "1e300";
}

void TestRobustness::amountsBeyondTheCentsStayUnpaid()
{
    QFETCH(QString, amount);
    const QString path = m_dir->filePath("bills.nvbf");
    buildBillsFile(path);
    QVERIFY(Connections::open(Connections::current(), path));
    QVERIFY(run("UPDATE bills SET amount = " + amount + " WHERE description = 'power'"));
    Connections::close(Connections::current());

    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(descriptions(file.billList()), QStringList({"power"}));
    QCOMPARE(scalar("SELECT paid FROM bills WHERE description = 'power'").toInt(), 0);
}

void TestRobustness::paidStateWriteBackKeepsWhatItCannotRead_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::newRow("due date in another format") << "duedate"
                                                << "'05/16/2026'";
    QTest::newRow("insert date that is no date") << "insertdate"
                                                 << "'last spring'";
    QTest::newRow("description as bytes") << "description"
                                          << "X'00FF41'";
    QTest::newRow("amount as text") << "amount"
                                    << "'30.00'";
    QTest::newRow("whole-number amount") << "amount"
                                         << "30";
    QTest::newRow("flag as text") << "isunique"
                                  << "'yes'";
    QTest::newRow("schedule id as text") << "billscheduleid"
                                         << "'none'";
}

void TestRobustness::paidStateWriteBackKeepsWhatItCannotRead()
{
    QFETCH(QString, column);
    QFETCH(QString, value);
    const QString path = m_dir->filePath("bills.nvbf");
    buildBillsFile(path);
    QVERIFY(Connections::open(Connections::current(), path));
    // The gas bill is covered by its payment but stored unpaid: reading it writes it back.
    QVERIFY(run("UPDATE bills SET " + column + " = " + value + " WHERE description = 'gas'"));
    const QString stored = "SELECT quote(" + column + ") FROM bills WHERE id = 3";
    const QString before = scalar(stored).toString();
    Connections::close(Connections::current());

    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(scalar("SELECT paid FROM bills WHERE id = 3").toInt(), 1);
    QCOMPARE(scalar(stored).toString(), before);
}

void TestRobustness::upgradeFailingAtAnyStepRestoresTheFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("pass"); // the version whose pass fails
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("table");
    for (const char *file : {"1.1", "1.2"}) {
        // A "1.1" file runs the passes twice: from "1.1", then on from "1.2".
        const QStringList passes =
            QString(file) == "1.1" ? QStringList{"1.1", "1.2"} : QStringList{"1.2"};
        for (const QString &pass : passes) {
            for (const char *step : {"prepare", "copy", "drop"}) {
                for (const QString &table : upgradeTableNames)
                    QTest::addRow("%s file, %s of %s from %s", file, step, qPrintable(table),
                                  qPrintable(pass))
                        << file << pass << step << table;
            }
        }
        for (const QString &table : upgradeTableNames)
            QTest::addRow("%s file, final check of %s", file, qPrintable(table))
                << file << "1.6"
                << "final check" << table;
        QTest::addRow("%s file, version read at the end", file) << file << ""
                                                                << "version"
                                                                << "";
    }
}

void TestRobustness::upgradeFailingAtAnyStepRestoresTheFile()
{
    QFETCH(QString, file);
    QFETCH(QString, pass);
    QFETCH(QString, step);
    QFETCH(QString, table);
    ScratchDatabase db;
    QVERIFY(db.isOpen());
    QVERIFY(file == "1.1" ? fillFile11(db) : fillFile12());
    const QByteArray before = fileBytes(db.path());

    // Each step does its work and then reports a failure, as a full disk would half way.
    QList<UpgradeRunner::Table> tables = upgradeTables();
    for (UpgradeRunner::Table &entry : tables) {
        if (entry.name != table)
            continue;
        const auto failAfter = [&pass](std::function<bool(const QString &)> real) {
            return
                [real, &pass](const QString &version) { return real(version) && version != pass; };
        };
        if (step == "prepare")
            entry.upgradePrepare = failAfter(entry.upgradePrepare);
        else if (step == "copy")
            entry.upgradeCopy = failAfter(entry.upgradeCopy);
        else if (step == "drop")
            entry.upgradeDrop = failAfter(entry.upgradeDrop);
        else if (step == "final check")
            entry.layoutMatches = failAfter(entry.layoutMatches);
    }
    const auto readVersion = [&step]() {
        const QString version = FileData::readVersion();
        return step == "version" && version == "1.6" ? QStringLiteral("1.3") : version;
    };

    UpgradeRunner runner(Connections::current(), readVersion, tables);
    const UpgradeRunner::Outcome outcome = runner.run();
    QVERIFY(!outcome.succeeded);
    QVERIFY(outcome.restored);
    QCOMPARE(outcome.version, file);
    QCOMPARE(fileBytes(db.path()), before);
    QCOMPARE(outcome.backupPath, db.path() + ".v" + file + ".bak");
    QCOMPARE(fileBytes(outcome.backupPath), before);

    // The connection is open on the file as it was, and a second try is offered afresh.
    QCOMPARE(FileData::readVersion(), file);
    UpgradeRunner again(Connections::current(), &FileData::readVersion, upgradeTables());
    const UpgradeRunner::Outcome second = again.run();
    QVERIFY(second.succeeded);
    QCOMPARE(second.version, QString("1.6"));
    QCOMPARE(fileBytes(outcome.backupPath), before);
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 2);
    QCOMPARE(scalar("SELECT COUNT(*) FROM payees").toInt(), 2);
}

void TestRobustness::windowWorksWithoutAWritableSystemStore_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("system.db is a folder") << "folder";
    QTest::newRow("working folder cannot be written") << "protected folder";
    QTest::newRow("system.db cannot be written") << "protected store";
}

void TestRobustness::windowWorksWithoutAWritableSystemStore()
{
    QFETCH(QString, obstacle);
    QTemporaryDir dataDir;
    QVERIFY(dataDir.isValid());
    std::unique_ptr<WriteProtection> protection;
    if (obstacle == "folder") {
        QVERIFY(QDir(m_dir->path()).mkdir("system.db"));
    } else if (obstacle == "protected folder") {
        protection = std::make_unique<WriteProtection>(m_dir->path());
    } else {
        {
            SystemDatabase store;
            QVERIFY(store.setRecentFileLocation(QString()));
        }
        Connections::close(Connections::system());
        protection = std::make_unique<WriteProtection>(m_dir->filePath("system.db"));
    }
    if (protection)
        PROTECT_OR_SKIP(*protection);
    const QByteArray storeBefore = fileBytes(m_dir->filePath("system.db"));

    MessageRecorder messages;
    FileAnswers answers;
    {
        NorvoRavaRodozod window;
        QCOMPARE(window.windowTitle(), QString("Norvo Rava Rodozod 1.6"));
        const QString path = dataDir.filePath("bills.nvbf");
        newFileInWindow(window, answers, path);
        QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.6 - " + path);
        QVERIFY(addBill("Acme", "water", 20, today));
        QVERIFY(addBill("Gas Co", "gas", 30, today.addDays(1), 30));
        trigger(window, "action_Current_Bills_Menu");
        QCOMPARE(listedDescriptions(window), QStringList({"water"}));
        trigger(window, "action_Paid_Bills_Menu");
        QCOMPARE(listedDescriptions(window), QStringList({"gas"}));
    }
    QCOMPARE(messages.count(), 0);
    QCOMPARE(fileBytes(m_dir->filePath("system.db")), storeBefore);
}

NV_TEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
