#include "connections.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "scopedworkdir.h"
#include "systemdatabase.h"
#include "systemfiledata.h"
#include "systemrecentlist.h"
#include "systemsettings.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>

namespace {
const QString upgradeTitle = QStringLiteral("Norvo Rava Rodozod File Upgrade");
const QString errorTitle = QStringLiteral("Norvo Rava Rodozod File Error");
const QString invalidText = QStringLiteral("The system file you are trying to open is invalid.\n");

QString noticeText(const QString &version)
{
    return "The system file version (" + version +
           ") you are opening is older than the current file version (1.4).\nUpgrading file now.";
}

const QString restoredEnding = QStringLiteral("Replacing current file with backup file.");

QString failureText(const QString &version, const QString &ending = restoredEnding)
{
    return "The system file is still version (" + version + ")).\nUpdate was not successful.  " +
           ending;
}

const QString successText = QStringLiteral("The system file is now version (1.4)).\nUpdate "
                                           "successful.");

// Writes system.db into the working directory with its own connection, as an older program
// would have left it.
void buildStore(const QStringList &statements)
{
    const QString builder = QStringLiteral("builder");
    QVERIFY(Connections::open(builder, QDir::current().absoluteFilePath("system.db")));
    {
        QSqlQuery query(Connections::database(builder));
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
    }
    Connections::close(builder);
}

QVariant scalar(const QString &statement)
{
    QSqlQuery query(Connections::database(Connections::system()));
    return query.exec(statement) && query.next() ? query.value(0) : QVariant();
}

QStringList sortedTables()
{
    QStringList tables = Connections::database(Connections::system()).tables(QSql::Tables);
    tables.sort();
    return tables;
}

void compareMessage(const MessageRecorder::Message &message, QMessageBox::Icon icon,
                    const QString &title, const QString &text)
{
    QCOMPARE(message.icon, icon);
    QCOMPARE(message.title, title);
    QCOMPARE(message.text, text);
    QCOMPARE(message.buttons, QStringList({"OK"}));
}

const QStringList store11 = {"CREATE TABLE recentfiles(fileid INTEGER, filename TEXT)",
                             "INSERT INTO recentfiles VALUES (1, '/home/ann/bills.nvbf')",
                             "CREATE TABLE filedata(version TEXT)",
                             "INSERT INTO filedata VALUES ('1.1')"};

const QStringList store12 = {
    "CREATE TABLE recentfiles(id INTEGER PRIMARY KEY, recentfilelocation VARCHAR(200));",
    "INSERT INTO recentfiles VALUES (1, '/home/ann/bills.nvbf')",
    "INSERT INTO recentfiles VALUES (4, '/home/ann/old.nvbf')",
    "CREATE TABLE systemfiledata( id INTEGER PRIMARY KEY, firstname varchar(50), lastname "
    "varchar(50), address varchar(200), emailaddress varchar(200), version varchar(10));",
    "INSERT INTO systemfiledata(id, version) VALUES (1, '1.2')"};
} // namespace

class TestSystemDatabase : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Connections::close(Connections::system()); }

    // A store of the current version
    void missingStoreIsCreatedSilently();
    void recentLocationRoundTrip();
    void withoutRowOneNothingIsStored();
    void recentListTakesTheRowsOfAnOlderStore();
    void workingDirectoryChoosesTheStore();
    void currentStoreWithDamagedTables_data();
    void currentStoreWithDamagedTables();

    // Older stores
    void store11IsUpgradedInOneGo();
    void store12KeepsItsRecentFiles();
    void failedUpgradeRestoresTheStore_data();
    void failedUpgradeRestoresTheStore();
    void repeatedFailuresKeepEveryBackup();

    // Settings
    void settingsTableComesWithTheFirstValue_data();
    void settingsTableComesWithTheFirstValue();

    // Stores this program must not change
    void newerStoreIsLeftUntouched_data();
    void newerStoreIsLeftUntouched();
    void foreignFileIsReportedAndKept_data();
    void foreignFileIsReportedAndKept();
    void unopenableStoreFailsQuietly();
};

