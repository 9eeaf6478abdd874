#include "recordloader.h"

#include "bill.h"
#include "connections.h"
#include "logging.h"
#include "payee.h"
#include "recordsql.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
const char *const payeeIdColumn[] = {"payeeid"};

bool startReading(QSqlQuery &query, const QString &statement)
{
    query.setForwardOnly(true);
    return RecordSql::prepare(query, statement) && RecordSql::exec(query);
}

// Each payment read as Bill::addPayment() counts it, earliest first.
bool sumPaymentByPayment(RecordLoader::PaymentSumsByBill *sums)
{
    sums->clear();
    QSqlQuery query(Connections::database(Connections::current()));
    if (!startReading(query, QStringLiteral("SELECT billid, amount FROM billpayment ORDER BY "
                                            "paymentdate ASC, id ASC")))
        return false;
    while (query.next()) {
        RecordLoader::PaymentSums &sum = (*sums)[RecordSql::intValue(query.value(0))];
        const QVariant amount = query.value(1);
        sum.paid += RecordSql::doubleValue(amount);
        ++sum.count;
        sum.readable = sum.readable && RecordSql::isNumber(amount);
    }
    return RecordSql::readToTheEnd(query);
}
} // namespace

bool RecordLoader::readPayees(const QString &statement, const std::function<void(Payee &&)> &take)
{
    QSqlQuery query(Connections::database(Connections::current()));
    if (!startReading(query, statement))
        return false;
    const ColumnReader row = Payee::columnReader(query);
    while (query.next()) {
        Payee payee;
        payee.readColumns(row);
        take(std::move(payee));
    }
    return RecordSql::readToTheEnd(query);
}

bool RecordLoader::readBills(const QString &statement, const PayeeSnapshots &payees,
                             const std::function<void(const std::shared_ptr<Bill> &)> &take)
{
    QSqlQuery query(Connections::database(Connections::current()));
    if (!startReading(query, statement))
        return false;
    const ColumnReader row = Bill::columnReader(query);
    const ColumnReader payeeOfRow(query, payeeIdColumn, 1);
    // Copies of one bill made up front: the default constructor asks the clock.
    const Bill blank;
    auto missingPayee = std::make_shared<Payee>();
    missingPayee->setStored(true);
    while (query.next()) {
        auto bill = std::make_shared<Bill>(blank);
        bill->readColumns(row);
        const int payeeId = RecordSql::intValue(payeeOfRow.value(0));
        bill->setPayeeOfRow(payees.value(payeeId, missingPayee), payeeId);
        bill->setStored(true);
        take(bill);
    }
    return RecordSql::readToTheEnd(query);
}

// An amount counts when it is a whole number or a finite real (9e999 reads as infinity);
// NULL, blobs and infinities never do. SQL sums in an order of its own, which for one or two
// payments gives the same double as adding them earliest first; a bill with more, a text
// amount (which only the program's own rules read, see RecordSql::isNumber; the column turns
// every text that is a number into one, so such a text is the odd value of a damaged file) or
// a bill id that is no whole number has the file summed payment by payment instead.
bool RecordLoader::readPaymentSums(PaymentSumsByBill *sums)
{
    QSqlQuery query(Connections::database(Connections::current()));
    if (!startReading(
            query,
            QStringLiteral(
                "SELECT billid, total(CASE WHEN typeof(amount) = 'integer' OR (typeof(amount) = "
                "'real' AND abs(amount) < 9e999) THEN amount END), count(*), sum(typeof(amount) "
                "= 'integer' OR (typeof(amount) = 'real' AND abs(amount) < 9e999)), "
                "sum(typeof(amount) = 'text') FROM billpayment GROUP BY billid")))
        return false;
    bool odd = false;
    while (!odd && query.next()) {
        const QVariant billId = query.value(0);
        const int count = RecordSql::intValue(query.value(2));
        odd =
            billId.typeId() != QMetaType::LongLong || count > 2 || query.value(4).toLongLong() != 0;
        sums->insert(RecordSql::intValue(billId), {RecordSql::doubleValue(query.value(1)), count,
                                                   RecordSql::intValue(query.value(3)) == count});
    }
    if (!RecordSql::readToTheEnd(query))
        return false;
    return !odd || sumPaymentByPayment(sums);
}

bool RecordLoader::settlePaidState(Bill &bill)
{
    return bill.settlePaidState();
}

void RecordLoader::setPaymentSums(Bill &bill, const PaymentSums &sums)
{
    bill.m_paidSoFar = sums.paid;
    bill.m_paymentCount = sums.count;
    bill.m_paymentsReadable = sums.readable;
}

bool RecordLoader::writePaidColumns(Bill &bill)
{
    return bill.writePaidColumns();
}
