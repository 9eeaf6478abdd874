#include "benchrun.h"

#include "benchprobe.h"

#include "bill.h"
#include "billschedule.h"
#include "connections.h"
#include "datafile.h"
#include "filedata.h"
#include "payee.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTextStream>
#include <QtDebug>

#ifndef NVBENCH_BUILD_TYPE
#define NVBENCH_BUILD_TYPE "unknown"
#endif

namespace {
const QString floorConnection = QStringLiteral("nvbench_floor");

const QString currentBillsStatement =
    QStringLiteral("SELECT * FROM bills WHERE deleted = 0 ORDER BY duedate ASC");
const QString paidBillsStatement =
    QStringLiteral("SELECT * FROM bills WHERE deleted = 0 AND paid = 1 ORDER BY duedate ASC");

// Keeps the compiler from dropping reads whose values nobody looks at.
volatile qint64 g_sink = 0;

// Every value of every row of the statements, read the plain way.
bool scan(const QSqlDatabase &db, const QStringList &statements)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    qint64 seen = 0;
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            return false;
        const int columns = query.record().count();
        while (query.next()) {
            for (int column = 0; column < columns; ++column)
                seen += query.value(column).isNull() ? 0 : 1;
        }
    }
    g_sink = g_sink + seen;
    return true;
}

QStringList loadStatements(const QString &billStatement)
{
    // The load reads the bill id and amount of each payment, in the order stored.
    return {billStatement, QStringLiteral("SELECT * FROM payees WHERE deleted = 0"),
            QStringLiteral("SELECT billid, amount FROM billpayment")};
}

bool runAll(const QSqlDatabase &db, const QStringList &statements)
{
    QSqlQuery query(db);
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            return false;
    }
    return true;
}

// The payees' table of the current layout, which every floor copies into.
const QString payeesTable =
    QStringLiteral("CREATE TABLE payees2(id INTEGER PRIMARY KEY, payeename VARCHAR(100) NOT NULL, "
                   "accountnumber VARCHAR(200), mailingaddress VARCHAR(400), note VARCHAR(200), "
                   "deleted BOOL)");

// The rows of a "1.1" file carried into tables of the current layout by SQLite alone, as the
// upgrade leaves them: the payees under new ids, a default schedule for each old one, a "SINGLE"
// schedule of its own for every bill, the bills under the ids of their places, and a payment of
// the whole amount for every bill paid in the old file. What the floor leaves out is the work a
// safe upgrade adds: the copy of the file beforehand, the checks of every table, the second pass
// from "1.2" and the look-up of each payee's new id.
const QStringList copyStatements = {
    QStringLiteral("BEGIN"),
    payeesTable,
    QStringLiteral("CREATE TABLE billschedule2(id INTEGER NOT NULL PRIMARY KEY, scheduletype "
                   "VARCHAR(20), dayofmonth INTEGER, dayofweek INTEGER, frequency INTEGER, "
                   "frequencyvalue VARCHAR(20), rangetype VARCHAR(20), rangestartdate DATETIME, "
                   "rangeenddate DATETIME)"),
    QStringLiteral("CREATE TABLE bills2(id INTEGER primary key, billscheduleid INTEGER, payeeid "
                   "INTEGER, description VARCHAR(100) not null, amount DECIMAL, insertdate "
                   "DATETIME, duedate DATETIME, paiddate DATETIME, isunique BOOL, paid BOOL, note "
                   "VARCHAR(400), deleted BOOL)"),
    QStringLiteral("CREATE TABLE billpayment2 (id INTEGER NOT NULL PRIMARY KEY, billid INTEGER, "
                   "paymentdate DATETIME, amount DECIMAL)"),
    QStringLiteral("INSERT INTO payees2 (payeename, accountnumber, mailingaddress, note, deleted) "
                   "SELECT payeename, accountnumber, mailingaddress, note, deleted FROM payees "
                   "ORDER BY payeeid"),
    QStringLiteral("INSERT INTO billschedule2 (scheduletype, dayofmonth, dayofweek, frequency, "
                   "frequencyvalue, rangetype, rangestartdate, rangeenddate) SELECT 'NOTSET', 0, "
                   "0, 0, 'DAY', 'ENDON', date('now'), date('now') FROM billschedule"),
    QStringLiteral("INSERT INTO billschedule2 (scheduletype, dayofmonth, dayofweek, frequency, "
                   "frequencyvalue, rangetype, rangestartdate, rangeenddate) SELECT 'SINGLE', 0, "
                   "0, 0, 'DAY', 'ENDON', date('now'), date('now') FROM bills ORDER BY billid"),
    QStringLiteral("INSERT INTO bills2 (id, billscheduleid, payeeid, description, amount, "
                   "insertdate, duedate, paiddate, isunique, paid, note, deleted) SELECT "
                   "ROW_NUMBER() OVER (ORDER BY billid), (SELECT COUNT(*) FROM billschedule) + "
                   "ROW_NUMBER() OVER (ORDER BY billid), payeeid, description, amount, "
                   "date('now'), duedate, CASE WHEN paid = 1 THEN COALESCE(paiddate, duedate) "
                   "ELSE '2000-01-01' END, 1, paid, note, deleted FROM bills"),
    QStringLiteral("INSERT INTO billpayment2 (billid, paymentdate, amount) SELECT id, paiddate || "
                   "'T00:00:00.000', amount FROM bills2 WHERE paid = 1 AND amount > 0 ORDER BY id"),
    QStringLiteral("COMMIT")};

