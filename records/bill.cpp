#include "bill.h"

#include "clock.h"
#include "connections.h"
#include "recordsql.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <QtGlobal>

namespace {
const char *const updateStatement =
    "UPDATE bills SET billscheduleid = :billscheduleid, payeeid = :payeeid, description = "
    ":description, amount = :amount, insertdate = :insertdate, duedate = :duedate, paiddate = "
    ":paiddate, isunique = :isunique, billscheduleid = :billscheduleid, paid = :paid, note = "
    ":note, deleted = :deleted WHERE id = :billid;";

// The column list names billscheduleid twice with one placeholder; SQLite stores the one
// value once. Files written by earlier releases were created by this very statement.
const char *const insertStatement =
    "INSERT INTO bills(id, billscheduleid, payeeid, description, amount, insertdate, duedate, "
    "paiddate, isunique, billscheduleid, paid, note, deleted) VALUES (NULL, :billscheduleid, "
    ":payeeid, :description, :amount, :insertdate, :duedate, :paiddate, :isunique, "
    ":billscheduleid, :paid, :note, :deleted);";
} // namespace

Bill::Bill()
    : m_description(QLatin1String("")), m_insertDate(Clock::today()), m_dueDate(Clock::today()),
      m_paidDate(neverPaidDate()), m_note(QLatin1String(""))
{
}

Bill::Bill(int billScheduleId, const Payee &payee, const QString &description, double amount,
           const QDate &insertDate, const QDate &dueDate, const QDate &paidDate, bool paid,
           bool unique, const QString &note, bool deleted)
    : m_billScheduleId(billScheduleId), m_payee(payee), m_description(description),
      m_insertDate(insertDate), m_amount(amount), m_dueDate(dueDate), m_paid(paid),
      m_paidDate(paidDate), m_unique(unique), m_note(note), m_deleted(deleted)
{
    loadPayments();
}

Bill::Bill(const QSqlRecord &record) : Bill()
{
    setFromRecord(record);
}

bool Bill::save()
{
    QSqlQuery query = RecordSql::currentQuery();
    const bool update = isStored();
    if (!RecordSql::prepare(query, QLatin1String(update ? updateStatement : insertStatement)))
        return false;
    if (update)
        query.bindValue(QStringLiteral(":billid"), m_id);
    query.bindValue(QStringLiteral(":billscheduleid"), m_billScheduleId);
    query.bindValue(QStringLiteral(":payeeid"), m_payee.id());
    query.bindValue(QStringLiteral(":description"), RecordSql::text(m_description));
    query.bindValue(QStringLiteral(":amount"), m_amount);
    query.bindValue(QStringLiteral(":insertdate"), m_insertDate);
    query.bindValue(QStringLiteral(":duedate"), m_dueDate);
    query.bindValue(QStringLiteral(":paiddate"), m_paidDate);
    query.bindValue(QStringLiteral(":isunique"), RecordSql::flag(m_unique));
    query.bindValue(QStringLiteral(":paid"), RecordSql::flag(m_paid));
    query.bindValue(QStringLiteral(":note"), RecordSql::text(m_note));
    query.bindValue(QStringLiteral(":deleted"), RecordSql::flag(m_deleted));
    if (!execLogged(query))
        return false;
    if (!update)
        m_id = lastInsertId();
    m_paidStateUnwritten = false;
    setStored(true);
    setModified(false);
    return true;
}

bool Bill::remove()
{
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    for (BillPayment &payment : m_payments) {
        if (!payment.remove())
            return false;
    }
    return removeRow() && transaction.commit();
}

bool Bill::removeRow()
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("DELETE FROM bills WHERE id = :billid")))
        return false;
    query.bindValue(QStringLiteral(":billid"), m_id);
    return execLogged(query);
}

void Bill::setFromRecord(const QSqlRecord &record)
{
    readColumns(record);
    setPayee(Payee::findById(record.value(QStringLiteral("payeeid")).toInt()));
    loadPayments();
    refreshPaidState();
}

void Bill::setFromRecord(const QSqlRecord &record, const Payee &payee,
                         const QList<BillPayment> &payments)
{
    readColumns(record);
    setPayee(payee);
    m_payments = payments;
    refreshPaidState();
}

void Bill::readColumns(const QSqlRecord &record)
{
    m_id = record.value(QStringLiteral("id")).toInt();
    m_billScheduleId = record.value(QStringLiteral("billscheduleid")).toInt();
    m_description = record.value(QStringLiteral("description")).toString();
    m_note = record.value(QStringLiteral("note")).toString();
    m_amount = record.value(QStringLiteral("amount")).toDouble();
    m_insertDate = record.value(QStringLiteral("insertdate")).toDate();
    m_dueDate = record.value(QStringLiteral("duedate")).toDate();
    m_paidDate = record.value(QStringLiteral("paiddate")).toDate();
    m_paid = record.value(QStringLiteral("paid")).toBool();
    m_unique = record.value(QStringLiteral("isunique")).toBool();
    m_deleted = record.value(QStringLiteral("deleted")).toBool();
    m_paidStateUnwritten = false;
    setStored(true);
}

Bill Bill::findById(int id)
{
    Bill bill;
    QSqlQuery query = RecordSql::currentQuery();
    if (RecordSql::prepare(query, QStringLiteral("SELECT * FROM bills WHERE id = :billid"))) {
        query.bindValue(QStringLiteral(":billid"), id);
        if (execLogged(query))
            query.next();
    }
    // Release the statement first: reading may write the bill back.
    const QSqlRecord record = query.record();
    query.finish();
    bill.setFromRecord(record);
    return bill;
}

bool Bill::createTable()
{
    QSqlQuery query = RecordSql::currentQuery();
    return RecordSql::prepare(
               query,
               QStringLiteral("CREATE TABLE bills(id INTEGER primary key, billscheduleid INTEGER, "
                              "payeeid INTEGER, description VARCHAR(100) not null, amount "
                              "DECIMAL, insertdate DATETIME, duedate DATETIME, paiddate DATETIME, "
                              "isunique BOOL, paid BOOL, note VARCHAR(400), deleted BOOL);")) &&
           execLogged(query);
}

bool Bill::loadPayments()
{
    m_payments.clear();
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("SELECT * FROM billpayment WHERE billid = "
                                                  ":billid ORDER BY paymentdate ASC")))
        return false;
    query.bindValue(QStringLiteral(":billid"), m_id);
    if (!execLogged(query))
        return false;
    while (query.next())
        addPayment(BillPayment(query.record()));
    return true;
}

double Bill::balance() const
{
    double paidSoFar = 0.0;
    for (const BillPayment &payment : m_payments)
        paidSoFar += payment.amount();
    return m_amount - paidSoFar;
}

bool Bill::refreshPaidState()
{
    // Whole cents decide: ten payments of 0.10 leave a rounding remainder of about 1e-16
    // on a bill of 1.00, which must still count as paid.
    if (qRound64(balance() * 100.0) <= 0) {
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
    return !m_paidStateUnwritten || save();
}
