#include "bill.h"

#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "logging.h"
#include "recordsql.h"
#include "tableupgrade.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <QtGlobal>

#include <cmath>

namespace {
const char *const updateStatement =
    "UPDATE bills SET billscheduleid = :billscheduleid, payeeid = :payeeid, description = "
    ":description, amount = :amount, insertdate = :insertdate, duedate = :duedate, paiddate = "
    ":paiddate, isunique = :isunique, billscheduleid = :billscheduleid, paid = :paid, note = "
    ":note, deleted = :deleted, isestimate = :isestimate WHERE id = :billid;";

// The column list names billscheduleid twice with one placeholder; SQLite stores the one
// value once. Files written by earlier releases were created by this very statement.
const char *const insertStatement =
    "INSERT INTO bills(id, billscheduleid, payeeid, description, amount, insertdate, duedate, "
    "paiddate, isunique, billscheduleid, paid, note, deleted, isestimate) VALUES (NULL, "
    ":billscheduleid, :payeeid, :description, :amount, :insertdate, :duedate, :paiddate, "
    ":isunique, :billscheduleid, :paid, :note, :deleted, :isestimate);";

const char *const insertKeepingIdStatement =
    "INSERT INTO bills(id, billscheduleid, payeeid, description, amount, insertdate, duedate, "
    "paiddate, isunique, paid, note, deleted, isestimate) VALUES (:billid, :billscheduleid, "
    ":payeeid, :description, :amount, :insertdate, :duedate, :paiddate, :isunique, :paid, "
    ":note, :deleted, :isestimate);";

// A date written as text the way older releases and people write them.
QDate usDate(const QString &value)
{
    const QString text = value.trimmed();
    for (const QString &format :
         {QStringLiteral("yyyy-MM-dd"), QStringLiteral("MM/dd/yyyy"), QStringLiteral("M/d/yyyy")}) {
        const QDate parsed = QDate::fromString(text, format);
        if (parsed.isValid())
            return parsed;
    }
    return QDate();
}

// The oldest layout keeps the due date twice: as a date and as a text that rows written
// before the date column existed still rely on, in either of the two ways it was written.
QDate oldestDueDate(const QSqlRecord &row)
{
    const QDate date = TableUpgrade::columnValue(row, QStringLiteral("duedate")).toDate();
    if (date.isValid())
        return date;
    return usDate(TableUpgrade::columnText(row, QStringLiteral("duedatestring")));
}

bool isOlderLayout(const QString &version)
{
    return version == QLatin1String("1.0") || version == QLatin1String("1.1");
}

// In a row of the 1.1 layout: the day a bill paid in the old file was paid (the old paid date,
// else its due date), and whether it gets a payment of its amount.
const QLatin1String oldPaidOn("(CASE WHEN paiddate IS NOT NULL AND paiddate <> '2000-01-01' "
                              "THEN paiddate ELSE duedate END)");
const QLatin1String oldCarried("(paid = 1 AND amount * 100.0 >= 0.5)");

// The payments of bills paid in an old file wait under the negated bill id until all are in;
// then they take the ids that saving them one by one in the bills' order gives.
bool numberCarriedPayments()
{
    return RecordSql::run(Connections::current(),
                          QStringLiteral("INSERT INTO billpayment (id, billid, paymentdate, "
                                         "amount) SELECT ROW_NUMBER() OVER (ORDER BY id DESC), "
                                         "billid, paymentdate, amount FROM billpayment WHERE "
                                         "id < 0")) &&
           RecordSql::run(Connections::current(),
                          QStringLiteral("DELETE FROM billpayment WHERE id < 0"));
}

// The 1.1 rows that whole statements copy as the row-by-row conversion would.
QString plainOldRows()
{
    return QStringList{TableUpgrade::plainInt(QStringLiteral("payeeid")),
                       TableUpgrade::plainText(QStringLiteral("description")),
                       TableUpgrade::plainAmount(QStringLiteral("amount")),
                       TableUpgrade::plainDate(QStringLiteral("duedate")),
                       QStringLiteral("(paiddate IS NULL OR ") +
                           TableUpgrade::plainDate(QStringLiteral("paiddate")) + QLatin1Char(')'),
                       TableUpgrade::plainFlag(QStringLiteral("paid")),
                       TableUpgrade::plainText(QStringLiteral("note")),
                       TableUpgrade::plainFlag(QStringLiteral("deleted")),
                       QStringLiteral("(NOT ") + oldCarried + QStringLiteral(" OR ") +
                           TableUpgrade::hasLocalMidnight(oldPaidOn) + QLatin1Char(')')}
        .join(QLatin1String(" AND "));
}

// The columns readColumns() takes, in this order.
enum Column
{
    IdColumn,
    ScheduleIdColumn,
    DescriptionColumn,
    NoteColumn,
    AmountColumn,
    InsertDateColumn,
    DueDateColumn,
    PaidDateColumn,
    PaidColumn,
    UniqueColumn,
    DeletedColumn,
    EstimateColumn,
    ColumnCount
};

const char *const columnNames[ColumnCount] = {
    "id",      "billscheduleid", "description", "note",     "amount",  "insertdate",
    "duedate", "paiddate",       "paid",        "isunique", "deleted", "isestimate"};

// Bills without a payee of their own share this one; it is never changed.
std::shared_ptr<const Payee> emptyPayee()
{
    static const std::shared_ptr<const Payee> payee = std::make_shared<const Payee>();
    return payee;
}
} // namespace

