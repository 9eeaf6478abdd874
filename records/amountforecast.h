#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// The amount a bill of a series whose amount varies is expected to come to, worked out from the
// amounts of its series that are known: those of the instances that were confirmed. Money is
// counted in whole cents, so that a mean rounds the same way on every machine.
class AmountForecast
{
public:
    struct Confirmed
    {
        QDate dueDate;
        qint64 cents = 0;
    };

    // The cents of an amount, or nothing for one that is no finite number or too large to be
    // added up with others.
    static std::optional<qint64> toCents(double amount);
    // The mean of the amounts, rounded half away from zero to the cent; nothing when empty.
    static std::optional<qint64> meanCents(const QList<Confirmed> &amounts);

    // The forecast under the rule (see BillSchedule) for an instance due on dueDate, from the
    // confirmed amounts of its series in the order of their due dates; only those due before
    // dueDate count. Nothing when the rule does not forecast or nothing confirmed comes before.
    static std::optional<qint64> forecastCents(const QString &rule, const QList<Confirmed> &history,
                                               const QDate &dueDate);
};
