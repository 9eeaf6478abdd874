#include "billschedule.h"

#include "clock.h"
#include "connections.h"
#include "formatting.h"
#include "logging.h"
#include "recordsql.h"
#include "tableupgrade.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <QtGlobal>

#include <algorithm>
#include <limits>

namespace {
const char *const updateStatement =
    "UPDATE billschedule SET scheduletype = :scheduletype, dayofmonth = :dayofmonth, dayofweek "
    "= :dayofweek, frequency = :frequency, frequencyvalue = :frequencyvalue, rangetype = "
    ":rangetype, rangestartdate = :rangestartdate, rangeenddate = :rangeenddate, amountrule = "
    ":amountrule WHERE id = :billscheduleid";

const char *const insertStatement =
    "INSERT INTO billschedule (id, scheduletype, dayofmonth, dayofweek, frequency, "
    "frequencyvalue, rangetype, rangestartdate, rangeenddate, amountrule) VALUES (NULL, "
    ":scheduletype, :dayofmonth, :dayofweek, :frequency, :frequencyvalue, :rangetype, "
    ":rangestartdate, :rangeenddate, :amountrule);";

enum class Pattern
{
    None,
    Days,
    Months,
    NthWeekday
};
enum class WeekendShift
{
    None,
    ToFriday,
    ToMonday
};

// One schedule's rule, read from its columns once so that walking a long range compares no
// strings. Fields out of range leave it with no pattern: nothing is due rather than guesses.
struct Recurrence
{
    Pattern pattern = Pattern::None;
    int every = 0;      // days for Days, months for Months
    int dayOfWeek = 0;  // Days (only to find the first date) and NthWeekday
    int dayOfMonth = 0; // Months
    int nth = 0;        // NthWeekday: 1-4, or 5 for the last one
    WeekendShift shift = WeekendShift::None;

    bool recurs() const { return pattern != Pattern::None; }
    QDate first(const QDate &start) const;
    // The date `index` steps after first (which first() gave), before the weekend rule.
    QDate at(const QDate &first, qint64 index) const;
    QDate shifted(const QDate &date) const;
    // Months and NthWeekday: the date in the month of date.
    QDate inMonth(const QDate &date) const;
};

bool inRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

Recurrence parseRecurrence(const QString &type, int dayOfWeek, int dayOfMonth, int frequency,
                           const QString &weekendRule)
{
    Recurrence rule;
    const auto byDays = [&](int weeks, bool valid) {
        if (valid && inRange(dayOfWeek, 1, 7)) {
            rule.pattern = Pattern::Days;
            rule.every = 7 * weeks;
            rule.dayOfWeek = dayOfWeek;
        }
    };
    const auto byMonths = [&](int months, bool valid) {
        if (valid && inRange(dayOfMonth, 1, 31)) {
            rule.pattern = Pattern::Months;
            rule.every = months;
            rule.dayOfMonth = dayOfMonth;
        }
    };
    if (type == BillSchedule::weeklyType)
        byDays(1, true);
    else if (type == BillSchedule::biWeeklyType)
        byDays(2, true);
    else if (type == BillSchedule::nWeeklyType)
        byDays(frequency, inRange(frequency, 1, 52));
    else if (type == BillSchedule::monthlyType)
        byMonths(1, true);
    else if (type == BillSchedule::nMonthlyType)
        byMonths(frequency, inRange(frequency, 1, 24));
    else if (type == BillSchedule::nthWeekdayType && inRange(dayOfWeek, 1, 7) &&
             inRange(frequency, 1, 5)) {
        rule.pattern = Pattern::NthWeekday;
        rule.every = 1;
        rule.dayOfWeek = dayOfWeek;
        rule.nth = frequency;
    }
    if (weekendRule == BillSchedule::beforeWeekend)
        rule.shift = WeekendShift::ToFriday;
    else if (weekendRule == BillSchedule::afterWeekend)
        rule.shift = WeekendShift::ToMonday;
    return rule;
}

// The day a monthly bill falls due in the month of date: the chosen day, or the last day
// of a month that is too short for it.
QDate dueDayInMonth(const QDate &date, int dayOfMonth)
{
    return QDate(date.year(), date.month(), qMin(dayOfMonth, date.daysInMonth()));
}

// The nth (5: last) given weekday of the month of date.
QDate nthWeekdayInMonth(const QDate &date, int dayOfWeek, int nth)
{
    if (nth == 5) {
        const QDate last(date.year(), date.month(), date.daysInMonth());
        return last.addDays(-((last.dayOfWeek() - dayOfWeek + 7) % 7));
    }
    const QDate first(date.year(), date.month(), 1);
    return first.addDays((dayOfWeek - first.dayOfWeek() + 7) % 7 + 7 * (nth - 1));
}

QDate Recurrence::first(const QDate &start) const
{
    if (!start.isValid())
        return QDate();
    switch (pattern) {
    case Pattern::Days:
        return start.addDays((dayOfWeek - start.dayOfWeek() + 7) % 7);
    case Pattern::Months:
    case Pattern::NthWeekday: {
        // This month's date when it is still ahead, else next month's (which may be a short
        // month's last day: a day-30 bill from 31 January falls due on 28 February).
        const QDate inStartMonth = inMonth(start);
        if (inStartMonth >= start)
            return inStartMonth;
        return inMonth(QDate(start.year(), start.month(), 1).addMonths(1));
    }
    case Pattern::None:
        break;
    }
    return QDate();
}

QDate Recurrence::at(const QDate &first, qint64 index) const
{
    if (!first.isValid())
        return QDate();
    if (pattern == Pattern::Days)
        return first.addDays(index * every);
    // Whole months from the first date's month: counting from the previous date instead
    // would let a short month's last day pull every later date back.
    const qint64 months = index * every;
    if (pattern == Pattern::None || months > std::numeric_limits<int>::max())
        return QDate();
    return inMonth(QDate(first.year(), first.month(), 1).addMonths(int(months)));
}

QDate Recurrence::inMonth(const QDate &date) const
{
    if (!date.isValid())
        return QDate();
    return pattern == Pattern::Months ? dueDayInMonth(date, dayOfMonth)
                                      : nthWeekdayInMonth(date, dayOfWeek, nth);
}

QDate Recurrence::shifted(const QDate &date) const
{
    const int weekday = date.dayOfWeek();
    if (shift == WeekendShift::None || weekday < 6)
        return date;
    return date.addDays(shift == WeekendShift::ToFriday ? 5 - weekday : 8 - weekday);
}

QList<QDate> datesOf(const Recurrence &rule, const QDate &start, const QDate &end, int limit)
{
    QList<QDate> dates;
    if (!rule.recurs() || !end.isValid() || limit == 0)
        return dates;
    const QDate first = rule.first(start);
    if (!first.isValid() || first > end)
        return dates;
    // Room for every date at once: a month holds at least 28 days.
    qint64 expected =
        first.daysTo(end) / (rule.pattern == Pattern::Days ? rule.every : 28 * rule.every) + 1;
    if (limit > 0)
        expected = qMin<qint64>(expected, limit);
    dates.reserve(qsizetype(qMin<qint64>(expected, 1 << 20)));
    for (qint64 index = 0;; ++index) {
        const QDate date = rule.at(first, index);
        if (!date.isValid() || date > end)
            break;
        dates.append(date);
        if (limit > 0 && dates.size() >= limit)
            break;
    }
    return dates;
}
} // namespace

