#include "datafile.h"

#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "importedtransaction.h"
#include "payee.h"
#include "payeealias.h"
#include "recordloader.h"
#include "recordsql.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QVariant>

// What comes in from outside the program: statement lines recorded as payments, and the bills
// of a spreadsheet. Like every other write, each is one transaction, all or nothing.

namespace {

// Payee names are matched as a person reads them: case and the spaces around them aside.
QString folded(const QString &name)
{
    return name.simplified().toCaseFolded();
}

constexpr qint64 largestCents = qint64(1) << 50; // far beyond any bill, exact as a double

} // namespace

bool DataFile::addBill(const NewBill &entry, QHash<QString, int> *payeeIds, int *paymentId)
{
    const QString name = entry.payeeName.simplified();
    if (name.isEmpty() || !entry.dueDate.isValid() || entry.cents <= 0 ||
        entry.cents > largestCents) {
        RecordSql::setLastErrorText(
            QStringLiteral("A bill needs a payee, a due date and an amount above zero."));
        return false;
    }
    if (payeeIds->isEmpty()) {
        QSqlQuery query(Connections::database(Connections::current()));
        if (!RecordSql::prepare(query, QStringLiteral("SELECT id, payeename FROM payees WHERE "
                                                      "deleted = 0 ORDER BY id")) ||
            !RecordSql::exec(query))
            return false;
        while (query.next()) {
            // The first of two payees of one name keeps it, as the lists show it first.
            const QString key = folded(query.value(1).toString());
            if (!payeeIds->contains(key))
                payeeIds->insert(key, query.value(0).toInt());
        }
        // Marks the cache as read even for a file without payees.
        payeeIds->insert(QString(), 0);
    }
    Payee payee;
    if (const int id = payeeIds->value(folded(name)); id > 0) {
        std::optional<Payee> stored = Payee::findById(id);
        if (!stored)
            return false;
        payee = *stored;
    } else {
        payee.setPayeeName(name);
        if (!payee.save())
            return false;
        payeeIds->insert(folded(name), payee.id());
    }
    Bill bill;
    bill.setPayee(payee);
    bill.setDescription(entry.description.simplified());
    bill.setAmount(double(entry.cents) / 100.0);
    bill.setDueDate(entry.dueDate);
    BillSchedule schedule;
    if (!saveSingleBill(bill, schedule))
        return false;
    if (entry.paidDate.isValid()) {
        BillPayment payment(bill.id(), entry.paidDate.startOfDay(), bill.amount());
        payment.setReference(entry.reference.left(100));
        if (!savePayment(payment, bill))
            return false;
        if (paymentId)
            *paymentId = payment.id();
    }
    return true;
}

bool DataFile::addBills(const QList<NewBill> &bills, int *added)
{
    if (!writable())
        return false;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    QHash<QString, int> payeeIds;
    for (const NewBill &entry : bills) {
        if (!addBill(entry, &payeeIds))
            return false;
    }
    if (!transaction.commit())
        return false;
    if (added)
        *added = int(bills.size());
    return true;
}

bool DataFile::recordStatementPayments(const QList<StatementPayment> &lines, int *recorded)
{
    if (!writable())
        return false;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    int count = 0;
    QHash<QString, int> payeeIds;
    for (const StatementPayment &line : lines) {
        const std::optional<bool> known = ImportedTransaction::isKnown(line.importId);
        if (!known)
            return false;
        if (*known)
            continue;
        if (line.billId == 0) {
            // A line no bill took: a bill of its own, due and paid on the line's date.
            const NewBill entry{line.newPayeeName, line.newDescription, line.date,
                                line.cents,        line.date,           line.reference};
            int paymentId = 0;
            if (!addBill(entry, &payeeIds, &paymentId) ||
                !ImportedTransaction::add(line.importId, paymentId, Clock::now()))
                return false;
            ++count;
            continue;
        }
        BillPtr bill = findBill(line.billId);
        if (!bill) {
            RecordSql::setLastErrorText(QStringLiteral("The bill is no longer in the file."));
            return false;
        }
        BillPayment payment(bill->id(), line.date.startOfDay(), double(line.cents) / 100.0);
        payment.setReference(line.reference.left(100));
        // A bill paid in part before is confirmed at all that was paid on it.
        const double total = bill->paidSoFar() + payment.amount();
        const bool saved = bill->isEstimate() ? savePaymentConfirming(payment, *bill, total)
                                              : savePayment(payment, *bill);
        if (!saved || !ImportedTransaction::add(line.importId, payment.id(), Clock::now()) ||
            (!line.alias.trimmed().isEmpty() &&
             !PayeeAlias::add(bill->payee().id(), line.alias.trimmed())))
            return false;
        ++count;
    }
    if (!transaction.commit())
        return false;
    if (recorded)
        *recorded = count;
    return true;
}

std::optional<QList<DataFile::BillPtr>> DataFile::readUnpaidBills() const
{
    Transaction transaction(Connections::current());
    BillRead read;
    if (!readForecastBills(QStringLiteral("SELECT * FROM bills WHERE deleted = 0"), true, &read))
        return std::nullopt;
    QList<BillPtr> unpaid;
    for (const BillPtr &bill : std::as_const(read.bills)) {
        if (!bill->isReadable())
            continue;
        // Settled in memory only: the window's next load writes the state down.
        RecordLoader::settlePaidState(*bill);
        if (!bill->isPaid())
            unpaid.append(bill);
    }
    return unpaid;
}
