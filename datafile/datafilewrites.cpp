#include "datafile.h"

#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "importedtransaction.h"
#include "payee.h"
#include "payeealias.h"
#include "recordsql.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QVariant>

#include <cmath>

// Every write that touches more than one record is one of these, in one transaction, so that
// the window, the dialogs and any other front end store the same things the same way. Each
// returns whether everything landed; on false nothing did, and lastErrorText() says why.
// The records passed in change only once everything is in the file, so that a save that failed
// can be tried again from the same state.

bool DataFile::addSeries(const Bill &templateBill, BillSchedule &schedule)
{
    if (!writable())
        return false;
    BillSchedule storedSchedule = schedule;
    Transaction transaction(Connections::current());
    if (!transaction.isActive() || !storedSchedule.save() ||
        !storedSchedule.generateBills(templateBill) || !transaction.commit())
        return false;
    schedule = storedSchedule;
    return true;
}

bool DataFile::saveSingleBill(Bill &bill, BillSchedule &schedule)
{
    if (!writable())
        return false;
    Bill storedBill = bill;
    BillSchedule storedSchedule = schedule;
    storedSchedule.setScheduleType(QStringLiteral("SINGLE"));
    // A schedule that has no row yet is inserted rather than updated.
    if (storedSchedule.id() == 0)
        storedSchedule.setStored(false);
    Transaction transaction(Connections::current());
    if (!transaction.isActive() || !storedSchedule.save() || !storedSchedule.addBill(storedBill) ||
        !transaction.commit())
        return false;
    bill = storedBill;
    schedule = storedSchedule;
    return true;
}

bool DataFile::saveSeries(Bill &bill, BillSchedule &schedule)
{
    if (!writable())
        return false;
    // The edited bill is one of the series and is written through it, like the others. A
    // bill whose series lists nothing is written by itself rather than losing the edit.
    Bill storedBill = bill;
    const bool written = schedule.hasBills() ? schedule.updateBills(storedBill) : storedBill.save();
    if (!written)
        return false;
    bill = storedBill;
    return true;
}

bool DataFile::saveBill(Bill &bill)
{
    if (!writable())
        return false;
    Bill storedBill = bill;
    if (!storedBill.save())
        return false;
    bill = storedBill;
    return true;
}

bool DataFile::savePayment(BillPayment &payment, Bill &bill)
{
    if (!writable())
        return false;
    // A payment of nothing still takes its bill out of the series; it records nothing paid.
    if (!(payment.amount() > 0 && std::isfinite(payment.amount()))) {
        RecordSql::setLastErrorText(QStringLiteral("A payment needs an amount above zero."));
        return false;
    }
    BillPayment storedPayment = payment;
    Bill storedBill = bill;
    Transaction transaction(Connections::current());
    if (!transaction.isActive() || !storedPayment.save())
        return false;
    if (!storedBill.isUnique()) {
        // The payment's save has just brought the bill's paid state up to date in the file;
        // the copy the caller holds would write the old state back.
        std::optional<Bill> paidBill = Bill::findById(storedPayment.billId());
        if (!paidBill)
            return false;
        storedBill = std::move(*paidBill);
        storedBill.setUnique(true);
        if (!storedBill.save())
            return false;
    }
    if (!transaction.commit())
        return false;
    payment = storedPayment;
    bill = storedBill;
    return true;
}

bool DataFile::deletePayment(BillPayment &payment)
{
    if (!writable())
        return false;
    Transaction transaction(Connections::current());
    // A statement line recorded as this payment is offered again by a later import.
    if (!transaction.isActive() || !payment.remove() ||
        !ImportedTransaction::removeOfPayment(payment.id()))
        return false;
    // The bill's paid flag follows the payments that are left.
    std::optional<Bill> bill = Bill::findById(payment.billId());
    return bill && bill->refreshPaidState() && transaction.commit();
}

// Shared, so that a payee of ours stays alive for the caller across the reload, which
// replaces every loaded payee.
bool DataFile::savePayee(const PayeePtr &payee)
{
    const bool saved = writable() && payee->save();
    return loadCurrentBills() && saved;
}

bool DataFile::deleteBill(Bill *bill)
{
    if (!writable())
        return false;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    // Payments recorded since the bill was loaded go with it too, and a later import offers
    // the statement lines they were recorded from again.
    if (!ImportedTransaction::removeOfBill(bill->id()) || !bill->remove())
        return false;
    return dropScheduleIfUnused(bill->billScheduleId()) && transaction.commit();
}

bool DataFile::dropScheduleIfUnused(int scheduleId, bool *removed)
{
    QSqlQuery query(Connections::database(Connections::current()));
    if (!RecordSql::prepare(query,
                            QStringLiteral("SELECT COUNT(*) FROM bills WHERE billscheduleid = "
                                           ":billscheduleid")))
        return false;
    query.bindValue(QStringLiteral(":billscheduleid"), scheduleId);
    if (!RecordSql::exec(query) || !query.next())
        return false;
    const bool unused = query.value(0).toInt() == 0;
    query.finish();
    if (removed)
        *removed = unused;
    if (!unused)
        return true;
    QSqlQuery remove(Connections::database(Connections::current()));
    if (!RecordSql::prepare(remove,
                            QStringLiteral("DELETE FROM billschedule WHERE id = :billscheduleid")))
        return false;
    remove.bindValue(QStringLiteral(":billscheduleid"), scheduleId);
    return RecordSql::exec(remove);
}

bool DataFile::deletePayee(Payee *payee)
{
    if (!writable())
        return false;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    payee->setDeleted(true);
    if (!payee->save())
        return false;
    QSqlQuery query(Connections::database(Connections::current()));
    if (!RecordSql::prepare(
            query, QStringLiteral("UPDATE bills SET deleted = 1 WHERE payeeid = :payeeid")))
        return false;
    query.bindValue(QStringLiteral(":payeeid"), payee->id());
    return RecordSql::exec(query) && transaction.commit();
}
