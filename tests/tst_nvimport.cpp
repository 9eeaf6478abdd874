#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "monthlyseries.h"
#include "oldfiles.h"
#include "processrun.h"
#include "testmain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {
// nvimport as a scheduled job runs it: without a display.
ProcessRun nvimport(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(NVIMPORT_PATH), arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    return finishedRun(process);
}

// The bank's sample OFX 1.x statement of one checking account, with these transactions; each
// is "FITID;yyyyMMdd;amount;name".
QByteArray ofxStatement(const QStringList &lines)
{
    const QByteArray sample = fileBytes(QStringLiteral(NV_STATEMENTS_DIR "/checking-1x.ofx"));
    QByteArray transactions;
    for (const QString &line : lines) {
        const QStringList part = line.split(';');
        transactions += QString("<STMTTRN>\n<TRNTYPE>OTHER\n<DTPOSTED>%2\n<TRNAMT>%3\n<FITID>%1\n"
                                "<NAME>%4\n</STMTTRN>\n")
                            .arg(part.at(0), part.at(1), part.at(2), part.at(3))
                            .toUtf8();
    }
    const qsizetype start = sample.indexOf("<STMTTRN>");
    return sample.left(start) + transactions + sample.mid(sample.indexOf("</BANKTRANLIST>"));
}

// Each transaction listed as "date amount status match".
QStringList listed(const QByteArray &json)
{
    QStringList found;
    for (const QJsonValue &line : QJsonDocument::fromJson(json).array()) {
        const QJsonValue match = line["match"];
        const QString bill = match["kind"].toString() + QString::number(match["bill"].toInt());
        found.append(QString("%1 %2 %3 %4")
                         .arg(line["date"].toString(), QString::number(line["amount"].toDouble()),
                              line["status"].toString(), match.isNull() ? "-" : bill));
    }
    return found;
}

// The payments' references, in the order they were stored.
QString storedReferences(const QString &path)
{
    if (!Connections::open(Connections::current(), path, true))
        return QStringLiteral("unreadable");
    const QString references = scalar("SELECT COALESCE(group_concat(reference, ','), '') FROM "
                                      "(SELECT reference FROM billpayment ORDER BY id)")
                                   .toString();
    Connections::close(Connections::current());
    return references;
}
} // namespace

class TestNvimport : public QObject
{
    Q_OBJECT

private slots:
    void exactMatchesAreRecordedOnce_data();
    void exactMatchesAreRecordedOnce();
    void refusalsLeaveTheFileAlone_data();
    void refusalsLeaveTheFileAlone();
};

void TestNvimport::exactMatchesAreRecordedOnce_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("firstListed");
    QTest::addColumn<QString>("references"); // of the payments stored after the first run
    QTest::addColumn<int>("statusAgain");
    QTest::addColumn<QStringList>("listedAgain");

    const QStringList lines{"A1;20260506;-50.00;City Power Works", "A2;20260510;1500;Salary"};
    const QString salary = "2026-05-10 1500 ignored -";
    QTest::newRow("exact match recorded, then seen")
        << lines << QStringList() << 0 << QStringList{"2026-05-06 -50 new exact1", salary} << "A1"
        << 0 << QStringList{"2026-05-06 -50 already imported -", salary};
    QTest::newRow("dry run records nothing")
        << lines << QStringList{"--dry-run"} << 0
        << QStringList{"2026-05-06 -50 new exact1", salary} << "" << 0
        << QStringList{"2026-05-06 -50 new exact1", salary};
    QTest::newRow("unmatched debit remains")
        << QStringList{lines.at(0), "A3;20260512;-62.37;Bakery"} << QStringList() << 1
        << QStringList{"2026-05-06 -50 new exact1", "2026-05-12 -62.37 new -"} << "A1" << 1
        << QStringList{"2026-05-06 -50 already imported -", "2026-05-12 -62.37 new -"};
    // A likely match waits for a person's word, so its debit counts as unmatched.
    const QStringList likely{"2026-06-04 -50 new likely2", "2026-07-05 0 ignored -"};
    QTest::newRow("likely match is not recorded")
        << QStringList{"A4;20260604;-50.00;Card 1234", "A5;20260705;0.00;City Power Works"}
        << QStringList{"--format", "ofx"} << 1 << likely << "" << 1 << likely;
}

