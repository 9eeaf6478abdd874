#include "connections.h"
#include "filebytes.h"
#include "filedata.h"
#include "scratchdatabase.h"
#include "systemfiledata.h"
#include "systemrecentfiles.h"
#include "tableupgrade.h"
#include "testmain.h"
#include "upgraderunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace {
QStringList sortedTables(const QString &connectionName)
{
    QStringList tables = Connections::database(connectionName).tables(QSql::Tables);
    tables.sort();
    return tables;
}

QString readScalar(const QString &connectionName, const QString &statement)
{
    QSqlQuery query(Connections::database(connectionName));
    return query.exec(statement) && query.next() ? query.value(0).toString() : QString();
}

const QString store = QStringLiteral("store");
} // namespace

class TestTableUpgrade : public QObject
{
    Q_OBJECT

private slots:
    // Layout recognition
    void layoutMatches_data();
    void layoutMatches();
    void classLayoutsFollowTheFileVersion_data();
    void classLayoutsFollowTheFileVersion();

    // The three steps
    void prepareCopyDropLeaveOnlyTheNewTable();
    void absentTableIsOnlyCreated();
    void leftoverTempTableStopsPrepare();
    void copyStopsAtTheFirstFailingRow();
    void copyHandsOverEachRowAsStored();
    void linksMapOldIdsToNewIds();

    // Conversions
    void fileDataHeaderIsCarriedOver();
    void recentFilesAreCarriedOver();
    void systemHeaderIsCarriedOver();

    // Runner
    void versionsCompareAsNumbers_data();
    void versionsCompareAsNumbers();
    void backupNamesAreSafeAndNeverReused();
    void plainValuesOfDeclaredColumns_data();
    void plainValuesOfDeclaredColumns();
    void runnerChainsPassesInOrder();
    void currentFileIsOnlyChecked();
    void refusedRunLeavesTheFileUntouched_data();
    void refusedRunLeavesTheFileUntouched();
    void failedRunRestoresTheFile_data();
    void failedRunRestoresTheFile();
    void foreignFilesAreNotReadable();
};

void TestTableUpgrade::layoutMatches_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("matches");

    const QString recent = "CREATE TABLE recentfiles(id INTEGER PRIMARY KEY, "
                           "recentfilelocation VARCHAR(200))";
    QTest::newRow("same columns") << recent << "recentfiles,id,recentfilelocation" << true;
    QTest::newRow("extra column is no obstacle")
        << "CREATE TABLE recentfiles(id INTEGER, recentfilelocation TEXT, extra TEXT)"
        << "recentfiles,id,recentfilelocation" << true;
    QTest::newRow("missing column") << "CREATE TABLE recentfiles(id INTEGER)"
                                    << "recentfiles,id,recentfilelocation" << false;
    QTest::newRow("missing table") << recent << "systemfiledata,id,version" << false;
    QTest::newRow("table name case") << "CREATE TABLE RecentFiles(id INTEGER)"
                                     << "recentfiles,id" << false;
    QTest::newRow("column name case") << "CREATE TABLE recentfiles(ID INTEGER)"
                                      << "recentfiles,id" << false;
    QTest::newRow("absent in that version") << recent << "none" << true;
    QTest::newRow("unknown version") << recent << "" << false;
    QTest::newRow("item listed twice") << "CREATE TABLE t(a INTEGER, b INTEGER)"
                                       << "t,a,b,a" << true;
    QTest::newRow("item listed twice and missing") << "CREATE TABLE t(b INTEGER)"
                                                   << "t,a,b,a" << false;
}

void TestTableUpgrade::layoutMatches()
{
    QFETCH(QString, table);
    QFETCH(QString, layout);
    QFETCH(bool, matches);
    ScratchDatabase db(store);
    QVERIFY(db.exec(table));
    QCOMPARE(TableUpgrade::layoutMatches(store, layout), matches);
}