// The rows of a "1.4" file carried into tables of the 1.5 layout by SQLite alone: every row as
// it is, with a confirmed amount, a fixed rule and no reference.
const QStringList copyStatements14 = {
    QStringLiteral("BEGIN"),
    payeesTable,
    QStringLiteral("CREATE TABLE billschedule2(id INTEGER NOT NULL PRIMARY KEY, scheduletype "
                   "VARCHAR(20), dayofmonth INTEGER, dayofweek INTEGER, frequency INTEGER, "
                   "frequencyvalue VARCHAR(20), rangetype VARCHAR(20), rangestartdate DATETIME, "
                   "rangeenddate DATETIME, amountrule VARCHAR(20))"),
    QStringLiteral("CREATE TABLE bills2(id INTEGER primary key, billscheduleid INTEGER, payeeid "
                   "INTEGER, description VARCHAR(100) not null, amount DECIMAL, insertdate "
                   "DATETIME, duedate DATETIME, paiddate DATETIME, isunique BOOL, paid BOOL, note "
                   "VARCHAR(400), deleted BOOL, isestimate BOOL)"),
    QStringLiteral("CREATE TABLE billpayment2 (id INTEGER NOT NULL PRIMARY KEY, billid INTEGER, "
                   "paymentdate DATETIME, amount DECIMAL, reference VARCHAR(100))"),
    QStringLiteral("INSERT INTO payees2 SELECT * FROM payees"),
    QStringLiteral("INSERT INTO billschedule2 SELECT *, 'FIXED' FROM billschedule"),
    QStringLiteral("INSERT INTO bills2 SELECT *, 0 FROM bills"),
    QStringLiteral("INSERT INTO billpayment2 SELECT *, '' FROM billpayment"),
    QStringLiteral("COMMIT")};

QString formatMs(double ms)
{
    return QString::number(ms, 'f', ms < 10 ? 2 : 1);
}
} // namespace

BenchRun::BenchRun(const QString &directory, const BenchFiles::Shape &shape)
    : m_directory(directory), m_shape(shape)
{
    m_summary.bills = shape.bills;
}

bool BenchRun::prepare()
{
    m_currentPath = QDir(m_directory).filePath(QStringLiteral("bench.nvbf"));
    m_version11Path = QDir(m_directory).filePath(QStringLiteral("version11.nvbf"));
    m_version14Path = QDir(m_directory).filePath(QStringLiteral("version14.nvbf"));
    m_varyingPath = QDir(m_directory).filePath(QStringLiteral("varying.nvbf"));
    BenchFiles::Shape varying = m_shape;
    varying.varyingSeries = true;
    return BenchFiles::buildCurrent(m_currentPath, m_shape) &&
           BenchFiles::buildCurrent(m_varyingPath, varying) &&
           BenchFiles::buildVersion14(m_version14Path, m_shape) &&
           BenchFiles::buildVersion11(m_version11Path, m_shape);
}

void BenchRun::measureUpgradeAlone()
{
    measureUpgrade(QStringLiteral("1.1"));
    measureUpgrade(QStringLiteral("1.4"));
}

