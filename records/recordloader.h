#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <memory>

class Bill;
class Payee;

// Reads many rows of the data file at once, for the loads of DataFile. Each statement is
// stepped once, forward only, its column positions are found once, and every value goes
// straight from the query into its record: no row is copied on the way. Nothing is written
// while a statement is being read.
class RecordLoader
{
public:
    using PayeeSnapshots = QHash<int, std::shared_ptr<const Payee>>;
    using BillsById = QHash<int, std::shared_ptr<Bill>>;

    // Every payee of the file, deleted ones included, in the order read; listed says whether
    // the lists show it, by the same test of its deleted flag as "WHERE deleted = 0".
    static bool readPayees(const std::function<void(Payee &&, bool listed)> &take);
    // Every bill of the statement, in the order read, stored and with its payee from payees
    // (an empty payee under the same id when there is none), but no payments yet.
    // plainDueDates, when given, says whether every row's due date was stored as
    // "yyyy-MM-dd" text, whose order as text is the order of the dates.
    static bool readBills(const QString &statement, const PayeeSnapshots &payees,
                          const std::function<void(const std::shared_ptr<Bill> &)> &take,
                          bool *plainDueDates = nullptr);
    // Gives every bill in bills what its payments come to, without making a single payment;
    // payments of other bills are passed over without their amounts being read.
    static bool readPaymentSums(const BillsById &bills);
    // Brings the bill's paid state up to date from its payments, in memory only; true when
    // its row has to be written to say the same.
    static bool settlePaidState(Bill &bill);
    // Writes the bill's paid flag and paid date alone, leaving the rest of its row as stored.
    static bool writePaidColumns(Bill &bill);

private:
    // Counts each payment of the statement towards its bill as Bill::addPayment() does;
    // manyPayments says whether a bill had more than two.
    static bool sumPayments(const QString &statement, const BillsById &bills, bool *manyPayments);
};
