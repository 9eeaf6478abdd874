#pragma once

#include "activedomainobject.h"
#include "bill.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class QSqlQuery;
class QSqlRecord;

// When the bills of one series fall due, and the link between them. A schedule generates
// its instances once, carries later edits over to the instances that still follow it, and
// deletes its series. The listed bills are held by value: the list is a snapshot of the
// series that the schedule owns outright.
class BillSchedule final : public ActiveDomainObject
{
public:
    BillSchedule();
    BillSchedule(const QString &scheduleType, int dayOfMonth, int dayOfWeek, int frequency,
                 const QString &frequencyValue, const QString &rangeType,
                 const QDate &rangeStartDate, const QDate &rangeEndDate);
    explicit BillSchedule(const QSqlRecord &record);

    // Saving a new rule for the amount settles which bills are estimates first (see
    // settleAmountRule), in the same transaction.
    bool save() override;
    // Deletes every instance that is not unique, with its payments, and the schedule's own
    // row unless a unique instance still refers to it. All or nothing.
    bool remove() override;
    // Inserts the schedule under its own id, for a copy that must keep the ids bills hold.
    bool insertKeepingId();

    // Fills the schedule from one row and reads its bills; false when they could not be read.
    bool setFromRecord(const QSqlRecord &record);

    // The stored schedule with its bills, or nothing when it has no row or could not be read
    // (the last error text says which).
    static std::optional<BillSchedule> findById(int id);
    // The statement that creates the table in the current layout.
    static QString createStatement();
    static bool createTable();

    // Upgrade of the table from an older file version (see TableUpgrade).
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
    // Inserts one schedule of the given type, with the default values and a new id, for every
    // row of the named table, in the order of its rows: what saving a default schedule per row
    // would store, in one statement.
    static bool insertDefaultRows(const QString &scheduleType, const QString &table);
    // Fills this default-constructed schedule from one row of the version's layout without
    // reading its bills; it is left not stored.
    void convertRecord(const QSqlRecord &row, const QString &version);

    QList<Bill> bills() const { return m_bills; }
    bool hasBills() const { return !m_bills.isEmpty(); }
    // Gives the caller's bill this schedule's id, saves it and lists a copy of it. Refused
    // while the schedule has no row of its own, so no bill is ever tied to id 0.
    bool addBill(Bill &bill);
    // Lists the schedule's bills as they are stored; writes nothing unless a bill's paid
    // state has changed since it was last written.
    bool loadBills();

    // Stores one instance per due date in the range, copied from the template, in one
    // transaction. Does nothing for a schedule that already lists bills.
    bool generateBills(const Bill &templateBill);
    // Copies the template's payee, amount, description and note into every listed bill that
    // is not unique and saves them, in one transaction. Due dates stay.
    bool updateBills(const Bill &templateBill);

    // The kinds of schedule as the file stores them. WEEKLY and BIWEEKLY fall on dayOfWeek
    // (1 = Monday) every week or every other one, MONTHLY on dayOfMonth (or a shorter month's
    // last day); NWEEKLY every `frequency` weeks (1-52), NMONTHLY every `frequency` months
    // (1-24); NTHWEEKDAY on the `frequency`-th dayOfWeek of each month (1-4, 5 = the last).
    static inline const QString weeklyType = QStringLiteral("WEEKLY");
    static inline const QString biWeeklyType = QStringLiteral("BIWEEKLY");
    static inline const QString monthlyType = QStringLiteral("MONTHLY");
    static inline const QString nWeeklyType = QStringLiteral("NWEEKLY");
    static inline const QString nMonthlyType = QStringLiteral("NMONTHLY");
    static inline const QString nthWeekdayType = QStringLiteral("NTHWEEKDAY");
    // The weekend rule, held in frequencyValue for every kind: a Saturday or Sunday stays,
    // moves to the Friday before or to the Monday after. Any other value moves nothing.
    static inline const QString noShift = QStringLiteral("DAY");
    static inline const QString beforeWeekend = QStringLiteral("BEFOREWEEKEND");
    static inline const QString afterWeekend = QStringLiteral("AFTERWEEKEND");
    // How the amount of an instance that is not confirmed yet is found: the stored amount
    // (FIXED, which a schedule without a rule has), the mean of the last 3, 6 or 12 confirmed
    // amounts of the series, or the confirmed amount due in the same month a year earlier.
    static inline const QString fixedAmount = QStringLiteral("FIXED");
    static inline const QString averageOf3 = QStringLiteral("AVERAGE3");
    static inline const QString averageOf6 = QStringLiteral("AVERAGE6");
    static inline const QString averageOf12 = QStringLiteral("AVERAGE12");
    static inline const QString sameMonthLastYear = QStringLiteral("LASTYEAR");
    // True for the four rules that forecast; any other text is a fixed amount.
    static bool amountVaries(const QString &amountRule);
    // True for the six kinds above.
    static bool recurs(const QString &scheduleType);
    // What the bill and schedule windows say of a range that ends before it starts; empty
    // when it does not.
    static QString endBeforeStartWarning(const QDate &start, const QDate &end);

