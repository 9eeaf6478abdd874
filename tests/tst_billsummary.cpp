#include "bill.h"
#include "billlist.h"
#include "billsummary.h"
#include "payee.h"
#include "testmain.h"

#include <QRegularExpression>
#include <QTreeWidgetItem>

namespace {

struct Due
{
    int dayOffset; // from today
    double amount;
    double paid;
    bool estimate = false;
    double forecast = 0; // none when 0
};

QList<DataFile::BillPtr> billsDue(const QDate &today, const QList<Due> &dues)
{
    QList<DataFile::BillPtr> bills;
    int id = 0;
    for (const Due &due : dues) {
        auto bill = std::make_shared<Bill>();
        bill->setId(++id);
        bill->setAmount(due.amount);
        bill->setDueDate(today.addDays(due.dayOffset));
        if (due.paid > 0)
            bill->addPayment(BillPayment(id, QDateTime(today, QTime(9, 0)), due.paid));
        bill->setEstimate(due.estimate);
        if (due.forecast > 0)
            bill->setForecast(due.forecast);
        bills.append(bill);
    }
    return bills;
}

} // namespace

Q_DECLARE_METATYPE(Due)
Q_DECLARE_METATYPE(QList<Due>)

class TestBillSummary : public QObject
{
    Q_OBJECT

private slots:
    void totals_data();
    void totals();
    void summaryDocumentText();
    void sumsThatAddInEstimatesAreMarked_data();
    void sumsThatAddInEstimatesAreMarked();
    void payeeDocumentShowsTextAsTyped_data();
    void payeeDocumentShowsTextAsTyped();
    void rowsCarryBalanceColourAndId();
    void amountColumnShowsTheExpectedBalance_data();
    void amountColumnShowsTheExpectedBalance();
    void amountColumnSortsByTheExpectedBalance();
};

// Sums in the order past due, due in 7 days, due this month, total.
void TestBillSummary::totals_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QList<Due>>("dues");
    QTest::addColumn<QList<double>>("expected");

    const QDate midMonth(2026, 6, 15);
    QTest::newRow("nothing owed") << midMonth << QList<Due>{} << QList<double>{0, 0, 0, 0};
    QTest::newRow("yesterday 10, today 5")
        << midMonth << QList<Due>{{-1, 10, 0}, {0, 5, 0}} << QList<double>{10, 15, 15, 15};
    QTest::newRow("in 7 days counted, in 8 not")
        << midMonth << QList<Due>{{7, 20, 0}, {8, 30, 0}} << QList<double>{0, 20, 50, 50};
    QTest::newRow("balance after payments") << midMonth << QList<Due>{{-3, 100, 40}, {2, 50, 12.5}}
                                            << QList<double>{60, 97.5, 97.5, 97.5};
    // 31 January: the last day of the month counts for the month, the 1st of the next does
    // not, even though it is within the week.
    QTest::newRow("31 January") << QDate(2027, 1, 31) << QList<Due>{{0, 5, 0}, {1, 7, 0}}
                                << QList<double>{0, 12, 5, 12};
    QTest::newRow("28 February, common year")
        << QDate(2027, 2, 28) << QList<Due>{{0, 5, 0}, {1, 7, 0}, {-28, 3, 0}}
        << QList<double>{3, 15, 5, 15};
    QTest::newRow("28 February, leap year")
        << QDate(2028, 2, 28) << QList<Due>{{1, 5, 0}, {2, 7, 0}} << QList<double>{0, 12, 5, 12};
    QTest::newRow("29 February") << QDate(2028, 2, 29) << QList<Due>{{0, 5, 0}, {1, 7, 0}}
                                 << QList<double>{0, 12, 5, 12};
    QTest::newRow("31 December, next year's first day")
        << QDate(2026, 12, 31) << QList<Due>{{0, 5, 0}, {1, 7, 0}, {-365, 1, 0}}
        << QList<double>{1, 13, 5, 13};
    // Overdue from an earlier month: owed now and this week, but not part of this month.
    QTest::newRow("1st of the month, overdue from the last")
        << QDate(2026, 3, 1) << QList<Due>{{-1, 10, 0}, {0, 4, 0}} << QList<double>{10, 14, 4, 14};
}