bool BillSchedule::amountVaries(const QString &amountRule)
{
    return amountRule == averageOf3 || amountRule == averageOf6 || amountRule == averageOf12 ||
           amountRule == sameMonthLastYear;
}

bool BillSchedule::recurs(const QString &scheduleType)
{
    return scheduleType == weeklyType || scheduleType == biWeeklyType ||
           scheduleType == monthlyType || scheduleType == nWeeklyType ||
           scheduleType == nMonthlyType || scheduleType == nthWeekdayType;
}

QString BillSchedule::endBeforeStartWarning(const QDate &start, const QDate &end)
{
    if (end >= start)
        return QString();
    return QStringLiteral("The series cannot end before it starts on %1.\nPlease choose a later "
                          "end.")
        .arg(Formatting::shortDate(start));
}

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
    Transaction transaction(Connections::current());
    if (!transaction.isActive() || (update && !settleAmountRule()) ||
        !writeRecord(
            update ? WriteKind::Update : WriteKind::InsertNewId, Connections::current(),
            QLatin1String(update ? updateStatement : insertStatement),
            QStringLiteral(":billscheduleid"), m_id,
            [this](QSqlQuery &query) { bindColumns(query); }, "BillSchedule") ||
        !transaction.commit())
        return false;
    m_storedRule = m_amountRule;
    return true;
}

// Whether the rule varies is what decides which instances are estimates; a change between the
// rules that forecast changes no bill.
bool BillSchedule::settleAmountRule()
{
    const bool varies = amountVaries(m_amountRule);
    if (varies == amountVaries(m_storedRule))
        return true;
    // Turning varying, only what nothing was paid on becomes an estimate: a payment was made
    // against a real amount. Turning fixed, every stored amount is taken as the real one.
    const QString statement =
        varies ? QStringLiteral("UPDATE bills SET isestimate = 1 WHERE billscheduleid = "
                                ":billscheduleid AND deleted = 0 AND paid = 0 AND NOT EXISTS "
                                "(SELECT 1 FROM billpayment WHERE billpayment.billid = bills.id)")
               : QStringLiteral("UPDATE bills SET isestimate = 0 WHERE billscheduleid = "
                                ":billscheduleid");
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, statement))
        return false;
    query.bindValue(QStringLiteral(":billscheduleid"), m_id);
    if (!RecordSql::exec(query))
        return false;
    for (Bill &bill : m_bills)
        bill.setEstimate(varies && !bill.isPaid() && !bill.hasPayments());
    m_storedRule = m_amountRule;
    return true;
}

