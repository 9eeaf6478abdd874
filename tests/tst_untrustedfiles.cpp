#include "bill.h"
#include "billpayment.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "norvoravarodozod.h"
#include "oldfiles.h"
#include "payee.h"
#include "systemdatabase.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QDir>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>

namespace {
const QDate today(2026, 5, 14);
const QString invalidText = QStringLiteral(
    "The file you are trying to open is invalid.\nPlease check the file you are opening.");

// A current file with one payee and two unpaid bills: "power" and "gas", whose payment covers
// it although its row still says unpaid (as a program stopped half way leaves it), so that
// the next load that may write turns it paid.
void buildFile(const QString &path)
{
    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(addBill("Power Co", "power", 80, today.addDays(3)));
    const int gas = addBill("Gas Co", "gas", 30, today.addDays(2), 30);
    QVERIFY(gas);
    QVERIFY(run(QStringLiteral("UPDATE bills SET paid = 0 WHERE id = %1").arg(gas)));
    Connections::close(Connections::current());
}

// Runs statements on the file with a connection of its own, as another program would.
void alter(const QString &path, const QStringList &statements)
{
    QVERIFY(Connections::open("other program", path));
    for (const QString &statement : statements) {
        QSqlQuery query(Connections::database("other program"));
        QVERIFY2(query.exec(statement), qPrintable(statement));
    }
    Connections::close("other program");
}

// The statements that give a table of the file another declaration, keeping the rows of the
// columns listed.
QStringList redeclared(const QString &table, const QString &declaration, const QString &columns)
{
    return {"ALTER TABLE " + table + " RENAME TO set_aside", declaration,
            "INSERT INTO " + table + "(" + columns + ") SELECT " + columns + " FROM set_aside",
            "DROP TABLE set_aside"};
}

// The bills (or payments) table as this program declares it, with in changed to by; a
// generated amount is not copied.
QStringList redeclaredBills(const QString &in, const QString &by, bool payments = false)
{
    QString declaration = payments ? BillPayment::createStatement() : Bill::createStatement();
    declaration.replace(in, by);
    QString columns = payments ? "id, billid, paymentdate"
                               : "id, billscheduleid, payeeid, description, insertdate, duedate, "
                                 "paiddate, isunique, paid, note, deleted";
    if (!declaration.contains(" AS ("))
        columns += ", amount";
    return redeclared(payments ? "billpayment" : "bills", declaration, columns);
}
// The file is refused, whether opened to write or to read, with one message and not a byte
// changed, and no copy of it is left beside it: the folder holds only the files listed.
void expectRefusedUntouched(const QString &path, const QStringList &files)
{
    const QByteArray before = fileBytes(path);
    MessageRecorder messages;
    messages.answer("Upgrade");
    DataFile file(nullptr);
    QVERIFY(!file.open(path));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().text, invalidText);
    QVERIFY(!file.openReadOnly(path));
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QFileInfo(path).dir().entryList(QDir::Files), files);
}
} // namespace

class TestUntrustedFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileThatCouldActIsRefusedUntouched_data();
    void fileThatCouldActIsRefusedUntouched();
    void plainAdditionsAreAccepted_data();
    void plainAdditionsAreAccepted();
    void olderTableThatDecidesValuesIsRefusedUntouched();
    void systemStoreThatCouldActIsLeftAlone_data();
    void systemStoreThatCouldActIsLeftAlone();
    void unreadableBillIsLeftAsStored_data();
    void unreadableBillIsLeftAsStored();
    void missingRecordIsNeverWritten_data();
    void missingRecordIsNeverWritten();
    void failedUpgradeSaysWhatBecameOfTheFile_data();
    void failedUpgradeSaysWhatBecameOfTheFile();
    void readOnlyOpenWritesNothing();
    void olderFileIsNeverUpgradedUnasked_data();
    void olderFileIsNeverUpgradedUnasked();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestUntrustedFiles::init()
{
    Clock::setFixed(QDateTime(today, QTime(9, 0)));
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath("bills.nvbf");
    buildFile(m_path);
    // Each test starts without a store that remembers an earlier test's file.
    QFile::remove(SystemDatabase::fileName());
}

void TestUntrustedFiles::cleanup()
{
    Connections::close(Connections::current());
    m_dir.reset();
    Clock::reset();
}