Bill::Bill()
    : m_payee(emptyPayee()), m_description(QLatin1String("")), m_insertDate(Clock::today()),
      m_dueDate(Clock::today()), m_paidDate(neverPaidDate()), m_note(QLatin1String(""))
{
}

Bill::Bill(int billScheduleId, const Payee &payee, const QString &description, double amount,
           const QDate &insertDate, const QDate &dueDate, const QDate &paidDate, bool paid,
           bool unique, const QString &note, bool deleted)
    : m_billScheduleId(billScheduleId), m_payee(std::make_shared<const Payee>(payee)),
      m_description(description), m_insertDate(insertDate), m_amount(amount), m_dueDate(dueDate),
      m_paid(paid), m_paidDate(paidDate), m_unique(unique), m_note(note), m_deleted(deleted)
{
    // A bill that was never stored has no payments of its own; reading those of id 0 would
    // pick up stray rows.
}

Bill::Bill(const QSqlRecord &record) : Bill()
{
    setFromRecord(record);
}

bool Bill::save()
{
    const bool update = isStored();
    if (!writeRecord(
            update ? WriteKind::Update : WriteKind::InsertNewId, Connections::current(),
            QLatin1String(update ? updateStatement : insertStatement), QStringLiteral(":billid"),
            m_id, [this](QSqlQuery &query) { bindColumns(query); }, "Bill"))
        return false;
    m_paidStateUnwritten = false;
    return true;
}

bool Bill::insertKeepingId()
{
    if (!writeRecord(WriteKind::InsertKeepingId, Connections::current(),
                     QLatin1String(insertKeepingIdStatement), QStringLiteral(":billid"), m_id,
                     [this](QSqlQuery &query) { bindColumns(query); }))
        return false;
    m_paidStateUnwritten = false;
    return true;
}

void Bill::bindColumns(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":billscheduleid"), m_billScheduleId);
    query.bindValue(QStringLiteral(":payeeid"), m_payee->id());
    query.bindValue(QStringLiteral(":description"), RecordSql::text(m_description));
    query.bindValue(QStringLiteral(":amount"), m_storedAmount.value_or(QVariant(m_amount)));
    query.bindValue(QStringLiteral(":insertdate"), RecordSql::date(m_insertDate));
    query.bindValue(QStringLiteral(":duedate"),
                    m_storedDueDate.value_or(RecordSql::date(m_dueDate)));
    query.bindValue(QStringLiteral(":paiddate"), RecordSql::date(m_paidDate));
    query.bindValue(QStringLiteral(":isunique"), RecordSql::flag(m_unique));
    query.bindValue(QStringLiteral(":paid"), RecordSql::flag(m_paid));
    query.bindValue(QStringLiteral(":note"), RecordSql::text(m_note));
    query.bindValue(QStringLiteral(":deleted"), RecordSql::flag(m_deleted));
    query.bindValue(QStringLiteral(":isestimate"), RecordSql::flag(m_estimate));
}

bool Bill::remove()
{
    if (!hasRow("Bill"))
        return false;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    return removePayments() && removeRow() && transaction.commit();
}

