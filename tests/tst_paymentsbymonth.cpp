#include "bill.h"
#include "billpayment.h"
#include "clock.h"
#include "datafile.h"
#include "payee.h"
#include "paymentsbymonth.h"
#include "scratchdatafile.h"
#include "testmain.h"

using namespace PaymentsByMonth;

namespace {

// Past months run from March 2026 to February 2027, coming ones from February to July 2027.
const QDate today(2027, 2, 10);

// Payees by name, each saved the first time it is named.
QHash<QString, Payee> payees;

// The bill's id, 0 when it could not be saved.
int unpaid(const QString &name, double amount, const QDate &due)
{
    if (!payees.contains(name)) {
        payees[name].setPayeeName(name);
        payees[name].save();
    }
    Bill bill;
    bill.setPayee(payees[name]);
    bill.setAmount(amount);
    bill.setDueDate(due);
    return bill.save() ? bill.id() : 0;
}

// A bill due on the day of its payment unless told otherwise, of the payment's amount
// unless told otherwise.
bool paid(const QString &name, double amount, const QDate &on, const QDate &due = {},
          double billAmount = 0.0)
{
    const int billId =
        unpaid(name, billAmount > 0.0 ? billAmount : amount, due.isValid() ? due : on);
    return billId != 0 && BillPayment(billId, QDateTime(on, QTime(12, 0)), amount).save();
}

// A bill of its own payee, in memory.
std::shared_ptr<Bill> dueBill(int id, double amount, const QDate &due, bool estimate = false,
                              std::optional<double> forecast = {})
{
    auto bill = std::make_shared<Bill>();
    bill->setId(id);
    bill->setPayee(Payee(id, QString("Payee %1").arg(id), {}, {}, {}, false));
    bill->setAmount(amount);
    bill->setDueDate(due);
    bill->setEstimate(estimate);
    bill->setForecast(forecast);
    return bill;
}

// February: a confirmed bill and an overdue estimate; March: confirmed only; April: an estimate
// with no confirmed amount to forecast from; May: a forecast, partly paid; July: a paid
// estimate; August, beyond the coming months: an estimate.
BillsById billsWithEstimates()
{
    BillsById bills;
    for (const auto &bill :
         {dueBill(1, 100.0, {2027, 2, 20}), dueBill(2, 50.0, {2027, 1, 15}, true, 40.0),
          dueBill(3, 75.0, {2027, 3, 1}), dueBill(4, 60.0, {2027, 4, 30}, true),
          dueBill(5, 90.0, {2027, 5, 2}, true, 86.4), dueBill(6, 70.0, {2027, 7, 2}, true, 70.0),
          dueBill(7, 80.0, {2027, 8, 1}, true, 81.0)})
        bills.insert(bill->id(), bill);
    bills.value(5)->addPayment(BillPayment(5, QDateTime(today, QTime(8, 0)), 30.0));
    bills.value(6)->setPaid(true);
    return bills;
}

} // namespace

class TestPaymentsByMonth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void monthRows_data();
    void monthRows();
    void reportShape();
    void barHeightFollowsTheAxis_data();
    void barHeightFollowsTheAxis();
    void dueBarsTellEstimates_data();
    void dueBarsTellEstimates();

private:
    ScratchDataFile m_data{"months.nvbf"};
    DataFile &m_file = m_data.file;
};

// Seven payees: their payments, a partly paid bill, an overdue one and bills due inside and
// beyond the coming months, loaded as the main window loads them.
void TestPaymentsByMonth::initTestCase()
{
    // Paying a bill stamps it with today.
    Clock::setFixed(QDateTime(today, QTime(9, 30)));
    QVERIFY(m_data.isOpen);
    QVERIFY(paid("Rent", 900.0, {2026, 3, 1}) && paid("Rent", 900.0, {2026, 12, 31}));
    // Paid early for March: nothing of it is due.
    QVERIFY(paid("Rent", 900.0, {2027, 1, 1}, {2027, 3, 1}));
    // Thirteen months ago.
    QVERIFY(paid("Rent", 500.0, {2026, 2, 28}) && paid("Power", 120.5, {2026, 6, 15}));
    // 19.75 of it is left to pay this month.
    QVERIFY(paid("Power", 80.25, {2027, 2, 9}, {2027, 2, 20}, 100.0));
    // Equal totals: by name, whatever the case.
    QVERIFY(paid("Phone", 150.0, {2026, 7, 20}) && paid("gas co", 150.0, {2026, 7, 1}));
    QVERIFY(paid("Insurance", 100.0, {2026, 9, 10}) && paid("Gym", 40.0, {2026, 10, 5}) &&
            paid("Books", 30.0, {2026, 10, 20}));
    QVERIFY(unpaid("Insurance", 300.0, {2026, 11, 15}) && unpaid("Phone", 75.0, {2027, 4, 3}) &&
            unpaid("Gym", 60.0, {2027, 7, 31}) && unpaid("Books", 999.0, {2027, 8, 1}));
    QVERIFY(m_file.loadCurrentBills());
    Clock::reset();
}