// Three monthly bills of 50.00 from City Power Works, due May 5, June 5 and July 5, and the
// statement run through nvimport twice.
void TestNvimport::exactMatchesAreRecordedOnce()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QStringList, firstListed);
    QFETCH(QString, references);
    QFETCH(int, statusAgain);
    QFETCH(QStringList, listedAgain);
    QTemporaryDir dir;
    const QString path = dir.filePath("bills.nvbf");
    {
        DataFile file(nullptr);
        QVERIFY(file.open(path));
        QCOMPARE(addMonthlySeries(file, "City Power Works", "FIXED", QDate(2026, 5, 5),
                                  QDate(2026, 7, 5))
                     .bills()
                     .size(),
                 3);
        Connections::close(Connections::current());
    }
    const QString statement = dir.filePath("may.ofx");
    QVERIFY(writeFileBytes(statement, ofxStatement(lines)));

    const ProcessRun first = nvimport(QStringList{path, statement} + options);
    QVERIFY2(first.err.isEmpty(), first.err.constData());
    QCOMPARE(first.status, status);
    QCOMPARE(listed(first.out), firstListed);
    QCOMPARE(storedReferences(path), references);

    const ProcessRun again = nvimport(QStringList{path, statement} + options);
    QCOMPARE(again.status, statusAgain);
    QCOMPARE(listed(again.out), listedAgain);
    QCOMPARE(storedReferences(path), references);
}

void TestNvimport::refusalsLeaveTheFileAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");

    const QString older = "Open it once in Norvo Rava Rodozod";
    QTest::newRow("older layout") << "1.4" << QStringList() << 3 << older;
    // A 1.4 file reads as it is, but has nowhere to keep what was imported.
    QTest::newRow("older layout, dry run") << "1.4" << QStringList{"--dry-run"} << 3 << older;
    QTest::newRow("not a data file") << "text" << QStringList() << 3 << "not a data file";
    // Named with terminal controls, which reach the terminal as spaces.
    QTest::newRow("amount not a number")
        << "bad statement" << QStringList() << 3 << "FITID A1: The amount \"abc\" is not a number";
    QTest::newRow("missing statement")
        << "no statement" << QStringList() << 3 << "there is no such file";
    QTest::newRow("CSV without a mapping") << "csv" << QStringList() << 64 << "--csv-map NAME";
    QTest::newRow("unknown option")
        << "current" << QStringList{"--today"} << 64 << "Unknown option 'today'";
    QTest::newRow("unknown format")
        << "current" << QStringList{"--format", "xls"} << 64 << "'xls' is not one of";
}

void TestNvimport::refusalsLeaveTheFileAlone()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath("bills.nvbf");
    if (kind == "text") {
        QVERIFY(writeFileBytes(path, "household bills\n"));
    } else if (kind == "1.4") {
        QVERIFY(Connections::open(Connections::current(), path));
        for (const QString &statement :
             file14Layout() + QStringList{"INSERT INTO filedata VALUES (1, 'Ann', 'Lee', '', '', "
                                          "'1.4')"})
            QVERIFY(run(statement));
    } else {
        DataFile file(nullptr);
        QVERIFY(file.open(path));
    }
    Connections::close(Connections::current());
    const QString statement = dir.filePath(kind == "csv"             ? "may.csv"
                                           : kind == "bad statement" ? "may\x1b]0;x\x07.ofx"
                                                                     : "may.ofx");
    const QString amount = kind == "bad statement" ? "abc" : "-50.00";
    if (kind != "no statement")
        QVERIFY(writeFileBytes(statement, ofxStatement({"A1;20260506;" + amount + ";Power"})));
    const QByteArray before = fileBytes(path);

    const ProcessRun result = nvimport(QStringList{path, statement} + options);
    QCOMPARE(result.status, status);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.err.startsWith("nvimport: "), result.err.constData());
    QVERIFY2(result.err.contains(said.toUtf8()), result.err.constData());
    QVERIFY(!QString::fromUtf8(result.err.chopped(1))
                 .contains(QRegularExpression("[\\x00-\\x1f\\x7f-\\x9f]")));
    QCOMPARE(fileBytes(path), before);
}

NV_TEST_MAIN(TestNvimport)
#include "tst_nvimport.moc"
