#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "oldfiles.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

// A write killed part way, with SIGKILL, must leave a whole file: the one from before the
// write or the one after it, never a mix.
//
// The writer is a child process (tests/killchild) that counts every step by which the data file
// and its journal change on disk (each write, truncation, sync and deletion, as SQLite hands
// them to the system) and can be told to stop before step N and wait. The test kills it only
// once it has said it stopped, so each kill lands at a known step however fast or loaded the
// machine is. A first run to the end counts the steps and gives the finished file; the killed
// runs then stop at every step (at steps spread over the whole write, first and last included,
// should a write ever take more steps than that).
//
// An upgrade first copies the file beside itself, outside SQLite. Qt writes that copy into an
// unnamed file and gives it its name once it is whole, so a kill during the copy leaves no
// backup at all; whenever a backup is there, it must be the whole old file.
namespace {
const int maximumKills = 40;

// Every definition and every row of the file in a stable order ("table|value|value..."), with
// the result of SQLite's integrity check. Opening the file after a kill replays SQLite's
// rollback journal, as the program would on its next open.
struct Content
{
    QString integrity;
    QStringList rows;

    int count(const QString &table) const
    {
        return int(rows.filter(QRegularExpression("^" + table + "\\|")).size());
    }
};

Content contentOf(const QString &path)
{
    Content content;
    {
        const QString name = QStringLiteral("inspect");
        Connections::open(name, path);
        QSqlQuery query(Connections::database(name));
        if (query.exec("PRAGMA integrity_check") && query.next())
            content.integrity = query.value(0).toString();
        QStringList tables;
        query.exec("SELECT type, name, sql FROM sqlite_master ORDER BY name");
        while (query.next()) {
            content.rows << "schema|" + query.value(0).toString() + "|" +
                                query.value(1).toString() + "|" + query.value(2).toString();
            if (query.value(0).toString() == "table")
                tables << query.value(1).toString();
        }
        for (const QString &table : tables) {
            query.exec("SELECT * FROM \"" + table + "\" ORDER BY rowid");
            while (query.next()) {
                QStringList values{table};
                for (int i = 0; i < query.record().count(); ++i)
                    values << query.value(i).toString();
                content.rows << values.join('|');
            }
        }
    }
    Connections::close(QStringLiteral("inspect"));
    return content;
}

// Runs the writer on path; stopAt 0 lets it finish. Returns what it printed.
QString runWriter(const QString &task, const QString &path, int stopAt, bool *stopped)
{
    QProcess child;
    child.setWorkingDirectory(QFileInfo(path).absolutePath());
    child.start(NV_KILLCHILD, {task, path, QString::number(stopAt)});
    QString output;
    *stopped = false;
    if (!child.waitForStarted(10000))
        return QStringLiteral("did not start");
    while (child.waitForReadyRead(30000)) {
        output += QString::fromLocal8Bit(child.readAllStandardOutput());
        if (output.contains("stopped at")) {
            *stopped = true;
            child.kill();
            break;
        }
    }
    child.waitForFinished(10000);
    output += QString::fromLocal8Bit(child.readAllStandardOutput());
    if (!*stopped && (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0))
        output += " failed: " + QString::fromLocal8Bit(child.readAllStandardError());
    return output;
}

// A current file with one payee and one bill.
void buildCurrentFile(const QString &path)
{
    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(addBill("Landlord", "deposit", 900, QDate(2026, 5, 1)));
}

// A 1.1 file with forty bills more than the sample, so the upgrade has pages to change.
void buildFile11(const QString &path)
{
    QVERIFY(Connections::open(Connections::current(), path));
    for (const QString &statement : file11Layout() + file11Rows())
        QVERIFY(run(statement));
    for (int i = 0; i < 40; ++i)
        QVERIFY(run(QString("INSERT INTO bills VALUES (%1, 3, 'bill %1', %2, '2007-07-01', NULL, "
                            "'SINGLE', 0, %3, 'note', 0)")
                        .arg(100 + i)
                        .arg(10 + i)
                        .arg(i % 2)));
}

// A 1.4 file with forty bills, some of them paid in part.
void buildFile14(const QString &path)
{
    QVERIFY(Connections::open(Connections::current(), path));
    for (const QString &statement : file14Layout())
        QVERIFY(run(statement));
    QVERIFY(run("INSERT INTO filedata VALUES (1, 'Ann', 'Lee', '1 Road', '', '1.4')"));
    QVERIFY(run("INSERT INTO payees VALUES (3, 'Gas Co', 'G-1', 'Gas Street', '', 0)"));
    QVERIFY(run("INSERT INTO billschedule VALUES (1, 'MONTHLY', 1, 0, 1, 'DAY', 'ENDON', "
                "'2007-01-01', '2010-04-01')"));
    for (int i = 0; i < 40; ++i) {
        QVERIFY(run(QString("INSERT INTO bills VALUES (%1, 1, 3, 'bill %1', %2, '2007-01-01', "
                            "date('2007-01-01', '+%1 months'), '2000-01-01', 0, 0, 'note', 0)")
                        .arg(i + 1)
                        .arg(10 + i)));
        if (i % 3 == 0)
            QVERIFY(run(QString("INSERT INTO billpayment VALUES (NULL, %1, "
                                "'2007-02-01T10:00:00.000', 5)")
                            .arg(i + 1)));
    }
}
} // namespace

