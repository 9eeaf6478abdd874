#include "billschedule.h"

#include "clock.h"
#include "connections.h"
#include "recordsql.h"
#include "tableupgrade.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <QtDebug>
#include <QtGlobal>

#include <algorithm>

namespace {
const char *const updateStatement =
    "UPDATE billschedule SET scheduletype = :scheduletype, dayofmonth = :dayofmonth, dayofweek "
    "= :dayofweek, frequency = :frequency, frequencyvalue = :frequencyvalue, rangetype = "
    ":rangetype, rangestartdate = :rangestartdate, rangeenddate = :rangeenddate WHERE id = "
    ":billscheduleid";

const char *const insertStatement =
    "INSERT INTO billschedule (id, scheduletype, dayofmonth, dayofweek, frequency, "
    "frequencyvalue, rangetype, rangestartdate, rangeenddate) VALUES (NULL, :scheduletype, "
    ":dayofmonth, :dayofweek, :frequency, :frequencyvalue, :rangetype, :rangestartdate, "
    ":rangeenddate);";

bool isWeekly(const QString &scheduleType)
{
    return scheduleType == QLatin1String("WEEKLY") || scheduleType == QLatin1String("BIWEEKLY");
}

bool isMonthly(const QString &scheduleType)
{
    return scheduleType == QLatin1String("MONTHLY");
}

// The day a monthly bill falls due in the month of date: the chosen day, or the last day
// of a month that is too short for it.
QDate dueDayInMonth(const QDate &date, int dayOfMonth)
{
    const int day = qBound(1, dayOfMonth, 31);
    return QDate(date.year(), date.month(), qMin(day, date.daysInMonth()));
}
} // namespace

BillSchedule::BillSchedule()
    : m_scheduleType(QStringLiteral("NOTSET")), m_frequencyValue(QStringLiteral("DAY")),
      m_rangeType(QStringLiteral("ENDON")), m_rangeStartDate(Clock::today()),
      m_rangeEndDate(Clock::today())
{
}

BillSchedule::BillSchedule(const QString &scheduleType, int dayOfMonth, int dayOfWeek,
                           int frequency, const QString &frequencyValue, const QString &rangeType,
                           const QDate &rangeStartDate, const QDate &rangeEndDate)
    : m_scheduleType(scheduleType), m_dayOfMonth(dayOfMonth), m_dayOfWeek(dayOfWeek),
      m_frequency(frequency), m_frequencyValue(frequencyValue), m_rangeType(rangeType),
      m_rangeStartDate(rangeStartDate), m_rangeEndDate(rangeEndDate)
{
    // A schedule that was never stored has no bills of its own; listing those of id 0 would
    // adopt stray rows, which would then stop generateBills and go with remove().
}

BillSchedule::BillSchedule(const QSqlRecord &record) : BillSchedule()
{
    setFromRecord(record);
}

bool BillSchedule::save()
{
    const bool update = isStored();
    return writeRecord(update ? WriteKind::Update : WriteKind::InsertNewId, Connections::current(),
                       QLatin1String(update ? updateStatement : insertStatement),
                       QStringLiteral(":billscheduleid"), m_id,
                       [this](QSqlQuery &query) { bindColumns(query); });
}

bool BillSchedule::insertKeepingId()
{
    return writeRecord(
        WriteKind::InsertKeepingId, Connections::current(),
        QStringLiteral("INSERT INTO billschedule (id, scheduletype, dayofmonth, "
                       "dayofweek, frequency, frequencyvalue, rangetype, rangestartdate, "
                       "rangeenddate) VALUES (:billscheduleid, :scheduletype, "
                       ":dayofmonth, :dayofweek, :frequency, :frequencyvalue, "
                       ":rangetype, :rangestartdate, :rangeenddate);"),
        QStringLiteral(":billscheduleid"), m_id, [this](QSqlQuery &query) { bindColumns(query); });
}

void BillSchedule::bindColumns(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":scheduletype"), RecordSql::text(m_scheduleType));
    query.bindValue(QStringLiteral(":dayofmonth"), m_dayOfMonth);
    query.bindValue(QStringLiteral(":dayofweek"), m_dayOfWeek);
    query.bindValue(QStringLiteral(":frequency"), m_frequency);
    query.bindValue(QStringLiteral(":frequencyvalue"), RecordSql::text(m_frequencyValue));
    query.bindValue(QStringLiteral(":rangetype"), RecordSql::text(m_rangeType));
    query.bindValue(QStringLiteral(":rangestartdate"), RecordSql::date(m_rangeStartDate));
    query.bindValue(QStringLiteral(":rangeenddate"), RecordSql::date(m_rangeEndDate));
}