void TestSystemDatabase::missingStoreIsCreatedSilently()
{
    ScopedWorkDir dir;
    MessageRecorder recorder;
    SystemDatabase db;
    QCOMPARE(recorder.count(), 0);
    QVERIFY(QFile::exists(dir.filePath("system.db")));
    QCOMPARE(Connections::database(Connections::system()).databaseName(),
             dir.filePath("system.db"));
    QCOMPARE(sortedTables(), QStringList({"recentfiles", "systemfiledata"}));
    QCOMPARE(
        scalar("SELECT COUNT(*) FROM recentfiles WHERE id = 1 AND recentfilelocation = ''").toInt(),
        1);
    QCOMPARE(scalar("SELECT COUNT(*) FROM systemfiledata WHERE id = 1 AND version = '1.4' AND "
                    "firstname IS NULL AND emailaddress IS NULL")
                 .toInt(),
             1);
    QCOMPARE(SystemFileData::readVersion(), QString("1.4"));
    QVERIFY(db.recentFileLocation().isEmpty());
    QVERIFY(db.open());
    QCOMPARE(recorder.count(), 0);
}

void TestSystemDatabase::recentLocationRoundTrip()
{
    ScopedWorkDir dir;
    const QString path = QStringLiteral("/home/ann/it's bills; DROP TABLE recentfiles.nvbf");
    {
        SystemDatabase db;
        QVERIFY(db.setRecentFileLocation(path));
        QCOMPARE(db.recentFileLocation(), path);
    }
    Connections::close(Connections::system());
    MessageRecorder recorder;
    SystemDatabase reopened;
    QCOMPARE(reopened.recentFileLocation(), path);
    QCOMPARE(recorder.count(), 0);
}

void TestSystemDatabase::withoutRowOneNothingIsStored()
{
    ScopedWorkDir dir;
    SystemDatabase db;
    QVERIFY(
        QSqlQuery(Connections::database(Connections::system())).exec("DELETE FROM recentfiles"));
    QCOMPARE(scalar("SELECT COUNT(*) FROM recentfiles").toInt(), 0);
    QVERIFY(!db.setRecentFileLocation("/home/ann/bills.nvbf"));
    QVERIFY(!SystemRecentList::add("/home/ann/bills.nvbf"));
    QCOMPARE(scalar("SELECT COUNT(*) FROM recentfiles").toInt(), 0);
    QVERIFY(db.recentFileLocation().isEmpty());
}

// Rows an older program left behind follow in their order; beyond the fifth none is read. How
// the list grows as files are opened is shown through File > Open Recent.
void TestSystemDatabase::recentListTakesTheRowsOfAnOlderStore()
{
    ScopedWorkDir dir;
    {
        SystemDatabase db;
        QSqlQuery query(Connections::database(Connections::system()));
        QVERIFY(query.exec("UPDATE recentfiles SET recentfilelocation = '/one' WHERE id = 1"));
        QVERIFY(query.exec("INSERT INTO recentfiles VALUES (3, ''), (4, '/four'), (9, '/nine')"));
        QVERIFY(SystemRecentList::add("/a"));
    }
    Connections::close(Connections::system());
    SystemDatabase reopened;
    QCOMPARE(scalar("SELECT group_concat(id || ' ' || recentfilelocation, ', ') FROM (SELECT * "
                    "FROM recentfiles ORDER BY id)")
                 .toString(),
             QString("1 /a, 2 /one, 3 /four, 9 /nine"));
    // Row 1 is the file the next start opens, as before.
    QCOMPARE(reopened.recentFileLocation(), QString("/a"));
    QCOMPARE(SystemRecentList::locations(), QStringList({"/a", "/one", "/four"}));
}

void TestSystemDatabase::workingDirectoryChoosesTheStore()
{
    ScopedWorkDir first;
    {
        SystemDatabase db;
        QVERIFY(db.setRecentFileLocation("/first.nvbf"));
    }
    {
        ScopedWorkDir second;
        SystemDatabase db;
        QVERIFY(QFile::exists(second.filePath("system.db")));
        QVERIFY(db.recentFileLocation().isEmpty());
        QVERIFY(db.setRecentFileLocation("/second.nvbf"));
    }
    SystemDatabase db;
    QCOMPARE(db.recentFileLocation(), QString("/first.nvbf"));
}

