// Times the work a person waits for on a big data file: generating long series, opening the
// file and loading the current and the paid bills (the main window reloads after every
// dialog). Usage: bench_datafile [bills] [reloads]
#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "connections.h"
#include "datafile.h"
#include "payee.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {
double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Weekly series of 100 bills each, one payee per series, every third bill paid.
void fill(int billCount)
{
    for (int series = 0; series * 100 < billCount; ++series) {
        Payee payee;
        payee.setPayeeName(QStringLiteral("Payee %1").arg(series));
        payee.save();
        BillSchedule schedule;
        schedule.setScheduleType(QStringLiteral("WEEKLY"));
        schedule.setDayOfWeek(1 + series % 7);
        schedule.setRangeStartDate(QDate(2020, 1, 1));
        schedule.setRangeEndDate(QDate(2020, 1, 1).addDays(7 * 100 - 1));
        schedule.save();
        Bill templateBill;
        templateBill.setPayee(payee);
        templateBill.setAmount(10.0 + series);
        templateBill.setDescription(QStringLiteral("Series %1").arg(series));
        schedule.generateBills(templateBill);
    }
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int billCount = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 10000;
    const int reloads = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 20;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.nvbf"));
    QTextStream out(stdout);

    QElapsedTimer timer;
    {
        DataFile file(nullptr);
        file.open(path);
        timer.start();
        fill(billCount);
        out << "generate " << billCount << " bills: " << elapsedMs(timer) << " ms\n";
        file.loadCurrentBills();
        int paid = 0;
        for (const auto &bill : file.billList()) {
            if (bill->id() % 3 == 0) {
                BillPayment payment(bill->id(), QDateTime(QDate(2020, 6, 1), QTime(12, 0)),
                                    bill->amount());
                payment.save();
                ++paid;
            }
        }
        out << "paid " << paid << " bills\n";
    }

    DataFile file(nullptr);
    timer.restart();
    file.open(path);
    out << "open: " << elapsedMs(timer) << " ms\n";

    timer.restart();
    for (int i = 0; i < reloads; ++i)
        file.loadCurrentBills();
    out << "loadCurrentBills: " << elapsedMs(timer) / reloads << " ms each, "
        << file.billList().size() << " unpaid of " << file.billsById().size() << "\n";

    timer.restart();
    for (int i = 0; i < reloads; ++i)
        file.loadPaidBills();
    out << "loadPaidBills: " << elapsedMs(timer) / reloads << " ms each, " << file.billList().size()
        << " paid\n";
    return 0;
}
