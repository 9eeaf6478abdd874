#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "oldfiles.h"
#include "processrun.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QDBusConnection>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {
const QDate today(2026, 5, 14);

// nvdue as cron would run it: no display, and no session bus unless one is given. Events are
// handled meanwhile, so that a service of this process on that bus can answer.
ProcessRun nvdue(const QStringList &arguments, const QString &bus = "unix:path=/nonexistent/bus")
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(NVDUE_PATH), arguments);
    if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 30000))
        process.kill();
    return finishedRun(process);
}

// A desktop's notification service, on a bus of its own, as small as one can be: it answers
// Notify alone and keeps the bodies it is sent.
class StandInNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList bodies;

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        bodies.append(body);
        return uint(bodies.size());
    }
};

} // namespace

class TestNvdue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void exitStatusSaysWhatIsDue_data();
    void exitStatusSaysWhatIsDue();
    void unreadableFileIsReportedAndLeftAlone_data();
    void unreadableFileIsReportedAndLeftAlone();
    void outputsCarryTheBillsExactly();
    void estimatesCarryTheirForecast_data();
    void estimatesCarryTheirForecast();
    void notificationBodyCarriesNoMarkup_data();
    void notificationBodyCarriesNoMarkup();
    void recentFileComesFromTheSystemStore();
    void wrongOptionsAreStatus64_data();
    void wrongOptionsAreStatus64();

private:
    void buildFile(const QList<int> &dueInDays);
    void buildVaryingSeries(const QString &version, const QString &rule);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestNvdue::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath("bills.nvbf");
}

void TestNvdue::cleanup()
{
    Connections::close(Connections::current());
    m_dir.reset();
}

void TestNvdue::buildFile(const QList<int> &dueInDays)
{
    DataFile file(nullptr);
    QVERIFY(file.open(m_path));
    for (int days : dueInDays)
        QVERIFY(addBill(QStringLiteral("Payee %1").arg(days), "bill", 10, today.addDays(days)));
    // Paid bills are never listed, however overdue.
    QVERIFY(addBill("Paid Co", "paid", 10, today.addDays(-30), 10));
    Connections::close(Connections::current());
}

void TestNvdue::exitStatusSaysWhatIsDue_data()
{
    QTest::addColumn<QList<int>>("dueInDays");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("listed");
    QTest::newRow("nothing within the week") << QList<int>{8, 30} << QStringList() << 0 << 0;
    QTest::newRow("all lists far bills") << QList<int>{8, 30} << QStringList{"--all"} << 0 << 2;
    QTest::newRow("due today") << QList<int>{0, 30} << QStringList() << 2 << 1;
    QTest::newRow("overdue") << QList<int>{-3, 2} << QStringList() << 1 << 2;
    QTest::newRow("longer period") << QList<int>{8, 30} << QStringList{"--days", "30"} << 2 << 2;
    QTest::newRow("notify without a bus prints")
        << QList<int>{-1} << QStringList{"--notify"} << 1 << 1;
}

void TestNvdue::exitStatusSaysWhatIsDue()
{
    QFETCH(QList<int>, dueInDays);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(int, listed);
    buildFile(dueInDays);
    const QByteArray before = fileBytes(m_path);
    const ProcessRun run =
        nvdue(QStringList{m_path, "--today", today.toString(Qt::ISODate)} + options);
    QCOMPARE(run.status, status);
    const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), listed + 1);
    QVERIFY2(lines.last().startsWith(QStringLiteral("%1 bill").arg(listed)),
             qPrintable(lines.last()));
    QCOMPARE(run.err.isEmpty(), !options.contains("--notify"));
    QCOMPARE(fileBytes(m_path), before);
}

void TestNvdue::unreadableFileIsReportedAndLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("said"); // after the file's name
    QTest::newRow("missing") << "missing"
                             << ": there is no such file\n";
    QTest::newRow("folder") << "folder"
                            << " is a folder\n";
    // Named with terminal controls, too.
    QTest::newRow("not a data file") << "text"
                                     << ": not a data file of this program\n";
    QTest::newRow("newer") << "newer"
                           << "is newer than the current file version";
    QTest::newRow("older") << "older"
                           << "cannot be read before Norvo Rava Rodozod has upgraded";
    QTest::newRow("locked") << "locked"
                            << "in use by another program";
}

