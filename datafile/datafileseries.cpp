#include "datafile.h"

#include "bill.h"
#include "billschedule.h"
#include "connections.h"
#include "importedtransaction.h"
#include "recordsql.h"
#include "transaction.h"

#include <QSet>

#include <algorithm>

// Changes to a series after it was made: deleting its rest, moving its end and editing it from
// a day on. Like the other writes, each is one transaction and changes the records passed in
// only once everything is in the file.

namespace {

// A bill the series may still delete: it follows the series and nothing was paid on it.
bool deletable(const Bill &bill)
{
    return !bill.isUnique() && bill.isReadable() && !bill.isPaid() && !bill.hasPayments();
}

// The bills of the series after bill that deleting its rest takes with it.
QList<Bill> laterDeletable(const BillSchedule &schedule, const Bill &bill)
{
    QList<Bill> later;
    if (schedule.id() != bill.billScheduleId())
        return later;
    for (const Bill &instance : schedule.bills()) {
        if (instance.id() != bill.id() && instance.dueDate() > bill.dueDate() &&
            deletable(instance))
            later.append(instance);
    }
    return later;
}

// The bills an end on newEnd leaves outside the series: those due after the last due date the
// shorter range still has, or all of them when it has none.
QList<Bill> cutBy(const BillSchedule &schedule, const QDate &newEnd)
{
    QList<Bill> cut;
    if (!newEnd.isValid() || newEnd >= schedule.rangeEndDate())
        return cut;
    BillSchedule shorter = schedule;
    shorter.setRangeEndDate(newEnd);
    const QList<QDate> kept = shorter.dueDates();
    for (const Bill &instance : schedule.bills()) {
        if (deletable(instance) && (kept.isEmpty() || instance.dueDate() > kept.last()))
            cut.append(instance);
    }
    return cut;
}

DataFile::SeriesBills summarize(const QList<Bill> &bills)
{
    DataFile::SeriesBills summary;
    summary.count = int(bills.size());
    for (const Bill &bill : bills) {
        if (!summary.first.isValid() || bill.dueDate() < summary.first)
            summary.first = bill.dueDate();
        if (!summary.last.isValid() || bill.dueDate() > summary.last)
            summary.last = bill.dueDate();
    }
    return summary;
}

// The day before the rule gave the bill's due date (the due date itself may have been moved
// off a weekend), so that the range no longer reaches the bill.
QDate endBefore(const BillSchedule &schedule, const Bill &bill)
{
    const QList<QDate> due = schedule.dueDates();
    const int index = int(due.indexOf(bill.dueDate()));
    if (index >= 0) {
        const QList<QDate> rule = schedule.ruleDates(index + 1);
        if (index < rule.size())
            return rule.at(index).addDays(-1);
    }
    return bill.dueDate().addDays(-1);
}

// What a whole-series edit carries over from one bill to another; the amount only to the bills
// whose amount is not a real one (see realAmounts).
void copyEdit(Bill &target, const Bill &source, const QSet<int> &realAmounts = {})
{
    target.setPayee(source.payee());
    if (!realAmounts.contains(target.id()))
        target.setAmount(source.amount());
    target.setDescription(source.description());
    target.setNote(source.note());
}

bool takesEdit(const Bill &instance, const QDate &from)
{
    return !instance.isUnique() && instance.isReadable() && instance.dueDate() >= from;
}

// The template's edit for the bills due on or after from that still follow the series. Their
// paid state stays as it was read, as with an edit of the whole series.
// The bills of a series whose amounts an edit of the whole series keeps: where the amount
// varies, the confirmed ones. Asked before a new rule is settled, so that a series turning fixed
// also keeps the real amounts it had.
QSet<int> realAmounts(const BillSchedule &schedule)
{
    QSet<int> real;
    if (!BillSchedule::amountVaries(schedule.amountRule()) && !schedule.amountVariedAsStored())
        return real;
    for (const Bill &bill : schedule.bills()) {
        if (!bill.isEstimate())
            real.insert(bill.id());
    }
    return real;
}

bool editFrom(const BillSchedule &schedule, const Bill &templateBill, const QDate &from,
              const QSet<int> &realAmounts)
{
    for (Bill instance : schedule.bills()) {
        if (!takesEdit(instance, from))
            continue;
        copyEdit(instance, templateBill, realAmounts);
        if (!instance.save())
            return false;
    }
    return true;
}

// New bills for the due dates the rule gives between the schedule's end and newEnd. A due date
// that a bill of the series already has (one kept after an earlier end) gets no second bill.
bool extendTo(BillSchedule &schedule, const Bill &templateBill, const QDate &newEnd)
{
    BillSchedule longer = schedule;
    longer.setRangeEndDate(newEnd);
    const QList<QDate> dates = longer.dueDates();
    const int known = int(schedule.dueDates().size());
    QSet<QDate> held;
    for (const Bill &instance : schedule.bills())
        held.insert(instance.dueDate());
    // Every new bill is a copy of one: they share the insert date and one copy of the payee.
    Bill first;
    first.setEstimate(BillSchedule::amountVaries(schedule.amountRule()));
    copyEdit(first, templateBill);
    for (int i = known; i < dates.size(); ++i) {
        if (held.contains(dates.at(i)))
            continue;
        Bill instance(first);
        instance.setDueDate(dates.at(i));
        if (!schedule.addBill(instance))
            return false;
    }
    return true;
}

} // namespace

