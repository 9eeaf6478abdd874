#include "amountforecast.h"
#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "currentsql.h"
#include "datafile.h"
#include "monthlyseries.h"
#include "payee.h"
#include "scratchdatafile.h"
#include "testmain.h"

namespace {
// "yyyy-MM-dd=amount" items, in due-date order.
QList<AmountForecast::Confirmed> history(const QStringList &items)
{
    QList<AmountForecast::Confirmed> amounts;
    for (const QString &item : items) {
        const QStringList parts = item.split('=');
        amounts.append({QDate::fromString(parts.at(0), Qt::ISODate),
                        AmountForecast::toCents(parts.at(1).toDouble()).value()});
    }
    return amounts;
}

const QStringList firstQuarter = {"2026-01-15=40", "2026-02-15=60", "2026-03-15=80.01"};
} // namespace

class TestEstimates : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(QDate(2026, 1, 5), QTime(9, 0))); }
    void cleanup() { Clock::reset(); }

    void forecastRules_data();
    void forecastRules();
    void forecastsAreWorkedOutWhenReadAndNeverStored();
    void wholeSeriesEditKeepsRealAmounts_data();
    void wholeSeriesEditKeepsRealAmounts();
};

void TestEstimates::forecastRules_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QStringList>("confirmed");
    QTest::addColumn<QDate>("dueDate");
    QTest::addColumn<QString>("forecast"); // cents, or "none"

    const QDate april(2026, 4, 15);
    QStringList fourteenth; // March 2025 to February 2026 at 10 each
    for (QDate month(2025, 3, 1); month < QDate(2026, 3, 1); month = month.addMonths(1))
        fourteenth.append(month.toString(Qt::ISODate) + "=10");
    QTest::newRow("last 3") << "AVERAGE3" << QStringList{"2025-12-15=1000"} + firstQuarter << april
                            << "6000";
    QTest::newRow("fewer than 6") << "AVERAGE6" << firstQuarter << april << "6000";
    QTest::newRow("last 12 of 14")
        << "AVERAGE12" << QStringList{"2025-01-01=1000", "2025-02-01=1000"} + fourteenth << april
        << "1000";
    QTest::newRow("none confirmed") << "AVERAGE3" << QStringList{} << april << "none";
    QTest::newRow("only later ones") << "AVERAGE3" << firstQuarter << QDate(2026, 1, 15) << "none";
    QTest::newRow("half a cent rounds up")
        << "AVERAGE3" << QStringList{"2026-01-01=43.29", "2026-02-01=43.30"} << april << "4330";
    QTest::newRow("half a cent of a credit")
        << "AVERAGE3" << QStringList{"2026-01-01=-43.29", "2026-02-01=-43.30"} << april << "-4330";
    QTest::newRow("same month last year")
        << "LASTYEAR" << QStringList{"2025-04-20=123.45"} + firstQuarter << april << "12345";
    QTest::newRow("leap day") << "LASTYEAR" << QStringList{"2027-02-28=70", "2027-03-28=90"}
                              << QDate(2028, 2, 29) << "7000";
    QTest::newRow("across the year end")
        << "LASTYEAR" << QStringList{"2025-12-31=10", "2026-01-02=55", "2026-12-31=30"}
        << QDate(2027, 1, 2) << "5500";
    QTest::newRow("twice that month")
        << "LASTYEAR" << QStringList{"2025-04-01=10", "2025-04-15=20"} << april << "1500";
    QTest::newRow("no bill that month") << "LASTYEAR" << firstQuarter << april << "6000";
    QTest::newRow("many large amounts that month")
        << "LASTYEAR" << QStringList(5000, "2025-04-01=9999999999999.99") << april
        << "999999999999999";
    QTest::newRow("fixed") << "FIXED" << firstQuarter << april << "none";
    QTest::newRow("unknown rule") << "AVERAGE99" << firstQuarter << april << "none";
}

void TestEstimates::forecastRules()
{
    QFETCH(QString, rule);
    QFETCH(QStringList, confirmed);
    QFETCH(QDate, dueDate);
    QFETCH(QString, forecast);
    const std::optional<qint64> cents =
        AmountForecast::forecastCents(rule, history(confirmed), dueDate);
    QCOMPARE(cents ? QString::number(*cents) : QString("none"), forecast);
}