void BenchRun::measureAll()
{
    // Memory first, before the timing loops have left their own traces in the allocator.
    measureLoadMemory();
    measureLoad();
    measureForecast();
    measureDueCommand();
    measurePaidLoad();
    measureSeries();
    measureUpgrade(QStringLiteral("1.1"));
    measureUpgrade(QStringLiteral("1.4"));
    measureWindow();
    measureReports();
}

void BenchRun::measureReportsOnly()
{
    measureReports();
}

int BenchRun::runs() const
{
    return m_shape.bills <= 10000 ? 7 : 3;
}

void BenchRun::fail(const QString &what)
{
    m_failed = true;
    m_notes.append(QStringLiteral("FAILED: ") + what);
}

QString BenchRun::scratchCopy(const QString &source, const QString &name) const
{
    const QString target = QDir(m_directory).filePath(name);
    QFile::remove(target);
    return QFile::copy(source, target) ? target : QString();
}

void BenchRun::addRow(const QString &name, double ms, double floorMs, double maxRatio)
{
    Row row;
    row.name = name;
    row.ms = ms;
    row.floorMs = floorMs;
    if (maxRatio > 0) {
        row.target = QStringLiteral("<= %1x").arg(maxRatio);
        row.met = floorMs > 0 && ms / floorMs <= maxRatio;
    }
    m_rows.append(row);
}

void BenchRun::addAbsoluteRow(const QString &name, double ms, double maxMs)
{
    Row row;
    row.name = name;
    row.ms = ms;
    row.target = QStringLiteral("< %1 ms").arg(maxMs);
    row.met = ms < maxMs;
    m_rows.append(row);
}

bool BenchRun::scanCurrentBills(const QSqlDatabase &db) const
{
    return scan(db, loadStatements(currentBillsStatement));
}

void BenchRun::measureLoadMemory()
{
    BenchProbe::releaseFreeMemory();
    const qint64 heapBefore = BenchProbe::heapInUse();
    const qint64 residentBefore = BenchProbe::residentBytes();
    const bool peakReset = BenchProbe::resetPeak();
    qint64 held = 0;
    qint64 peak = 0;
    qsizetype loaded = 0;
    {
        DataFile file(nullptr);
        if (!file.open(m_currentPath) || !file.loadCurrentBills())
            return fail(QStringLiteral("loading the file for the memory count"));
        peak = BenchProbe::peakResidentBytes() - residentBefore;
        held = BenchProbe::heapInUse() - heapBefore;
        loaded = file.billsById().size();
    }
    if (loaded != m_shape.bills)
        return fail(QStringLiteral("the load read %1 bills").arg(loaded));
    m_summary.heldBytesPerBill = double(held) / double(loaded);
    m_summary.peakLoadBytes = double(peak);
    m_notes.append(QStringLiteral("memory: empty program %1 KiB in use; open file with %2 loaded "
                                  "bills holds %3 KiB more = %4 B per bill (target < 1024)")
                       .arg(heapBefore / 1024)
                       .arg(loaded)
                       .arg(held / 1024)
                       .arg(m_summary.heldBytesPerBill, 0, 'f', 0));
    m_notes.append(QStringLiteral("memory: peak resident growth during open + load %1 KiB = %2 B "
                                  "per bill%3")
                       .arg(peak / 1024)
                       .arg(double(peak) / double(loaded), 0, 'f', 0)
                       .arg(peakReset ? QString() : QStringLiteral(" (peak not resettable)")));
}

void BenchRun::measureLoad()
{
    bool ok = true;
    const BenchProbe::Pair best = BenchProbe::bestOfPairs(
        runs(),
        [&] {
            DataFile file(nullptr);
            return BenchProbe::time([&] {
                ok = ok && file.open(m_currentPath) && file.loadCurrentBills() &&
                     file.billsById().size() == m_shape.bills;
            });
        },
        [&] {
            const double ms = BenchProbe::time([&] {
                ok = ok && Connections::open(floorConnection, m_currentPath) &&
                     scan(Connections::database(floorConnection),
                          loadStatements(currentBillsStatement));
            });
            Connections::close(floorConnection);
            return ms;
        });
    if (!ok)
        return fail(QStringLiteral("open + loadCurrentBills"));
    addRow(QStringLiteral("open + loadCurrentBills"), best.ms, best.floorMs, 2.0);
    m_summary.loadMs = best.ms;
    m_summary.loadFloorMs = best.floorMs;
}