void TestNvdue::unreadableFileIsReportedAndLeftAlone()
{
    QFETCH(QString, kind);
    QFETCH(QString, said);
    m_path = m_dir->filePath(kind == "text" ? "bills\x1b]0;x\x07.nvbf" : "bills.nvbf");
    std::unique_ptr<QSqlQuery> other;
    if (kind == "text") {
        QVERIFY(writeFileBytes(m_path, "household bills\n"));
    } else if (kind == "folder") {
        QVERIFY(QDir().mkdir(m_path));
    } else if (kind != "missing") {
        buildFile({-1});
        QVERIFY(Connections::open("other program", m_path));
        other = std::make_unique<QSqlQuery>(Connections::database("other program"));
        QSqlQuery &query = *other;
        if (kind == "newer")
            QVERIFY(query.exec("UPDATE filedata SET version = '2.0'"));
        if (kind == "older")
            QVERIFY(query.exec("UPDATE filedata SET version = '1.2'"));
    }
    const QByteArray before = fileBytes(m_path);
    // Taken after the bytes are read: closing any handle on the file would drop the lock.
    if (kind == "locked")
        QVERIFY(other->exec("BEGIN EXCLUSIVE"));
    const ProcessRun run = nvdue({m_path, "--today", today.toString(Qt::ISODate)});
    other.reset();
    Connections::close("other program");
    QCOMPARE(run.status, 3);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count('\n'), 1);
    // The name as the terminal gets it: its control characters are spaces.
    const QString shownPath = QString(m_path).replace(QRegularExpression("[\\x01-\\x1f]"), " ");
    QVERIFY2(run.err.startsWith(("nvdue: " + shownPath).toUtf8()), run.err.constData());
    QVERIFY2(run.err.contains(said.toUtf8()), run.err.constData());
    QCOMPARE(fileBytes(m_path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(),
             kind == "missing" || kind == "folder" ? 0 : 1);
}

void TestNvdue::outputsCarryTheBillsExactly()
{
    const QString payee = "A, B; C\nD \"E\"";
    // Terminal commands: a title, a cleared screen; and NUL, DEL and the C1 escape.
    const QString water =
        QString("Wa\x1b]0;x\x07ter\x1b[2J") + QChar(0) + QChar(0x7f) + QChar(0x9b);
    {
        DataFile file(nullptr);
        QVERIFY(file.open(m_path));
        QVERIFY(addBill(payee, QString(60, QChar(0x00e9)), 12.345, today.addDays(-2), 2));
        QVERIFY(addBill(water, "water", 20, today.addDays(3)));
        Connections::close(Connections::current());
    }
    const QStringList base{m_path, "--today", today.toString(Qt::ISODate), "--format"};

    // Quoted where a field holds a comma, quote or line break, and only there.
    QCOMPARE(QString::fromUtf8(nvdue(base + QStringList{"csv"}).out),
             "id,due_date,payee,description,amount,balance,status,days,estimate\r\n"
             "1,2026-05-12,\"A, B; C\nD \"\"E\"\"\"," +
                 QString(60, QChar(0x00e9)) +
                 ",12.35,10.35,overdue,-2,false\r\n"
                 "2,2026-05-17,Wa ]0;x ter [2J   ,water,20.00,20.00,upcoming,3,false\r\n");
    for (const char *format : {"text", "json", "ics"})
        QVERIFY(
            !QString::fromUtf8(nvdue(base + QStringList{format}).out)
                 .contains(QRegularExpression("[\\x00-\\x09\\x0b\\x0c\\x0e-\\x1f\\x7f-\\x9f]")));

    const QJsonArray json = QJsonDocument::fromJson(nvdue(base + QStringList{"json"}).out).array();
    QCOMPARE(json.size(), 2);
    QCOMPARE(json.at(0)["payee"].toString(), payee);
    QCOMPARE(json.at(0)["balance"].toDouble(), 10.35);
    QCOMPARE(json.at(1)["days"].toInt(), 3);
    QCOMPARE(json.at(1)["payee"].toString(), water); // in escapes, which read back as stored

    const QByteArray ics = nvdue(base + QStringList{"ics"}).out;
    QVERIFY(ics.endsWith("END:VCALENDAR\r\n"));
    QVERIFY(!ics.contains("\n\n") && ics.count('\n') == ics.count("\r\n"));
    for (const QByteArray &line : ics.split('\n'))
        QVERIFY2(line.size() <= 76, line.constData()); // 75 octets and the CR
    QString unfolded = QString::fromUtf8(ics).replace("\r\n ", "");
    QVERIFY(unfolded.contains("SUMMARY:A\\, B\\; C\\nD \"E\": "));
    QCOMPARE(unfolded.count("BEGIN:VALARM"), 2);
    const auto uids = [](const QByteArray &document) {
        QStringList found;
        for (const QByteArray &line : document.split('\n'))
            if (line.startsWith("UID:"))
                found.append(QString::fromUtf8(line.trimmed()));
        return found;
    };
    QCOMPARE(uids(ics).size(), 2);
    QCOMPARE(uids(nvdue(base + QStringList{"ics"}).out), uids(ics));
}

