#include "samplehousehold.h"

#include "backup.h"
#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "connections.h"
#include "datafile.h"
#include "payee.h"
#include "recordsql.h"
#include "transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSqlDatabase>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

const int monthsBefore = 9;
const int monthsAfter = 3;
// Far more samples than anyone makes; past it the folder is taken to be in a bad way.
const int mostNumberedFiles = 999;

struct PayeeEntry
{
    const char *name;
    const char *accountNumber;
    const char *mailingAddress;
    const char *note;
};

// Invented names and addresses of invented places.
const PayeeEntry payeeEntries[] = {
    {"Maple Court Apartments", "MCA-0412-B",
     "Maple Court Apartments, Office\n1 Maple Court\nAnytown, ST 01234",
     "Rent is due on the first; the office is closed on Sundays."},
    {"Riverside Power & Light", "RPL 7730 2291 05", "PO Box 4410\nAnytown, ST 01299", ""},
    {"Clearwater Water Works", "CWW-118-2204", "88 Reservoir Road\nAnytown, ST 01236", ""},
    {"Lakeview Telecom", "LT-55-0193-771", "PO Box 9000\nLakeview Heights, ST 01450",
     "Phone line and home internet on one account."},
    {"Oakbridge Mutual Insurance", "HOM-2210-4471",
     "400 Oakbridge Plaza, Floor 7\nAnytown, ST 01240",
     "Home insurance, billed every three months."},
    {"Little Acorns Childcare", "FAM-0317", "15 Acorn Lane\nAnytown, ST 01238",
     "Billed every Friday for the week."},
    {"Brookside Plumbing & Repair", "Job 2231", "7 Brookside Way\nAnytown, ST 01237", ""},
    {"Greenfield Family Clinic", "Patient 004417",
     "230 Greenfield Avenue, Suite 2\nAnytown, ST 01235", ""},
};

enum PayeeIndex
{
    Landlord,
    Power,
    Water,
    Phone,
    Insurance,
    Childcare,
    Plumber,
    Clinic
};

struct SeriesEntry
{
    PayeeIndex payee;
    const char *description;
    double amount;
    QString scheduleType;
    int dayOfMonth;
    int dayOfWeek;
    int frequency;
    QString weekendRule;
    // Paid this many days before the due date, or on the first day of the series.
    int daysEarly;
    // Every other bill paid in two halves, a week apart.
    bool halves;
    // The last bill due before today not paid yet.
    bool lastOneOpen;
    // The amount varies with the season: each bill before today came in at its own amount,
    // the later ones are estimates from the last three.
    bool varies = false;
};

// What a bill of a varying series due on that day really came to: more in winter.
double seasonalAmount(double amount, const QDate &due)
{
    static const double factors[12] = {1.34, 1.27, 1.12, 0.96, 0.85, 0.81,
                                       0.93, 0.97, 0.84, 0.95, 1.08, 1.29};
    return std::round(amount * factors[due.month() - 1] * 100.0) / 100.0;
}

const QList<SeriesEntry> &seriesEntries()
{
    static const QList<SeriesEntry> entries{
        {Landlord, "Rent", 1450.00, BillSchedule::monthlyType, 1, 0, 0, BillSchedule::noShift, 3,
         true, false},
        {Power, "Electricity", 86.40, BillSchedule::monthlyType, 15, 0, 0,
         BillSchedule::afterWeekend, 1, false, true, true},
        {Water, "Water and sewer", 38.75, BillSchedule::monthlyType, 20, 0, 0,
         BillSchedule::noShift, 2, false, false},
        {Phone, "Phone and internet", 64.99, BillSchedule::monthlyType, 28, 0, 0,
         BillSchedule::beforeWeekend, 0, false, false},
        {Insurance, "Home insurance", 312.00, BillSchedule::nMonthlyType, 10, 0, 3,
         BillSchedule::afterWeekend, 5, true, false},
        {Childcare, "Childcare, one week", 175.00, BillSchedule::weeklyType, 0, 5, 0,
         BillSchedule::noShift, 0, false, true},
    };
    return entries;
}