void TestTableUpgrade::classLayoutsFollowTheFileVersion_data()
{
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QList<bool>>("matches"); // FileData, SystemFileData, SystemRecentFiles

    const QStringList old = {"CREATE TABLE filedata(version TEXT)",
                             "CREATE TABLE recentfiles(fileid INTEGER, filename TEXT)"};
    const QStringList current = {
        "CREATE TABLE systemfiledata( id INTEGER PRIMARY KEY, firstname varchar(50), lastname "
        "varchar(50), address varchar(200), emailaddress varchar(200), version varchar(10));",
        "CREATE TABLE recentfiles(id INTEGER PRIMARY KEY, recentfilelocation VARCHAR(200));",
        "CREATE TABLE filedata( id INTEGER PRIMARY KEY, firstname varchar(50), lastname "
        "varchar(50), address varchar(200), emailaddress varchar(200), version varchar(10));"};
    const QStringList oldData = {
        "CREATE TABLE filedata(firstname TEXT, lastname TEXT, address TEXT, version TEXT)"};

    QTest::newRow("1.1 store as 1.1") << old << "1.1" << QList<bool>{false, true, true};
    QTest::newRow("1.1 store as 1.4") << old << "1.4" << QList<bool>{false, false, false};
    QTest::newRow("1.1 data header as 1.1") << oldData << "1.1" << QList<bool>{true, true, false};
    QTest::newRow("current tables as 1.2") << current << "1.2" << QList<bool>{true, true, true};
    // Older layouts list fewer columns, so the current header tables also pass as "1.1".
    QTest::newRow("current tables as 1.1") << current << "1.1" << QList<bool>{true, true, false};
    QTest::newRow("1.0 has none of them")
        << QStringList{} << "1.0" << QList<bool>{true, true, true};
    QTest::newRow("unknown version") << current << "1.3" << QList<bool>{false, false, false};
    QTest::newRow("empty version") << current << "" << QList<bool>{false, false, false};
}

void TestTableUpgrade::classLayoutsFollowTheFileVersion()
{
    QFETCH(QStringList, tables);
    QFETCH(QString, version);
    QFETCH(QList<bool>, matches);
    // The data file header and the system tables live on different connections.
    ScratchDatabase current;
    ScratchDatabase system(Connections::system(), "system.db");
    for (const QString &statement : std::as_const(tables)) {
        QVERIFY(current.exec(statement));
        QVERIFY(system.exec(statement));
    }
    QCOMPARE(FileData::layoutMatches(version), matches.at(0));
    QCOMPARE(SystemFileData::layoutMatches(version), matches.at(1));
    QCOMPARE(SystemRecentFiles::layoutMatches(version), matches.at(2));
}

void TestTableUpgrade::prepareCopyDropLeaveOnlyTheNewTable()
{
    ScratchDatabase current;
    QVERIFY(current.exec("CREATE TABLE filedata(firstname TEXT, lastname TEXT, address TEXT, "
                         "version TEXT)"));
    QVERIFY(current.exec("INSERT INTO filedata VALUES ('Ann', 'Lee', 'Road 1', '1.1')"));

    QVERIFY(FileData::upgradePrepare("1.1"));
    QCOMPARE(sortedTables(Connections::current()),
             QStringList({"filedata", "filedatalink", "filedatatemp"}));
    QCOMPARE(current.count("filedata"), 0);
    QVERIFY(FileData::layoutMatches("1.4"));

    QVERIFY(FileData::upgradeCopy("1.1"));
    QVERIFY(FileData::upgradeDrop("1.1"));
    QCOMPARE(sortedTables(Connections::current()), QStringList({"filedata"}));
    QCOMPARE(current.count("filedata"), 1);
}

void TestTableUpgrade::absentTableIsOnlyCreated()
{
    ScratchDatabase system(Connections::system(), "system.db");
    QVERIFY(SystemRecentFiles::upgradePrepare("1.0"));
    QVERIFY(SystemRecentFiles::upgradeCopy("1.0"));
    QCOMPARE(sortedTables(Connections::system()), QStringList({"recentfiles"}));
    QVERIFY(SystemRecentFiles::upgradeDrop("1.0"));
    QCOMPARE(sortedTables(Connections::system()), QStringList({"recentfiles"}));
}