// Every stored payment of the bill, those made since it was read included.
bool Bill::removePayments()
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query,
                            QStringLiteral("DELETE FROM billpayment WHERE billid = :billid")))
        return false;
    query.bindValue(QStringLiteral(":billid"), m_id);
    return RecordSql::exec(query);
}

bool Bill::removeRow()
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("DELETE FROM bills WHERE id = :billid")))
        return false;
    query.bindValue(QStringLiteral(":billid"), m_id);
    return RecordSql::exec(query);
}

void Bill::setAmount(double amount)
{
    m_amount = amount;
    m_storedAmount.reset();
}

void Bill::setDueDate(const QDate &dueDate)
{
    m_dueDate = dueDate;
    m_storedDueDate.reset();
}

Payee Bill::payee() const
{
    return *m_payee;
}

QString Bill::payeeName() const
{
    return m_payee->payeeName();
}

void Bill::setPayee(const Payee &payee)
{
    m_payee = std::make_shared<const Payee>(payee);
}

void Bill::setPayeeOfRow(const std::shared_ptr<const Payee> &payee, int payeeId)
{
    // A payee whose row is gone reads as the empty payee; the bill still names the same id,
    // so that writing the bill back never rewrites the reference to 0.
    if (payee->id() == payeeId) {
        m_payee = payee;
        return;
    }
    auto named = std::make_shared<Payee>(*payee);
    named->setId(payeeId);
    m_payee = std::move(named);
}

bool Bill::setFromRecord(const QSqlRecord &record)
{
    readColumns(record);
    const int payeeId = record.value(QStringLiteral("payeeid")).toInt();
    setPayeeOfRow(std::make_shared<const Payee>(Payee::findById(payeeId).value_or(Payee())),
                  payeeId);
    setStored(true);
    // Without all its payments what is left to pay is not known.
    if (!loadPayments()) {
        m_readable = false;
        return false;
    }
    refreshPaidState(PaidStateWrite::PaidColumns);
    return true;
}

void Bill::readColumns(const QSqlRecord &record)
{
    readColumns(ColumnReader(record, columnNames, ColumnCount));
}

ColumnReader Bill::columnReader(const QSqlQuery &query)
{
    return ColumnReader(query, columnNames, ColumnCount);
}

void Bill::readColumns(const ColumnReader &row)
{
    m_id = RecordSql::intValue(row.value(IdColumn));
    m_billScheduleId = RecordSql::intValue(row.value(ScheduleIdColumn));
    m_description = row.value(DescriptionColumn).toString();
    m_note = row.value(NoteColumn).toString();
    const QVariant amount = row.value(AmountColumn);
    m_amount = RecordSql::doubleValue(amount);
    m_insertDate = RecordSql::dateValue(row.value(InsertDateColumn));
    const QVariant dueDate = row.value(DueDateColumn);
    m_dueDate = RecordSql::dateValue(dueDate);
    if (!m_dueDate.isValid() && dueDate.typeId() == QMetaType::QString)
        m_dueDate = usDate(dueDate.toString());
    keepUnread(amount, dueDate);
    m_paidDate = RecordSql::dateValue(row.value(PaidDateColumn));
    m_paid = RecordSql::boolValue(row.value(PaidColumn));
    m_unique = RecordSql::boolValue(row.value(UniqueColumn));
    m_deleted = RecordSql::boolValue(row.value(DeletedColumn));
    // Files of layouts before estimates have no such column: every amount there is confirmed.
    m_estimate = RecordSql::boolValue(row.value(EstimateColumn));
    m_forecast.reset();
    m_paidStateUnwritten = false;
}

void Bill::keepUnread(const QVariant &amount, const QVariant &dueDate)
{
    m_storedAmount.reset();
    m_storedDueDate.reset();
    if (!RecordSql::isNumber(amount))
        m_storedAmount = amount;
    if (!m_dueDate.isValid())
        m_storedDueDate = dueDate;
    m_readable = !m_storedAmount && !m_storedDueDate;
}

std::optional<Bill> Bill::findById(int id)
{
    const std::optional<QSqlRecord> row = RecordSql::findRow(
        Connections::current(), QStringLiteral("SELECT * FROM bills WHERE id = :billid"),
        QStringLiteral(":billid"), id, QStringLiteral("bill"));
    Bill bill;
    if (!row || !bill.setFromRecord(*row))
        return std::nullopt;
    return bill;
}

