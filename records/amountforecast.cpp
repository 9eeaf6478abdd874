#include "amountforecast.h"

#include "billschedule.h"

#include <algorithm>
#include <cmath>

namespace {
// Far beyond any household's bill, and small enough that twelve of them add up in 64 bits.
constexpr double largestAmount = 1e13;

int countOf(const QString &rule)
{
    if (rule == BillSchedule::averageOf3)
        return 3;
    if (rule == BillSchedule::averageOf6)
        return 6;
    if (rule == BillSchedule::averageOf12)
        return 12;
    return 0;
}

// The mean of the last count amounts before the end.
std::optional<qint64> lastMean(const QList<AmountForecast::Confirmed> &history, qsizetype end,
                               int count)
{
    const qsizetype begin = std::max<qsizetype>(0, end - count);
    return AmountForecast::meanCents(history.mid(begin, end - begin));
}
} // namespace

std::optional<qint64> AmountForecast::toCents(double amount)
{
    if (!std::isfinite(amount) || std::fabs(amount) >= largestAmount)
        return std::nullopt;
    return std::llround(amount * 100.0);
}

std::optional<qint64> AmountForecast::meanCents(const QList<Confirmed> &amounts)
{
    if (amounts.isEmpty())
        return std::nullopt;
    // In 128 bits: a file may hold any number of amounts near the largest one.
    __int128 sum = 0;
    for (const Confirmed &amount : amounts)
        sum += amount.cents;
    const __int128 count = amounts.size();
    // Half away from zero: add half the count to the magnitude before the division.
    const __int128 magnitude = ((sum < 0 ? -sum : sum) * 2 + count) / (count * 2);
    return qint64(sum < 0 ? -magnitude : magnitude);
}

std::optional<qint64> AmountForecast::forecastCents(const QString &rule,
                                                    const QList<Confirmed> &history,
                                                    const QDate &dueDate)
{
    if (!BillSchedule::amountVaries(rule) || !dueDate.isValid())
        return std::nullopt;
    // The amounts due before the instance end here.
    const qsizetype end = std::lower_bound(history.cbegin(), history.cend(), dueDate,
                                           [](const Confirmed &amount, const QDate &date) {
                                               return amount.dueDate < date;
                                           }) -
                          history.cbegin();
    if (rule != BillSchedule::sameMonthLastYear)
        return lastMean(history, end, countOf(rule));
    // The same month a year earlier, counted by month so that a leap day or a year end moves
    // nothing. A series due more than once a month had several then: their mean.
    const int year = dueDate.year() - 1;
    const int month = dueDate.month();
    QList<Confirmed> sameMonth;
    for (qsizetype i = 0; i < end; ++i) {
        const QDate due = history.at(i).dueDate;
        if (due.year() == year && due.month() == month)
            sameMonth.append(history.at(i));
    }
    if (!sameMonth.isEmpty())
        return meanCents(sameMonth);
    return lastMean(history, end, 3);
}
