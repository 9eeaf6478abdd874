#include "bill.h"
#include "billpayment.h"
#include "clock.h"
#include "connections.h"
#include "datafile.h"
#include "payee.h"
#include "paymentsbymonth.h"
#include "testmain.h"

#include <QTemporaryDir>

using namespace PaymentsByMonth;

namespace {

// Past months run from March 2026 to February 2027, coming ones from February to July 2027.
const QDate today(2027, 2, 10);

// A data file of seven payees: their payments, a partly paid bill, an overdue one and bills
// due inside and beyond the coming months, loaded as the main window loads it.
struct LoadedFile
{
    QTemporaryDir dir;
    DataFile file{nullptr};
    QHash<QString, Payee> payees;
    bool ready = false;

    LoadedFile()
    {
        if (!file.open(dir.filePath("months.nvbf")))
            return;
        ready = paid("Rent", 900.0, {2026, 3, 1}) && paid("Rent", 900.0, {2026, 12, 31}) &&
                // Paid early for March: nothing of it is due.
                paid("Rent", 900.0, {2027, 1, 1}, {2027, 3, 1}) &&
                // Thirteen months ago.
                paid("Rent", 500.0, {2026, 2, 28}) && paid("Power", 120.5, {2026, 6, 15}) &&
                // 19.75 of it is left to pay this month.
                paid("Power", 80.25, {2027, 2, 9}, {2027, 2, 20}, 100.0) &&
                // Equal totals: by name, whatever the case.
                paid("Phone", 150.0, {2026, 7, 20}) && paid("gas co", 150.0, {2026, 7, 1}) &&
                paid("Insurance", 100.0, {2026, 9, 10}) && paid("Gym", 40.0, {2026, 10, 5}) &&
                paid("Books", 30.0, {2026, 10, 20}) && unpaid("Insurance", 300.0, {2026, 11, 15}) &&
                unpaid("Phone", 75.0, {2027, 4, 3}) && unpaid("Gym", 60.0, {2027, 7, 31}) &&
                unpaid("Books", 999.0, {2027, 8, 1}) && file.loadCurrentBills();
    }
    ~LoadedFile() { Connections::close(Connections::current()); }

    Payee &payee(const QString &name)
    {
        if (!payees.contains(name)) {
            Payee made;
            made.setPayeeName(name);
            made.save();
            payees.insert(name, made);
        }
        return payees[name];
    }

    // The bill's id, 0 when it could not be saved.
    int unpaid(const QString &name, double amount, const QDate &due)
    {
        Bill bill;
        bill.setPayee(payee(name));
        bill.setDescription(name);
        bill.setAmount(amount);
        bill.setDueDate(due);
        bill.setPaidDate(Bill::neverPaidDate());
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
};

} // namespace

class TestPaymentsByMonth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_loaded.reset(); }
    void init() { Clock::setFixed(QDateTime(today, QTime(9, 30))); }
    void cleanup() { Clock::reset(); }

    void seriesAndTotals();
    void paidPerMonth_data();
    void paidPerMonth();
    void duePerMonth_data();
    void duePerMonth();
    void reportTable();
    void barHeightFollowsTheAxis_data();
    void barHeightFollowsTheAxis();
    void fillsStayApartInGrey();

private:
    Figures loadedFigures() const { return figures(m_loaded->file.billsById(), today); }

    std::unique_ptr<LoadedFile> m_loaded;
};

void TestPaymentsByMonth::initTestCase()
{
    init();
    m_loaded = std::make_unique<LoadedFile>();
    QVERIFY(m_loaded->ready);
    cleanup();
}

void TestPaymentsByMonth::seriesAndTotals()
{
    const Figures made = loadedFigures();
    QStringList names;
    for (const Series &series : made.series)
        names.append(series.name);
    QCOMPARE(names, QStringList({"Rent", "Power", "gas co", "Phone", "Insurance", "Others"}));
    QVERIFY(made.series.last().others);
    // Neither the payment of thirteen months ago nor the bill due in August counts.
    QCOMPARE(made.totalPaid, 3370.75);
    QCOMPARE(made.totalDue, 454.75);
}

void TestPaymentsByMonth::paidPerMonth_data()
{
    QTest::addColumn<QDate>("month");
    QTest::addColumn<QList<double>>("paid");

    QTest::newRow("earliest month, on its first day")
        << QDate(2026, 3, 1) << QList<double>{900, 0, 0, 0, 0, 0};
    QTest::newRow("no payments") << QDate(2026, 4, 1) << QList<double>{0, 0, 0, 0, 0, 0};
    QTest::newRow("equal payees") << QDate(2026, 7, 1) << QList<double>{0, 0, 150, 150, 0, 0};
    QTest::newRow("the rest together") << QDate(2026, 10, 1) << QList<double>{0, 0, 0, 0, 0, 70};
    QTest::newRow("last day of the year")
        << QDate(2026, 12, 1) << QList<double>{900, 0, 0, 0, 0, 0};
    QTest::newRow("first day of the year")
        << QDate(2027, 1, 1) << QList<double>{900, 0, 0, 0, 0, 0};
    QTest::newRow("current month") << QDate(2027, 2, 1) << QList<double>{0, 80.25, 0, 0, 0, 0};
}

void TestPaymentsByMonth::paidPerMonth()
{
    QFETCH(QDate, month);
    QFETCH(QList<double>, paid);
    const Figures made = loadedFigures();
    int index = 0;
    while (index < PastMonths && made.pastMonth(index) != month)
        ++index;
    QVERIFY(index < PastMonths);
    QList<double> found;
    for (const Series &series : made.series)
        found.append(series.paid.at(index));
    QCOMPARE(found, paid);
}