void TestPaymentsByMonth::monthRows_data()
{
    // Rent, Power, gas co, Phone, Insurance, Others, Total Paid, Due.
    QTest::addColumn<QDate>("month");
    QTest::addColumn<QVariantList>("values");

    QTest::newRow("earliest month, on its first day")
        << QDate(2026, 3, 1) << QVariantList{900.0, 0.0, 0.0, 0.0, 0.0, 0.0, 900.0, 0.0};
    QTest::newRow("no payments") << QDate(2026, 4, 1)
                                 << QVariantList{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    QTest::newRow("equal payees") << QDate(2026, 7, 1)
                                  << QVariantList{0.0, 0.0, 150.0, 150.0, 0.0, 0.0, 300.0, 0.0};
    QTest::newRow("the rest together")
        << QDate(2026, 10, 1) << QVariantList{0.0, 0.0, 0.0, 0.0, 0.0, 70.0, 70.0, 0.0};
    QTest::newRow("last day of the year")
        << QDate(2026, 12, 1) << QVariantList{900.0, 0.0, 0.0, 0.0, 0.0, 0.0, 900.0, 0.0};
    QTest::newRow("first day of the year")
        << QDate(2027, 1, 1) << QVariantList{900.0, 0.0, 0.0, 0.0, 0.0, 0.0, 900.0, 0.0};
    QTest::newRow("current month: paid, left over and overdue")
        << QDate(2027, 2, 1) << QVariantList{0.0, 80.25, 0.0, 0.0, 0.0, 0.0, 80.25, 319.75};
    QTest::newRow("paid early") << QDate(2027, 3, 1)
                                << QVariantList{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    QTest::newRow("unpaid") << QDate(2027, 4, 1)
                            << QVariantList{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 75.0};
    QTest::newRow("last day of the last month")
        << QDate(2027, 7, 1) << QVariantList{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 60.0};
}

void TestPaymentsByMonth::monthRows()
{
    QFETCH(QDate, month);
    QFETCH(QVariantList, values);
    const ReportContent report = content(m_file.billsById(), m_file.payments().value(), today);
    const auto row = std::find_if(report.rows.cbegin(), report.rows.cend(),
                                  [&](const QVariantList &row) { return row.first() == month; });
    QVERIFY(row != report.rows.cend());
    QCOMPARE(row->mid(1), values);
}

void TestPaymentsByMonth::reportShape()
{
    const ReportContent report = content(m_file.billsById(), m_file.payments().value(), today);
    // Neither the payment of thirteen months ago nor the bill due in August counts.
    QCOMPARE(report.summaryLines,
             (QList<QPair<QString, QString>>{{"Total Paid In Last 12 Months:", "$3,370.75"},
                                             {"Total Due Through July 2027:", "$454.75"}}));
    QStringList titles;
    for (const ReportColumn &column : report.columns)
        titles.append(column.title);
    QCOMPARE(titles, QStringList({"Month", "Rent", "Power", "gas co", "Phone", "Insurance",
                                  "Others", "Total Paid", "Due"}));
    // March 2026 to July 2027, the current month once.
    QCOMPARE(report.rows.size(), 17);
    QCOMPARE(report.rows.last().first().toDate(), QDate(2027, 7, 1));
    QVERIFY(!report.chart.isNull());

    // With five payees or fewer nobody is left over for "Others".
    auto bill = std::make_shared<Bill>();
    bill->setPayee(Payee(1, "Solo", {}, {}, {}, false));
    const BillPayment payment(1, QDateTime(today, QTime(8, 0)), 10.0);
    bill->addPayment(payment);
    QCOMPARE(content({{1, bill}}, {payment}, today).columns.size(), 4);
}

void TestPaymentsByMonth::barHeightFollowsTheAxis_data()
{
    QTest::addColumn<double>("amount");

    QTest::newRow("nothing paid") << 0.0;
    QTest::newRow("part of the axis") << 250.0;
    QTest::newRow("odd amount") << 1234.56;
    QTest::newRow("the whole axis") << 400.0;
}

void TestPaymentsByMonth::barHeightFollowsTheAxis()
{
    QFETCH(double, amount);
    const int month = 4;
    QList<double> paid(PastMonths, 0.0);
    paid[month] = amount;
    const Figures made{QDate(2027, 2, 1), {{"Power", false, paid}}, QList<double>(ComingMonths)};

    ChartLayout layout;
    const QImage image = chartImage(made, &layout);
    QCOMPARE(image.devicePixelRatio(), ChartPixelRatio);
    QVERIFY(layout.axisMaximum >= amount && layout.axisMaximum > 0.0);

    // From the bar's top edge down to the zero line, which is drawn over the bar's foot.
    const int x = qRound(layout.paidBars.at(month).center().x() * ChartPixelRatio);
    const double zeroLine = layout.plot.bottom() * ChartPixelRatio;
    int top = 0;
    while (top < zeroLine && image.pixelColor(x, top) != chartPalette().first().colour)
        ++top;
    const double height = std::max(0.0, zeroLine - top);
    const double expected = amount / layout.axisMaximum * layout.plot.height() * ChartPixelRatio;
    QVERIFY2(qAbs(height - expected) <= 2.0,
             qPrintable(QString("%1 pixels, expected %2").arg(height).arg(expected)));
}

void TestPaymentsByMonth::dueBarsTellEstimates_data()
{
    QTest::addColumn<QDate>("month");
    QTest::addColumn<double>("due");
    QTest::addColumn<double>("estimated");
    QTest::addColumn<QString>("shown");

    const QString estimate(QChar(0x2248));
    QTest::newRow("confirmed and overdue estimate")
        << QDate(2027, 2, 1) << 140.0 << 40.0 << estimate + "$140.00";
    QTest::newRow("confirmed only") << QDate(2027, 3, 1) << 75.0 << 0.0 << "$75.00";
    QTest::newRow("no forecast yet") << QDate(2027, 4, 1) << 60.0 << 60.0 << estimate + "$60.00";
    QTest::newRow("forecast less a payment")
        << QDate(2027, 5, 1) << 56.4 << 56.4 << estimate + "$56.40";
    QTest::newRow("nothing due") << QDate(2027, 6, 1) << 0.0 << 0.0 << "$0.00";
    QTest::newRow("paid estimate") << QDate(2027, 7, 1) << 0.0 << 0.0 << "$0.00";
}

// The month's due amount, the part of it resting on estimates, its cell in the report, the
// report's total and the lighter top of its bar, as tall as that part.
void TestPaymentsByMonth::dueBarsTellEstimates()
{
    QFETCH(QDate, month);
    QFETCH(double, due);
    QFETCH(double, estimated);
    QFETCH(QString, shown);
    const BillsById bills = billsWithEstimates();
    const Figures made = figures(bills, {}, today);
    const int index = (month.year() - today.year()) * 12 + month.month() - today.month();
    QCOMPARE(made.due.at(index), due);
    QCOMPARE(made.estimatedDue.at(index), estimated);

    const ReportContent report = content(bills, {}, today);
    const auto row = std::find_if(report.rows.cbegin(), report.rows.cend(),
                                  [&](const QVariantList &row) { return row.first() == month; });
    QVERIFY(row != report.rows.cend());
    QCOMPARE(ReportContents::shownText(ReportColumnKind::Money, row->last()), shown);
    // Neither the paid estimate nor the one of August counts; the total rests on estimates.
    QCOMPARE(report.summaryLines.last().second, QString(QChar(0x2248)) + "$331.40");

    ChartLayout layout;
    chartImage(made, &layout);
    const QRectF &bar = layout.dueBars.at(index);
    const QRectF &lighter = layout.estimatedDueBars.at(index);
    QCOMPARE(lighter.height(), estimated / layout.axisMaximum * layout.plot.height());
    if (estimated > 0.0)
        QVERIFY(lighter.top() == bar.top() && lighter.left() == bar.left() &&
                lighter.width() == bar.width());
}

NV_TEST_MAIN(TestPaymentsByMonth)
#include "tst_paymentsbymonth.moc"