bool BillSchedule::remove()
{
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    bool uniqueRemains = false;
    for (Bill &bill : m_bills) {
        if (bill.isUnique())
            uniqueRemains = true;
        else if (!bill.remove())
            return false;
    }
    // Unique instances still refer to the schedule, so its row stays for them.
    if (!uniqueRemains && !removeRow())
        return false;
    if (!transaction.commit())
        return false;
    // The list keeps only the bills that still exist.
    m_bills.erase(std::remove_if(m_bills.begin(), m_bills.end(),
                                 [](const Bill &bill) { return !bill.isUnique(); }),
                  m_bills.end());
    return true;
}

bool BillSchedule::removeRow()
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("DELETE FROM billschedule WHERE id = :billid")))
        return false;
    query.bindValue(QStringLiteral(":billid"), m_id);
    return RecordSql::exec(query);
}

void BillSchedule::setFromRecord(const QSqlRecord &record)
{
    readColumns(record);
    setStored(true);
    loadBills();
}

void BillSchedule::readColumns(const QSqlRecord &record)
{
    m_id = record.value(QStringLiteral("id")).toInt();
    m_dayOfMonth = record.value(QStringLiteral("dayofmonth")).toInt();
    m_dayOfWeek = record.value(QStringLiteral("dayofweek")).toInt();
    m_frequency = record.value(QStringLiteral("frequency")).toInt();
    m_scheduleType = record.value(QStringLiteral("scheduletype")).toString();
    m_frequencyValue = record.value(QStringLiteral("frequencyvalue")).toString();
    m_rangeType = record.value(QStringLiteral("rangetype")).toString();
    m_rangeStartDate = record.value(QStringLiteral("rangestartdate")).toDate();
    m_rangeEndDate = record.value(QStringLiteral("rangeenddate")).toDate();
}

BillSchedule BillSchedule::findById(int id)
{
    BillSchedule schedule;
    schedule.setFromRecord(RecordSql::selectById(
        Connections::current(),
        QStringLiteral("SELECT * FROM billschedule WHERE id = :billscheduleid"),
        QStringLiteral(":billscheduleid"), id));
    return schedule;
}

bool BillSchedule::createTable()
{
    QSqlQuery query = RecordSql::currentQuery();
    return RecordSql::prepare(
               query, QStringLiteral("CREATE TABLE billschedule (id INTEGER NOT NULL PRIMARY KEY, "
                                     "scheduletype VARCHAR(20), dayofmonth INTEGER, dayofweek "
                                     "INTEGER, frequency INTEGER, frequencyvalue VARCHAR(20), "
                                     "rangetype VARCHAR(20), rangestartdate DATETIME, "
                                     "rangeenddate DATETIME);")) &&
           RecordSql::exec(query);
}

bool BillSchedule::addBill(Bill &bill)
{
    if (!isStored() || m_id == 0) {
        qWarning() << "A bill cannot join a schedule that has not been stored";
        return false;
    }
    bill.setBillScheduleId(m_id);
    if (!bill.save())
        return false;
    m_bills.append(bill);
    return true;
}

bool BillSchedule::loadBills()
{
    m_bills.clear();
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("SELECT * FROM bills WHERE billscheduleid = "
                                                  ":billscheduleid AND deleted = 0")))
        return false;
    query.setForwardOnly(true);
    query.bindValue(QStringLiteral(":billscheduleid"), m_id);
    if (!RecordSql::exec(query))
        return false;
    // Read every row before building the bills: a bill whose paid state changed writes its
    // row back, which should not happen under a statement still stepping through the table.
    QList<QSqlRecord> rows;
    while (query.next())
        rows.append(query.record());
    query.finish();
    // A file that cannot be written now gets its paid states at a later read.
    const LockWaitSuspension noWaiting(Connections::current());
    for (const QSqlRecord &row : rows)
        m_bills.append(Bill(row));
    return true;
}

bool BillSchedule::generateBills(const Bill &templateBill)
{
    if (hasBills())
        return true;
    const QList<QDate> dates = dueDates();
    if (dates.isEmpty())
        return true;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    // Every instance starts as a copy of one new bill: the whole series gets the same insert
    // date and shares one copy of the payee.
    Bill firstInstance;
    firstInstance.setPayee(templateBill.payee());
    firstInstance.setAmount(templateBill.amount());
    firstInstance.setDescription(templateBill.description());
    firstInstance.setNote(templateBill.note());
    m_bills.reserve(dates.size());
    for (const QDate &dueDate : dates) {
        Bill instance(firstInstance);
        instance.setDueDate(dueDate);
        // Joining the schedule inserts the instance with the schedule's id in one write.
        if (!addBill(instance)) {
            m_bills.clear();
            return false;
        }
    }
    if (!transaction.commit()) {
        m_bills.clear();
        return false;
    }
    return true;
}