bool BillSchedule::insertKeepingId()
{
    return writeRecord(
        WriteKind::InsertKeepingId, Connections::current(),
        QStringLiteral("INSERT INTO billschedule (id, scheduletype, dayofmonth, "
                       "dayofweek, frequency, frequencyvalue, rangetype, rangestartdate, "
                       "rangeenddate, amountrule) VALUES (:billscheduleid, :scheduletype, "
                       ":dayofmonth, :dayofweek, :frequency, :frequencyvalue, "
                       ":rangetype, :rangestartdate, :rangeenddate, :amountrule);"),
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
    query.bindValue(QStringLiteral(":amountrule"), RecordSql::text(m_amountRule));
}

bool BillSchedule::remove()
{
    if (!hasRow("BillSchedule"))
        return false;
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

bool BillSchedule::setFromRecord(const QSqlRecord &record)
{
    readColumns(record);
    setStored(true);
    return loadBills();
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
    // Schedules of layouts before varying amounts have no rule: their amount is fixed.
    const int rule = record.indexOf(QStringLiteral("amountrule"));
    m_amountRule = rule < 0 || record.isNull(rule) ? fixedAmount : record.value(rule).toString();
    m_storedRule = m_amountRule;
}

std::optional<BillSchedule> BillSchedule::findById(int id)
{
    const std::optional<QSqlRecord> row =
        RecordSql::findRow(Connections::current(),
                           QStringLiteral("SELECT * FROM billschedule WHERE id = :billscheduleid"),
                           QStringLiteral(":billscheduleid"), id, QStringLiteral("schedule"));
    BillSchedule schedule;
    if (!row || !schedule.setFromRecord(*row))
        return std::nullopt;
    return schedule;
}

QString BillSchedule::createStatement()
{
    return QStringLiteral("CREATE TABLE billschedule (id INTEGER NOT NULL PRIMARY KEY, "
                          "scheduletype VARCHAR(20), dayofmonth INTEGER, dayofweek "
                          "INTEGER, frequency INTEGER, frequencyvalue VARCHAR(20), "
                          "rangetype VARCHAR(20), rangestartdate DATETIME, "
                          "rangeenddate DATETIME, amountrule VARCHAR(20));");
}

bool BillSchedule::createTable()
{
    QSqlQuery query = RecordSql::currentQuery();
    return RecordSql::prepare(query, createStatement()) && RecordSql::exec(query);
}

bool BillSchedule::addBill(Bill &bill)
{
    if (!isStored() || m_id == 0) {
        qCWarning(lcStore) << "A bill cannot join a schedule that has not been stored";
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
    if (!RecordSql::readToTheEnd(query))
        return false;
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
    firstInstance.setEstimate(amountVaries(m_amountRule));
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
        // Where the amount varies, a confirmed amount is the real one and stays.
        if (!amountVaries(m_amountRule) || bill.isEstimate())
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

QList<QDate> BillSchedule::ruleDates(int limit) const
{
    return datesOf(
        parseRecurrence(m_scheduleType, m_dayOfWeek, m_dayOfMonth, m_frequency, m_frequencyValue),
        m_rangeStartDate, m_rangeEndDate, limit);
}

QList<QDate> BillSchedule::dueDates(int limit) const
{
    const Recurrence rule =
        parseRecurrence(m_scheduleType, m_dayOfWeek, m_dayOfMonth, m_frequency, m_frequencyValue);
    QList<QDate> dates = datesOf(rule, m_rangeStartDate, m_rangeEndDate, limit);
    if (rule.shift != WeekendShift::None)
        for (QDate &date : dates)
            date = rule.shifted(date);
    return dates;
}

QDate BillSchedule::endDateAfter(int occurrences) const
{
    const Recurrence rule =
        parseRecurrence(m_scheduleType, m_dayOfWeek, m_dayOfMonth, m_frequency, m_frequencyValue);
    if (occurrences < 1 || !rule.recurs())
        return QDate();
    return rule.at(rule.first(m_rangeStartDate), occurrences - 1);
}

QString BillSchedule::layoutColumns(const QString &version)
{
    if (version == QLatin1String("1.0"))
        return QStringLiteral("none");
    if (version == QLatin1String("1.1"))
        return QStringLiteral("billschedule,billscheduleid,billscheduletype,weeklydayofweek,"
                              "monthlydayofmonth,rangetype,rangestartdate,rangeenddate");
    if (hasLayout14(version))
        return QStringLiteral("billschedule,id,scheduletype,dayofmonth,dayofweek,frequency,"
                              "frequencyvalue,rangetype,rangestartdate,rangeenddate");
    if (hasLayout15(version))
        return QStringLiteral("billschedule,id,scheduletype,dayofmonth,dayofweek,frequency,"
                              "frequencyvalue,rangetype,rangestartdate,rangeenddate,amountrule");
    return QString();
}

bool BillSchedule::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::current(), layoutColumns(version));
}

bool BillSchedule::upgradePrepare(const QString &version)
{
    // The table has the current layout already and stays as it is.
    if (hasLayout15(version))
        return true;
    return TableUpgrade::prepare(Connections::current(), layoutColumns(version),
                                 QStringLiteral("ALTER TABLE billschedule RENAME TO "),
                                 &BillSchedule::createTable);
}

bool BillSchedule::upgradeCopy(const QString &version)
{
    if (hasLayout15(version))
        return true;
    const QString layout = layoutColumns(version);
    if (hasLayout14(version))
        return copyCurrentRows(layout);
    // The old layout's recurrence columns do not fit the current ones, and no bill of an older
    // file refers to its old schedules (those bills get schedules of their own): each row
    // becomes a schedule with the defaults.
    if (TableUpgrade::isAbsent(layout))
        return true;
    return insertDefaultRows(BillSchedule().scheduleType(), TableUpgrade::tempTable(layout));
}

bool BillSchedule::insertDefaultRows(const QString &scheduleType, const QString &table)
{
    QSqlQuery query = RecordSql::currentQuery();
    const QString statement =
        QStringLiteral("INSERT INTO billschedule (scheduletype, dayofmonth, dayofweek, frequency, "
                       "frequencyvalue, rangetype, rangestartdate, rangeenddate, amountrule) "
                       "SELECT :scheduletype, :dayofmonth, :dayofweek, :frequency, "
                       ":frequencyvalue, :rangetype, :rangestartdate, :rangeenddate, :amountrule "
                       "FROM ") +
        table + QStringLiteral(" ORDER BY rowid");
    if (!RecordSql::prepare(query, statement))
        return false;
    BillSchedule defaults;
    defaults.setScheduleType(scheduleType);
    defaults.bindColumns(query);
    return RecordSql::exec(query);
}

// Rows of the 1.4 layout keep their ids, which their bills hold, and get the fixed amount of
// that layout. Those whose values read
// and write back unchanged are copied as they are, the others as the record reads them.
bool BillSchedule::copyCurrentRows(const QString &layout)
{
    const QString plain = QStringList{TableUpgrade::plainInt(QStringLiteral("id")),
                                      TableUpgrade::plainText(QStringLiteral("scheduletype")),
                                      TableUpgrade::plainInt(QStringLiteral("dayofmonth")),
                                      TableUpgrade::plainInt(QStringLiteral("dayofweek")),
                                      TableUpgrade::plainInt(QStringLiteral("frequency")),
                                      TableUpgrade::plainText(QStringLiteral("frequencyvalue")),
                                      TableUpgrade::plainText(QStringLiteral("rangetype")),
                                      TableUpgrade::plainDate(QStringLiteral("rangestartdate")),
                                      TableUpgrade::plainDate(QStringLiteral("rangeenddate"))}
                              .join(QLatin1String(" AND "));
    return TableUpgrade::copyPlainAndOthers(
        Connections::current(), TableUpgrade::tempTable(layout), plain,
        {QStringLiteral(
            "INSERT INTO billschedule (id, scheduletype, dayofmonth, dayofweek, "
            "frequency, frequencyvalue, rangetype, rangestartdate, rangeenddate, amountrule) "
            "SELECT id, COALESCE(scheduletype, ''), dayofmonth, dayofweek, frequency, "
            "COALESCE(frequencyvalue, ''), COALESCE(rangetype, ''), rangestartdate, "
            "rangeenddate, 'FIXED' FROM ")},
        [](const QSqlRecord &row) {
            BillSchedule schedule;
            schedule.convertRecord(row, QStringLiteral("1.2"));
            return schedule.insertKeepingId();
        });
}

bool BillSchedule::upgradeDrop(const QString &version)
{
    if (hasLayout15(version))
        return true;
    return TableUpgrade::drop(Connections::current(), layoutColumns(version));
}

void BillSchedule::convertRecord(const QSqlRecord &row, const QString &version)
{
    // The old layout's recurrence columns do not fit the current ones; such a schedule keeps
    // its defaults.
    if (hasLayout14(version)) {
        readColumns(row);
        m_amountRule = fixedAmount;
        m_storedRule = fixedAmount;
    }
    setStored(false);
}