struct SingleEntry
{
    PayeeIndex payee;
    const char *description;
    double amount;
    // Days from today to the due date, and from the due date to the day the bill was entered.
    int dueIn;
    int enteredBefore;
    // What was paid, and days from today to the day it was paid; nothing when paid is 0.
    double paid;
    int paidIn;
    const char *note;
};

const SingleEntry singleEntries[] = {
    {Clinic, "Annual check-up", 140.00, -75, 21, 140.00, -79, ""},
    {Plumber, "Kitchen sink repair", 265.50, -12, 14, 100.00, -9,
     "Paid a deposit; the rest once the new tap is in."},
    {Clinic, "Follow-up visit", 85.00, 3, 8, 0, 0, ""},
};

// The moment on a day at which the household did something. Hours well clear of midnight and of
// the small hours, where clocks change.
QDateTime at(const QDate &day, int hour, int minute = 0)
{
    return QDateTime(day, QTime(hour, minute));
}

// Sets the program's clock to the moment of each entry while the sample is written, so that the
// dates the records take from it (a bill's insert date, the day a bill turned paid) are those
// the entry would have got; the clock is as it was afterwards, fixed or running.
class ClockKeeper
{
public:
    ClockKeeper() : m_wasFixed(Clock::isFixed()), m_before(Clock::now()) {}
    ~ClockKeeper()
    {
        if (m_wasFixed)
            Clock::setFixed(m_before);
        else
            Clock::reset();
    }
    ClockKeeper(const ClockKeeper &) = delete;
    ClockKeeper &operator=(const ClockKeeper &) = delete;

private:
    bool m_wasFixed;
    QDateTime m_before;
};

// The sample is written on the connection every record uses; the file the window has open goes
// back on it afterwards, as it was. One that vanished meanwhile is not created afresh.
class ConnectionKeeper
{
public:
    ConnectionKeeper() : m_path(Backup::databaseFile(Connections::current()))
    {
        if (!m_path.isEmpty())
            m_readOnly = QSqlDatabase::database(Connections::current(), false)
                             .connectOptions()
                             .contains(QLatin1String("QSQLITE_OPEN_READONLY"));
    }
    ~ConnectionKeeper()
    {
        Connections::close(Connections::current());
        if (!m_path.isEmpty() && QFileInfo::exists(m_path))
            Connections::open(Connections::current(), m_path, m_readOnly);
    }
    ConnectionKeeper(const ConnectionKeeper &) = delete;
    ConnectionKeeper &operator=(const ConnectionKeeper &) = delete;

private:
    QString m_path;
    bool m_readOnly = false;
};

// The household's year as entries in the order they were made: the payees and the series on
// the first day, then the bills of their own and the payments, each on its day.
class Household
{
public:
    Household(DataFile &file, const QDate &today)
        : m_file(file), m_today(today), m_start(today.addMonths(-monthsBefore)),
          m_end(today.addMonths(monthsAfter))
    {
    }

    bool write();

private:
    struct Planned
    {
        QDateTime moment;
        std::function<bool()> run;
    };

    bool addPayees();
    bool addSeries(const SeriesEntry &entry);
    void planSeriesPayments(const QList<Bill> &bills, const SeriesEntry &entry);
    void planSingleBill(const SingleEntry &entry);
    void planPayment(const QDateTime &moment, const std::shared_ptr<int> &billId, double amount);
    // With confirmed, the bill's real amount is confirmed with the payment.
    bool pay(int billId, double amount, const QDateTime &moment,
             std::optional<double> confirmed = std::nullopt);
    Bill newBill(PayeeIndex payee, const QString &description, double amount,
                 const QString &note) const;

    DataFile &m_file;
    QDate m_today;
    QDate m_start;
    QDate m_end;
    QList<DataFile::PayeePtr> m_payees;
    QList<Planned> m_planned;
};

bool Household::write()
{
    Clock::setFixed(at(m_start, 8));
    if (!addPayees())
        return false;
    for (const SeriesEntry &entry : seriesEntries()) {
        if (!addSeries(entry))
            return false;
    }
    for (const SingleEntry &entry : singleEntries)
        planSingleBill(entry);
    std::stable_sort(m_planned.begin(), m_planned.end(),
                     [](const Planned &a, const Planned &b) { return a.moment < b.moment; });
    for (const Planned &planned : std::as_const(m_planned)) {
        Clock::setFixed(planned.moment);
        if (!planned.run())
            return false;
    }
    return true;
}