bool BillSchedule::updateBills(const Bill &templateBill)
{
    if (m_bills.isEmpty())
        return true;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    // Edit copies, so that a rolled-back update leaves the list as the file still has it.
    QList<Bill> updated = m_bills;
    for (Bill &bill : updated) {
        // A bill whose amount or due date cannot be read stays exactly as stored.
        if (bill.isUnique() || !bill.isReadable())
            continue;
        bill.setPayee(templateBill.payee());
        bill.setAmount(templateBill.amount());
        bill.setDescription(templateBill.description());
        bill.setNote(templateBill.note());
        if (!bill.save())
            return false;
    }
    if (!transaction.commit())
        return false;
    m_bills = updated;
    return true;
}

QList<QDate> BillSchedule::dueDates() const
{
    QList<QDate> dates;
    if (!m_rangeEndDate.isValid())
        return dates;
    for (QDate date = firstDueDate(m_scheduleType, m_rangeStartDate, m_dayOfWeek, m_dayOfMonth);
         date.isValid() && date <= m_rangeEndDate;
         date = nextDueDate(m_scheduleType, date, m_dayOfMonth))
        dates.append(date);
    return dates;
}

QDate BillSchedule::firstDueDate(const QString &scheduleType, const QDate &start, int dayOfWeek,
                                 int dayOfMonth)
{
    if (!start.isValid())
        return QDate();
    if (isWeekly(scheduleType)) {
        QDate date = start;
        if (date.dayOfWeek() > dayOfWeek)
            date = date.addDays(7 - date.dayOfWeek() + dayOfWeek);
        if (date.dayOfWeek() < dayOfWeek)
            date = date.addDays(dayOfWeek - date.dayOfWeek());
        return date;
    }
    if (isMonthly(scheduleType)) {
        // The due day of the start month when it is still ahead, else that of the next month
        // (which may be a short month's last day: a day-30 bill from 31 January falls due
        // on the last day of February, not first in March).
        const QDate inStartMonth = dueDayInMonth(start, dayOfMonth);
        if (inStartMonth >= start)
            return inStartMonth;
        return dueDayInMonth(QDate(start.year(), start.month(), 1).addMonths(1), dayOfMonth);
    }
    return QDate();
}

QDate BillSchedule::nextDueDate(const QString &scheduleType, const QDate &previous, int dayOfMonth)
{
    if (!previous.isValid())
        return QDate();
    if (scheduleType == QLatin1String("WEEKLY"))
        return previous.addDays(7);
    if (scheduleType == QLatin1String("BIWEEKLY"))
        return previous.addDays(14);
    if (!isMonthly(scheduleType))
        return QDate();
    // One calendar month on (clamped to a shorter month's last day), then back to the chosen
    // day when this month has it again.
    QDate date = previous.addMonths(1);
    const QDate dueDay = dueDayInMonth(date, dayOfMonth);
    if (date < dueDay)
        date = dueDay;
    return date;
}

QString BillSchedule::layoutColumns(const QString &version)
{
    if (version == QLatin1String("1.0"))
        return QStringLiteral("none");
    if (version == QLatin1String("1.1"))
        return QStringLiteral("billschedule,billscheduleid,billscheduletype,weeklydayofweek,"
                              "monthlydayofmonth,rangetype,rangestartdate,rangeenddate");
    if (version == QLatin1String("1.2") || version == QLatin1String("1.4"))
        return QStringLiteral("billschedule,id,scheduletype,dayofmonth,dayofweek,frequency,"
                              "frequencyvalue,rangetype,rangestartdate,rangeenddate");
    return QString();
}

bool BillSchedule::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::current(), layoutColumns(version));
}

bool BillSchedule::upgradePrepare(const QString &version)
{
    return TableUpgrade::prepare(Connections::current(), layoutColumns(version),
                                 QStringLiteral("ALTER TABLE billschedule RENAME TO "),
                                 &BillSchedule::createTable);
}

bool BillSchedule::upgradeCopy(const QString &version)
{
    return TableUpgrade::copy(
        Connections::current(), layoutColumns(version), [&version](const QSqlRecord &row) {
            BillSchedule schedule;
            schedule.convertRecord(row, version);
            // Rows of the current layout keep their ids, which their bills hold. No bill of
            // an older file refers to its old schedules: those bills get schedules of their own.
            return version == QLatin1String("1.2") ? schedule.insertKeepingId() : schedule.save();
        });
}

bool BillSchedule::upgradeDrop(const QString &version)
{
    return TableUpgrade::drop(Connections::current(), layoutColumns(version));
}

void BillSchedule::convertRecord(const QSqlRecord &row, const QString &version)
{
    // The old layout's recurrence columns do not fit the current ones; such a schedule keeps
    // its defaults.
    if (version == QLatin1String("1.2"))
        readColumns(row);
    setStored(false);
}
