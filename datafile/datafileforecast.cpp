#include "datafile.h"

#include "amountforecast.h"
#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "connections.h"
#include "recordloader.h"
#include "recordsql.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

// Estimates and their forecasts: worked out from the confirmed amounts each time the bills are
// read, and changed only by an explicit confirmation of the real amount.

namespace {
// The rules that forecast, as SQL text.
QString varyingRules()
{
    return QStringList{BillSchedule::averageOf3, BillSchedule::averageOf6,
                       BillSchedule::averageOf12, BillSchedule::sameMonthLastYear}
        .join(QStringLiteral("', '"))
        .prepend(QLatin1Char('\''))
        .append(QLatin1Char('\''));
}
} // namespace

bool DataFile::readRules(int scheduleId, QHash<int, QString> *rules) const
{
    // Only a file of the current layout has rules and estimates at all.
    if (!hasLayout15(m_version))
        return true;
    QSqlQuery schedules(Connections::database(Connections::current()));
    schedules.setForwardOnly(true);
    if (!RecordSql::prepare(
            schedules,
            QStringLiteral("SELECT id, amountrule FROM billschedule WHERE "
                           "amountrule IN (") +
                varyingRules() + QLatin1Char(')') +
                (scheduleId != 0 ? QStringLiteral(" AND id = :billscheduleid") : QString())))
        return false;
    if (scheduleId != 0)
        schedules.bindValue(QStringLiteral(":billscheduleid"), scheduleId);
    if (!RecordSql::exec(schedules))
        return false;
    while (schedules.next())
        rules->insert(RecordSql::intValue(schedules.value(0)), schedules.value(1).toString());
    return RecordSql::readToTheEnd(schedules);
}

DataFile::History DataFile::historyOf(const QList<BillPtr> &bills, const QHash<int, QString> &rules)
{
    History history;
    for (const BillPtr &bill : bills) {
        // An amount or due date that cannot be read tells nothing about the others.
        if (bill->isEstimate() || !bill->hasReadableValues() ||
            !rules.contains(bill->billScheduleId()))
            continue;
        if (const std::optional<qint64> cents = AmountForecast::toCents(bill->amount()))
            history[bill->billScheduleId()].append({bill->dueDate(), *cents});
    }
    for (QList<AmountForecast::Confirmed> &amounts : history)
        std::stable_sort(amounts.begin(), amounts.end(),
                         [](const AmountForecast::Confirmed &a,
                            const AmountForecast::Confirmed &b) { return a.dueDate < b.dueDate; });
    return history;
}

bool DataFile::readHistory(int scheduleId, const QHash<int, QString> &rules, History *history) const
{
    // The bills of the series are read as every load reads bills, so that both see the same
    // amounts and due dates.
    QString statement = QStringLiteral("SELECT * FROM bills WHERE deleted = 0 AND billscheduleid "
                                       "IN (SELECT id FROM billschedule WHERE amountrule IN (") +
                        varyingRules() + QStringLiteral("))");
    if (scheduleId != 0)
        statement += QStringLiteral(" AND billscheduleid = %1").arg(scheduleId);
    QList<BillPtr> bills;
    if (!RecordLoader::readBills(statement, {},
                                 [&bills](const BillPtr &bill) { bills.append(bill); }))
        return false;
    *history = historyOf(bills, rules);
    return true;
}

bool DataFile::forecastEstimates(const QList<BillPtr> &bills, bool everyBill) const
{
    const bool anyEstimate = std::any_of(bills.cbegin(), bills.cend(),
                                         [](const BillPtr &bill) { return bill->isEstimate(); });
    if (!anyEstimate)
        return true;
    // A lone bill needs its own series only.
    const int only = bills.size() == 1 ? bills.constFirst()->billScheduleId() : 0;
    QHash<int, QString> rules;
    if (!readRules(only, &rules))
        return false;
    History history;
    if (everyBill)
        history = historyOf(bills, rules);
    else if (!rules.isEmpty() && !readHistory(only, rules, &history))
        return false;
    for (const BillPtr &bill : bills) {
        if (!bill->isEstimate())
            continue;
        const auto rule = rules.constFind(bill->billScheduleId());
        std::optional<qint64> cents;
        if (rule != rules.cend())
            cents = AmountForecast::forecastCents(*rule, history.value(bill->billScheduleId()),
                                                  bill->dueDate());
        bill->setForecast(cents ? std::optional<double>(double(*cents) / 100.0) : std::nullopt);
    }
    return true;
}

std::optional<QList<AmountForecast::Confirmed>> DataFile::confirmedAmounts(int scheduleId) const
{
    if (scheduleId == 0)
        return QList<AmountForecast::Confirmed>();
    QHash<int, QString> rules;
    History history;
    if (!readRules(scheduleId, &rules) ||
        (!rules.isEmpty() && !readHistory(scheduleId, rules, &history)))
        return std::nullopt;
    return history.value(scheduleId);
}

bool DataFile::confirmAmount(Bill &bill, double amount)
{
    if (!writable())
        return false;
    if (!std::isfinite(amount)) {
        RecordSql::setLastErrorText(QStringLiteral("The amount of the bill is no number."));
        return false;
    }
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    // The amount and the flag alone: whatever else the caller's copy holds may be older than
    // the file, and the bill stays in its series as it is.
    QSqlQuery query(Connections::database(Connections::current()));
    if (!RecordSql::prepare(query, QStringLiteral("UPDATE bills SET amount = :amount, isestimate "
                                                  "= 0 WHERE id = :billid AND deleted = 0")))
        return false;
    query.bindValue(QStringLiteral(":amount"), amount);
    query.bindValue(QStringLiteral(":billid"), bill.id());
    if (!RecordSql::exec(query))
        return false;
    if (query.numRowsAffected() < 1) {
        RecordSql::setLastErrorText(QStringLiteral("The bill is no longer in the file."));
        return false;
    }
    // With its real amount the payments decide whether it is paid.
    std::optional<Bill> confirmed = Bill::findById(bill.id());
    if (!confirmed || !confirmed->refreshPaidState() || !transaction.commit())
        return false;
    bill = std::move(*confirmed);
    return true;
}

bool DataFile::savePaymentConfirming(BillPayment &payment, Bill &bill, double confirmedAmount)
{
    if (!writable())
        return false;
    Bill storedBill = bill;
    BillPayment storedPayment = payment;
    Transaction transaction(Connections::current());
    if (!transaction.isActive() || !confirmAmount(storedBill, confirmedAmount) ||
        !savePayment(storedPayment, storedBill) || !transaction.commit())
        return false;
    bill = storedBill;
    payment = storedPayment;
    return true;
}