void TestTableUpgrade::leftoverTempTableStopsPrepare()
{
    ScratchDatabase db(store);
    QVERIFY(db.exec("CREATE TABLE t(a TEXT)"));
    QVERIFY(db.exec("CREATE TABLE ttemp(a TEXT)"));
    QStringList errors;
    bool created = false;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ALTER TABLE t RENAME TO ttemp"));
    QVERIFY(!TableUpgrade::prepare(
        store, "t,a", "ALTER TABLE t RENAME TO ", [&created] { return created = true; }, &errors));
    QVERIFY(!created);
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.at(0).contains("ttemp"));
    QCOMPARE(sortedTables(store), QStringList({"t", "ttemp"}));

    // Tables that log the outcome of both statements get two empty texts on success.
    QVERIFY(db.exec("DROP TABLE ttemp"));
    errors.clear();
    QVERIFY(TableUpgrade::prepare(
        store, "t,a", "ALTER TABLE t RENAME TO ",
        [&db] { return db.exec("CREATE TABLE t(a TEXT, b TEXT)"); }, &errors));
    QCOMPARE(errors, QStringList({"", ""}));
}

void TestTableUpgrade::copyStopsAtTheFirstFailingRow()
{
    ScratchDatabase db(store);
    QVERIFY(db.exec("CREATE TABLE ttemp(a INTEGER)"));
    QVERIFY(db.exec("INSERT INTO ttemp VALUES (1), (2), (3)"));
    QList<int> seen;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Copying a row of ttemp failed"));
    QVERIFY(!TableUpgrade::copy(store, "t,a", [&seen](const QSqlRecord &row) {
        seen.append(row.value("a").toInt());
        return seen.size() < 2;
    }));
    QCOMPARE(seen, QList<int>({1, 2}));

    // A set-aside table that is not there is a failure, not an empty copy.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no such table: utemp"));
    QVERIFY(!TableUpgrade::copy(store, "u,a", [](const QSqlRecord &) { return true; }));
}

void TestTableUpgrade::copyHandsOverEachRowAsStored()
{
    ScratchDatabase db(store);
    QVERIFY(db.exec("CREATE TABLE ttemp(id INTEGER PRIMARY KEY, a, b TEXT, c DECIMAL)"));
    QVERIFY(db.exec("INSERT INTO ttemp VALUES (4, 12, 'text', 2.5), (9, NULL, NULL, NULL), "
                    "(2, 'x''y', '', 7), (7, 1.25, '2007-03-01', X'00FF')"));
    // What a plain query gives for each row, value by value.
    QStringList expected;
    QSqlQuery query(Connections::database(store));
    QVERIFY(query.exec("SELECT * FROM ttemp"));
    const auto describe = [](const QSqlRecord &row) {
        QStringList values;
        for (int i = 0; i < row.count(); ++i)
            values << QString("%1=%2:%3:%4")
                          .arg(row.fieldName(i), QString::number(row.value(i).typeId()),
                               row.value(i).toString(), row.isNull(i) ? "null" : "set");
        return values.join(' ');
    };
    while (query.next())
        expected << describe(query.record());
    query.finish();

    QStringList handed;
    QVERIFY(TableUpgrade::copy(store, "t,id", [&](const QSqlRecord &row) {
        handed << describe(row);
        return true;
    }));
    QCOMPARE(handed, expected);
    QCOMPARE(handed.size(), 4);
}

void TestTableUpgrade::linksMapOldIdsToNewIds()
{
    ScratchDatabase current;
    QVERIFY(current.exec("CREATE TABLE payeeslink(id INTEGER, oldid INTEGER);"));
    const QString layout = "payees,payeeid,payeename";
    QCOMPARE(TableUpgrade::oldIdColumn(layout), QString("payeeid"));
    QVERIFY(TableUpgrade::addLink(Connections::current(), layout, 1, 3));
    QVERIFY(TableUpgrade::addLink(Connections::current(), layout, 2, 7));
    QCOMPARE(TableUpgrade::linkedId(Connections::current(), layout, 7), 2);
    QCOMPARE(TableUpgrade::linkedId(Connections::current(), layout, 3), 1);
    QCOMPARE(TableUpgrade::linkedId(Connections::current(), layout, 5), 0);
}

