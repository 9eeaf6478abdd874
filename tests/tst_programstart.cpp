#include "connections.h"
#include "datafile.h"
#include "filebytes.h"
#include "processrun.h"
#include "systemdatabase.h"
#include "systemlocation.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {
const QDate today(2026, 5, 14);

// The programs as the desktop starts them, in a home of their own: no display of this test's,
// no data folder but the one under that home, and only the logging rules given.
QProcessEnvironment startEnvironment(const QString &home, const QString &rules = QString())
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/bus"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    if (!rules.isEmpty())
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
    return environment;
}

ProcessRun nvdue(const QProcessEnvironment &environment, const QString &folder,
                 const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(NVDUE_PATH), arguments);
    process.waitForFinished(60000);
    return finishedRun(process);
}

// The version a system store reads, empty while it cannot be read (not there, or not yet
// written).
QString storeVersion(const QString &path)
{
    QString version;
    if (QFileInfo::exists(path) && Connections::open(QStringLiteral("probe"), path, true)) {
        QSqlQuery query(Connections::database(QStringLiteral("probe")));
        if (query.exec(QStringLiteral("SELECT version FROM systemfiledata")) && query.next())
            version = query.value(0).toString();
    }
    Connections::close(QStringLiteral("probe"));
    return version;
}

// Starts the window program, waits until it has made its system store at storePath (which
// it does before the window shows) and stops it: the window has no other way out than a
// person closing it.
ProcessRun startWindow(const QProcessEnvironment &environment, const QString &folder,
                       const QStringList &arguments, const QString &storePath)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(NV_PROGRAM_PATH), arguments);
    const QDeadlineTimer deadline(60000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired() &&
           storeVersion(storePath).isEmpty())
        process.waitForFinished(100);
    const bool madeStore = !storeVersion(storePath).isEmpty();
    process.terminate();
    process.waitForFinished(10000);
    return {madeStore ? 0 : -1, process.readAllStandardOutput(), process.readAllStandardError()};
}

// A store made by the program itself, remembering dataFile as the file used last.
bool writeStore(const QString &path, const QString &dataFile)
{
    bool written = false;
    {
        SystemDatabase store(path);
        written = store.setRecentFileLocation(dataFile);
    }
    Connections::close(Connections::system());
    return written;
}

} // namespace

// How the installed programs start: where they keep system.db and what they print on the way.
class TestProgramStart : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storeLocation_data();
    void storeLocation();
    void windowKeepsItsStoreInTheDataFolderWhenAsked();
    void nvdueTakesTheFileUsedLastFromTheDataFolder();
    void developerLinesOnlyWhenSwitchedOn_data();
    void developerLinesOnlyWhenSwitchedOn();

private:
    QString dataFolderStore() const;
    QString earlierStore() const { return m_home->filePath(QStringLiteral("system.db")); }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_folder; // where a program is started
    QByteArray m_previousHome;
};

void TestProgramStart::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid() && m_folder->isValid());
    // This process's own home, too, for the store's location worked out in the test itself.
    m_previousHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_home->path()));
    qunsetenv("XDG_DATA_HOME");
}

void TestProgramStart::cleanup()
{
    qputenv("HOME", m_previousHome);
    Connections::close(Connections::current());
    m_folder.reset();
    m_home.reset();
}

QString TestProgramStart::dataFolderStore() const
{
    return m_home->filePath(QStringLiteral(".local/share/norvo-rava-rodozod/system.db"));
}

void TestProgramStart::storeLocation_data()
{
    QTest::addColumn<bool>("userData");
    QTest::addColumn<QString>("earlier");      // ~/system.db: none, store or folder
    QTest::addColumn<QString>("inDataFolder"); // none, store, or blocked by a file
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QByteArray>("dataFolderBytes"); // afterwards; null: no store there

    QTest::newRow("no option") << false << "store"
                               << "none"
                               << "working directory" << QByteArray();
    QTest::newRow("earlier store copied") << true << "store"
                                          << "none"
                                          << "data folder" << QByteArray("earlier store");
    QTest::newRow("copied once only") << true << "store"
                                      << "store"
                                      << "data folder" << QByteArray("moved store");
    QTest::newRow("earlier name is a folder") << true << "folder"
                                              << "none"
                                              << "data folder" << QByteArray();
    QTest::newRow("data folder cannot be made") << true << "store"
                                                << "blocked"
                                                << "earlier" << QByteArray();
}

