#include "connections.h"
#include "debugcapture.h"
#include "filedata.h"
#include "scratchdatabase.h"
#include "systemfiledata.h"
#include "systemrecentfiles.h"
#include "testmain.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const char *const fileDataTable =
    "CREATE TABLE filedata( id INTEGER PRIMARY KEY, firstname varchar(50), lastname varchar(50), "
    "address varchar(200), emailaddress varchar(200), version varchar(10));";

QSqlRecord firstRow(const QString &connectionName, const QString &statement)
{
    QSqlQuery query(Connections::database(connectionName));
    if (!query.exec(statement) || !query.next())
        return QSqlRecord();
    return query.record();
}
} // namespace

class TestFileData : public QObject
{
    Q_OBJECT

private slots:
    // New records
    void savedDefaultsWriteEmptyTextsOrNull();

    // Saving
    void saveInsertsOnceThenUpdatesTheSameRow();
    void failedInsertLeavesNoIdAndNothingStored();
    void updateOfAMissingRowFails();
    void missingRowWarningNamesTheRecordAndKeepsItModified();
    void systemInsertTakesTheIdOfItsOwnConnection();
    void onlyTheSystemHeaderSaveWritesDebugOutput();
    void removeKeepsTheRow();

    // Reading
    void setFromRecordLeavesTheVersionAlone();
    void loadReadsRowOneAndFindByIdAnyRow();
    void findByIdOfAMissingRowGivesIdZero();
    void readVersion_data();
    void readVersion();
};

void TestFileData::savedDefaultsWriteEmptyTextsOrNull()
{
    ScratchDatabase current;
    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(current.exec(fileDataTable));
    QVERIFY(SystemFileData::createTable());
    QVERIFY(SystemRecentFiles::createTable());

    // The data file header starts with empty texts, the system header with null ones.
    FileData data;
    QVERIFY(data.save());
    SystemFileData header;
    QVERIFY(header.save());
    SystemRecentFiles recent;
    QVERIFY(recent.save());

    QCOMPARE(current
                 .scalar("SELECT COUNT(*) FROM filedata WHERE firstname = '' AND lastname = "
                         "'' AND address = '' AND emailaddress = '' AND version = ''")
                 .toInt(),
             1);
    QCOMPARE(system
                 .scalar("SELECT COUNT(*) FROM systemfiledata WHERE firstname IS NULL AND "
                         "lastname IS NULL AND address IS NULL AND emailaddress IS NULL AND "
                         "version IS NULL")
                 .toInt(),
             1);
    QCOMPARE(
        system.scalar("SELECT COUNT(*) FROM recentfiles WHERE recentfilelocation = ''").toInt(), 1);
}

void TestFileData::saveInsertsOnceThenUpdatesTheSameRow()
{
    ScratchDatabase current;
    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(FileData::createTable());
    QVERIFY(SystemRecentFiles::createTable());

    FileData data(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("1 Road"),
                  QStringLiteral("ann@example.org"), QStringLiteral("1.4"));
    QVERIFY(data.save());
    QCOMPARE(data.id(), 1);
    QVERIFY(data.isStored());
    data.setLastName(QStringLiteral("O'Hara"));
    data.setVersion(QStringLiteral("1.2"));
    data.setModified(true);
    QVERIFY(data.save());
    QVERIFY(!data.isModified());
    QCOMPARE(current.count("filedata"), 1);
    const QSqlRecord row = firstRow(Connections::current(), "SELECT * FROM filedata");
    QCOMPARE(row.value("lastname").toString(), QString("O'Hara"));
    QCOMPARE(row.value("version").toString(), QString("1.2"));
    QCOMPARE(row.value("emailaddress").toString(), QString("ann@example.org"));

    SystemRecentFiles recent(QStringLiteral("/data/a.nvbf"));
    QVERIFY(recent.save());
    QCOMPARE(recent.id(), 1);
    recent.setRecentFileLocation(QStringLiteral("/data/b.nvbf"));
    QVERIFY(recent.save());
    QCOMPARE(system.count("recentfiles"), 1);
    QCOMPARE(system.scalar("SELECT recentfilelocation FROM recentfiles WHERE id = 1").toString(),
             QString("/data/b.nvbf"));
}

void TestFileData::failedInsertLeavesNoIdAndNothingStored()
{
    ScratchDatabase current;
    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(current.exec("CREATE TABLE other(id INTEGER PRIMARY KEY)"));
    QVERIFY(current.exec("INSERT INTO other VALUES (5)"));

    // No filedata table: the last row id of the connection (5) must not become the record's.
    FileData data;
    data.setId(5);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("SQL statement failed"));
    QVERIFY(!data.save());
    QCOMPARE(data.id(), 0);
    QVERIFY(!data.isStored());

    SystemFileData header;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("SQL statement failed"));
    QVERIFY(!header.save());
    QCOMPARE(header.id(), 0);
    QVERIFY(!header.isStored());

    // A copy that keeps ids must not take over a row that exists.
    QVERIFY(SystemRecentFiles::createTable());
    QVERIFY(system.exec("INSERT INTO recentfiles VALUES (1, 'kept')"));
    SystemRecentFiles clash(QStringLiteral("other"));
    clash.setId(1);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("SQL statement failed"));
    QVERIFY(!clash.insertKeepingId());
    QCOMPARE(clash.id(), 0);
    QVERIFY(!clash.isStored());
    QCOMPARE(system.scalar("SELECT recentfilelocation FROM recentfiles").toString(),
             QString("kept"));
}