void TestTableUpgrade::fileDataHeaderIsCarriedOver()
{
    ScratchDatabase current;
    QVERIFY(current.exec("CREATE TABLE filedata(firstname TEXT, lastname TEXT, address TEXT, "
                         "version TEXT)"));
    QVERIFY(current.exec("INSERT INTO filedata VALUES ('Ann', 'Lee', 'Road 1', '1.1')"));
    for (const QString &version : QStringList{"1.1", "1.2"}) {
        QVERIFY(FileData::upgradePrepare(version));
        QVERIFY(FileData::upgradeCopy(version));
        QVERIFY(FileData::upgradeDrop(version));
        if (version == "1.1") {
            // Copied as a "1.2" header; the e-mail column the old layout lacked is empty.
            QCOMPARE(FileData::readVersion(), QString("1.2"));
            QCOMPARE(current.scalar("SELECT emailaddress IS NULL FROM filedata").toInt(), 0);
            QVERIFY(current.exec("UPDATE filedata SET emailaddress = 'ann@example.org'"));
        }
    }
    FileData header;
    QVERIFY(header.load());
    QCOMPARE(header.id(), 1);
    QCOMPARE(header.firstName(), QString("Ann"));
    QCOMPARE(header.address(), QString("Road 1"));
    QCOMPARE(header.emailAddress(), QString("ann@example.org"));
    QCOMPARE(FileData::readVersion(), QString("1.6"));
}

void TestTableUpgrade::recentFilesAreCarriedOver()
{
    ScratchDatabase system(Connections::system(), "system.db");
    QVERIFY(system.exec("CREATE TABLE recentfiles(fileid INTEGER, filename TEXT)"));
    QVERIFY(system.exec("INSERT INTO recentfiles VALUES (9, '/a.nvbf'), (4, '/b.nvbf')"));
    QVERIFY(SystemRecentFiles::upgradePrepare("1.1"));
    QVERIFY(SystemRecentFiles::upgradeCopy("1.1"));
    QVERIFY(SystemRecentFiles::upgradeDrop("1.1"));
    // Old rows get new ids in the order they are read.
    QCOMPARE(SystemRecentFiles::findById(1).recentFileLocation(), QString("/a.nvbf"));
    QCOMPARE(SystemRecentFiles::findById(2).recentFileLocation(), QString("/b.nvbf"));

    // Current-layout rows keep their ids, gaps included.
    QVERIFY(system.exec("UPDATE recentfiles SET id = 5 WHERE id = 2"));
    QVERIFY(SystemRecentFiles::upgradePrepare("1.2"));
    QVERIFY(SystemRecentFiles::upgradeCopy("1.2"));
    QVERIFY(SystemRecentFiles::upgradeDrop("1.2"));
    QCOMPARE(system.count("recentfiles"), 2);
    QCOMPARE(SystemRecentFiles::findById(1).recentFileLocation(), QString("/a.nvbf"));
    QCOMPARE(SystemRecentFiles::findById(5).recentFileLocation(), QString("/b.nvbf"));
    QCOMPARE(sortedTables(Connections::system()), QStringList({"recentfiles"}));
}

void TestTableUpgrade::systemHeaderIsCarriedOver()
{
    ScratchDatabase system(Connections::system(), "system.db");
    QVERIFY(system.exec("CREATE TABLE filedata(version TEXT)"));
    QVERIFY(system.exec("INSERT INTO filedata VALUES ('1.1')"));
    QVERIFY(SystemFileData::upgradePrepare("1.1"));
    QVERIFY(SystemFileData::upgradeCopy("1.1"));
    QVERIFY(SystemFileData::upgradeDrop("1.1"));
    QCOMPARE(sortedTables(Connections::system()), QStringList({"systemfiledata"}));
    QCOMPARE(SystemFileData::readVersion(), QString("1.2"));
    QCOMPARE(system
                 .scalar("SELECT firstname || lastname || address || emailaddress "
                         "FROM systemfiledata")
                 .toString(),
             QString(""));

    QVERIFY(system.exec("UPDATE systemfiledata SET firstname = NULL, address = 'Road'"));
    QVERIFY(SystemFileData::upgradePrepare("1.2"));
    QVERIFY(SystemFileData::upgradeCopy("1.2"));
    QVERIFY(SystemFileData::upgradeDrop("1.2"));
    QCOMPARE(SystemFileData::readVersion(), QString("1.4"));
    QCOMPARE(system
                 .scalar("SELECT id FROM systemfiledata WHERE firstname IS NULL AND "
                         "address = 'Road'")
                 .toInt(),
             1);
}