void TestPaymentsByMonth::duePerMonth_data()
{
    QTest::addColumn<QDate>("month");
    QTest::addColumn<double>("due");

    QTest::newRow("overdue and partly paid count now") << QDate(2027, 2, 1) << 319.75;
    QTest::newRow("paid early") << QDate(2027, 3, 1) << 0.0;
    QTest::newRow("unpaid") << QDate(2027, 4, 1) << 75.0;
    QTest::newRow("last day of the last month") << QDate(2027, 7, 1) << 60.0;
}

void TestPaymentsByMonth::duePerMonth()
{
    QFETCH(QDate, month);
    QFETCH(double, due);
    const Figures made = loadedFigures();
    int index = 0;
    while (index < ComingMonths && made.comingMonth(index) != month)
        ++index;
    QVERIFY(index < ComingMonths);
    QCOMPARE(made.due.at(index), due);
}

void TestPaymentsByMonth::reportTable()
{
    const ReportContent report = content(m_loaded->file.billsById(), today);
    QCOMPARE(report.reportDate, today);
    QCOMPARE(report.summaryLines,
             (QList<QPair<QString, QString>>{{"Total Paid In Last 12 Months:", "$3,370.75"},
                                             {"Total Due Through July 2027:", "$454.75"}}));
    QStringList titles;
    for (const ReportColumn &column : report.columns)
        titles.append(column.title);
    QCOMPARE(titles, QStringList({"Month", "Rent", "Power", "gas co", "Phone", "Insurance",
                                  "Others", "Total Paid", "Due"}));
    QCOMPARE(report.columns.first().kind, ReportColumnKind::Month);
    QCOMPARE(report.columns.last().kind, ReportColumnKind::Money);

    // March 2026 to July 2027, February 2027 once with what was paid and what is due in it.
    QCOMPARE(report.rows.size(), 17);
    QCOMPARE(report.rows.first().first().toDate(), QDate(2026, 3, 1));
    QCOMPARE(report.rows.at(10),
             (QVariantList{QDate(2027, 1, 1), 900.0, 0.0, 0.0, 0.0, 0.0, 0.0, 900.0, 0.0}));
    QCOMPARE(report.rows.at(11),
             (QVariantList{QDate(2027, 2, 1), 0.0, 80.25, 0.0, 0.0, 0.0, 0.0, 80.25, 319.75}));
    QCOMPARE(report.rows.at(13),
             (QVariantList{QDate(2027, 4, 1), 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 75.0}));
    QVERIFY(!report.chart.isNull());

    // With five payees or fewer nobody is left over for "Others".
    auto bill = std::make_shared<Bill>();
    bill->setPayee(Payee(1, "Solo", {}, {}, {}, false));
    bill->setAmount(10.0);
    bill->setDueDate(today);
    bill->addPayment(BillPayment(1, QDateTime(today, QTime(8, 0)), 10.0));
    bill->setPaid(true);
    const ReportContent alone = content({{1, bill}}, today);
    QCOMPARE(alone.columns.size(), 4);
    QCOMPARE(alone.columns.at(1).title, QString("Solo"));
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
    Figures made;
    made.currentMonth = QDate(2027, 2, 1);
    made.due = QList<double>(ComingMonths, 0.0);
    Series power{"Power", false, QList<double>(PastMonths, 0.0)};
    const int month = 4;
    power.paid[month] = amount;
    made.series.append(power);

    ChartLayout layout;
    const QImage image = chartImage(made, &layout);
    QCOMPARE(image.devicePixelRatio(), ChartPixelRatio);
    QVERIFY(layout.axisMaximum >= amount);
    QVERIFY(layout.axisMaximum > 0.0);

    // From the bar's top edge down to the zero line, which is drawn over the bar's foot.
    const QColor fill = chartPalette().first().colour;
    const int x = qRound(layout.paidBars.at(month).center().x() * ChartPixelRatio);
    const double zeroLine = layout.plot.bottom() * ChartPixelRatio;
    double height = 0.0;
    for (int y = 0; y < zeroLine; ++y) {
        const QColor pixel = image.pixelColor(x, y);
        if (qAbs(pixel.red() - fill.red()) < 12 && qAbs(pixel.green() - fill.green()) < 12 &&
            qAbs(pixel.blue() - fill.blue()) < 12) {
            height = zeroLine - y;
            break;
        }
    }
    const double expected = amount / layout.axisMaximum * layout.plot.height() * ChartPixelRatio;
    QVERIFY2(qAbs(height - expected) <= 2.0,
             qPrintable(QString("%1 pixels, expected %2").arg(height).arg(expected)));
}

void TestPaymentsByMonth::fillsStayApartInGrey()
{
    const QList<FillStyle> palette = chartPalette();
    QStringList alike;
    for (int a = 0; a < palette.size(); ++a)
        for (int b = a + 1; b < palette.size(); ++b)
            if (palette.at(a).pattern == palette.at(b).pattern &&
                qAbs(qGray(palette.at(a).colour.rgb()) - qGray(palette.at(b).colour.rgb())) < 30)
                alike.append(QString("%1 and %2").arg(a).arg(b));
    QVERIFY2(alike.isEmpty(), qPrintable(alike.join(", ")));
}

NV_TEST_MAIN(TestPaymentsByMonth)
#include "tst_paymentsbymonth.moc"