void TestUntrustedFiles::fileThatCouldActIsRefusedUntouched_data()
{
    QTest::addColumn<QStringList>("statements");
    // A bill of 0 turns paid on its first load, which is the write a trigger would ride on.
    const QString settles = "UPDATE bills SET amount = 0";
    QTest::newRow("trigger") << QStringList{
        "CREATE TRIGGER t AFTER UPDATE ON bills BEGIN DELETE FROM payees; END;", settles};
    QTest::newRow("view") << QStringList{"CREATE VIEW unpaid AS SELECT * FROM bills", settles};
    QTest::newRow("table as view")
        << QStringList{"ALTER TABLE payees RENAME TO people",
                       "CREATE VIEW payees AS SELECT * FROM people", settles};
    QTest::newRow("empty version") << QStringList{"UPDATE filedata SET version = ''", settles};
    QTest::newRow("unknown version") << QStringList{"UPDATE filedata SET version = '1.3'", settles};

    // Tables that decide values. The gas bill's payment covers it while its row says unpaid,
    // so a load that accepted the file would write.
    QTest::newRow("generated amount")
        << redeclaredBills("amount DECIMAL,", "amount DECIMAL AS (CASE WHEN paid THEN 1 ELSE 0 "
                                              "END),");
    QTest::newRow("payments replaced on conflict")
        << redeclaredBills("reference VARCHAR(100)",
                           "reference VARCHAR(100), UNIQUE (billid) ON CONFLICT REPLACE", true);
    QTest::newRow("unique index") << QStringList{"CREATE UNIQUE INDEX one ON billpayment(billid)"};
    QTest::newRow("payments deleted with their bill") << redeclaredBills(
        "billid INTEGER", "billid INTEGER REFERENCES bills ON DELETE CASCADE", true);
    QTest::newRow("default expression")
        << redeclaredBills("note VARCHAR(400)", "note VARCHAR(400) DEFAULT (hex(randomblob(4)))");
    QTest::newRow("check") << redeclaredBills("amount DECIMAL,",
                                              "amount DECIMAL CHECK (amount < 1000),");
    QTest::newRow("key that is no row id") << redeclaredBills("id INTEGER", "id INT");
    QTest::newRow("amount kept as text") << redeclaredBills("amount DECIMAL,", "amount TEXT,");
    QTest::newRow("without row id") << redeclaredBills(");", ") WITHOUT ROWID;");
    QTest::newRow("required column of its own")
        << QStringList{"ALTER TABLE bills ADD COLUMN extra TEXT NOT NULL DEFAULT 'x'"};
    QTest::newRow("payees as a virtual table")
        << QStringList{"ALTER TABLE payees RENAME TO people",
                       "CREATE VIRTUAL TABLE payees USING fts5(id, payeename, accountnumber, "
                       "mailingaddress, note, deleted)",
                       "INSERT INTO payees SELECT * FROM people"};
}

void TestUntrustedFiles::fileThatCouldActIsRefusedUntouched()
{
    QFETCH(QStringList, statements);
    alter(m_path, statements);
    expectRefusedUntouched(m_path, {"bills.nvbf"});
}

void TestUntrustedFiles::plainAdditionsAreAccepted_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::newRow("column of its own with a value")
        << QStringList{"ALTER TABLE bills ADD COLUMN extra TEXT DEFAULT 'x'",
                       "ALTER TABLE payees ADD COLUMN rank INTEGER DEFAULT -1"};
    QTest::newRow("index") << QStringList{"CREATE INDEX due ON bills(duedate)"};
    QTest::newRow("same types written otherwise")
        << redeclaredBills("description VARCHAR(100) not null, amount DECIMAL,",
                           "description TEXT NOT NULL, amount NUMERIC,");
}

void TestUntrustedFiles::plainAdditionsAreAccepted()
{
    QFETCH(QStringList, statements);
    alter(m_path, statements);
    MessageRecorder messages;
    DataFile file(nullptr);
    QVERIFY(file.open(m_path));
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(messages.count(), 0);
    QCOMPARE(scalar("SELECT paid FROM bills WHERE description = 'gas'").toInt(), 1);
}

void TestUntrustedFiles::olderTableThatDecidesValuesIsRefusedUntouched()
{
    const QString path = m_dir->filePath("old.nvbf");
    QStringList statements = file11Layout();
    statements.last().replace("note TEXT", "note TEXT UNIQUE ON CONFLICT REPLACE");
    alter(path, statements + file11Rows());
    expectRefusedUntouched(path, {"bills.nvbf", "old.nvbf"});
}