void TestTableUpgrade::versionsCompareAsNumbers_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<int>("order");
    QTest::addColumn<bool>("newer"); // left is newer than the current version

    QTest::newRow("two-digit minor") << "1.10"
                                     << "1.6" << 1 << true;
    QTest::newRow("next major") << "2.0"
                                << "1.6" << 1 << true;
    QTest::newRow("next minor") << "1.7"
                                << "1.6" << 1 << true;
    QTest::newRow("third part") << "1.6.1"
                                << "1.6" << 1 << true;
    QTest::newRow("same") << "1.6"
                          << "1.6" << 0 << false;
    QTest::newRow("trailing zero part") << "1.6.0"
                                        << "1.6" << 0 << false;
    QTest::newRow("older") << "1.2"
                           << "1.6" << -1 << false;
    QTest::newRow("empty") << ""
                           << "1.6" << -1 << false;
    QTest::newRow("not a number") << "abc"
                                  << "1.6" << -1 << false;
    QTest::newRow("letters after digits") << "1.7a"
                                          << "1.6" << -1 << false;
    QTest::newRow("beyond 64 bits") << "1.99999999999999999999999"
                                    << "1.6" << -1 << false;
}

void TestTableUpgrade::versionsCompareAsNumbers()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(int, order);
    QFETCH(bool, newer);
    QCOMPARE(UpgradeRunner::compareVersions(left, right), order);
    QCOMPARE(UpgradeRunner::compareVersions(right, left), -order);
    QCOMPARE(UpgradeRunner::isNewerThanCurrent(left), newer);
}

void TestTableUpgrade::backupNamesAreSafeAndNeverReused()
{
    ScopedWorkDir dir;
    const QString file = dir.filePath("system.db");
    QCOMPARE(UpgradeRunner::backupPathFor(file, "1.1"), dir.filePath("system.db.v1.1.bak"));
    QVERIFY(QFile(dir.filePath("system.db.v1.1.bak")).open(QIODevice::WriteOnly));
    QCOMPARE(UpgradeRunner::backupPathFor(file, "1.1"), dir.filePath("system.db.v1.1.1.bak"));
    QVERIFY(QFile(dir.filePath("system.db.v1.1.1.bak")).open(QIODevice::WriteOnly));
    QCOMPARE(UpgradeRunner::backupPathFor(file, "1.1"), dir.filePath("system.db.v1.1.2.bak"));
    // A version read from a file never leads the copy out of the file's folder.
    QCOMPARE(UpgradeRunner::backupPathFor(file, "../../x/y"),
             dir.filePath("system.db.v.._.._x_y.bak"));
    QCOMPARE(UpgradeRunner::backupPathFor(file, ""), dir.filePath("system.db.v.bak"));
}

void TestTableUpgrade::plainValuesOfDeclaredColumns_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("plain");
    const QString date = TableUpgrade::plainDate("v");
    const QString moment = TableUpgrade::plainMoment("v");
    QTest::newRow("date") << date << "'2026-03-18'" << true;
    QTest::newRow("date of year 0") << date << "'0000-01-01'" << false;
    QTest::newRow("date with a time") << date << "'2026-03-18T10:00'" << false;
    QTest::newRow("moment") << moment << "'2026-03-18T12:00:00.000'" << true;
    QTest::newRow("moment of 2038") << moment << "'2038-01-01T12:00:00.000'" << false;
    QTest::newRow("moment of 1970") << moment << "'1970-06-01T12:00:00.000'" << false;
    QTest::newRow("moment without milliseconds") << moment << "'2026-03-18T12:00:00'" << false;
}

// The columns are declared as the program declares them: DATETIME gives them numeric affinity,
// which a comparison with a text must not turn against the values that are plain.
void TestTableUpgrade::plainValuesOfDeclaredColumns()
{
    QFETCH(QString, condition);
    QFETCH(QString, value);
    QFETCH(bool, plain);
    ScratchDatabase db;
    QVERIFY(db.exec("CREATE TABLE t(v DATETIME)"));
    QVERIFY(db.exec("INSERT INTO t VALUES (" + value + ")"));
    QCOMPARE(db.scalar("SELECT " + TableUpgrade::plainRows(condition) + " FROM t").toBool(), plain);
}