// A monthly power bill whose amount varies, written as it is stored: confirmed amounts last
// May and from January to April (January to March paid, the April one deleted once as a
// mistake), estimates for May (20 paid towards it) and June; and a second series with an
// estimate and nothing confirmed yet. A 1.4 file has no estimates.
void TestNvdue::buildVaryingSeries(const QString &version, const QString &rule)
{
    QStringList statements = file14Layout();
    statements << "INSERT INTO filedata VALUES (1, 'Ann', 'Lee', '', '', '" + version + "')"
               << "INSERT INTO payees VALUES (1, 'Power Co', '', '', '', 0)";
    for (int schedule : {1, 2})
        statements << QString("INSERT INTO billschedule VALUES (%1, 'MONTHLY', 10, 0, 1, 'DAY', "
                              "'ENDON', '2025-05-10', '2026-12-10')")
                          .arg(schedule);
    // Schedule, due date, amount, and whether paid (p), an estimate (e) or deleted (d).
    const QStringList bills{
        "1 2025-05-10 61.00 p",  "1 2026-01-10 80.00 p",  "1 2026-02-10 90.00 p",
        "1 2026-03-10 100.00 p", "1 2026-04-10 120.00 -", "1 2026-04-20 1000.00 d",
        "1 2026-05-10 50.00 e",  "2 2026-05-20 33.00 e",  "1 2026-06-10 50.00 e"};
    QStringList estimates;
    for (int id = 1; id <= bills.size(); ++id) {
        const QStringList f = bills.at(id - 1).split(' ');
        const bool paid = f.at(3) == "p";
        statements << QString("INSERT INTO bills VALUES (%1, %2, 1, 'power', %3, "
                              "'2025-05-01T09:00:00', '%4', '%5', 0, %6, '', %7)")
                          .arg(id)
                          .arg(f.at(0), f.at(2), f.at(1), paid ? f.at(1) : "")
                          .arg(int(paid))
                          .arg(int(f.at(3) == "d"));
        const QString amount = paid ? f.at(2) : id == 7 ? "20.00" : "";
        if (!amount.isEmpty())
            statements << QString("INSERT INTO billpayment VALUES (%1, %1, '%2T08:00:00', %3)")
                              .arg(id)
                              .arg(f.at(1), amount);
        if (f.at(3) == "e")
            estimates << QString::number(id);
    }
    // From 1.5 on a series has its amount rule, a bill its estimate flag and a payment its
    // reference.
    if (version != "1.4")
        statements << "ALTER TABLE billschedule ADD COLUMN amountrule VARCHAR(20)"
                   << "ALTER TABLE bills ADD COLUMN isestimate BOOL"
                   << "ALTER TABLE billpayment ADD COLUMN reference VARCHAR(100)"
                   << "UPDATE billschedule SET amountrule = '" + rule + "'"
                   << QString("UPDATE bills SET isestimate = (id IN (%1) AND %2)")
                          .arg(estimates.join(','))
                          .arg(int(rule != "FIXED"))
                   << "UPDATE billpayment SET reference = ''";
    QVERIFY(Connections::open("raw", m_path));
    {
        QSqlQuery query(Connections::database("raw"));
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    }
    Connections::close("raw");
}

