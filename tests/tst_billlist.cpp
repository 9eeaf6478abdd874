#include "clock.h"
#include "csvparse.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "norvoravarodozod.h"
#include "scopedworkdir.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QDir>
#include <QHeaderView>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

const QDate today(2026, 12, 28);

void clickHeaders(const QWidget &window, const QList<int> &columns)
{
    QHeaderView *header = billList(window)->header();
    for (int column : columns)
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
}

// The descriptions down the list, which tell the bills of these tests apart.
QString shownOrder(const QWidget &window)
{
    QStringList descriptions;
    const QTreeWidget *list = billList(window);
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        descriptions.append(list->topLevelItem(row)->text(1));
    return descriptions.join(' ');
}

int rowOf(const QWidget &window, const QString &description)
{
    const QTreeWidget *list = billList(window);
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        if (list->topLevelItem(row)->text(1) == description)
            return row;
    return -1;
}

} // namespace

class TestBillList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void headerClicksSortTheList_data();
    void headerClicksSortTheList();
    void exportWritesTheListAsShown_data();
    void exportWritesTheListAsShown();

private:
    std::unique_ptr<ScopedWorkDir> m_dir;
    std::unique_ptr<FileAnswers> m_answers;
    std::unique_ptr<NorvoRavaRodozod> m_window;
};

void TestBillList::init()
{
    Clock::setFixed(QDateTime(today, QTime(10, 0)));
    m_dir = std::make_unique<ScopedWorkDir>();
    m_answers = std::make_unique<FileAnswers>();
    m_window = std::make_unique<NorvoRavaRodozod>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    newFileInWindow(*m_window, *m_answers, m_dir->filePath("bills.nvbf"));
}

void TestBillList::cleanup()
{
    m_window.reset();
    m_answers.reset();
    m_dir.reset();
    Clock::reset();
}

void TestBillList::headerClicksSortTheList_data()
{
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("order");
    // The same order with one more bill, "Alarm", added and the list refreshed.
    QTest::addColumn<QString>("orderAfterAdding");

    QTest::newRow("due date, as loaded") << QList<int>{} << "Gas Rent phone rent water"
                                         << "Gas Rent phone rent Alarm water";
    QTest::newRow("due date reversed, ties by id") << QList<int>{2} << "water Rent phone rent Gas"
                                                   << "water Rent phone rent Alarm Gas";
    QTest::newRow("payee, any case") << QList<int>{0} << "phone water Rent Gas rent"
                                     << "phone water Rent Gas rent Alarm";
    QTest::newRow("payee reversed, ties by due date")
        << QList<int>{0, 0} << "rent Gas Rent phone water"
        << "Alarm rent Gas Rent phone water";
    QTest::newRow("description") << QList<int>{1} << "Gas phone Rent rent water"
                                 << "Alarm Gas phone Rent rent water";
    QTest::newRow("description reversed") << QList<int>{1, 1} << "water Rent rent phone Gas"
                                          << "water Rent rent phone Gas Alarm";
    QTest::newRow("amount across the years") << QList<int>{3} << "phone water Gas Rent rent"
                                             << "phone water Gas Rent rent Alarm";
    QTest::newRow("amount reversed") << QList<int>{3, 3} << "Gas Rent rent water phone"
                                     << "Gas Rent rent Alarm water phone";
    QTest::newRow("another column starts ascending")
        << QList<int>{3, 3, 0} << "phone water Rent Gas rent"
        << "phone water Rent Gas rent Alarm";
}

void TestBillList::headerClicksSortTheList()
{
    QFETCH(QList<int>, clicks);
    QFETCH(QString, order);
    QFETCH(QString, orderAfterAdding);
    // Added out of due order, so that ids and due dates disagree; amounts, payees and
    // descriptions tie in pairs that only case or the due date tell apart.
    QVERIFY(addBill("bravo", "Rent", 100, QDate(2026, 12, 30)));
    QVERIFY(addBill("Alpha", "water", 20.5, QDate(2027, 1, 2)));
    QVERIFY(addBill("charlie", "Gas", 100, QDate(2025, 12, 31)));
    QVERIFY(addBill("alpha", "phone", 9.99, QDate(2026, 12, 30)));
    QVERIFY(addBill("Delta", "rent", 100, QDate(2026, 12, 30)));
    trigger(*m_window, "action_Current_Bills_Menu");
    selectRow(*m_window, rowOf(*m_window, "Rent"));

    clickHeaders(*m_window, clicks);
    QCOMPARE(shownOrder(*m_window), order);
    const QHeaderView *header = billList(*m_window)->header();
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), clicks.isEmpty() ? 2 : clicks.last());
    // The selection moves with its row, and the commands still act on that bill.
    QList<QTreeWidgetItem *> selected = billList(*m_window)->selectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first()->text(1), QString("Rent"));
    QVERIFY(summaryPanel(*m_window)->toPlainText().contains("bravo"));

    trigger(*m_window, "action_Paid_Bills_Menu");
    trigger(*m_window, "action_Current_Bills_Menu");
    QCOMPARE(shownOrder(*m_window), order);
    QVERIFY(addBill("echo", "Alarm", 100, QDate(2026, 12, 30)));
    trigger(*m_window, "action_Current_Bills_Menu");
    QCOMPARE(shownOrder(*m_window), orderAfterAdding);
}

