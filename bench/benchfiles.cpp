#include "benchfiles.h"

#include "billschedule.h"
#include "connections.h"
#include "datafile.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>
#include <QtDebug>

#include <functional>

namespace {
const QString builder = QStringLiteral("nvbench_builder");

// One prepared statement run once per row, stopping at the first failure.
class RowWriter
{
public:
    RowWriter(const QSqlDatabase &db, const QString &statement) : m_query(db)
    {
        m_ok = m_query.prepare(statement);
        if (!m_ok)
            qWarning().noquote() << statement << m_query.lastError().text();
    }

    bool write(const QVariantList &values)
    {
        if (!m_ok)
            return false;
        for (int i = 0; i < values.size(); ++i)
            m_query.bindValue(i, values.at(i));
        m_ok = m_query.exec();
        if (!m_ok)
            qWarning().noquote() << m_query.lastQuery() << m_query.lastError().text();
        return m_ok;
    }

private:
    QSqlQuery m_query;
    bool m_ok = false;
};

bool run(const QSqlDatabase &db, const QStringList &statements)
{
    QSqlQuery query(db);
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            qWarning().noquote() << statement << query.lastError().text();
            return false;
        }
    }
    return true;
}

bool isWeeklySeries(int series)
{
    return series % 2 == 0;
}

QString seriesType(int series)
{
    return isWeeklySeries(series) ? QStringLiteral("WEEKLY") : QStringLiteral("MONTHLY");
}

// The due dates of one series, centred on today, or ending before it.
QList<QDate> seriesDueDates(int series, int count, bool allPast)
{
    const QString type = seriesType(series);
    const int before = allPast ? count + 1 : count / 2;
    const QDate start = isWeeklySeries(series) ? BenchFiles::today().addDays(-7 * before)
                                               : BenchFiles::today().addMonths(-before);
    BillSchedule schedule(type, 1 + series % 28, 1 + series % 7, 0, BillSchedule::noShift,
                          QStringLiteral("ENDON"), start, QDate());
    schedule.setRangeEndDate(schedule.endDateAfter(count));
    return schedule.dueDates();
}

// Single bills spread over three years either side of today, or over the six years before it.
QDate singleDueDate(int bill, bool allPast)
{
    return BenchFiles::today().addDays(qint64(bill) * 37 % 2191 - (allPast ? 2192 : 1095));
}

// The rule of a series' amount; FIXED unless the shape asks for varying series.
QString amountRuleOf(const BenchFiles::Shape &shape, int series)
{
    static const QStringList varying = {BillSchedule::averageOf3, BillSchedule::averageOf6,
                                        BillSchedule::averageOf12, BillSchedule::sameMonthLastYear};
    if (!shape.varyingSeries || series % 3 != 0)
        return BillSchedule::fixedAmount;
    return varying.at(series / 3 % varying.size());
}

double amountOf(int bill)
{
    return 10.0 + (bill * 7) % 490 + 0.25 * (bill % 4);
}

bool isPaid(int bill)
{
    return bill % 4 == 0;
}

QString noteOf(int bill)
{
    return bill % 10 == 0 ? QStringLiteral("Reference %1-%2").arg(bill * 13 % 100000).arg(bill)
                          : QStringLiteral("");
}

struct BillRow
{
    int id;
    int scheduleId;
    QString description;
    QDate due;
};

// Series bills first, then the single ones; a single bill has a "SINGLE" schedule of its
// own, as the bill dialog stores it.
QList<BillRow> billRows(const BenchFiles::Shape &shape)
{
    QList<BillRow> rows;
    rows.reserve(shape.bills);
    const int perSeries = shape.series > 0 ? shape.seriesBills / shape.series : 0;
    for (int series = 0; series < shape.series; ++series) {
        const QList<QDate> dates = seriesDueDates(series, perSeries, shape.allPast);
        for (const QDate &due : dates)
            rows.append({int(rows.size()) + 1, series + 1,
                         QStringLiteral("%1 series %2").arg(seriesType(series)).arg(series), due});
    }
    int singleSchedule = shape.series;
    while (rows.size() < shape.bills) {
        const int id = int(rows.size()) + 1;
        rows.append({id, ++singleSchedule, QStringLiteral("Bill %1").arg(id),
                     singleDueDate(id, shape.allPast)});
    }
    return rows;
}