QString Bill::createStatement()
{
    return QStringLiteral(
        "CREATE TABLE bills(id INTEGER primary key, billscheduleid INTEGER, "
        "payeeid INTEGER, description VARCHAR(100) not null, amount "
        "DECIMAL, insertdate DATETIME, duedate DATETIME, paiddate DATETIME, "
        "isunique BOOL, paid BOOL, note VARCHAR(400), deleted BOOL, isestimate BOOL);");
}

bool Bill::createTable()
{
    QSqlQuery query = RecordSql::currentQuery();
    return RecordSql::prepare(query, createStatement()) && RecordSql::exec(query);
}

void Bill::addPayment(const BillPayment &payment)
{
    countPayment(payment.amount(), payment.isReadable());
}

int Bill::countPayment(double amount, bool readable)
{
    m_paidSoFar += amount;
    m_paymentsReadable = m_paymentsReadable && readable;
    return ++m_paymentCount;
}

void Bill::clearPayments()
{
    m_paidSoFar = 0.0;
    m_paymentCount = 0;
    m_paymentsReadable = true;
}

bool Bill::loadPayments()
{
    clearPayments();
    const std::optional<QList<BillPayment>> payments = BillPayment::ofBill(m_id);
    if (!payments)
        return false;
    for (const BillPayment &payment : *payments)
        addPayment(payment);
    return true;
}

double Bill::expectedAmount() const
{
    return m_estimate && m_forecast ? *m_forecast : m_amount;
}

double Bill::balance() const
{
    return expectedAmount() - m_paidSoFar;
}

// Every amount may be a number while their difference is not one a double can hold (an amount
// near the largest double, less a negative payment): such a balance is as unknown as an
// unreadable amount.
bool Bill::isReadable() const
{
    return m_readable && m_paymentsReadable && std::isfinite(balance());
}

bool Bill::refreshPaidState()
{
    return refreshPaidState(PaidStateWrite::WholeRow);
}

// A bill just read writes back its paid columns alone, so that the rest of its row stays as
// stored, even a value that this program cannot read back (a due date in another format, say).
bool Bill::refreshPaidState(PaidStateWrite write)
{
    if (!settlePaidState())
        return true;
    return write == PaidStateWrite::WholeRow ? save() : writePaidColumns();
}

bool Bill::settlePaidState()
{
    // What an estimate comes to is not known until it is confirmed, so its payments decide
    // nothing yet: the paid state stays as stored rather than follow a guess.
    if (!isReadable() || m_estimate)
        return false;
    // Whole cents decide: ten payments of 0.10 leave a rounding remainder of about 1e-16
    // on a bill of 1.00, which must still count as paid. Rounded as a double, since a balance
    // beyond the range of a 64-bit count of cents would turn into a negative one.
    if (std::round(balance() * 100.0) <= 0) {
        if (!m_paid) {
            m_paid = true;
            m_paidDate = Clock::today();
            m_paidStateUnwritten = true;
        }
    } else if (m_paid) {
        // The date of the last time it was paid stays, as a record of that payment.
        m_paid = false;
        m_paidStateUnwritten = true;
    }
    return m_paidStateUnwritten;
}

bool Bill::writePaidColumns()
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("UPDATE bills SET paid = :paid, paiddate = "
                                                  ":paiddate WHERE id = :billid")))
        return false;
    query.bindValue(QStringLiteral(":paid"), RecordSql::flag(m_paid));
    query.bindValue(QStringLiteral(":paiddate"), RecordSql::date(m_paidDate));
    query.bindValue(QStringLiteral(":billid"), m_id);
    if (!RecordSql::exec(query))
        return false;
    m_paidStateUnwritten = false;
    return true;
}