void TestBillList::exportWritesTheListAsShown_data()
{
    QTest::addColumn<QString>("answer"); // the file dialog's answer; empty cancels
    QTest::addColumn<bool>("paidView");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("written"); // the file expected, empty for none
    QTest::addColumn<QList<QStringList>>("rows");

    const QStringList power{"Power", "electric", "2026-12-20", "80.00", "50.00", ""};
    const QStringList cafe{
        "Ünïcode Café", "Rent, \"main\"\nflat", "2027-01-02", "1234.50", "1234.50", ""};
    const QStringList water{"Water", "quarterly", "2026-11-30", "20.00", "0.00", "2026-12-28"};
    QTest::newRow("current bills, .csv added")
        << "bills" << false << QList<int>{} << "bills.csv" << QList<QStringList>{power, cafe};
    QTest::newRow("in the order shown") << "sorted.csv" << false << QList<int>{0, 0} << "sorted.csv"
                                        << QList<QStringList>{cafe, power};
    QTest::newRow("paid bills") << "paid.csv" << true << QList<int>{} << "paid.csv"
                                << QList<QStringList>{water};
    QTest::newRow("cancelled") << "" << false << QList<int>{} << "" << QList<QStringList>{};
    QTest::newRow("folder that does not exist")
        << "missing/bills.csv" << false << QList<int>{} << "" << QList<QStringList>{};
}

void TestBillList::exportWritesTheListAsShown()
{
    QFETCH(QString, answer);
    QFETCH(bool, paidView);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, written);
    QFETCH(QList<QStringList>, rows);
    QVERIFY(addBill("Ünïcode Café", "Rent, \"main\"\nflat", 1234.5, QDate(2027, 1, 2)));
    QVERIFY(addBill("Power", "electric", 80, QDate(2026, 12, 20), 30));
    QVERIFY(addBill("Water", "quarterly", 20, QDate(2026, 11, 30), 20));
    trigger(*m_window, paidView ? "action_Paid_Bills_Menu" : "action_Current_Bills_Menu");
    clickHeaders(*m_window, clicks);

    MessageRecorder messages;
    m_answers->paths.append(answer.isEmpty() ? QString() : m_dir->filePath(answer));
    trigger(*m_window, "actionExport_Bills");
    QCOMPARE(m_answers->requests.last().caption, QString("Export Bills"));
    QCOMPARE(m_answers->requests.last().filter, QString("CSV files (*.csv)"));

    const QStringList files =
        QDir(m_dir->path()).entryList({"*.csv"}, QDir::Files) +
        QDir(m_dir->filePath("missing")).entryList(QDir::Files | QDir::NoDotAndDotDot);
    QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{written});
    if (written.isEmpty()) {
        const bool failed = !answer.isEmpty();
        QCOMPARE(messages.count(), failed ? 1 : 0);
        if (failed) {
            QCOMPARE(messages.last().title, MessageHelper::fileErrorTitle());
            QVERIFY(
                messages.last().text.contains(QDir::toNativeSeparators(m_dir->filePath(answer))));
        }
        return;
    }
    QCOMPARE(messages.count(), 0);
    bool ok = false;
    const QList<QStringList> records = parseCsv(fileBytes(m_dir->filePath(written)), &ok);
    QVERIFY(ok);
    QCOMPARE(records.value(0),
             QStringList({"Payee", "Description", "Due Date", "Amount", "Balance", "Paid Date"}));
    QCOMPARE(records.mid(1), rows);
}

NV_TEST_MAIN(TestBillList)
#include "tst_billlist.moc"