    // The due dates of the range with the weekend rule applied, earliest first; at most
    // limit of them when limit >= 0. Empty for a type that does not recur or fields out of
    // range. A date moved by the weekend rule may fall outside the range.
    QList<QDate> dueDates(int limit = -1) const;
    // The same dates before the weekend rule: those the range end is compared with.
    QList<QDate> ruleDates(int limit = -1) const;
    // The range end that gives exactly `occurrences` dates from the range start: the n-th date
    // before the weekend rule. Invalid when occurrences < 1 or the schedule does not recur.
    QDate endDateAfter(int occurrences) const;

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    QString scheduleType() const { return m_scheduleType; }
    void setScheduleType(const QString &scheduleType) { m_scheduleType = scheduleType; }
    int dayOfMonth() const { return m_dayOfMonth; }
    void setDayOfMonth(int dayOfMonth) { m_dayOfMonth = dayOfMonth; }
    int dayOfWeek() const { return m_dayOfWeek; }
    void setDayOfWeek(int dayOfWeek) { m_dayOfWeek = dayOfWeek; }
    int frequency() const { return m_frequency; }
    void setFrequency(int frequency) { m_frequency = frequency; }
    QString frequencyValue() const { return m_frequencyValue; }
    void setFrequencyValue(const QString &frequencyValue) { m_frequencyValue = frequencyValue; }
    QString rangeType() const { return m_rangeType; }
    void setRangeType(const QString &rangeType) { m_rangeType = rangeType; }
    QDate rangeStartDate() const { return m_rangeStartDate; }
    void setRangeStartDate(const QDate &rangeStartDate) { m_rangeStartDate = rangeStartDate; }
    QDate rangeEndDate() const { return m_rangeEndDate; }
    void setRangeEndDate(const QDate &rangeEndDate) { m_rangeEndDate = rangeEndDate; }
    QString amountRule() const { return m_amountRule; }
    void setAmountRule(const QString &amountRule) { m_amountRule = amountRule; }
    // After the rule turned varying, the unpaid instances nothing was paid on are estimates;
    // after it turned fixed, none is. Writes those instances' flags, and the listed bills'
    // too, when the rule differs in that from the one last read or saved; otherwise nothing.
    bool settleAmountRule();
    // Whether the rule as the file has it, until a new one is saved, varies.
    bool amountVariedAsStored() const { return amountVaries(m_storedRule); }

private:
    bool removeRow();
    void readColumns(const QSqlRecord &record);
    static bool copyCurrentRows(const QString &layout);
    void bindColumns(QSqlQuery &query) const;

    int m_id = 0;
    QString m_scheduleType;
    QList<Bill> m_bills;
    int m_dayOfMonth = 0;
    int m_dayOfWeek = 0;
    int m_frequency = 0;
    QString m_frequencyValue;
    QString m_rangeType;
    QDate m_rangeStartDate;
    QDate m_rangeEndDate;
    QString m_amountRule = fixedAmount;
    // The rule as the file has it, until the new one is saved.
    QString m_storedRule = fixedAmount;
};