QString Bill::layoutColumns(const QString &version)
{
    if (version == QLatin1String("1.0"))
        return QStringLiteral("bills,billid,payeeid,description,amount,duedatestring,duedate,paid,"
                              "note");
    if (version == QLatin1String("1.1"))
        return QStringLiteral("bills,billid,payeeid,description,amount,duedate,paiddate,billtype,"
                              "billscheduleid,paid,note,deleted");
    if (hasLayout14(version))
        return QStringLiteral("bills,id,billscheduleid,payeeid,description,amount,insertdate,"
                              "duedate,paiddate,isunique,billscheduleid,paid,note,deleted");
    if (hasLayout15(version))
        return QStringLiteral("bills,id,billscheduleid,payeeid,description,amount,insertdate,"
                              "duedate,paiddate,isunique,billscheduleid,paid,note,deleted,"
                              "isestimate");
    return QString();
}

bool Bill::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::current(), layoutColumns(version));
}

bool Bill::upgradePrepare(const QString &version)
{
    // The table has the current layout already and stays as it is.
    if (hasLayout15(version))
        return true;
    QStringList statementErrors;
    const bool prepared = TableUpgrade::prepare(Connections::current(), layoutColumns(version),
                                                QStringLiteral("ALTER TABLE bills RENAME TO "),
                                                &Bill::createTable, &statementErrors);
    for (const QString &error : std::as_const(statementErrors))
        qCDebug(lcUpgrade).noquote() << error;
    return prepared;
}

bool Bill::upgradeCopy(const QString &version)
{
    if (hasLayout15(version))
        return true;
    if (isOlderLayout(version))
        return copyOldRows(version);
    return copyCurrentRows(layoutColumns(version));
}

// Rows of the 1.4 layout keep their ids, schedules and paid states, and every amount is
// confirmed, as that layout has no estimates: the payments that
// decide the paid state are copied only after the bills. Those whose values read and write
// back unchanged are copied as they are, the others as the record reads them.
bool Bill::copyCurrentRows(const QString &layout)
{
    const QString plain = QStringList{TableUpgrade::plainInt(QStringLiteral("id")),
                                      TableUpgrade::plainInt(QStringLiteral("billscheduleid")),
                                      TableUpgrade::plainInt(QStringLiteral("payeeid")),
                                      TableUpgrade::plainText(QStringLiteral("description")),
                                      TableUpgrade::plainAmount(QStringLiteral("amount")),
                                      TableUpgrade::plainDate(QStringLiteral("insertdate")),
                                      TableUpgrade::plainDate(QStringLiteral("duedate")),
                                      TableUpgrade::plainDate(QStringLiteral("paiddate")),
                                      TableUpgrade::plainFlag(QStringLiteral("isunique")),
                                      TableUpgrade::plainFlag(QStringLiteral("paid")),
                                      TableUpgrade::plainText(QStringLiteral("note")),
                                      TableUpgrade::plainFlag(QStringLiteral("deleted"))}
                              .join(QLatin1String(" AND "));
    return TableUpgrade::copyPlainAndOthers(
        Connections::current(), TableUpgrade::tempTable(layout), plain,
        {QStringLiteral(
            "INSERT INTO bills (id, billscheduleid, payeeid, description, amount, "
            "insertdate, duedate, paiddate, isunique, paid, note, deleted, "
            "isestimate) SELECT id, billscheduleid, payeeid, COALESCE(description, "
            "''), amount, insertdate, duedate, paiddate, isunique, paid, COALESCE(note, "
            "''), deleted, 0 FROM ")},
        [](const QSqlRecord &row) {
            Bill bill;
            return bill.convertRecord(row, QStringLiteral("1.2")) && bill.insertKeepingId();
        });
}