namespace {
// Fake tables whose steps log what ran and, except for the layout checks, which only read,
// write real rows; the second table's copy moves the header version on, as a real header
// conversion does.
QList<UpgradeRunner::Table> loggingTables(QStringList &log, const QString &failAt = QString())
{
    QList<UpgradeRunner::Table> tables;
    for (const QString &name : QStringList{"first", "second"}) {
        auto step = [&log, name, failAt](const QString &what) {
            return [&log, name, failAt, what](const QString &version) {
                const QString entry = name + " " + what + " " + version;
                log.append(entry);
                if (what == QLatin1String("check"))
                    return entry != failAt;
                QSqlQuery query(Connections::database(store));
                query.prepare("INSERT INTO trail VALUES (:entry)");
                query.bindValue(":entry", entry);
                bool ok = query.exec() && entry != failAt;
                if (ok && name == QLatin1String("second") && what == "copy") {
                    query.prepare("UPDATE header SET version = :version");
                    query.bindValue(":version", version == "1.1" ? "1.2" : "1.4");
                    ok = query.exec();
                }
                return ok;
            };
        };
        tables.append({name, step("check"), step("prepare"), step("copy"), step("drop")});
    }
    return tables;
}

// The store the fake tables work on: a header with the version and an empty trail.
bool buildRunnerStore(const QString &version)
{
    QSqlQuery query(Connections::database(store));
    if (!query.exec("CREATE TABLE header(version TEXT)") ||
        !query.prepare("INSERT INTO header VALUES (:version)"))
        return false;
    query.bindValue(":version", version);
    return query.exec() && query.exec("CREATE TABLE trail(entry TEXT)");
}

QString headerVersion()
{
    return readScalar(store, "SELECT version FROM header");
}
} // namespace

void TestTableUpgrade::runnerChainsPassesInOrder()
{
    ScratchDatabase db(store, "store.db");
    QVERIFY(buildRunnerStore("1.1"));
    const QByteArray before = fileBytes(db.path());

    QStringList log;
    UpgradeRunner runner(store, &headerVersion, loggingTables(log),
                         UpgradeRunner::systemVersions());
    const UpgradeRunner::Outcome outcome = runner.run();
    QVERIFY(outcome.succeeded);
    QCOMPARE(outcome.version, QString("1.4"));
    QCOMPARE(outcome.backupPath, db.directory() + "/store.db.v1.1.bak");
    QCOMPARE(fileBytes(outcome.backupPath), before);

    // The layouts are checked once before anything is copied, then again in every pass.
    QStringList expected{"first check 1.1", "second check 1.1"};
    for (const QString &version : QStringList{"1.1", "1.2"}) {
        for (const QString &step : QStringList{"check", "prepare", "copy", "drop"})
            expected << "first " + step + " " + version << "second " + step + " " + version;
    }
    expected << "first check 1.4"
             << "second check 1.4";
    QCOMPARE(log, expected);
    // Committed, and the connection is usable again.
    QCOMPARE(db.count("trail"), expected.filter(QRegularExpression("prepare|copy|drop")).size());
    QCOMPARE(headerVersion(), QString("1.4"));
}

void TestTableUpgrade::currentFileIsOnlyChecked()
{
    ScratchDatabase db(store, "store.db");
    QVERIFY(buildRunnerStore("1.4"));
    QStringList log;
    UpgradeRunner runner(store, &headerVersion, loggingTables(log),
                         UpgradeRunner::systemVersions());
    const UpgradeRunner::Outcome outcome = runner.run();
    QVERIFY(outcome.succeeded);
    QVERIFY(outcome.backupPath.isEmpty());
    QCOMPARE(log, QStringList({"first check 1.4", "second check 1.4"}));
    QCOMPARE(QDir(db.directory()).entryList(QDir::Files), QStringList({"store.db"}));
}

