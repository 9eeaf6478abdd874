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
const char *const dueDateColumn[] = {"duedate"};

bool startReading(QSqlQuery &query, const QString &statement)
{
    query.setForwardOnly(true);
    return RecordSql::prepare(query, statement) && RecordSql::exec(query);
}

} // namespace

bool RecordLoader::readPayees(const std::function<void(Payee &&, bool listed)> &take)
{
    // SQLite compares the flag itself, so that a value in another form (a text, NULL) lists
    // a payee exactly when a statement asking for the undeleted ones would.
    QSqlQuery query(Connections::database(Connections::current()));
    if (!startReading(query, QStringLiteral("SELECT deleted = 0, * FROM payees")))
        return false;
    const ColumnReader row = Payee::columnReader(query);
    while (query.next()) {
        Payee payee;
        payee.readColumns(row);
        take(std::move(payee), RecordSql::intValue(query.value(0)) == 1);
    }
    return RecordSql::readToTheEnd(query);
}

bool RecordLoader::readBills(const QString &statement, const PayeeSnapshots &payees,
                             const std::function<void(const std::shared_ptr<Bill> &)> &take,
                             bool *plainDueDates)
{
    QSqlQuery query(Connections::database(Connections::current()));
    if (!startReading(query, statement))
        return false;
    const ColumnReader row = Bill::columnReader(query);
    const ColumnReader payeeOfRow(query, payeeIdColumn, 1);
    const ColumnReader dueOfRow(query, dueDateColumn, 1);
    bool plain = true;
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
        plain = plain && RecordSql::isPlainDate(dueOfRow.value(0));
        take(bill);
    }
    if (plainDueDates)
        *plainDueDates = plain;
    return RecordSql::readToTheEnd(query);
}

bool RecordLoader::sumPayments(const QString &statement, const BillsById &bills, bool *manyPayments)
{
    for (const std::shared_ptr<Bill> &bill : bills)
        bill->clearPayments();
    QSqlQuery query(Connections::database(Connections::current()));
    if (!startReading(query, statement))
        return false;
    bool many = false;
    while (query.next()) {
        const auto bill = bills.constFind(RecordSql::intValue(query.value(0)));
        if (bill == bills.constEnd())
            continue;
        const QVariant amount = query.value(1);
        many = (*bill)->countPayment(RecordSql::doubleValue(amount), RecordSql::isNumber(amount)) >
                   2 ||
               many;
    }
    *manyPayments = many;
    return RecordSql::readToTheEnd(query);
}

// Only the bill id and amount of each payment are read, in the order the table holds them,
// and added up by the rules of Bill::addPayment(): no payment is made, and SQLite sorts
// nothing (summing in SQL cost more, for its GROUP BY sorts every payment). One or two
// payments give the same double in any order; when a bill has more, the file is read again
// earliest first, the order in which a bill read on its own adds its payments.
bool RecordLoader::readPaymentSums(const BillsById &bills)
{
    bool manyPayments = false;
    if (!sumPayments(QStringLiteral("SELECT billid, amount FROM billpayment"), bills,
                     &manyPayments))
        return false;
    return !manyPayments ||
           sumPayments(QStringLiteral("SELECT billid, amount FROM billpayment ORDER BY "
                                      "paymentdate ASC, id ASC"),
                       bills, &manyPayments);
}

bool RecordLoader::settlePaidState(Bill &bill)
{
    return bill.settlePaidState();
}

bool RecordLoader::writePaidColumns(Bill &bill)
{
    return bill.writePaidColumns();
}