void TestBillSummary::totals()
{
    QFETCH(QDate, today);
    QFETCH(QList<Due>, dues);
    QFETCH(QList<double>, expected);

    const BillTotals totals = billTotals(billsDue(today, dues), today);
    QCOMPARE(totals.pastDue, expected.at(0));
    QCOMPARE(totals.dueInSevenDays, expected.at(1));
    QCOMPARE(totals.dueThisMonth, expected.at(2));
    QCOMPARE(totals.total, expected.at(3));
}

void TestBillSummary::summaryDocumentText()
{
    BillTotals totals;
    totals.pastDue = 10;
    totals.dueInSevenDays = 15;
    totals.dueThisMonth = 1234.5;
    totals.total = 15;
    QCOMPARE(summaryDocument(totals, QDate(2026, 12, 7)),
             QString("<html><body><font size='5'><table width='100%'><tr><td><b>Past "
                     "Due:</b></td><td>$10.00</td></tr><tr><td><b>Due in 7 "
                     "days:</b></td><td>$15.00</td></tr><tr><td><b>Due in "
                     "December:</b></td><td>$1,234.50</td></tr><tr><td><b>Total "
                     "Due:</b></td><td>$15.00</td></tr></table></font></body></html>"));
}

// The four sums as the panel shows them: past due, due in 7 days, due this month, total.
void TestBillSummary::sumsThatAddInEstimatesAreMarked_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QList<Due>>("dues");
    QTest::addColumn<QStringList>("shown");

    const QDate midMonth(2026, 6, 15);
    const QString e = QString(QChar(0x2248));
    QTest::newRow("no estimate") << midMonth << QList<Due>{{-1, 10, 0}, {0, 5, 0}}
                                 << QStringList{"$10.00", "$15.00", "$15.00", "$15.00"};
    QTest::newRow("an estimate next month marks the total alone")
        << midMonth << QList<Due>{{-1, 10, 0}, {20, 50, 0, true, 86.4}}
        << QStringList{"$10.00", "$10.00", "$10.00", e + "$96.40"};
    QTest::newRow("an overdue estimate marks every sum it is in")
        << midMonth << QList<Due>{{-1, 50, 0, true, 60}, {3, 5, 0}}
        << QStringList{e + "$60.00", e + "$65.00", e + "$65.00", e + "$65.00"};
    QTest::newRow("estimate partly paid, nothing to forecast from")
        << midMonth << QList<Due>{{2, 50, 20, true}, {-2, 1000, 0}}
        << QStringList{"$1,000.00", e + "$1,030.00", e + "$1,030.00", e + "$1,030.00"};
    // Within the week but in July.
    QTest::newRow("end of the month")
        << QDate(2026, 6, 28) << QList<Due>{{3, 50, 0, true, 40.5}, {1, 10, 0}}
        << QStringList{"$0.00", e + "$50.50", "$10.00", e + "$50.50"};
}

void TestBillSummary::sumsThatAddInEstimatesAreMarked()
{
    QFETCH(QDate, today);
    QFETCH(QList<Due>, dues);
    QFETCH(QStringList, shown);

    const QString document = summaryDocument(billTotals(billsDue(today, dues), today), today);
    QStringList sums;
    QRegularExpressionMatchIterator cells =
        QRegularExpression("</b></td><td>([^<]*)</td>").globalMatch(document);
    while (cells.hasNext())
        sums.append(cells.next().captured(1));
    QCOMPARE(sums, shown);
}

void TestBillSummary::payeeDocumentShowsTextAsTyped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("expected");

    const QString head("<html><head></head><body width='100%'><font size='5'><b>Payee:</b> ");
    const QString tail("<br></font></body></html>");
    QTest::newRow("plain") << "Water Co"
                           << "1 Main St"
                           << "A-1"
                           << head +
                                  "Water Co<br><br><b>Mailing Address:</b> 1 Main St<br><br>"
                                  "<b>Account Number:</b> A-1" +
                                  tail;
    QTest::newRow("markup") << "A&B <b>"
                            << "Smith <Home>"
                            << "\"7\""
                            << head +
                                   "A&amp;B &lt;b&gt;<br><br><b>Mailing Address:</b> Smith "
                                   "&lt;Home&gt;<br><br><b>Account Number:</b> &quot;7&quot;" +
                                   tail;
    QTest::newRow("address on lines")
        << "Gas"
        << "PO Box 9\nSpringfield"
        << ""
        << head +
               "Gas<br><br><b>Mailing Address:</b> PO Box 9<br>Springfield<br><br>"
               "<b>Account Number:</b> " +
               tail;
}