bool writePayees(const QSqlDatabase &db, const QString &statement, int count)
{
    RowWriter writer(db, statement);
    for (int id = 1; id <= count; ++id) {
        if (!writer.write({id, QStringLiteral("Payee %1").arg(id),
                           QStringLiteral("ACCT-%1-%2").arg(id * 7919).arg(id),
                           QStringLiteral("%1 Main Street\nSpringfield").arg(id),
                           id % 5 == 0 ? QStringLiteral("Pays by card") : QStringLiteral(""), 0}))
            return false;
    }
    return true;
}

bool writeCurrentSchedules(const QSqlDatabase &db, const BenchFiles::Shape &shape,
                           const QList<BillRow> &bills)
{
    RowWriter writer(db, QStringLiteral("INSERT INTO billschedule (id, scheduletype, "
                                        "dayofmonth, dayofweek, frequency, frequencyvalue, "
                                        "rangetype, rangestartdate, rangeenddate, amountrule) "
                                        "VALUES (?, ?, ?, ?, 0, 'DAY', 'ENDON', ?, ?, ?)"));
    const int perSeries = shape.series > 0 ? shape.seriesBills / shape.series : 0;
    for (int series = 0; series < shape.series; ++series) {
        const QList<QDate> dates = seriesDueDates(series, perSeries, shape.allPast);
        const bool weekly = isWeeklySeries(series);
        const QDate first = dates.value(0, BenchFiles::today());
        if (!writer.write({series + 1, seriesType(series), weekly ? 0 : 1 + series % 28,
                           weekly ? 1 + series % 7 : 0, first, dates.value(dates.size() - 1, first),
                           amountRuleOf(shape, series)}))
            return false;
    }
    for (const BillRow &bill : bills) {
        if (bill.scheduleId > shape.series &&
            !writer.write({bill.scheduleId, QStringLiteral("SINGLE"), 0, 0, BenchFiles::today(),
                           BenchFiles::today(), BillSchedule::fixedAmount}))
            return false;
    }
    return true;
}

bool writeCurrentBills(const QSqlDatabase &db, const BenchFiles::Shape &shape,
                       const QList<BillRow> &bills)
{
    RowWriter writer(db, QStringLiteral("INSERT INTO bills(id, billscheduleid, payeeid, "
                                        "description, amount, insertdate, duedate, paiddate, "
                                        "isunique, paid, note, deleted, isestimate) VALUES (?, ?, "
                                        "?, ?, ?, ?, ?, ?, 0, ?, ?, 0, ?)"));
    const QDate inserted = BenchFiles::today().addDays(-400);
    for (const BillRow &bill : bills) {
        const bool paid = isPaid(bill.id);
        const bool varies = bill.scheduleId <= shape.series &&
                            BillSchedule::amountVaries(amountRuleOf(shape, bill.scheduleId - 1));
        const bool estimate = varies && !paid && bill.due >= BenchFiles::today();
        if (!writer.write({bill.id, bill.scheduleId, 1 + bill.id % shape.payees, bill.description,
                           amountOf(bill.id), inserted, bill.due,
                           paid ? bill.due : QDate(2000, 1, 1), paid ? 1 : 0, noteOf(bill.id),
                           estimate ? 1 : 0}))
            return false;
    }
    return true;
}

// Two payments per bill while the shape asks for them: halves of a paid bill, a tenth each
// of an unpaid one.
bool writePayments(const QSqlDatabase &db, const BenchFiles::Shape &shape,
                   const QList<BillRow> &bills)
{
    RowWriter writer(db, QStringLiteral("INSERT INTO billpayment (id, billid, paymentdate, "
                                        "amount, reference) VALUES (?, ?, ?, ?, '')"));
    int id = 0;
    for (int round = 0; round < 2; ++round) {
        for (const BillRow &bill : bills) {
            if (id >= shape.payments)
                return true;
            const double part = amountOf(bill.id) * (isPaid(bill.id) ? 0.5 : 0.1);
            const QDateTime when(bill.due.addDays(round * 3 - 3), QTime(12, 0));
            if (!writer.write({++id, bill.id, when, part}))
                return false;
        }
    }
    return true;
}
} // namespace