void TestProgramStart::storeLocation()
{
    QFETCH(bool, userData);
    QFETCH(QString, earlier);
    QFETCH(QString, inDataFolder);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, dataFolderBytes);
    if (earlier == "store")
        QVERIFY(writeFileBytes(earlierStore(), "earlier store"));
    if (earlier == "folder")
        QVERIFY(QDir().mkpath(earlierStore()));
    const QFileInfo dataFolder(QFileInfo(dataFolderStore()).path());
    QVERIFY(QDir().mkpath(dataFolder.path()));
    if (inDataFolder == "store")
        QVERIFY(QDir().mkpath(dataFolder.filePath()) &&
                writeFileBytes(dataFolderStore(), "moved store"));
    if (inDataFolder == "blocked") {
        QVERIFY(writeFileBytes(dataFolder.filePath(), "not a folder"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot make the folder"));
    }

    const QMap<QString, QString> paths{
        {"working directory", QDir::current().absoluteFilePath("system.db")},
        {"data folder", dataFolderStore()},
        {"earlier", earlierStore()}};
    QCOMPARE(SystemLocation::path(userData), paths.value(chosen));
    QCOMPARE(QFileInfo(dataFolderStore()).isFile(), !dataFolderBytes.isNull());
    if (!dataFolderBytes.isNull())
        QCOMPARE(fileBytes(dataFolderStore()), dataFolderBytes);
    // The earlier store is never changed or moved: an older program may still use it.
    if (earlier == "store")
        QCOMPARE(fileBytes(earlierStore()), QByteArray("earlier store"));
}

// As the desktop entry starts it; started as ./run.sh does, it keeps the store in its working
// directory (developerLinesOnlyWhenSwitchedOn waits for the store there).
void TestProgramStart::windowKeepsItsStoreInTheDataFolderWhenAsked()
{
    const ProcessRun run = startWindow(startEnvironment(m_home->path()), m_folder->path(),
                                       {"--user-data"}, dataFolderStore());
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY(!QFileInfo::exists(QDir(m_folder->path()).filePath("system.db")));
    QVERIFY(!QFileInfo::exists(earlierStore()));
}

void TestProgramStart::nvdueTakesTheFileUsedLastFromTheDataFolder()
{
    // What an earlier install left in the home folder: a store remembering a file with a bill
    // overdue. The morning timer runs nvdue --user-data before the window was ever started.
    const QString bills = m_folder->filePath("bills.nvbf");
    {
        DataFile file(nullptr);
        QVERIFY(file.open(bills));
        QVERIFY(addBill("Gas Co", "gas", 10, today.addDays(-1)));
        Connections::close(Connections::current());
    }
    QVERIFY(writeStore(earlierStore(), bills));
    const QByteArray earlierBytes = fileBytes(earlierStore());

    const ProcessRun run = nvdue(startEnvironment(m_home->path()), m_folder->path(),
                                 {"--user-data", "--today", today.toString(Qt::ISODate)});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains("Gas Co"), run.out.constData());
    QCOMPARE(fileBytes(dataFolderStore()), earlierBytes);
    QCOMPARE(fileBytes(earlierStore()), earlierBytes);
}

void TestProgramStart::developerLinesOnlyWhenSwitchedOn_data()
{
    QTest::addColumn<bool>("window");
    QTest::addColumn<QString>("rules");
    QTest::newRow("window as started") << true << QString();
    QTest::newRow("window switched on") << true << "norvo.*=true";
    QTest::newRow("nvdue as started") << false << QString();
    QTest::newRow("nvdue switched on") << false << "norvo.*=true";
}

void TestProgramStart::developerLinesOnlyWhenSwitchedOn()
{
    QFETCH(bool, window);
    QFETCH(QString, rules);
    // A first start of the window saves the new store's header; nvdue fails on a file that is
    // no database. Both write lines a developer may ask for on the way.
    const QProcessEnvironment environment = startEnvironment(m_home->path(), rules);
    const QString notData = m_folder->filePath("notes.nvbf");
    QVERIFY(writeFileBytes(notData, "household bills\n"));
    const ProcessRun run = window ? startWindow(environment, m_folder->path(), {},
                                                QDir(m_folder->path()).filePath("system.db"))
                                  : nvdue(environment, m_folder->path(), {notData});
    QCOMPARE(run.status, window ? 0 : 3);
    const QStringList lines = QString::fromLocal8Bit(run.err).split('\n', Qt::SkipEmptyParts);
    const QStringList developerLines = lines.filter(QRegularExpression("^norvo\\.\\w+: "));
    QCOMPARE(developerLines.isEmpty(), rules.isEmpty());
    QCOMPARE(!lines.filter("SystemFileData::save() called").isEmpty(), window && !rules.isEmpty());
    // nvdue's one line for the person stays one line, whatever a developer asked for.
    if (!window) {
        QCOMPARE(lines.filter(QRegularExpression("^nvdue: ")).size(), 1);
        QCOMPARE(lines.size(), 1 + developerLines.size());
    }
}

NV_TEST_MAIN(TestProgramStart)
#include "tst_programstart.moc"
