#include "monthlyseries.h"

#include "bill.h"
#include "payee.h"

BillSchedule addMonthlySeries(DataFile &file, const QString &payeeName, const QString &rule,
                              const QDate &start, const QDate &end)
{
    Payee payee;
    payee.setPayeeName(payeeName);
    BillSchedule schedule(BillSchedule::monthlyType, start.day(), 0, 1, QStringLiteral("DAY"),
                          QStringLiteral("ENDON"), start, end);
    schedule.setAmountRule(rule);
    Bill templateBill;
    templateBill.setAmount(50);
    if (!payee.save())
        return BillSchedule();
    templateBill.setPayee(payee);
    if (!file.addSeries(templateBill, schedule))
        return BillSchedule();
    return schedule;
}