// Listed with --all, by due date: the April bill (confirmed), May (an estimate with 20 paid),
// the other series' estimate and June.
void TestNvdue::estimatesCarryTheirForecast_data()
{
    QTest::addColumn<QString>("file"); // the file's version and the series' amount rule
    QTest::addColumn<QStringList>("amounts");

    // The last three confirmed before May: 90, 100 and 120; the deleted 1,000 does not count.
    QTest::newRow("mean of the last 3")
        << "1.5 AVERAGE3" << QStringList{"120.00", "103.33", "33.00", "103.33"};
    // All five confirmed: 451 / 5.
    QTest::newRow("mean of the last 12")
        << "1.5 AVERAGE12" << QStringList{"120.00", "90.20", "33.00", "90.20"};
    // May has last May's 61; June has no June a year before and takes the mean of the last 3.
    QTest::newRow("same month last year")
        << "1.5 LASTYEAR" << QStringList{"120.00", "61.00", "33.00", "103.33"};
    QTest::newRow("the same each time")
        << "1.5 FIXED" << QStringList{"120.00", "50.00", "33.00", "50.00"};
    QTest::newRow("1.4 file, read as it is")
        << "1.4 FIXED" << QStringList{"120.00", "50.00", "33.00", "50.00"};
}

void TestNvdue::estimatesCarryTheirForecast()
{
    QFETCH(QString, file);
    QFETCH(QStringList, amounts);
    // May, the second listed, has 20 paid towards it.
    QStringList balances = amounts;
    balances[1] = QString::number(amounts.at(1).toDouble() - 20, 'f', 2);
    const QString rule = file.section(' ', 1);
    buildVaryingSeries(file.section(' ', 0, 0), rule);
    // Every bill listed but the confirmed April one is an estimate while the amount varies.
    QList<bool> estimates(amounts.size(), rule != "FIXED");
    estimates[0] = false;
    const QByteArray before = fileBytes(m_path);
    const QStringList base{m_path, "--all", "--today", today.toString(Qt::ISODate), "--format"};

    const ProcessRun csvRun = nvdue(base + QStringList{"csv"});
    QVERIFY2(csvRun.err.isEmpty(), csvRun.err.constData());
    const QStringList csv = QString::fromUtf8(csvRun.out).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(csv.value(0), "id,due_date,payee,description,amount,balance,status,days,estimate");
    QCOMPARE(csv.size(), amounts.size() + 1);
    const QJsonArray json = QJsonDocument::fromJson(nvdue(base + QStringList{"json"}).out).array();
    QCOMPARE(json.size(), amounts.size());
    const QStringList text = QString::fromUtf8(nvdue(base + QStringList{"text"}).out).split('\n');
    double total = 0;
    for (int i = 0; i < amounts.size(); ++i) {
        const QStringList fields = csv.at(i + 1).split(',');
        QCOMPARE(fields.mid(4, 2), (QStringList{amounts.at(i), balances.at(i)}));
        QCOMPARE(fields.last(), estimates.at(i) ? "true" : "false");
        QCOMPARE(QString::number(json.at(i)["amount"].toDouble(), 'f', 2), amounts.at(i));
        QCOMPARE(QString::number(json.at(i)["balance"].toDouble(), 'f', 2), balances.at(i));
        QCOMPARE(json.at(i)["estimate"], QJsonValue(estimates.at(i)));
        const QString shown =
            (estimates.at(i) ? QString(QChar(0x2248)) : "") + "$" + balances.at(i);
        QVERIFY2(text.at(i).endsWith("  " + shown), qPrintable(text.at(i)));
        total += balances.at(i).toDouble();
    }
    // A total that adds in any estimate is one itself.
    const QString marked = estimates.contains(true) ? QString(QChar(0x2248)) : QString();
    QCOMPARE(text.at(amounts.size()),
             "4 bills, total " + marked + "$" + QString::number(total, 'f', 2));
    QCOMPARE(fileBytes(m_path), before);
}