// The command-line tool as a whole process (start, read-only open, load, text out) against
// the in-process open + load of the same file.
void BenchRun::measureDueCommand()
{
    if (m_summary.loadMs <= 0)
        return;
    bool ok = true;
    double best = -1;
    for (int run = 0; run < runs(); ++run) {
        QProcess process;
        const double ms = BenchProbe::time([&] {
            process.start(QStringLiteral(NVDUE_PATH), {m_currentPath, QStringLiteral("--all")});
            ok = ok && process.waitForFinished(60000) &&
                 process.exitStatus() == QProcess::NormalExit && process.exitCode() != 3;
        });
        best = best < 0 ? ms : qMin(best, ms);
    }
    if (!ok)
        return fail(QStringLiteral("nvdue process"));
    addRow(QStringLiteral("nvdue --all, whole process (vs open + load)"), best, m_summary.loadMs,
           3.0);
}

void BenchRun::measurePaidLoad()
{
    DataFile file(nullptr);
    if (!file.open(m_currentPath) || !Connections::open(floorConnection, m_currentPath))
        return fail(QStringLiteral("loadPaidBills"));
    bool ok = true;
    const BenchProbe::Pair best = BenchProbe::bestOfPairs(
        runs(), [&] { return BenchProbe::time([&] { ok = ok && file.loadPaidBills(); }); },
        [&] {
            return BenchProbe::time([&] {
                ok = ok && scan(Connections::database(floorConnection),
                                loadStatements(paidBillsStatement));
            });
        });
    Connections::close(floorConnection);
    if (!ok || file.billList().size() != (m_shape.bills + 3) / 4)
        return fail(QStringLiteral("loadPaidBills"));
    addRow(QStringLiteral("loadPaidBills (file already open)"), best.ms, best.floorMs, 2.0);
}

double BenchRun::generateSeries(const BillSchedule &rule, bool *ok) const
{
    BillSchedule schedule = rule;
    *ok = *ok && schedule.save();
    Bill templateBill;
    templateBill.setPayee(Payee::findById(1).value_or(Payee()));
    templateBill.setAmount(1250.0);
    templateBill.setDescription(QStringLiteral("Rent"));
    templateBill.setNote(QStringLiteral("Standing order"));
    const double ms = BenchProbe::time([&] { *ok = *ok && schedule.generateBills(templateBill); });
    *ok = *ok && schedule.bills().size() == rule.dueDates().size();
    return ms;
}

// A year of a weekly series made longer by count weeks, saved from its last bill as the bill
// dialog saves an edit of the whole series.
double BenchRun::extendSeries(DataFile &file, int count, bool *ok) const
{
    const QDate start = BenchFiles::today();
    const int weeks = 52;
    BillSchedule schedule;
    schedule.setScheduleType(QStringLiteral("WEEKLY"));
    schedule.setDayOfWeek(start.dayOfWeek());
    schedule.setRangeStartDate(start);
    schedule.setRangeEndDate(start.addDays(7 * weeks - 1));
    Bill templateBill;
    templateBill.setPayee(Payee::findById(1).value_or(Payee()));
    templateBill.setAmount(1250.0);
    templateBill.setDescription(QStringLiteral("Rent"));
    templateBill.setNote(QStringLiteral("Standing order"));
    *ok = *ok && schedule.save() && schedule.generateBills(templateBill);
    if (!*ok)
        return 0;
    Bill last = schedule.bills().last();
    const QDate newEnd = schedule.rangeEndDate().addDays(7 * count);
    const double ms = BenchProbe::time(
        [&] { *ok = *ok && file.saveSeriesChange(last, schedule, last.dueDate(), newEnd); });
    *ok = *ok && schedule.bills().size() == weeks + count;
    return ms;
}