void TestFileData::updateOfAMissingRowFails()
{
    ScratchDatabase current;
    QVERIFY(FileData::createTable());
    FileData data = FileData::findById(7);
    data.setVersion(QStringLiteral("1.4"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no row 0 to update"));
    QVERIFY(!data.save());
    QCOMPARE(current.count("filedata"), 0);
}

void TestFileData::missingRowWarningNamesTheRecordAndKeepsItModified()
{
    ScratchDatabase current;
    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(FileData::createTable());
    QVERIFY(SystemFileData::createTable());
    QVERIFY(SystemRecentFiles::createTable());
    FileData data;
    SystemFileData header;
    SystemRecentFiles recent;
    QVERIFY(data.save());
    QVERIFY(header.save());
    QVERIFY(recent.save());
    // The rows go behind the records' back; an update must not pass for a save.
    QVERIFY(current.exec("DELETE FROM filedata"));
    QVERIFY(system.exec("DELETE FROM systemfiledata"));
    QVERIFY(system.exec("DELETE FROM recentfiles"));
    data.setModified(true);
    header.setModified(true);
    recent.setModified(true);

    QTest::ignoreMessage(QtWarningMsg, "FileData: there is no row 1 to update");
    QVERIFY(!data.save());
    QTest::ignoreMessage(QtWarningMsg, "SystemFileData: there is no row 1 to update");
    QVERIFY(!header.save());
    QTest::ignoreMessage(QtWarningMsg, "SystemRecentFiles: there is no row 1 to update");
    QVERIFY(!recent.save());

    QVERIFY(data.isModified() && header.isModified() && recent.isModified());
    QCOMPARE(data.id(), 1);
    QCOMPARE(current.count("filedata"), 0);
    QCOMPARE(system.count("systemfiledata") + system.count("recentfiles"), 0);
}

void TestFileData::systemInsertTakesTheIdOfItsOwnConnection()
{
    ScratchDatabase current;
    QVERIFY(current.exec("CREATE TABLE other(id INTEGER PRIMARY KEY)"));
    QVERIFY(current.exec("INSERT INTO other VALUES (41)"));
    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(SystemRecentFiles::createTable());
    QVERIFY(SystemFileData::createTable());

    SystemRecentFiles recent;
    QVERIFY(recent.save());
    QCOMPARE(recent.id(), 1);
    SystemFileData header;
    QVERIFY(header.save());
    QCOMPARE(header.id(), 1);

    // Without a data file open at all.
    Connections::close(Connections::current());
    SystemRecentFiles second;
    QVERIFY(second.save());
    QCOMPARE(second.id(), 2);
}

void TestFileData::onlyTheSystemHeaderSaveWritesDebugOutput()
{
    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(SystemFileData::createTable());
    QVERIFY(SystemRecentFiles::createTable());
    DebugCapture capture;
    DebugCapture::lines().clear();

    SystemFileData header;
    QVERIFY(header.save());
    QVERIFY(header.save());
    QCOMPARE(DebugCapture::lines(),
             QStringList({"SystemFileData::save() called", "SystemFileData::save() insert",
                          "SystemFileData::save() called", "SystemFileData::save() update"}));

    DebugCapture::lines().clear();
    SystemRecentFiles recent;
    QVERIFY(recent.save());
    QVERIFY(recent.save());
    QVERIFY(DebugCapture::lines().isEmpty());
}

void TestFileData::removeKeepsTheRow()
{
    ScratchDatabase current;
    QVERIFY(FileData::createTable());
    FileData data;
    QVERIFY(data.save());
    QVERIFY(data.remove());
    QCOMPARE(current.count("filedata"), 1);
}

void TestFileData::setFromRecordLeavesTheVersionAlone()
{
    ScratchDatabase current;
    QVERIFY(FileData::createTable());
    QVERIFY(current.exec("INSERT INTO filedata VALUES (3, 'Ann', 'Lee', 'Road', 'a@b', '1.1')"));
    const QSqlRecord row = firstRow(Connections::current(), "SELECT * FROM filedata");

    FileData data;
    data.setVersion(QStringLiteral("kept"));
    data.setFromRecord(row);
    QCOMPARE(data.id(), 3);
    QCOMPARE(data.firstName(), QString("Ann"));
    QCOMPARE(data.emailAddress(), QString("a@b"));
    QCOMPARE(data.version(), QString("kept"));
    QVERIFY(data.isStored());
    QCOMPARE(FileData(row).version(), QString(""));

    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(SystemFileData::createTable());
    QVERIFY(system.exec("INSERT INTO systemfiledata VALUES (1, 'a', 'b', 'c', 'd', '1.4')"));
    SystemFileData header(firstRow(Connections::system(), "SELECT * FROM systemfiledata"));
    QCOMPARE(header.address(), QString("c"));
    QVERIFY(header.version().isNull());
}

void TestFileData::loadReadsRowOneAndFindByIdAnyRow()
{
    ScratchDatabase current;
    QVERIFY(FileData::createTable());
    FileData data;
    QVERIFY(!data.load());
    QVERIFY(current.exec("INSERT INTO filedata VALUES (2, 'second', '', '', '', '1.4')"));
    QVERIFY(current.exec("INSERT INTO filedata VALUES (1, 'first', '', '', '', '1.4')"));
    QVERIFY(data.load());
    QCOMPARE(data.firstName(), QString("first"));
    QCOMPARE(FileData::findById(2).firstName(), QString("second"));

    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(SystemRecentFiles::createTable());
    QVERIFY(system.exec("INSERT INTO recentfiles VALUES (4, '/four')"));
    QVERIFY(system.exec("INSERT INTO recentfiles VALUES (1, '/one')"));
    SystemRecentFiles recent;
    QVERIFY(recent.load());
    QCOMPARE(recent.recentFileLocation(), QString("/one"));
    QCOMPARE(SystemRecentFiles::findById(4).recentFileLocation(), QString("/four"));
}

void TestFileData::findByIdOfAMissingRowGivesIdZero()
{
    ScratchDatabase system(Connections::system(), QStringLiteral("system.db"));
    QVERIFY(SystemRecentFiles::createTable());
    QVERIFY(system.exec("INSERT INTO recentfiles VALUES (1, '/one')"));
    const SystemRecentFiles missing = SystemRecentFiles::findById(9);
    QCOMPARE(missing.id(), 0);
    QVERIFY(missing.recentFileLocation().isEmpty());
    QVERIFY(missing.isStored());
}

void TestFileData::readVersion_data()
{
    QTest::addColumn<bool>("systemStore");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("version");

    const QString header = QString::fromLatin1(fileDataTable);
    QTest::newRow("data file header")
        << false << QStringList{header, "INSERT INTO filedata VALUES (1, '', '', '', '', '1.4')"}
        << "1.4";
    QTest::newRow("oldest data file")
        << false
        << QStringList{"CREATE TABLE reg(version TEXT)", "INSERT INTO reg VALUES ('1.0')",
                       "INSERT INTO reg VALUES ('0.9')"}
        << "1.0";
    QTest::newRow("reg listed first decides")
        << false
        << QStringList{"CREATE TABLE reg(version TEXT)", "INSERT INTO reg VALUES ('1.0')", header,
                       "INSERT INTO filedata VALUES (1, '', '', '', '', '1.4')"}
        << "1.0";
    QTest::newRow("filedata listed first decides")
        << false
        << QStringList{header, "INSERT INTO filedata VALUES (1, '', '', '', '', '1.4')",
                       "CREATE TABLE reg(version TEXT)", "INSERT INTO reg VALUES ('1.0')"}
        << "1.4";
    QTest::newRow("header without rows") << false << QStringList{header} << "";
    QTest::newRow("null version") << false
                                  << QStringList{header, "INSERT INTO filedata(id) VALUES (1)"}
                                  << "";
    QTest::newRow("no header table")
        << false << QStringList{"CREATE TABLE bills(id INTEGER)"} << "";
    QTest::newRow("empty database") << false << QStringList{} << "";
    QTest::newRow("table names compare exactly")
        << false << QStringList{"CREATE TABLE Reg(version TEXT)", "INSERT INTO Reg VALUES ('1.0')"}
        << "";
    QTest::newRow("header without version column")
        << false << QStringList{"CREATE TABLE reg(other TEXT)", "INSERT INTO reg VALUES ('1.0')"}
        << "";

    QTest::newRow("system header")
        << true
        << QStringList{"CREATE TABLE systemfiledata(id INTEGER PRIMARY KEY, version varchar(10))",
                       "INSERT INTO systemfiledata VALUES (1, '1.4')"}
        << "1.4";
    QTest::newRow("oldest system store")
        << true
        << QStringList{"CREATE TABLE filedata(version TEXT)", "INSERT INTO filedata VALUES ('1.1')"}
        << "1.1";
    QTest::newRow("system store without header")
        << true << QStringList{"CREATE TABLE recentfiles(id INTEGER)"} << "";
    QTest::newRow("reg means nothing to the system store")
        << true << QStringList{"CREATE TABLE reg(version TEXT)", "INSERT INTO reg VALUES ('1.0')"}
        << "";
}

void TestFileData::readVersion()
{
    QFETCH(bool, systemStore);
    QFETCH(QStringList, statements);
    QFETCH(QString, version);

    ScratchDatabase db(systemStore ? Connections::system() : Connections::current());
    for (const QString &statement : std::as_const(statements))
        QVERIFY(db.exec(statement));
    // A header that cannot be read is logged, and reads as no version.
    if (QByteArray(QTest::currentDataTag()) == "header without version column")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no such column: version"));
    const QString read = systemStore ? SystemFileData::readVersion() : FileData::readVersion();
    QCOMPARE(read, version);
}

NV_TEST_MAIN(TestFileData)
#include "tst_filedata.moc"