// A monthly series estimated from its last three confirmed bills.
void TestEstimates::forecastsAreWorkedOutWhenReadAndNeverStored()
{
    ScratchDataFile data;
    QVERIFY(data.isOpen);
    DataFile &file = data.file;
    const BillSchedule schedule = addMonthlySeries(file, "Power Co", BillSchedule::averageOf3,
                                                   QDate(2026, 1, 15), QDate(2026, 6, 15));
    QList<Bill> bills = schedule.bills();
    QCOMPARE(bills.size(), 6);
    QVERIFY(
        std::all_of(bills.cbegin(), bills.cend(), [](const Bill &b) { return b.isEstimate(); }));
    const QList<double> real = {40, 60, 80.01};
    for (int i = 0; i < real.size(); ++i)
        QVERIFY(file.confirmAmount(bills[i], real.at(i)));
    // A payment beyond the forecast of an estimate settles nothing while it is one.
    QVERIFY(BillPayment(bills[5].id(), Clock::now(), 70).save());
    const QString stored = "SELECT group_concat(amount || ':' || isestimate || ':' || paid, ' ') "
                           "FROM bills ORDER BY duedate";
    const QString before = scalar(stored).toString();
    QCOMPARE(before, QString("40:0:0 60:0:0 80.01:0:0 50:1:0 50:1:0 50:1:0"));

    const auto shown = [&file] {
        QStringList amounts;
        for (const DataFile::BillPtr &bill : file.billList())
            amounts << QString::number(bill->balance(), 'f', 2);
        return amounts.join(' ');
    };
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(shown(), QString("40.00 60.00 80.01 60.00 60.00 -10.00"));
    QCOMPARE(scalar(stored).toString(), before);
    QCOMPARE(file.findBill(bills[4].id())->expectedAmount(), 60.0);

    // A confirmation moves every later forecast at once.
    QVERIFY(file.confirmAmount(bills[3], 100));
    QVERIFY(file.loadCurrentBills());
    QCOMPARE(shown(), QString("40.00 60.00 80.01 100.00 80.00 10.00"));
    QCOMPARE(scalar("SELECT amount FROM bills WHERE id = " + QString::number(bills[4].id())),
             QVariant(50));
}

void TestEstimates::wholeSeriesEditKeepsRealAmounts_data()
{
    QTest::addColumn<QString>("rules");  // before and after the edit
    QTest::addColumn<QString>("stored"); // amount:isestimate of each bill after the edit

    // The first two bills came in at 80 and 90; the edit makes the amount 60.
    QTest::newRow("varying") << "AVERAGE3 AVERAGE3" << QString("80:0 90:0 60:1 60:1");
    QTest::newRow("turning fixed") << "AVERAGE3 FIXED" << QString("80:0 90:0 60:0 60:0");
    QTest::newRow("fixed") << "FIXED FIXED" << QString("60:0 60:0 60:0 60:0");
    QTest::newRow("turning varying") << "FIXED AVERAGE6" << QString("60:1 60:1 60:1 60:1");
}

void TestEstimates::wholeSeriesEditKeepsRealAmounts()
{
    QFETCH(QString, rules);
    QFETCH(QString, stored);
    ScratchDataFile data;
    BillSchedule schedule = addMonthlySeries(data.file, "Gas Co", rules.section(' ', 0, 0),
                                             QDate(2026, 1, 10), QDate(2026, 4, 10));
    QList<Bill> bills = schedule.bills();
    QCOMPARE(bills.size(), 4);
    QVERIFY(data.file.confirmAmount(bills[0], 80) && data.file.confirmAmount(bills[1], 90));
    schedule = BillSchedule::findById(schedule.id()).value();

    Bill edited = bills[0];
    edited.setAmount(60);
    schedule.setAmountRule(rules.section(' ', 1));
    QVERIFY(data.file.saveSeriesChange(edited, schedule, QDate(2026, 1, 1), QDate(2026, 4, 10)));
    QCOMPARE(scalar("SELECT group_concat(amount || ':' || isestimate, ' ') FROM (SELECT * FROM "
                    "bills ORDER BY duedate)")
                 .toString(),
             stored);
}

NV_TEST_MAIN(TestEstimates)
#include "tst_estimates.moc"