void TestSystemDatabase::currentStoreWithDamagedTables_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("valid");
    const QString header = store12.at(3);
    QTest::newRow("recent files without location")
        << QStringList{"CREATE TABLE recentfiles(id INTEGER PRIMARY KEY, location TEXT)", header,
                       "INSERT INTO systemfiledata(id, version) VALUES (1, '1.4')"}
        << false;
    QTest::newRow("recent files missing")
        << QStringList{header, "INSERT INTO systemfiledata(id, version) VALUES (1, '1.4')"}
        << false;
    // Only the recent files table is checked, so a damaged header alone passes.
    QTest::newRow("header damaged")
        << QStringList{store12.at(0), "CREATE TABLE systemfiledata(version TEXT)",
                       "INSERT INTO systemfiledata VALUES ('1.4')"}
        << true;
}

void TestSystemDatabase::currentStoreWithDamagedTables()
{
    QFETCH(QStringList, statements);
    QFETCH(bool, valid);
    ScopedWorkDir dir;
    buildStore(statements);
    const QByteArray before = fileBytes("system.db");
    MessageRecorder recorder;
    SystemDatabase db;
    QCOMPARE(db.isValid(), valid);
    if (valid) {
        QCOMPARE(recorder.count(), 0);
    } else {
        QCOMPARE(recorder.count(), 1);
        compareMessage(recorder.last(), QMessageBox::Critical, errorTitle, invalidText);
        QVERIFY(!db.open());
    }
    QCOMPARE(fileBytes("system.db"), before);
}

void TestSystemDatabase::store11IsUpgradedInOneGo()
{
    ScopedWorkDir dir;
    buildStore(store11);
    const QByteArray before = fileBytes("system.db");
    MessageRecorder recorder;
    SystemDatabase db;

    QCOMPARE(recorder.count(), 2);
    compareMessage(recorder.messages().at(0), QMessageBox::Information, upgradeTitle,
                   noticeText("1.1"));
    compareMessage(recorder.messages().at(1), QMessageBox::Information, upgradeTitle, successText);
    QCOMPARE(sortedTables(), QStringList({"recentfiles", "systemfiledata"}));
    QCOMPARE(SystemFileData::readVersion(), QString("1.4"));
    QCOMPARE(db.recentFileLocation(), QString("/home/ann/bills.nvbf"));
    QCOMPARE(fileBytes(dir.filePath("system.db.v1.1.bak")), before);

    // The upgraded store is an ordinary current store from now on.
    QVERIFY(db.setRecentFileLocation("/home/ann/new.nvbf"));
    recorder.clear();
    QVERIFY(db.open());
    QCOMPARE(recorder.count(), 0);
    QCOMPARE(db.recentFileLocation(), QString("/home/ann/new.nvbf"));
}

void TestSystemDatabase::store12KeepsItsRecentFiles()
{
    ScopedWorkDir dir;
    buildStore(store12);
    const QByteArray before = fileBytes("system.db");
    MessageRecorder recorder;
    SystemDatabase db;

    QCOMPARE(recorder.count(), 2);
    QCOMPARE(recorder.messages().at(0).text, noticeText("1.2"));
    QCOMPARE(recorder.messages().at(1).text, successText);
    QCOMPARE(db.recentFileLocation(), QString("/home/ann/bills.nvbf"));
    QCOMPARE(scalar("SELECT recentfilelocation FROM recentfiles WHERE id = 4").toString(),
             QString("/home/ann/old.nvbf"));
    QCOMPARE(scalar("SELECT COUNT(*) FROM systemfiledata").toInt(), 1);
    QCOMPARE(SystemFileData::readVersion(), QString("1.4"));
    QCOMPARE(fileBytes(dir.filePath("system.db.v1.2.bak")), before);
}

void TestSystemDatabase::failedUpgradeRestoresTheStore_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("backup");

    // A work table left behind by an interrupted older upgrade makes a rename fail.
    QTest::newRow("first pass fails")
        << store11 + QStringList{"CREATE TABLE recentfilestemp(x TEXT)"} << "1.1"
        << "system.db.v1.1.bak";
    QTest::newRow("second pass fails")
        << store11 + QStringList{"CREATE TABLE systemfiledatatemp(x TEXT)"} << "1.1"
        << "system.db.v1.1.bak";
    QTest::newRow("layout does not fit its version")
        << QStringList{"CREATE TABLE recentfiles(id INTEGER, filename TEXT)",
                       "CREATE TABLE filedata(version TEXT)", "INSERT INTO filedata VALUES ('1.1')"}
        << "1.1"
        << "";
    QTest::newRow("store without tables") << QStringList{} << ""
                                          << "";
    QTest::newRow("version without layouts")
        << QStringList{"CREATE TABLE filedata(version TEXT)", "INSERT INTO filedata VALUES ('1.3')"}
        << "1.3"
        << "";
}