class TestKilledWrite : public QObject
{
    Q_OBJECT

private slots:
    void killedWriteLeavesTheOldOrTheNewFile_data();
    void killedWriteLeavesTheOldOrTheNewFile();
};

void TestKilledWrite::killedWriteLeavesTheOldOrTheNewFile_data()
{
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("fileVersion");
    QTest::newRow("series") << "series"
                            << "1.5";
    QTest::newRow("upgrade from 1.1") << "upgrade"
                                      << "1.1";
    QTest::newRow("upgrade from 1.4") << "upgrade"
                                      << "1.4";
}

void TestKilledWrite::killedWriteLeavesTheOldOrTheNewFile()
{
    QFETCH(QString, task);
    QFETCH(QString, fileVersion);
    QTemporaryDir dir;
    const QString original = dir.filePath("original.nvbf");
    if (fileVersion == "1.1")
        buildFile11(original);
    else if (fileVersion == "1.4")
        buildFile14(original);
    else
        buildCurrentFile(original);
    Connections::close(Connections::current());
    const QByteArray originalBytes = fileBytes(original);
    const Content before = contentOf(original);
    QCOMPARE(before.integrity, QString("ok"));

    // The write run to its end: how many steps it takes, and the file it leaves.
    const auto freshCopy = [&](const QString &name) {
        const QString folder = dir.filePath(name);
        QDir().mkpath(folder);
        const QString path = folder + "/data.nvbf";
        writeFileBytes(path, originalBytes);
        return path;
    };
    const QString finishedPath = freshCopy("finished");
    bool stopped = false;
    const QString finished = runWriter(task, finishedPath, 0, &stopped);
    const QRegularExpressionMatch stepCount = QRegularExpression("steps (\\d+)").match(finished);
    QVERIFY2(!stopped && stepCount.hasMatch(), qPrintable(finished));
    const int steps = stepCount.captured(1).toInt();
    const Content after = contentOf(finishedPath);
    QCOMPARE(after.integrity, QString("ok"));
    if (task == "series") {
        QCOMPARE(after.count("bills"), before.count("bills") + 520);
        QCOMPARE(after.count("billschedule"), before.count("billschedule") + 1);
    } else {
        QVERIFY(after.rows.filter(QRegularExpression("^filedata\\|.*\\|1\\.6$")).size() == 1);
        QCOMPARE(after.count("bills"), before.count("bills"));
        QCOMPARE(after.count("payees"), before.count("payees"));
    }

    const int kills = qMin(steps, maximumKills);
    int leftOld = 0;
    for (int i = 0; i < kills; ++i) {
        const int stopAt = kills == 1 ? 1 : 1 + i * (steps - 1) / (kills - 1);
        const QString path = freshCopy(QString("kill%1").arg(stopAt));
        const QString output = runWriter(task, path, stopAt, &stopped);
        const QString context = task + ": " + output.trimmed();
        QVERIFY2(stopped, qPrintable(context));
        const Content left = contentOf(path);
        QVERIFY2(left.integrity == "ok", qPrintable(context + " - " + left.integrity));
        QVERIFY2(left.rows == before.rows || left.rows == after.rows,
                 qPrintable(QString("%1 - left %2 bills, %3 schedules")
                                .arg(context)
                                .arg(left.count("bills"))
                                .arg(left.count("billschedule"))));
        leftOld += left.rows == before.rows ? 1 : 0;
        // A backup, once it bears its name, is the whole old file.
        const QString backup = path + ".v1.1.bak";
        if (QFile::exists(backup))
            QVERIFY2(fileBytes(backup) == originalBytes, qPrintable(context));
    }
    qInfo("%s: %d steps on disk; killed at %d of them, %d left the old file, %d the new one",
          qPrintable(task), steps, kills, leftOld, kills - leftOld);
}

NV_TEST_MAIN(TestKilledWrite)
#include "tst_killedwrite.moc"