// Each bill of an older layout gets a "SINGLE" schedule of its own and the id of its place in
// the old table, as saving them one by one in that order gives; a bill paid in the old file
// gets a payment. The rows that whole statements cannot copy go first, one by one, under the
// ids of their places; their payments, like the others, wait under the negated bill id until
// all are in and then take the ids that saving them in the bills' order gives.
bool Bill::copyOldRows(const QString &version)
{
    const QString temp = TableUpgrade::tempTable(layoutColumns(version));
    // The oldest layout keeps its due dates in two ways; its rows all go one by one.
    const QString plain = version == QLatin1String("1.1") ? plainOldRows() : QStringLiteral("0");
    QList<std::pair<Bill, QVariant>> others;
    if (!TableUpgrade::sortRows(Connections::current(), temp, plain) ||
        !convertOtherOldRows(version, &others))
        return false;
    QSqlQuery last = RecordSql::currentQuery();
    if (!RecordSql::prepare(last,
                            QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM billschedule")) ||
        !RecordSql::exec(last) || !last.next())
        return false;
    const int scheduleBase = last.value(0).toInt();
    last.finish();
    if (!BillSchedule::insertDefaultRows(QStringLiteral("SINGLE"), temp))
        return false;
    for (auto &[bill, oldPaidDate] : others) {
        bill.setBillScheduleId(scheduleBase + bill.id());
        if (!bill.insertKeepingId() || !bill.carryOverPaidState(oldPaidDate)) {
            qCWarning(lcUpgrade).noquote() << "Copying a row of" << temp << "failed";
            return false;
        }
    }
    return (version != QLatin1String("1.1") || copyPlainOldRows(version, scheduleBase)) &&
           numberCarriedPayments() && TableUpgrade::dropSortedRows(Connections::current());
}

// The old rows that only the record's conversion reads right, converted before anything is
// written, each with the id of its place and its old paid date: a payee link that cannot be
// read stops the copy before it starts.
bool Bill::convertOtherOldRows(const QString &version, QList<std::pair<Bill, QVariant>> *others)
{
    const QString temp = TableUpgrade::tempTable(layoutColumns(version));
    CopiedPayees copiedPayees;
    return TableUpgrade::copySelected(
        Connections::current(), temp,
        QStringLiteral("SELECT nv.nvposition, old.* FROM ") + TableUpgrade::sortedRows(temp) +
            QStringLiteral(" WHERE nv.nvother ORDER BY nv.nvposition"),
        [&](const QSqlRecord &row) {
            Bill bill;
            if (!bill.convertOldRecord(row, version, &copiedPayees))
                return false;
            bill.setId(TableUpgrade::columnValue(row, QStringLiteral("nvposition")).toInt());
            others->append({bill, TableUpgrade::columnValue(row, QStringLiteral("paiddate"))});
            return true;
        });
}

bool Bill::upgradeDrop(const QString &version)
{
    if (hasLayout15(version))
        return true;
    return TableUpgrade::drop(Connections::current(), layoutColumns(version));
}

bool Bill::convertRecord(const QSqlRecord &row, const QString &version)
{
    if (isOlderLayout(version))
        return convertOldRecord(row, version, nullptr);
    if (hasLayout14(version)) {
        readColumns(row);
        m_estimate = false;
        // A payee id whose row has gone stays as it was, rather than turning into 0.
        setPayeeOfRow(m_payee, TableUpgrade::columnValue(row, QStringLiteral("payeeid")).toInt());
    }
    setStored(false);
    return true;
}

bool Bill::convertOldRecord(const QSqlRecord &row, const QString &version,
                            CopiedPayees *copiedPayees)
{
    const int oldPayeeId = TableUpgrade::columnValue(row, QStringLiteral("payeeid")).toInt();
    if (!lookUpCopiedPayee(oldPayeeId, version, copiedPayees))
        return false;
    m_description = TableUpgrade::columnText(row, QStringLiteral("description"));
    const QVariant amount = TableUpgrade::columnValue(row, QStringLiteral("amount"));
    m_amount = amount.toDouble();
    m_insertDate = Clock::today();
    const QVariant dueDate = TableUpgrade::columnValue(row, QStringLiteral("duedate"));
    m_dueDate = version == QLatin1String("1.0") ? oldestDueDate(row) : dueDate.toDate();
    keepUnread(amount, dueDate);
    m_paidDate = neverPaidDate();
    m_unique = true;
    m_paid = TableUpgrade::columnValue(row, QStringLiteral("paid")).toBool();
    m_note = TableUpgrade::columnText(row, QStringLiteral("note"));
    m_deleted = TableUpgrade::columnValue(row, QStringLiteral("deleted")).toBool();
    setStored(false);
    return true;
}

bool Bill::lookUpCopiedPayee(int oldId, const QString &version, CopiedPayees *copiedPayees)
{
    if (copiedPayees) {
        const auto copied = copiedPayees->constFind(oldId);
        if (copied != copiedPayees->constEnd()) {
            m_payee = *copied;
            return true;
        }
    }
    bool ok = false;
    const int payeeId = newPayeeId(oldId, version, &ok);
    if (!ok)
        return false;
    // An old id without a link names no payee: the bill gets the empty payee, id 0.
    const std::optional<Payee> found =
        payeeId == 0 ? std::optional<Payee>(Payee()) : Payee::findById(payeeId);
    if (!found) {
        qCWarning(lcUpgrade) << "The copied payee" << payeeId << "cannot be read";
        return false;
    }
    auto payee = std::make_shared<const Payee>(*found);
    if (copiedPayees)
        copiedPayees->insert(oldId, payee);
    m_payee = std::move(payee);
    return true;
}

bool Bill::copyPlainOldRows(const QString &version, int scheduleBase)
{
    const QString rows = TableUpgrade::sortedRows(TableUpgrade::tempTable(layoutColumns(version))) +
                         QStringLiteral(" WHERE NOT nv.nvother");
    // Each bill looks its payee up in the link table, which the upgrade drops with its index.
    const QString link = TableUpgrade::linkTable(Payee::layoutColumns(version));
    if (!RecordSql::run(Connections::current(), QStringLiteral("CREATE INDEX ") + link +
                                                    QStringLiteral("oldid ON ") + link +
                                                    QStringLiteral(" (oldid)")))
        return false;
    QSqlQuery bills = RecordSql::currentQuery();
    if (!RecordSql::prepare(
            bills,
            QStringLiteral(
                "INSERT INTO bills (id, billscheduleid, payeeid, description, amount, "
                "insertdate, duedate, paiddate, isunique, paid, note, deleted) SELECT "
                "nvposition, :schedulebase + nvposition, COALESCE((SELECT link.id FROM ") +
                TableUpgrade::linkTable(Payee::layoutColumns(version)) +
                QStringLiteral(" AS link WHERE link.oldid = old.payeeid ORDER BY link.rowid LIMIT "
                               "1), 0), COALESCE(description, ''), amount, :insertdate, duedate, "
                               "CASE WHEN ") +
                oldCarried + QStringLiteral(" THEN ") + oldPaidOn +
                QStringLiteral(" ELSE :neverpaid END, 1, paid, COALESCE(note, ''), deleted FROM ") +
                rows))
        return false;
    bills.bindValue(QStringLiteral(":schedulebase"), scheduleBase);
    bills.bindValue(QStringLiteral(":insertdate"), RecordSql::date(Clock::today()));
    bills.bindValue(QStringLiteral(":neverpaid"), RecordSql::date(neverPaidDate()));
    // The payment is dated at the start of its day, the form in which moments are written.
    return RecordSql::exec(bills) &&
           RecordSql::run(Connections::current(),
                          QStringLiteral("INSERT INTO billpayment (id, billid, paymentdate, "
                                         "amount) SELECT -nvposition, nvposition, ") +
                              oldPaidOn + QStringLiteral(" || 'T00:00:00.000', amount FROM ") +
                              rows + QStringLiteral(" AND ") + oldCarried);
}

bool Bill::carryOverPaidState(const QVariant &oldPaidDate)
{
    // Older files marked a bill paid by its flag alone, but a bill now counts as paid only
    // when payments cover it; without one, every bill paid in the old file would turn
    // unpaid, and overdue, the first time it is read. A payment of the whole amount keeps
    // it paid, dated when the old file says it was paid, or else on its due date.
    if (!m_paid || m_storedAmount || std::round(m_amount * 100.0) <= 0)
        return true;
    QDate paidOn = oldPaidDate.toDate();
    if (!paidOn.isValid() || paidOn == neverPaidDate())
        paidOn = m_dueDate.isValid() ? m_dueDate : Clock::today();
    // The bill's paid date is the day of that payment, as for a bill paid today.
    m_paidDate = paidOn;
    // The start of the day, not 00:00: where the clocks skip midnight, 00:00 does not exist and
    // the payment would be stored without a date.
    BillPayment payment(m_id, paidOn.startOfDay(), m_amount);
    payment.setId(-m_id);
    // The payment covers the bill, which is stored as paid already: there is no paid state
    // for the payment's own save() to bring up to date, and reading the bill back to find
    // that out would search all payments copied so far, for every paid bill.
    return save() && payment.insertKeepingId();
}

int Bill::newPayeeId(int oldId, const QString &version, bool *ok)
{
    return TableUpgrade::linkedId(Connections::current(), Payee::layoutColumns(version), oldId, ok);
}