void TestSystemDatabase::failedUpgradeRestoresTheStore()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, version);
    QFETCH(QString, backup);
    ScopedWorkDir dir;
    if (statements.isEmpty())
        QVERIFY(writeFileBytes("system.db", QByteArray()));
    else
        buildStore(statements);
    const QByteArray before = fileBytes("system.db");
    MessageRecorder recorder;
    SystemDatabase db;

    QCOMPARE(recorder.count(), 2);
    compareMessage(recorder.messages().at(0), QMessageBox::Information, upgradeTitle,
                   noticeText(version));
    // Only a copy that was put back is called a replacement.
    const QString ending =
        backup.isEmpty() ? QStringLiteral("The system file was left as it was.") : restoredEnding;
    compareMessage(recorder.messages().at(1), QMessageBox::Information, upgradeTitle,
                   failureText(version, ending));
    // A zero-byte store must still be there, not merely read as empty.
    QVERIFY(QFile::exists("system.db"));
    QCOMPARE(fileBytes("system.db"), before);
    // Nor does a setting land in a store that is not of this version.
    QVERIFY(!SystemSettings::setValue("reminders/days", "3"));
    QCOMPARE(fileBytes("system.db"), before);
    if (backup.isEmpty()) {
        // Nothing could be carried over, so nothing was copied or touched.
        QCOMPARE(QDir(dir.path()).entryList({"*.bak"}, QDir::Files), QStringList());
    } else {
        QVERIFY(QFile::exists(dir.filePath(backup)));
        QCOMPARE(fileBytes(dir.filePath(backup)), before);
    }
    // The store is open and reads as it did.
    QCOMPARE(SystemFileData::readVersion(), version);
}

void TestSystemDatabase::repeatedFailuresKeepEveryBackup()
{
    ScopedWorkDir dir;
    buildStore(store11 + QStringList{"CREATE TABLE recentfilestemp(x TEXT)"});
    const QByteArray before = fileBytes("system.db");
    MessageRecorder recorder;
    SystemDatabase first;
    QVERIFY(!first.open());
    QCOMPARE(recorder.count(), 4);
    QCOMPARE(recorder.last().text, failureText("1.1"));
    QCOMPARE(fileBytes("system.db.v1.1.bak"), before);
    QCOMPARE(fileBytes("system.db.v1.1.1.bak"), before);
    QCOMPARE(fileBytes("system.db"), before);
}

void TestSystemDatabase::settingsTableComesWithTheFirstValue_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("recent");
    QTest::newRow("new store") << QStringList{} << "";
    QTest::newRow("upgraded 1.2 store") << store12 << "/home/ann/bills.nvbf";
    QStringList current = store12;
    current.last() = "INSERT INTO systemfiledata(id, version) VALUES (1, '1.4')";
    QTest::newRow("current store") << current << "/home/ann/bills.nvbf";
}