namespace BenchFiles {

Shape Shape::forBills(int bills)
{
    Shape shape;
    shape.bills = qMax(bills, 1);
    shape.payees = qMax(shape.bills / 50, 1);
    shape.series = qMin(50, shape.bills);
    shape.seriesBills = shape.bills / 5;
    shape.payments = shape.bills * 2;
    return shape;
}

QDate today()
{
    return QDate(2026, 3, 18);
}

bool buildCurrent(const QString &path, const Shape &shape)
{
    {
        DataFile file(nullptr);
        if (!file.open(path))
            return false;
    }
    Connections::close(Connections::current());
    if (!Connections::open(builder, path))
        return false;
    bool ok = false;
    {
        const QSqlDatabase db = Connections::database(builder);
        const QList<BillRow> bills = billRows(shape);
        ok = run(db, {QStringLiteral("BEGIN")}) &&
             writePayees(db,
                         QStringLiteral("INSERT INTO payees (id, payeename, accountnumber, "
                                        "mailingaddress, note, deleted) VALUES (?, ?, ?, ?, ?, ?)"),
                         shape.payees) &&
             writeCurrentSchedules(db, shape, bills) && writeCurrentBills(db, shape, bills) &&
             writePayments(db, shape, bills) && run(db, {QStringLiteral("COMMIT")});
    }
    Connections::close(builder);
    return ok;
}

bool buildVersion14(const QString &path, const Shape &shape)
{
    if (!buildCurrent(path, shape) || !Connections::open(builder, path))
        return false;
    bool ok =
        run(Connections::database(builder),
            {QStringLiteral("ALTER TABLE bills DROP COLUMN isestimate"),
             QStringLiteral("ALTER TABLE billschedule DROP COLUMN amountrule"),
             QStringLiteral("ALTER TABLE billpayment DROP COLUMN reference"),
             QStringLiteral("UPDATE filedata SET version = '1.4'"), QStringLiteral("VACUUM")});
    Connections::close(builder);
    return ok;
}

bool buildVersion11(const QString &path, const Shape &shape)
{
    if (!Connections::open(builder, path))
        return false;
    bool ok = false;
    {
        const QSqlDatabase db = Connections::database(builder);
        ok = run(db,
                 {QStringLiteral("BEGIN"),
                  QStringLiteral("CREATE TABLE filedata(firstname TEXT, lastname TEXT, address "
                                 "TEXT, version TEXT)"),
                  QStringLiteral("CREATE TABLE payees(payeeid INTEGER PRIMARY KEY, payeename "
                                 "TEXT, accountnumber TEXT, mailingaddress TEXT, note TEXT, "
                                 "deleted BOOL)"),
                  QStringLiteral("CREATE TABLE billschedule(billscheduleid INTEGER PRIMARY KEY, "
                                 "billscheduletype TEXT, weeklydayofweek INTEGER, "
                                 "monthlydayofmonth INTEGER, rangetype TEXT, rangestartdate "
                                 "DATETIME, rangeenddate DATETIME)"),
                  QStringLiteral("CREATE TABLE bills(billid INTEGER PRIMARY KEY, payeeid INTEGER, "
                                 "description TEXT, amount DECIMAL, duedate DATETIME, paiddate "
                                 "DATETIME, billtype TEXT, billscheduleid INTEGER, paid BOOL, "
                                 "note TEXT, deleted BOOL)"),
                  QStringLiteral("INSERT INTO filedata VALUES ('Ann', 'Example', '1 Main Street', "
                                 "'1.1')")}) &&
             writePayees(db,
                         QStringLiteral("INSERT INTO payees (payeeid, payeename, accountnumber, "
                                        "mailingaddress, note, deleted) VALUES (?, ?, ?, ?, ?, ?)"),
                         shape.payees);
        RowWriter schedules(db, QStringLiteral("INSERT INTO billschedule VALUES (?, ?, ?, ?, "
                                               "'ENDON', ?, ?)"));
        for (int series = 0; ok && series < shape.series; ++series)
            ok = schedules.write({series + 1, seriesType(series), 1 + series % 7, 1 + series % 28,
                                  today(), today().addYears(2)});
        RowWriter bills(db, QStringLiteral("INSERT INTO bills VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                           "?, 0)"));
        for (const BillRow &bill : billRows(shape)) {
            if (!ok)
                break;
            const bool paid = isPaid(bill.id);
            const bool single = bill.scheduleId > shape.series;
            ok = bills.write({bill.id, 1 + bill.id % shape.payees, bill.description,
                              amountOf(bill.id), bill.due, paid ? bill.due : QVariant(),
                              single ? QStringLiteral("SINGLE") : QStringLiteral("RECURRING"),
                              single ? 0 : bill.scheduleId, paid ? 1 : 0, noteOf(bill.id)});
        }
        ok = ok && run(db, {QStringLiteral("COMMIT")});
    }
    Connections::close(builder);
    return ok;
}

} // namespace BenchFiles