void TestTableUpgrade::failedRunRestoresTheFile_data()
{
    QTest::addColumn<QString>("failAt");
    QTest::addColumn<QString>("startVersion");
    // The layout check of the second pass; the first one, before the copy, is the one that
    // refuses a file without touching it (see the next test).
    QTest::newRow("layout check") << "second check 1.2"
                                  << "1.1";
    QTest::newRow("prepare") << "second prepare 1.1"
                             << "1.1";
    QTest::newRow("copy") << "first copy 1.1"
                          << "1.1";
    QTest::newRow("drop") << "second drop 1.1"
                          << "1.1";
    QTest::newRow("second pass") << "first copy 1.2"
                                 << "1.1";
    QTest::newRow("final layout check") << "second check 1.4"
                                        << "1.1";
    // No pass brings the file past "1.2" when its header never moves on.
    QTest::newRow("version never reaches current") << ""
                                                   << "1.0";
}

void TestTableUpgrade::refusedRunLeavesTheFileUntouched_data()
{
    QTest::addColumn<QString>("failAt");
    QTest::addColumn<QString>("startVersion");
    QTest::newRow("layout of its version does not fit") << "second check 1.1"
                                                        << "1.1";
    QTest::newRow("unknown version") << ""
                                     << "0.9";
    QTest::newRow("no version") << ""
                                << "";
}

void TestTableUpgrade::refusedRunLeavesTheFileUntouched()
{
    QFETCH(QString, failAt);
    QFETCH(QString, startVersion);
    ScratchDatabase db(store, "store.db");
    QVERIFY(buildRunnerStore(startVersion));
    const QByteArray before = fileBytes(db.path());
    const QDateTime modified = QFileInfo(db.path()).lastModified();

    QStringList log;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No upgrade|fail"));
    UpgradeRunner runner(store, &headerVersion, loggingTables(log, failAt),
                         UpgradeRunner::systemVersions());
    const UpgradeRunner::Outcome outcome = runner.run();

    QVERIFY(!outcome.succeeded);
    QVERIFY(!outcome.restored);
    QVERIFY(outcome.backupPath.isEmpty());
    QCOMPARE(outcome.version, startVersion);
    QCOMPARE(fileBytes(db.path()), before);
    QCOMPARE(QFileInfo(db.path()).lastModified(), modified);
    QCOMPARE(QDir(db.directory()).entryList(QDir::Files), QStringList({"store.db"}));
}

void TestTableUpgrade::failedRunRestoresTheFile()
{
    QFETCH(QString, failAt);
    QFETCH(QString, startVersion);
    ScratchDatabase db(store, "store.db");
    QVERIFY(buildRunnerStore(startVersion));
    const QByteArray before = fileBytes(db.path());

    QStringList log;
    QList<UpgradeRunner::Table> tables = loggingTables(log, failAt);
    if (startVersion == "1.0") // its header conversion does nothing
        tables[1].upgradeCopy = [](const QString &) { return true; };
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("fail|After the upgrade"));
    UpgradeRunner runner(store, &headerVersion, tables, UpgradeRunner::systemVersions());
    const UpgradeRunner::Outcome outcome = runner.run();

    QVERIFY(!outcome.succeeded);
    QVERIFY(outcome.restored);
    QCOMPARE(outcome.version, startVersion);
    QVERIFY(!log.isEmpty());
    QCOMPARE(fileBytes(db.path()), before);
    QCOMPARE(fileBytes(outcome.backupPath), before);
    QCOMPARE(db.count("trail"), 0);
}

void TestTableUpgrade::foreignFilesAreNotReadable()
{
    ScopedWorkDir dir;
    QFile text(dir.filePath("notes.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Groceries\nRent\n");
    text.close();
    QVERIFY(Connections::open(store, text.fileName()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read as a database"));
    QVERIFY(!UpgradeRunner::isReadableDatabase(store));

    QVERIFY(QFile(dir.filePath("empty.db")).open(QIODevice::WriteOnly));
    QVERIFY(Connections::open(store, dir.filePath("empty.db")));
    QVERIFY(UpgradeRunner::isReadableDatabase(store));
    Connections::close(store);
    QCOMPARE(QFileInfo(dir.filePath("empty.db")).size(), 0);
}

NV_TEST_MAIN(TestTableUpgrade)
#include "tst_tableupgrade.moc"
