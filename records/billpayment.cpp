#include "billpayment.h"

#include "bill.h"
#include "clock.h"
#include "connections.h"
#include "recordsql.h"
#include "tableupgrade.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

namespace {
// The columns readColumns() takes, in this order.
enum Column
{
    IdColumn,
    BillIdColumn,
    PaymentDateColumn,
    AmountColumn,
    ReferenceColumn,
    ColumnCount
};

const char *const columnNames[ColumnCount] = {"id", "billid", "paymentdate", "amount", "reference"};

const qint64 msecsPerDay = 24 * 60 * 60 * 1000;
} // namespace

BillPayment::BillPayment() : m_paymentDate(Clock::now()) {}

BillPayment::BillPayment(int billId, const QDateTime &paymentDate, double amount)
    : m_billId(billId), m_paymentDate(paymentDate), m_amount(amount)
{
}

BillPayment::BillPayment(const QSqlRecord &record) : BillPayment()
{
    setFromRecord(record);
}

bool BillPayment::save()
{
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    const bool wasStored = isStored();
    const bool wasModified = isModified();
    const int oldId = m_id;
    bool ok = writeRow();
    if (ok) {
        // Loading the bill reads its payments, this one included, and refreshes its state. A
        // payment whose bill cannot be read is not stored: nothing could say what it paid.
        std::optional<Bill> bill = Bill::findById(m_billId);
        ok = bill && bill->refreshPaidState();
    }
    if (ok)
        ok = transaction.commit();
    if (!ok) {
        transaction.rollback();
        // The insert was undone with the rest: the payment is new again.
        m_id = oldId;
        setStored(wasStored);
        setModified(wasModified);
        return false;
    }
    return true;
}

bool BillPayment::writeRow()
{
    const bool update = isStored();
    return writeRecord(
        update ? WriteKind::Update : WriteKind::InsertNewId, Connections::current(),
        update ? QStringLiteral("UPDATE billpayment SET billid = :billid, "
                                "paymentdate = :paymentdate, amount = :amount, reference = "
                                ":reference WHERE id = :billpaymentid")
               : QStringLiteral("INSERT INTO billpayment (id, billid, "
                                "paymentdate, amount, reference) VALUES (NULL, :billid, "
                                ":paymentdate, :amount, :reference);"),
        QStringLiteral(":billpaymentid"), m_id, [this](QSqlQuery &query) { bindColumns(query); },
        "BillPayment");
}

void BillPayment::bindColumns(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":billid"), m_billId);
    query.bindValue(QStringLiteral(":paymentdate"), paymentDate());
    query.bindValue(QStringLiteral(":amount"), m_storedAmount.value_or(QVariant(m_amount)));
    query.bindValue(QStringLiteral(":reference"), RecordSql::text(m_reference));
}

bool BillPayment::insertKeepingId()
{
    return writeRecord(WriteKind::InsertKeepingId, Connections::current(),
                       QStringLiteral("INSERT INTO billpayment (id, billid, "
                                      "paymentdate, amount, reference) VALUES "
                                      "(:billpaymentid, :billid, :paymentdate, "
                                      ":amount, :reference);"),
                       QStringLiteral(":billpaymentid"), m_id,
                       [this](QSqlQuery &query) { bindColumns(query); });
}

bool BillPayment::remove()
{
    if (!hasRow("BillPayment"))
        return false;
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query,
                            QStringLiteral("DELETE FROM billpayment WHERE id = :billpaymentid")))
        return false;
    query.bindValue(QStringLiteral(":billpaymentid"), m_id);
    return RecordSql::exec(query);
}

void BillPayment::setFromRecord(const QSqlRecord &record)
{
    readColumns(ColumnReader(record, columnNames, ColumnCount));
}

void BillPayment::keepUnread(const QVariant &amount)
{
    if (RecordSql::isNumber(amount))
        m_storedAmount.reset();
    else
        m_storedAmount = amount;
}

void BillPayment::setAmount(double amount)
{
    m_amount = amount;
    m_storedAmount.reset();
}

QDateTime BillPayment::paymentDate() const
{
    if (m_pendingLocalMsecs >= 0) {
        m_paymentDate =
            QDateTime(QDate::fromJulianDay(m_pendingLocalMsecs / msecsPerDay),
                      QTime::fromMSecsSinceStartOfDay(int(m_pendingLocalMsecs % msecsPerDay)));
        m_pendingLocalMsecs = -1;
    }
    return m_paymentDate;
}

QDate BillPayment::paymentDay() const
{
    if (m_pendingLocalMsecs >= 0)
        return QDate::fromJulianDay(m_pendingLocalMsecs / msecsPerDay);
    return m_paymentDate.date();
}

void BillPayment::setPaymentDate(const QDateTime &paymentDate)
{
    m_paymentDate = paymentDate;
    m_pendingLocalMsecs = -1;
}

ColumnReader BillPayment::columnReader(const QSqlQuery &query)
{
    return ColumnReader(query, columnNames, ColumnCount);
}

void BillPayment::readColumns(const ColumnReader &row)
{
    m_id = RecordSql::intValue(row.value(IdColumn));
    m_billId = RecordSql::intValue(row.value(BillIdColumn));
    const QVariant moment = row.value(PaymentDateColumn);
    QDate day;
    QTime time;
    if (RecordSql::plainLocalDateTime(moment, &day, &time)) {
        m_paymentDate = QDateTime();
        m_pendingLocalMsecs = day.toJulianDay() * msecsPerDay + time.msecsSinceStartOfDay();
    } else {
        setPaymentDate(RecordSql::dateTimeValue(moment));
    }
    const QVariant amount = row.value(AmountColumn);
    m_amount = RecordSql::doubleValue(amount);
    keepUnread(amount);
    m_reference = row.value(ReferenceColumn).toString();
    setStored(true);
}

