#include "recordloader.h"

#include "bill.h"
#include "billpayment.h"
#include "connections.h"
#include "logging.h"
#include "payee.h"
#include "recordsql.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
const char *const payeeIdColumn[] = {"payeeid"};
const char *const billIdColumn[] = {"billid"};

bool startReading(QSqlQuery &query, const QString &statement)
{
    query.setForwardOnly(true);
    return RecordSql::prepare(query, statement) && RecordSql::exec(query);
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

bool RecordLoader::readPayments(const QString &statement, const BillsById &bills)
{
    QSqlQuery query(Connections::database(Connections::current()));
    if (!startReading(query, statement))
        return false;
    const ColumnReader row = BillPayment::columnReader(query);
    const ColumnReader billOfRow(query, billIdColumn, 1);
    // Copies of one payment made up front: the default constructor asks the clock.
    const BillPayment blank;
    while (query.next()) {
        const auto bill = bills.constFind(RecordSql::intValue(billOfRow.value(0)));
        if (bill == bills.constEnd())
            continue;
        BillPayment payment(blank);
        payment.readColumns(row);
        (*bill)->m_payments.append(payment);
    }
    return RecordSql::readToTheEnd(query);
}

bool RecordLoader::settlePaidState(Bill &bill)
{
    return bill.settlePaidState();
}

bool RecordLoader::writePaidColumns(Bill &bill)
{
    return bill.writePaidColumns();
}