void TestNvdue::recentFileComesFromTheSystemStore()
{
    buildFile({-1});
    const QString store = m_dir->filePath("system.db");
    QVERIFY(Connections::open("store", store));
    QSqlQuery query(Connections::database("store"));
    QVERIFY(
        query.exec("CREATE TABLE recentfiles(id INTEGER PRIMARY KEY, recentfilelocation TEXT)"));
    QVERIFY(query.exec("INSERT INTO recentfiles VALUES (1, '" + m_path + "')"));
    query.finish();
    Connections::close("store");
    const QByteArray before = fileBytes(store);
    const ProcessRun run = nvdue({"--system", store, "--today", today.toString(Qt::ISODate)});
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.startsWith("2026-05-13  OVERDUE 1d"));
    QCOMPARE(fileBytes(store), before);
}

void TestNvdue::notificationBodyCarriesNoMarkup_data()
{
    QTest::addColumn<QStringList>("bill"); // payee and description
    QTest::addColumn<bool>("estimate");
    QTest::addColumn<QString>("body");
    QTest::newRow("markup and controls")
        << QStringList{"<a href=x>Pay</a> & co", "bill\x1b[2J"} << false
        << "&lt;a href=x&gt;Pay&lt;/a&gt; &amp; co: bill [2J, $10.00, 1 day overdue";
    // Nothing confirmed before it: its stored amount, marked.
    QTest::newRow("estimate") << QStringList{"Power Co", "power"} << true
                              << QString::fromUtf8("Power Co: power, ≈$10.00, 1 day overdue");
}

void TestNvdue::notificationBodyCarriesNoMarkup()
{
    QFETCH(QStringList, bill);
    QFETCH(bool, estimate);
    QFETCH(QString, body);
    {
        DataFile file(nullptr);
        QVERIFY(file.open(m_path));
        const int id = addBill(bill.at(0), bill.at(1), 10, today.addDays(-1));
        QVERIFY(id > 0);
        if (estimate)
            QVERIFY(run(QString("UPDATE bills SET isestimate = 1 WHERE id = %1").arg(id)));
        Connections::close(Connections::current());
    }
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    QVERIFY2(daemon.waitForReadyRead(10000), "dbus-daemon (package dbus-daemon) is needed");
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    StandInNotifications service;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, "stand-in");
        QVERIFY(bus.registerObject("/org/freedesktop/Notifications", &service,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("org.freedesktop.Notifications"));
        const ProcessRun run =
            nvdue({m_path, "--today", today.toString(Qt::ISODate), "--notify"}, address);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.out.isEmpty() && run.err.isEmpty(), run.err.constData());
    }
    QDBusConnection::disconnectFromBus("stand-in");
    daemon.kill();
    daemon.waitForFinished();
    QCOMPARE(service.bodies, QStringList{body});
}

void TestNvdue::wrongOptionsAreStatus64_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("said");
    // Status 1 would read as "something overdue" to a script or a systemd unit.
    QTest::newRow("unknown option")
        << QStringList{"--bogus"} << "Unknown option 'bogus'. See nvdue --help.";
    QTest::newRow("missing value")
        << QStringList{"--days"} << "Missing value after '--days'. See nvdue --help.";
    QTest::newRow("days not a number")
        << QStringList{"--days", "abc"} << "--days: 'abc' is not a whole number of days";
    QTest::newRow("days too many")
        << QStringList{"--days", "9999"} << "--days: '9999' is not between 0 and 3660";
    QTest::newRow("unknown format") << QStringList{"--format", "xml"}
                                    << "--format: 'xml' is not one of text, csv, json and ics";
    QTest::newRow("no such day") << QStringList{"--today", "2026-02-30"}
                                 << "--today: '2026-02-30' is not a day written YYYY-MM-DD";
    QTest::newRow("two files") << QStringList{"other.nvbf"}
                               << "'other.nvbf': only one FILE can be given";
    QTest::newRow("two stores")
        << QStringList{"--user-data", "--system", "system.db"}
        << "--system and --user-data name two places for system.db; give one of them.";
}

void TestNvdue::wrongOptionsAreStatus64()
{
    QFETCH(QStringList, options);
    QFETCH(QString, said);
    buildFile({-3});
    const ProcessRun run = nvdue(QStringList{m_path} + options);
    QCOMPARE(run.status, 64);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(QString::fromUtf8(run.err), "nvdue: " + said + "\n");
}

NV_TEST_MAIN(TestNvdue)
#include "tst_nvdue.moc"