bool Household::addPayees()
{
    for (const PayeeEntry &entry : payeeEntries) {
        auto payee = std::make_shared<Payee>();
        payee->setPayeeName(QString::fromUtf8(entry.name));
        payee->setAccountNumber(QString::fromUtf8(entry.accountNumber));
        payee->setMailingAddress(QString::fromUtf8(entry.mailingAddress));
        payee->setNote(QString::fromUtf8(entry.note));
        payee->setModified(true);
        if (!m_file.savePayee(payee))
            return false;
        m_payees.append(payee);
    }
    return true;
}

Bill Household::newBill(PayeeIndex payee, const QString &description, double amount,
                        const QString &note) const
{
    Bill bill;
    bill.setPayee(*m_payees.at(payee));
    bill.setDescription(description);
    bill.setAmount(amount);
    bill.setNote(note);
    return bill;
}

// The schedule as the schedule dialog fills a new one: the fields of its kind, the weekend
// rule and a range with an end date.
bool Household::addSeries(const SeriesEntry &entry)
{
    BillSchedule schedule;
    schedule.setRangeStartDate(m_start);
    schedule.setScheduleType(entry.scheduleType);
    if (entry.dayOfMonth > 0)
        schedule.setDayOfMonth(entry.dayOfMonth);
    if (entry.dayOfWeek > 0)
        schedule.setDayOfWeek(entry.dayOfWeek);
    if (entry.frequency > 0)
        schedule.setFrequency(entry.frequency);
    schedule.setFrequencyValue(entry.weekendRule);
    schedule.setRangeType(QStringLiteral("ENDON"));
    schedule.setRangeEndDate(m_end);
    if (entry.varies)
        schedule.setAmountRule(BillSchedule::averageOf3);
    const Bill templateBill =
        newBill(entry.payee, QString::fromUtf8(entry.description), entry.amount, QString());
    if (!m_file.addSeries(templateBill, schedule))
        return false;
    planSeriesPayments(schedule.bills(), entry);
    return true;
}

void Household::planSeriesPayments(const QList<Bill> &bills, const SeriesEntry &entry)
{
    QList<Bill> past;
    for (const Bill &bill : bills) {
        if (bill.dueDate() < m_today)
            past.append(bill);
    }
    std::sort(past.begin(), past.end(),
              [](const Bill &a, const Bill &b) { return a.dueDate() < b.dueDate(); });
    if (entry.lastOneOpen && !past.isEmpty()) {
        // Its bill has come in, not paid yet.
        const Bill open = past.takeLast();
        if (entry.varies)
            m_planned.append({at(std::max(open.dueDate().addDays(-5), m_start), 18), [this, open] {
                                  Bill bill = open;
                                  return m_file.confirmAmount(
                                      bill, seasonalAmount(open.amount(), open.dueDate()));
                              }});
    }
    for (int index = 0; index < past.size(); ++index) {
        const Bill &bill = past.at(index);
        const auto billId = std::make_shared<int>(bill.id());
        const QDate day = std::max(bill.dueDate().addDays(-entry.daysEarly), m_start);
        if (entry.varies) {
            const double real = seasonalAmount(bill.amount(), bill.dueDate());
            m_planned.append({at(day, 19, 30), [this, billId, real, day] {
                                  return pay(*billId, real, at(day, 19, 30), real);
                              }});
            continue;
        }
        if (entry.halves && index % 2 == 1) {
            const double half = bill.amount() / 2;
            planPayment(at(std::max(day.addDays(-7), m_start), 12, 15), billId, half);
            planPayment(at(day, 19, 30), billId, bill.amount() - half);
        } else {
            planPayment(at(day, 19, 30), billId, bill.amount());
        }
    }
}