std::optional<BillPayment> BillPayment::findById(int id)
{
    const std::optional<QSqlRecord> row =
        RecordSql::findRow(Connections::current(),
                           QStringLiteral("SELECT * FROM billpayment WHERE id = :billpaymentid"),
                           QStringLiteral(":billpaymentid"), id, QStringLiteral("payment"));
    if (!row)
        return std::nullopt;
    return BillPayment(*row);
}

// The column positions are found once for all rows, not once per row.
std::optional<QList<BillPayment>> BillPayment::readPayments(QSqlQuery &query)
{
    if (!RecordSql::exec(query))
        return std::nullopt;
    QList<BillPayment> payments;
    const BillPayment blank;
    const ColumnReader row = columnReader(query);
    while (query.next()) {
        BillPayment payment(blank);
        payment.readColumns(row);
        payments.append(payment);
    }
    if (!RecordSql::readToTheEnd(query))
        return std::nullopt;
    return payments;
}

std::optional<QList<BillPayment>> BillPayment::ofBill(int billId)
{
    QSqlQuery query = RecordSql::currentQuery();
    query.setForwardOnly(true);
    if (!RecordSql::prepare(query, QStringLiteral("SELECT * FROM billpayment WHERE billid = "
                                                  ":billid ORDER BY paymentdate ASC, id ASC")))
        return std::nullopt;
    query.bindValue(QStringLiteral(":billid"), billId);
    return readPayments(query);
}

std::optional<QList<BillPayment>> BillPayment::all()
{
    QSqlQuery query = RecordSql::currentQuery();
    query.setForwardOnly(true);
    if (!RecordSql::prepare(
            query, QStringLiteral("SELECT * FROM billpayment ORDER BY paymentdate ASC, id ASC")))
        return std::nullopt;
    return readPayments(query);
}

QString BillPayment::createStatement()
{
    return QStringLiteral("CREATE TABLE billpayment (id INTEGER NOT "
                          "NULL PRIMARY KEY, billid INTEGER, "
                          "paymentdate DATETIME, amount DECIMAL, reference VARCHAR(100));");
}

bool BillPayment::createTable()
{
    QSqlQuery query = RecordSql::currentQuery();
    return RecordSql::prepare(query, createStatement()) && RecordSql::exec(query);
}

QString BillPayment::layoutColumns(const QString &version)
{
    if (version == QLatin1String("1.0") || version == QLatin1String("1.1"))
        return QStringLiteral("none");
    if (hasLayout14(version))
        return QStringLiteral("billpayment,id,billid,paymentdate,amount");
    if (hasLayout15(version))
        return QStringLiteral("billpayment,id,billid,paymentdate,amount,reference");
    return QString();
}

bool BillPayment::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::current(), layoutColumns(version));
}

bool BillPayment::upgradePrepare(const QString &version)
{
    // The table has the current layout already and stays as it is.
    if (hasLayout15(version))
        return true;
    return TableUpgrade::prepare(Connections::current(), layoutColumns(version),
                                 QStringLiteral("ALTER TABLE billpayment RENAME TO "),
                                 &BillPayment::createTable);
}

bool BillPayment::upgradeCopy(const QString &version)
{
    if (hasLayout15(version))
        return true;
    // Only the layouts from 1.2 on have payments.
    const QString layout = layoutColumns(version);
    return TableUpgrade::isAbsent(layout) || copyCurrentRows(layout);
}

// Rows keep their ids. Those whose values read and write back unchanged are copied as they
// are, the others as the record reads them. Saving a payment would recompute its bill's paid
// state while the copy is half done, so only the rows are written.
bool BillPayment::copyCurrentRows(const QString &layout)
{
    const QString plain = QStringList{TableUpgrade::plainInt(QStringLiteral("id")),
                                      TableUpgrade::plainInt(QStringLiteral("billid")),
                                      TableUpgrade::plainMoment(QStringLiteral("paymentdate")),
                                      TableUpgrade::plainAmount(QStringLiteral("amount"))}
                              .join(QLatin1String(" AND "));
    return TableUpgrade::copyPlainAndOthers(
        Connections::current(), TableUpgrade::tempTable(layout), plain,
        {QStringLiteral("INSERT INTO billpayment (id, billid, paymentdate, amount, reference) "
                        "SELECT id, billid, paymentdate, amount, '' FROM ")},
        [](const QSqlRecord &row) {
            BillPayment payment;
            payment.convertRecord(row, QStringLiteral("1.2"));
            return payment.insertKeepingId();
        });
}

bool BillPayment::upgradeDrop(const QString &version)
{
    if (hasLayout15(version))
        return true;
    return TableUpgrade::drop(Connections::current(), layoutColumns(version));
}

void BillPayment::convertRecord(const QSqlRecord &row, const QString &version)
{
    if (hasLayout14(version)) {
        m_id = TableUpgrade::columnValue(row, QStringLiteral("id")).toInt();
        m_billId = TableUpgrade::columnValue(row, QStringLiteral("billid")).toInt();
        setPaymentDate(TableUpgrade::columnValue(row, QStringLiteral("paymentdate")).toDateTime());
        const QVariant amount = TableUpgrade::columnValue(row, QStringLiteral("amount"));
        m_amount = amount.toDouble();
        keepUnread(amount);
    }
    setStored(false);
}