void TestUntrustedFiles::systemStoreThatCouldActIsLeftAlone_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::newRow("trigger") << QStringList{"CREATE TRIGGER t AFTER UPDATE ON recentfiles BEGIN "
                                            "DELETE FROM systemfiledata; END;"};
    QTest::newRow("generated location") << redeclared(
        "recentfiles",
        "CREATE TABLE recentfiles(id INTEGER PRIMARY KEY, recentfilelocation VARCHAR(200) AS "
        "('/elsewhere.nvbf'))",
        "id");
    QTest::newRow("settings replaced on conflict")
        << QStringList{"CREATE TABLE settings(key TEXT PRIMARY KEY ON CONFLICT REPLACE, value "
                       "TEXT)"};
}

void TestUntrustedFiles::systemStoreThatCouldActIsLeftAlone()
{
    QFETCH(QStringList, statements);
    {
        SystemDatabase created;
    }
    Connections::close(Connections::system());
    const QString path = QDir::current().absoluteFilePath(SystemDatabase::fileName());
    alter(path, statements);
    const QByteArray before = fileBytes(path);

    MessageRecorder messages;
    SystemDatabase store;
    QVERIFY(!store.setRecentFileLocation(m_path));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().text, QString("The system file you are trying to open is invalid.\n"));
    QCOMPARE(fileBytes(path), before);
}

void TestUntrustedFiles::unreadableBillIsLeftAsStored_data()
{
    QTest::addColumn<QString>("statement");
    const QString bill = "UPDATE bills SET %1 WHERE description = 'gas'";
    // The gas bill's only payment.
    const QString payment = "UPDATE billpayment SET amount = %1";
    QTest::newRow("amount as text") << bill.arg("amount = 'abc'");
    QTest::newRow("amount missing") << bill.arg("amount = NULL");
    QTest::newRow("due date as text") << bill.arg("duedate = 'someday'");
    QTest::newRow("amount nan") << bill.arg("amount = 'nan'");
    QTest::newRow("amount infinite") << bill.arg("amount = 9e999");
    QTest::newRow("payment nan") << payment.arg("'nan'");
    // Each a number, but the balance they leave is beyond any double.
    QTest::newRow("balance beyond a double")
        << "UPDATE bills SET amount = 1.7e308 WHERE description = 'gas'; "
           "UPDATE billpayment SET amount = -1.7e308";
}

void TestUntrustedFiles::unreadableBillIsLeftAsStored()
{
    QFETCH(QString, statement);
    alter(m_path, statement.split("; "));
    const QByteArray before = fileBytes(m_path);

    MessageRecorder messages;
    FileAnswers answers;
    NorvoRavaRodozod window;
    answers.paths.append(m_path);
    trigger(window, "actionOpen");
    QCOMPARE(billList(window)->topLevelItemCount(), 1);
    QCOMPARE(window.statusBar()->currentMessage(),
             QString("The bills could not be read from the file: 1 bill has an amount, due "
                     "date or payment that cannot be read and is left as stored"));
    trigger(window, "action_Paid_Bills_Menu");
    QCOMPARE(billList(window)->topLevelItemCount(), 0);
    QCOMPARE(messages.count(), 0);
    QCOMPARE(fileBytes(m_path), before);
}

void TestUntrustedFiles::missingRecordIsNeverWritten_data()
{
    QTest::addColumn<QString>("write");
    QTest::newRow("delete of a payment whose bill is not there") << "delete payment";
    QTest::newRow("delete of a bill never read") << "delete bill";
    QTest::newRow("save of a bill whose row has gone") << "save gone bill";
}

void TestUntrustedFiles::missingRecordIsNeverWritten()
{
    QFETCH(QString, write);
    // A bill with the id 0, unpaid, which a bill read from nowhere would be written over, and
    // a payment of a bill that has no row.
    alter(m_path, {"INSERT INTO bills (id, billscheduleid, payeeid, description, amount, "
                   "duedate, paid, isunique, deleted) VALUES (0, 0, 0, 'zero', 50, "
                   "'2026-05-20', 0, 0, 0)",
                   "INSERT INTO billpayment VALUES (77, 99, '2026-05-01T10:00:00.000', 5, '')"});
    DataFile file(nullptr);
    QVERIFY(file.open(m_path));
    QVERIFY(file.loadCurrentBills()); // settles the gas bill, the one write of a load
    DataFile::BillPtr power;
    for (const DataFile::BillPtr &bill : file.billList())
        if (bill->description() == "power")
            power = bill;
    QVERIFY(power);
    if (write == "save gone bill")
        QVERIFY(run(QString("DELETE FROM bills WHERE id = %1").arg(power->id())));
    const QByteArray before = fileBytes(m_path);

    Bill never;
    BillPayment orphan = BillPayment::findById(77).value();
    QVERIFY(!(write == "delete payment" ? file.deletePayment(orphan)
              : write == "delete bill"  ? file.deleteBill(&never)
                                        : file.saveBill(*power)));
    QVERIFY(!DataFile::lastErrorText().isEmpty());
    QCOMPARE(fileBytes(m_path), before);
}