// A bill of its own as the bill dialog stores a new single bill, entered some days before it
// falls due, and what was paid on it.
void Household::planSingleBill(const SingleEntry &entry)
{
    const QDate due = m_today.addDays(entry.dueIn);
    const auto billId = std::make_shared<int>(0);
    m_planned.append({at(due.addDays(-entry.enteredBefore), 18), [this, entry, due, billId] {
                          Bill bill = newBill(entry.payee, QString::fromUtf8(entry.description),
                                              entry.amount, QString::fromUtf8(entry.note));
                          bill.setDueDate(due);
                          BillSchedule schedule;
                          if (!m_file.saveSingleBill(bill, schedule))
                              return false;
                          *billId = bill.id();
                          return true;
                      }});
    if (entry.paid > 0)
        planPayment(at(m_today.addDays(entry.paidIn), 19, 30), billId, entry.paid);
}

void Household::planPayment(const QDateTime &moment, const std::shared_ptr<int> &billId,
                            double amount)
{
    m_planned.append(
        {moment, [this, moment, billId, amount] { return pay(*billId, amount, moment); }});
}

// As the payment dialog records a payment: the bill read afresh, then the payment with it.
bool Household::pay(int billId, double amount, const QDateTime &moment,
                    std::optional<double> confirmed)
{
    std::optional<Bill> bill = Bill::findById(billId);
    if (!bill)
        return false;
    BillPayment payment;
    payment.setBillId(billId);
    payment.setAmount(amount);
    payment.setPaymentDate(moment);
    if (confirmed)
        return m_file.savePaymentConfirming(payment, *bill, *confirmed);
    return m_file.savePayment(payment, *bill);
}

QString numberedName(int number)
{
    const QString base = QStringLiteral("Sample Household");
    return (number == 1 ? base : base + QLatin1Char(' ') + QString::number(number)) +
           QStringLiteral(".nvbf");
}

enum class Move
{
    Done,
    Taken,
    Failed
};

// Gives the file at from the name to, unless something has that name: then nothing changes,
// even when that something appeared a moment ago. QFile never replaces a file, and on Linux it
// tests and moves at once, in one call to the system (a rename that refuses to replace, or a hard
// link where there is none).
Move moveWithoutReplacing(const QString &from, const QString &to, QString *reason)
{
    QFile file(from);
    if (file.rename(to))
        return Move::Done;
    *reason = file.errorString();
    return QFileInfo::exists(to) ? Move::Taken : Move::Failed;
}

} // namespace

namespace SampleHousehold {

bool write(const QString &path, const QDate &today)
{
    if (!today.isValid()) {
        RecordSql::setLastErrorText(QStringLiteral("The sample needs a valid day to start from."));
        return false;
    }
    RecordSql::setLastErrorText(QString());
    const ConnectionKeeper connection;
    const ClockKeeper clock;
    DataFile file(nullptr);
    if (!file.openConnection(path))
        return false;
    // One transaction for the whole year: a sample that could not be finished is no sample,
    // and the file is written to disk once rather than once for each entry.
    Transaction transaction(Connections::current());
    if (!transaction.isActive() || !file.createFile())
        return false;
    Household household(file, today);
    return household.write() && transaction.commit();
}

QString writeNew(const QString &folder, const QDate &today)
{
    const QDir dir(folder);
    // Written under a name of its own first: the sample appears under its real name complete,
    // or not at all.
    QTemporaryFile scratch(dir.filePath(QStringLiteral(".Sample Household-XXXXXX.nvbf")));
    if (!scratch.open()) {
        RecordSql::setLastErrorText(scratch.errorString());
        return QString();
    }
    scratch.close();
    if (!write(scratch.fileName(), today))
        return QString();
    for (int number = 1; number <= mostNumberedFiles; ++number) {
        const QString target = dir.filePath(numberedName(number));
        QString reason;
        const Move move = moveWithoutReplacing(scratch.fileName(), target, &reason);
        if (move == Move::Done)
            return target;
        if (move == Move::Failed) {
            RecordSql::setLastErrorText(reason);
            return QString();
        }
    }
    RecordSql::setLastErrorText(QStringLiteral("Every name from \"%1\" to \"%2\" is taken.")
                                    .arg(numberedName(1), numberedName(mostNumberedFiles)));
    return QString();
}

QString folder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return QDir::homePath();
    if (!QDir().mkpath(documents)) {
        RecordSql::setLastErrorText(
            QStringLiteral("The folder \"%1\" could not be made.").arg(documents));
        return QString();
    }
    return documents;
}

} // namespace SampleHousehold