void TestBillSummary::payeeDocumentShowsTextAsTyped()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, account);
    QFETCH(QString, expected);

    const Payee payee(1, name, account, address, QString(), false);
    QCOMPARE(payeeDocument(payee), expected);
}

void TestBillSummary::rowsCarryBalanceColourAndId()
{
    const QDate today(2026, 1, 31);
    const QList<DataFile::BillPtr> bills =
        billsDue(today, {{-1, 10, 0}, {0, 1234.5, 0.5}, {1, 7, 0}});
    bills.at(0)->setPayee(Payee(3, "Acme", "", "", "", false));
    bills.at(0)->setDescription("Water");

    const QList<QTreeWidgetItem *> rows = billRows(bills, today);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0)->text(0), QString("Acme"));
    QCOMPARE(rows.at(0)->text(1), QString("Water"));
    QCOMPARE(rows.at(0)->text(2), QString("01/30/2026"));
    QCOMPARE(rows.at(1)->text(3), QString("$1,234.00"));
    const QList<QColor> backgrounds{QColor("red"), QColor("yellow"), QColor()};
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i)->data(0, Qt::UserRole).toInt(), bills.at(i)->id());
        const QVariant background = rows.at(i)->data(2, Qt::BackgroundRole);
        QCOMPARE(background.isValid(), backgrounds.at(i).isValid());
        if (background.isValid())
            QCOMPARE(background.value<QBrush>().color(), backgrounds.at(i));
        for (int column = 0; column < 4; ++column)
            QVERIFY(rows.at(i)->textAlignment(column) & Qt::AlignHCenter);
    }
    qDeleteAll(rows);
}

// The stored amount is 50 throughout.
void TestBillSummary::amountColumnShowsTheExpectedBalance_data()
{
    QTest::addColumn<Due>("due");
    QTest::addColumn<QString>("shown");
    const QString e = QString(QChar(0x2248));
    QTest::newRow("confirmed") << Due{0, 50, 0} << "$50.00";
    QTest::newRow("forecast") << Due{0, 50, 0, true, 86.4} << e + "$86.40";
    QTest::newRow("forecast less a payment") << Due{0, 50, 10, true, 1086.4} << e + "$1,076.40";
    QTest::newRow("nothing to forecast from") << Due{0, 50, 0, true} << e + "$50.00";
    QTest::newRow("forecast paid beyond") << Due{0, 50, 90, true, 86.4} << e + "-$3.60";
}

void TestBillSummary::amountColumnShowsTheExpectedBalance()
{
    QFETCH(Due, due);
    QFETCH(QString, shown);
    const QDate today(2026, 1, 31);
    const QList<QTreeWidgetItem *> rows = billRows(billsDue(today, {due}), today);
    QCOMPARE(rows.constFirst()->text(AmountColumn), shown);
    qDeleteAll(rows);
}

void TestBillSummary::amountColumnSortsByTheExpectedBalance()
{
    const QDate today(2026, 1, 31);
    // Stored 100 confirmed, 10 expected at 150, 200 expected at 50.
    QList<DataFile::BillPtr> bills =
        billsDue(today, {{0, 100, 0}, {1, 10, 0, true, 150}, {2, 200, 0, true, 50}});
    const auto sorted = [&bills](Qt::SortOrder order) {
        sortBills(bills, AmountColumn, order);
        QList<int> ids;
        for (const DataFile::BillPtr &bill : bills)
            ids.append(bill->id());
        return ids;
    };
    QCOMPARE(sorted(Qt::AscendingOrder), (QList<int>{3, 1, 2}));
    QCOMPARE(sorted(Qt::DescendingOrder), (QList<int>{2, 1, 3}));
}

NV_TEST_MAIN(TestBillSummary)
#include "tst_billsummary.moc"