void TestUntrustedFiles::failedUpgradeSaysWhatBecameOfTheFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("backup");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QString>("ending");
    QTest::newRow("put back") << "file"
                              << "/data/bills.nvbf.v1.1.bak" << true
                              << "Replacing current file with backup file.";
    QTest::newRow("not put back")
        << "file"
        << "/data/bills.nvbf.v1.1.bak" << false
        << "The file could not be put back as it was.\nPlease recover it from the backup "
           "file:\n" +
               QDir::toNativeSeparators("/data/bills.nvbf.v1.1.bak");
    QTest::newRow("never copied") << "file"
                                  << "" << false << "The file was left as it was.";
    QTest::newRow("system file not put back")
        << "system file"
        << "/work/system.db.v1.1.bak" << false
        << "The system file could not be put back as it was.\nPlease recover it from the "
           "backup file:\n" +
               QDir::toNativeSeparators("/work/system.db.v1.1.bak");
}

void TestUntrustedFiles::failedUpgradeSaysWhatBecameOfTheFile()
{
    QFETCH(QString, file);
    QFETCH(QString, backup);
    QFETCH(bool, restored);
    QFETCH(QString, ending);
    UpgradeRunner::Outcome outcome;
    outcome.version = "1.1";
    outcome.backupPath = backup;
    outcome.restored = restored;
    QCOMPARE(UpgradeRunner::failureText(outcome, file),
             "The " + file + " is still version (1.1)).\nUpdate was not successful.  " + ending);
}

void TestUntrustedFiles::readOnlyOpenWritesNothing()
{
    const QByteArray before = fileBytes(m_path);
    MessageRecorder messages;
    DataFile file(nullptr);
    QVERIFY(file.openReadOnly(m_path));
    QVERIFY(file.isReadOnly());
    // The covered bill counts as paid, though that is not written down.
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(file.billList().size(), 1);
    QCOMPARE(file.billList().constFirst()->description(), QString("power"));
    QVERIFY(file.loadPaidBills());
    QCOMPARE(file.billList().size(), 1);
    QVERIFY(file.billList().constFirst()->isPaid());

    QVERIFY(!file.deleteBill(file.billList().constFirst().get()));
    QVERIFY(DataFile::lastErrorText().contains("reading only"));
    QVERIFY(!file.savePayee(std::make_shared<Payee>()));
    QVERIFY(!file.deletePayee(file.payeesById().begin()->get()));
    QCOMPARE(messages.count(), 0);
    Connections::close(Connections::current());
    QCOMPARE(fileBytes(m_path), before);
}

void TestUntrustedFiles::olderFileIsNeverUpgradedUnasked_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("read-only") << true;
    // As on the command line: no window, so no one to ask.
    QTest::newRow("no presenter") << false;
}

void TestUntrustedFiles::olderFileIsNeverUpgradedUnasked()
{
    QFETCH(bool, readOnly);
    alter(m_path, {"UPDATE filedata SET version = '1.2'"});
    const QByteArray before = fileBytes(m_path);
    DataFile file(nullptr);
    bool opened = true;
    if (readOnly) {
        MessageRecorder messages;
        messages.answer("Upgrade");
        opened = file.openReadOnly(m_path) || file.openReadOnly(m_dir->filePath("missing.nvbf"));
        QCOMPARE(messages.count(), 2);
        QCOMPARE(messages.messages().at(0).text,
                 QString("The file version (1.2) is older than the current file version (1.6)."
                         "\nIt cannot be read before Norvo Rava Rodozod has upgraded it."));
    } else {
        MessageHelper::setPresenter({});
        opened = file.open(m_path);
        installWidgetMessagePresenter();
    }
    QVERIFY(!opened);
    QCOMPARE(fileBytes(m_path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"bills.nvbf"}));
}

NV_TEST_MAIN(TestUntrustedFiles)
#include "tst_untrustedfiles.moc"