// The same rows as generateSeries(), written by one prepared statement in one transaction.
double BenchRun::insertSeriesRows(const QList<QDate> &dueDates, bool *ok) const
{
    const QDate start = BenchFiles::today();
    QSqlQuery query(Connections::database(Connections::current()));
    return BenchProbe::time([&] {
        *ok = *ok && query.exec(QStringLiteral("BEGIN")) &&
              query.prepare(QStringLiteral(
                  "INSERT INTO bills(id, billscheduleid, payeeid, description, amount, "
                  "insertdate, duedate, paiddate, isunique, paid, note, deleted) VALUES (NULL, ?, "
                  "?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; *ok && i < dueDates.size(); ++i) {
            const QVariantList values = {1,
                                         1,
                                         QStringLiteral("Rent"),
                                         1250.0,
                                         start,
                                         dueDates.at(i),
                                         Bill::neverPaidDate(),
                                         0,
                                         0,
                                         QStringLiteral("Standing order"),
                                         0};
            for (int value = 0; value < values.size(); ++value)
                query.bindValue(value, values.at(value));
            *ok = query.exec();
        }
        *ok = *ok && query.exec(QStringLiteral("COMMIT"));
    });
}

void BenchRun::measureSeries()
{
    const QString path = scratchCopy(m_currentPath, QStringLiteral("series.nvbf"));
    DataFile file(nullptr);
    if (path.isEmpty() || !file.open(path))
        return fail(QStringLiteral("generateBills"));
    // Ten years of each kind from today: weekly on today's weekday; every two weeks on
    // Saturday, moved to Monday; the 31st of every month, moved to the Friday before a
    // weekend; the last Friday of every month.
    const QDate start = BenchFiles::today();
    const QDate tenYears = start.addYears(10).addDays(-1);
    const struct
    {
        QString name;
        BillSchedule rule;
    } series[] = {
        {QStringLiteral("weekly"),
         BillSchedule(BillSchedule::weeklyType, 0, start.dayOfWeek(), 0, BillSchedule::noShift,
                      QStringLiteral("ENDON"), start, start.addDays(7 * 520 - 1))},
        {QStringLiteral("NWEEKLY"),
         BillSchedule(BillSchedule::nWeeklyType, 0, 6, 2, BillSchedule::afterWeekend,
                      QStringLiteral("ENDON"), start, tenYears)},
        {QStringLiteral("NMONTHLY"),
         BillSchedule(BillSchedule::nMonthlyType, 31, 0, 1, BillSchedule::beforeWeekend,
                      QStringLiteral("ENDON"), start, tenYears)},
        {QStringLiteral("NTHWEEKDAY"),
         BillSchedule(BillSchedule::nthWeekdayType, 0, 5, 5, BillSchedule::noShift,
                      QStringLiteral("ENDON"), start, tenYears)},
    };
    for (const auto &kind : series) {
        bool ok = true;
        const QList<QDate> dueDates = kind.rule.dueDates();
        const BenchProbe::Pair best = BenchProbe::bestOfPairs(
            runs(), [&] { return generateSeries(kind.rule, &ok); },
            [&] { return insertSeriesRows(dueDates, &ok); });
        if (!ok || dueDates.isEmpty())
            return fail(QStringLiteral("generateBills"));
        addRow(QStringLiteral("generateBills, ten-year %1 series (%2)")
                   .arg(kind.name)
                   .arg(dueDates.size()),
               best.ms, best.floorMs, 3.0);
    }

    // A year of weekly bills made 500 weeks longer, against the same 500 rows inserted.
    const int added = 500;
    const QList<QDate> addedDates =
        BillSchedule(BillSchedule::weeklyType, 0, start.dayOfWeek(), 0, BillSchedule::noShift,
                     QStringLiteral("ENDON"), start, start.addDays(7 * added - 1))
            .dueDates();
    bool ok = true;
    const BenchProbe::Pair extended = BenchProbe::bestOfPairs(
        runs(), [&] { return extendSeries(file, added, &ok); },
        [&] { return insertSeriesRows(addedDates, &ok); });
    if (!ok)
        return fail(QStringLiteral("saveSeriesChange"));
    addRow(QStringLiteral("extend a series by 500 instances"), extended.ms, extended.floorMs, 3.0);
}

double BenchRun::upgradeCopy(const QString &source, bool *ok)
{
    const QString path =
        scratchCopy(source, QStringLiteral("upgrade%1.nvbf").arg(++m_scratchFiles));
    DataFile file(nullptr);
    const double ms = BenchProbe::time([&] { *ok = *ok && file.open(path); });
    QSqlQuery count(Connections::database(Connections::current()));
    *ok = *ok && FileData::readVersion() == currentVersion() &&
          count.exec(QStringLiteral("SELECT COUNT(*) FROM bills")) && count.next() &&
          count.value(0).toInt() == m_shape.bills;
    return ms;
}

// The rows of the old file carried into tables of the current layout by SQLite alone.
double BenchRun::copyOldRows(const QString &source, const QStringList &statements, bool *ok)
{
    const QString path =
        scratchCopy(source, QStringLiteral("upgrade%1.nvbf").arg(++m_scratchFiles));
    if (path.isEmpty() || !Connections::open(floorConnection, path)) {
        *ok = false;
        return 0;
    }
    const double ms = BenchProbe::time(
        [&] { *ok = *ok && runAll(Connections::database(floorConnection), statements); });
    Connections::close(floorConnection);
    return ms;
}

void BenchRun::measureUpgrade(const QString &version)
{
    const bool oldest = version == QLatin1String("1.1");
    const QString source = oldest ? m_version11Path : m_version14Path;
    bool ok = true;
    const BenchProbe::Pair best = BenchProbe::bestOfPairs(
        m_shape.bills <= 10000 ? 3 : 1, [&] { return upgradeCopy(source, &ok); },
        [&] { return copyOldRows(source, oldest ? copyStatements : copyStatements14, &ok); });
    if (!ok)
        return fail(QStringLiteral("the upgrade of a %1 file").arg(version));
    addRow(QStringLiteral("upgrade of a %1 file (vs INSERT ... SELECT)").arg(version), best.ms,
           best.floorMs, 10.0);
    if (oldest) {
        m_summary.upgradeMs = best.ms;
        m_summary.upgradeFloorMs = best.floorMs;
    }
}

// The same load with a third of the series varying, against the file whose amounts are all
// fixed: what working out the forecasts costs.
void BenchRun::measureForecast()
{
    bool ok = true;
    int estimates = 0;
    const auto load = [&](const QString &path, bool count) {
        DataFile file(nullptr);
        const double ms = BenchProbe::time([&] {
            ok = ok && file.open(path) && file.loadCurrentBills() &&
                 file.billsById().size() == m_shape.bills;
        });
        if (count)
            estimates = int(std::count_if(
                file.billsById().cbegin(), file.billsById().cend(),
                [](const DataFile::BillPtr &bill) { return bill->forecast().has_value(); }));
        return ms;
    };
    const BenchProbe::Pair best = BenchProbe::bestOfPairs(
        runs(), [&] { return load(m_varyingPath, true); },
        [&] { return load(m_currentPath, false); });
    if (!ok || estimates == 0)
        return fail(QStringLiteral("the load of varying series"));
    addRow(QStringLiteral("load, a third of the series varying, %1 forecasts (vs all fixed)")
               .arg(estimates),
           best.ms, best.floorMs, 1.1);
}

void BenchRun::print(QTextStream &out) const
{
    out << "nvbench: " << m_shape.bills << " bills, " << m_shape.payees << " payees, "
        << m_shape.payments << " payments, " << m_shape.series << " series of "
        << (m_shape.series ? m_shape.seriesBills / m_shape.series : 0) << " bills; Qt "
        << qVersion() << ", " << NVBENCH_BUILD_TYPE << " build, " << QSysInfo::prettyProductName()
        << "\n";
#ifndef NDEBUG
    out << "warning: assertions are on; build with -DCMAKE_BUILD_TYPE=Release for real figures\n";
#endif
    out << QStringLiteral("%1 %2 %3 %4  %5\n")
               .arg(QStringLiteral("operation"), -54)
               .arg(QStringLiteral("ms"), 10)
               .arg(QStringLiteral("floor ms"), 10)
               .arg(QStringLiteral("ratio"), 8)
               .arg(QStringLiteral("target"));
    for (const Row &row : m_rows) {
        const bool hasFloor = row.floorMs > 0;
        out << QStringLiteral("%1 %2 %3 %4  %5\n")
                   .arg(row.name, -54)
                   .arg(formatMs(row.ms), 10)
                   .arg(hasFloor ? formatMs(row.floorMs) : QString(), 10)
                   .arg(hasFloor ? QString::number(row.ms / row.floorMs, 'f', 2) + QLatin1Char('x')
                                 : QString(),
                        8)
                   .arg(row.target.isEmpty() ? QString()
                                             : row.target + (row.met ? QStringLiteral(" ok")
                                                                     : QStringLiteral(" MISSED")));
    }
    for (const QString &note : m_notes)
        out << note << "\n";
    out << "@summary bills=" << m_summary.bills << " load=" << m_summary.loadMs
        << " loadFloor=" << m_summary.loadFloorMs << " held=" << m_summary.heldBytesPerBill
        << " peak=" << m_summary.peakLoadBytes << " upgrade=" << m_summary.upgradeMs
        << " upgradeFloor=" << m_summary.upgradeFloorMs << " report=" << m_summary.slowestReportMs
        << " refresh=" << m_summary.refreshGrowthBytes << " list=" << m_summary.listBytesPerBill
        << " windowPeak=" << m_summary.windowPeakBytes << "\n";
}

BenchRun::Summary BenchRun::parseSummary(const QString &text)
{
    Summary summary;
    static const QRegularExpression line(QStringLiteral("^@summary (.*)$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(text);
    const QStringList pairs = match.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &pair : pairs) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        const double value = pair.section(QLatin1Char('='), 1).toDouble();
        if (key == QLatin1String("bills"))
            summary.bills = int(value);
        else if (key == QLatin1String("load"))
            summary.loadMs = value;
        else if (key == QLatin1String("loadFloor"))
            summary.loadFloorMs = value;
        else if (key == QLatin1String("held"))
            summary.heldBytesPerBill = value;
        else if (key == QLatin1String("peak"))
            summary.peakLoadBytes = value;
        else if (key == QLatin1String("upgrade"))
            summary.upgradeMs = value;
        else if (key == QLatin1String("upgradeFloor"))
            summary.upgradeFloorMs = value;
        else if (key == QLatin1String("report"))
            summary.slowestReportMs = value;
        else if (key == QLatin1String("refresh"))
            summary.refreshGrowthBytes = value;
        else if (key == QLatin1String("list"))
            summary.listBytesPerBill = value;
        else if (key == QLatin1String("windowPeak"))
            summary.windowPeakBytes = value;
    }
    return summary;
}

void BenchRun::printScaling(QTextStream &out, const QList<Summary> &summaries)
{
    out << "scaling: linear growth keeps the per-bill columns flat; 'added' is the peak per bill "
           "over the size before, without the fixed cost of an open file\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11\n")
               .arg(QStringLiteral("bills"), 8)
               .arg(QStringLiteral("load ms"), 9)
               .arg(QStringLiteral("us/bill"), 8)
               .arg(QStringLiteral("ratio"), 6)
               .arg(QStringLiteral("held B"), 7)
               .arg(QStringLiteral("peak KiB"), 9)
               .arg(QStringLiteral("added B"), 8)
               .arg(QStringLiteral("upgrade us/bill"), 16)
               .arg(QStringLiteral("report ms"), 10)
               .arg(QStringLiteral("list B"), 7)
               .arg(QStringLiteral("window MiB"), 11);
    const Summary *previous = nullptr;
    for (const Summary &s : summaries) {
        const double bills = qMax(s.bills, 1);
        const QString added = previous && s.bills > previous->bills
                                  ? QString::number((s.peakLoadBytes - previous->peakLoadBytes) /
                                                        (s.bills - previous->bills),
                                                    'f', 0)
                                  : QStringLiteral("-");
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11\n")
                   .arg(s.bills, 8)
                   .arg(formatMs(s.loadMs), 9)
                   .arg(1000.0 * s.loadMs / bills, 8, 'f', 2)
                   .arg(s.loadFloorMs > 0 ? s.loadMs / s.loadFloorMs : 0, 6, 'f', 2)
                   .arg(s.heldBytesPerBill, 7, 'f', 0)
                   .arg(s.peakLoadBytes / 1024, 9, 'f', 0)
                   .arg(added, 8)
                   .arg(1000.0 * s.upgradeMs / bills, 16, 'f', 1)
                   .arg(formatMs(s.slowestReportMs), 10)
                   .arg(s.listBytesPerBill, 7, 'f', 0)
                   .arg(s.windowPeakBytes / (1024.0 * 1024.0), 11, 'f', 1);
        previous = &s;
    }
}