void TestSystemDatabase::settingsTableComesWithTheFirstValue()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, recent);
    ScopedWorkDir dir;
    if (!statements.isEmpty())
        buildStore(statements);
    const QString key = QStringLiteral("calendar/it's; DROP TABLE settings.nvbf");
    const QString value = QStringLiteral("/home/ann/o'neil.ics");
    {
        MessageRecorder recorder;
        SystemDatabase db;
        QCOMPARE(SystemSettings::value(key, "none"), QString("none"));
        QVERIFY(!sortedTables().contains("settings"));
        QVERIFY(SystemSettings::setValue(key, value));
        QVERIFY(SystemSettings::setValue("reminders/days", "3"));
        QVERIFY(SystemSettings::setValue("reminders/days", "12"));
    }
    Connections::close(Connections::system());
    MessageRecorder recorder;
    SystemDatabase reopened;
    QCOMPARE(recorder.count(), 0);
    QCOMPARE(sortedTables(), QStringList({"recentfiles", "settings", "systemfiledata"}));
    QCOMPARE(SystemFileData::readVersion(), QString("1.4"));
    QCOMPARE(reopened.recentFileLocation(), recent);
    QCOMPARE(scalar("SELECT COUNT(*) FROM recentfiles").toInt(), statements.isEmpty() ? 1 : 2);
    QCOMPARE(SystemSettings::value(key), value);
    QCOMPARE(SystemSettings::value("reminders/days"), QString("12"));
    // Values written together are written only where they differ from what is stored.
    const QByteArray unchanged = fileBytes("system.db");
    QVERIFY(SystemSettings::setValues({{key, value}, {"reminders/days", "12"}}));
    QCOMPARE(fileBytes("system.db"), unchanged);
    QVERIFY(SystemSettings::remove(key));
    QCOMPARE(SystemSettings::value(key, "none"), QString("none"));
}

void TestSystemDatabase::newerStoreIsLeftUntouched_data()
{
    QTest::addColumn<QString>("version");
    QTest::newRow("next minor") << "1.5";
    QTest::newRow("two-digit minor") << "1.10";
    QTest::newRow("next major") << "2.0";
}

void TestSystemDatabase::newerStoreIsLeftUntouched()
{
    QFETCH(QString, version);
    ScopedWorkDir dir;
    QStringList statements = store12;
    statements.last() = "INSERT INTO systemfiledata(id, version) VALUES (1, '" + version + "')";
    buildStore(statements);
    const QByteArray before = fileBytes("system.db");
    MessageRecorder recorder;
    SystemDatabase db;

    QCOMPARE(recorder.count(), 1);
    compareMessage(recorder.last(), QMessageBox::Critical, errorTitle,
                   "The system file version (" + version +
                       ") is newer than the current file version (1.4).\nPlease use a newer "
                       "version of Norvo Rava Rodozod.");
    // Later use by the main window writes nothing into it either.
    QVERIFY(!db.setRecentFileLocation("/home/ann/other.nvbf"));
    QVERIFY(!SystemSettings::setValue("reminders/days", "3"));
    QVERIFY(!SystemSettings::setValues({{"window/size", "700x500"}}));
    QVERIFY(!SystemRecentList::add("/home/ann/other.nvbf"));
    QVERIFY(db.recentFileLocation().isEmpty());
    QVERIFY(!db.open());
    QCOMPARE(fileBytes("system.db"), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"system.db"}));
}

void TestSystemDatabase::foreignFileIsReportedAndKept_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text file") << QByteArray("recent=/home/ann/bills.nvbf\n");
    QByteArray noise(4096, '\0');
    QRandomGenerator generator(20070228);
    for (char &c : noise)
        c = char(generator.bounded(256));
    QTest::newRow("random bytes") << noise;
    QTest::newRow("cut-off database header") << QByteArray("SQLite format 3\0", 16);
}

void TestSystemDatabase::foreignFileIsReportedAndKept()
{
    QFETCH(QByteArray, bytes);
    ScopedWorkDir dir;
    QVERIFY(writeFileBytes("system.db", bytes));
    MessageRecorder recorder;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read as a database"));
    SystemDatabase db;

    QCOMPARE(recorder.count(), 1);
    compareMessage(recorder.last(), QMessageBox::Critical, errorTitle, invalidText);
    QVERIFY(!db.setRecentFileLocation("/home/ann/bills.nvbf"));
    QVERIFY(db.recentFileLocation().isEmpty());
    QCOMPARE(fileBytes("system.db"), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"system.db"}));
}

void TestSystemDatabase::unopenableStoreFailsQuietly()
{
    ScopedWorkDir dir;
    QVERIFY(QDir(dir.path()).mkdir("system.db"));
    MessageRecorder recorder;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot open"));
    SystemDatabase db;
    QCOMPARE(recorder.count(), 0);
    QVERIFY(db.recentFileLocation().isEmpty());
    QVERIFY(!db.setRecentFileLocation("/home/ann/bills.nvbf"));
}

NV_TEST_MAIN(TestSystemDatabase)
#include "tst_systemdatabase.moc"