DataFile::SeriesBills DataFile::seriesRestFrom(const Bill &bill) const
{
    const std::optional<BillSchedule> schedule = BillSchedule::findById(bill.billScheduleId());
    QList<Bill> rest = schedule ? laterDeletable(*schedule, bill) : QList<Bill>();
    rest.prepend(bill);
    return summarize(rest);
}

bool DataFile::deleteSeriesFrom(Bill *bill)
{
    if (!writable())
        return false;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    // Without the series as stored, the later bills it would take are not known.
    std::optional<BillSchedule> found = BillSchedule::findById(bill->billScheduleId());
    if (!found)
        return false;
    BillSchedule &schedule = *found;
    // Payments recorded on the bill since it was loaded go with it, as with a single delete.
    if (!ImportedTransaction::removeOfBill(bill->id()) || !bill->remove())
        return false;
    for (Bill later : laterDeletable(schedule, *bill)) {
        if (!later.remove())
            return false;
    }
    bool removed = false;
    if (!dropScheduleIfUnused(bill->billScheduleId(), &removed))
        return false;
    if (!removed && schedule.id() == bill->billScheduleId()) {
        const QDate end = endBefore(schedule, *bill);
        if (end < schedule.rangeEndDate()) {
            schedule.setRangeEndDate(end);
            if (!schedule.save())
                return false;
        }
    }
    return transaction.commit();
}

DataFile::SeriesBills DataFile::seriesCutBy(const BillSchedule &schedule, const QDate &newEnd) const
{
    return summarize(cutBy(schedule, newEnd));
}

bool DataFile::saveSeriesChange(Bill &bill, BillSchedule &schedule, const QDate &from,
                                const QDate &newEnd)
{
    if (!writable())
        return false;
    if (!newEnd.isValid() || newEnd < schedule.rangeStartDate()) {
        RecordSql::setLastErrorText(
            QStringLiteral("The series cannot end before the date it starts on."));
        return false;
    }
    // A series whose schedule has no row has no range to change.
    if (!schedule.isStored() || schedule.id() == 0)
        return saveSeries(bill, schedule);
    // The bills are those the schedule lists, as with saveSeries(): reading them again would
    // cost a query per bill.
    BillSchedule stored = schedule;
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    const QList<Bill> cut = cutBy(stored, newEnd);
    for (Bill instance : cut) {
        // The list may be older than a payment made since; a bill with one stays.
        if (!instance.loadPayments())
            return false;
        if (!instance.hasPayments() && !instance.remove())
            return false;
    }
    if (!cut.isEmpty() && !stored.loadBills())
        return false;
    // A new rule first settles which bills are estimates, which decides what the edit changes.
    // A series turning varying keeps what is real once its unpaid bills are estimates; one
    // turning fixed keeps what was real before.
    QSet<int> real =
        BillSchedule::amountVaries(stored.amountRule()) ? QSet<int>() : realAmounts(stored);
    if (!stored.settleAmountRule())
        return false;
    if (BillSchedule::amountVaries(stored.amountRule()))
        real = realAmounts(stored);
    if (!editFrom(stored, bill, from, real))
        return false;
    if (newEnd > stored.rangeEndDate() && !extendTo(stored, bill, newEnd))
        return false;
    stored.setRangeEndDate(newEnd);
    if (!stored.save() || !transaction.commit())
        return false;
    // Not read back: reading settles paid states, which an edit of the series leaves alone.
    const QList<Bill> bills = stored.bills();
    const auto found = std::find_if(bills.cbegin(), bills.cend(), [&bill](const Bill &instance) {
        return instance.id() == bill.id();
    });
    if (found != bills.cend()) {
        Bill storedBill = *found;
        if (takesEdit(storedBill, from))
            copyEdit(storedBill, bill, real);
        bill = storedBill;
    }
    schedule = stored;
    return true;
}
