#include "activedomainobject.h"
#include "bill.h"
#include "billpayment.h"
#include "billsummary.h"
#include "clock.h"
#include "connections.h"
#include "csvparse.h"
#include "filebytes.h"
#include "filedialoghelper.h"
#include "messagerecorder.h"
#include "norvoravarodozod.h"
#include "payee.h"
#include "scopedworkdir.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

const QDate today(2026, 1, 31);

void clickHeaders(const QWidget &window, const QList<int> &columns)
{
    QHeaderView *header = billList(window)->header();
    for (int column : columns)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, 5));
}

// The descriptions down the list, which tell the bills of a test apart.
QString shownOrder(const QWidget &window)
{
    QStringList descriptions;
    for (int row = 0; row < billList(window)->topLevelItemCount(); ++row)
        descriptions.append(billList(window)->topLevelItem(row)->text(1));
    return descriptions.join(' ');
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(today, QTime(10, 0))); }
    void cleanup() { Clock::reset(); }

    void firstRunOpensNothing();
    void newFileIsCreatedAndReopenedAtNextStart_data();
    void newFileIsCreatedAndReopenedAtNextStart();
    void newFileRefusesAnExistingName();
    void cancelledDialogsChangeNothing();
    void refusedUpgradeAtStartOpensNothing();
    void vanishedRecentFileIsNotMadeAgain();
    void openShowsTheCurrentViewAgain();
    void failedOpenLeavesTheWindowAsItWas();
    void listAndSummaryOfTheDay();
    void unreadableListSaysSo();
    void selectionShowsThePayeeInEitherView();
    void standardShortcuts();
    void headerClicksSortTheList_data();
    void headerClicksSortTheList();
    void exportBills_data();
    void exportBills();
};

void TestFileCommands::firstRunOpensNothing()
{
    ScopedWorkDir dir;
    MessageRecorder messages;
    NorvoRavaRodozod window;
    QVERIFY(QFileInfo::exists(dir.filePath("system.db")));
    QCOMPARE(window.windowTitle(), QString("Norvo Rava Rodozod 1.6"));
    QVERIFY(!isActionEnabled(window, "actionAdd_Bill_Menu"));
    QCOMPARE(billList(window)->topLevelItemCount(), 0);
    QCOMPARE(messages.count(), 0);
    // The window can be resized, from its corner too.
    QVERIFY(window.statusBar()->isSizeGripEnabled());
}

void TestFileCommands::newFileIsCreatedAndReopenedAtNextStart_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("created");
    QTest::newRow("no extension") << "budget"
                                  << "budget.nvbf";
    QTest::newRow("extension") << "budget.nvbf"
                               << "budget.nvbf";
    // The extension is compared case-sensitively.
    QTest::newRow("upper-case extension") << "budget.NVBF"
                                          << "budget.NVBF.nvbf";
}

void TestFileCommands::newFileIsCreatedAndReopenedAtNextStart()
{
    QFETCH(QString, typed);
    QFETCH(QString, created);
    ScopedWorkDir dir;
    FileAnswers answers;
    const QString path = dir.filePath(created);
    {
        NorvoRavaRodozod window;
        newFileInWindow(window, answers, dir.filePath(typed));
        QCOMPARE(answers.requests.size(), 1);
        QCOMPARE(answers.requests.first().kind, FileDialogRequest::SaveFile);
        QCOMPARE(answers.requests.first().caption, QString("Create a new file..."));
        QCOMPARE(answers.requests.first().filter, QString("Norvo Rava Rodozod (*.nvbf)"));
        QCOMPARE(answers.requests.first().directory, FileDialogHelper::startDirectory());
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.6 - " + path);
        QCOMPARE(billList(window)->topLevelItemCount(), 0);
        QCOMPARE(summaryPanel(window)->toHtml().count("$0.00"), 4);
        QVERIFY(isActionEnabled(window, "actionAdd_Bill_Menu"));
        QCOMPARE(window.statusBar()->currentMessage(), QString("Ready"));
        QVERIFY(addBill("Water Co", "water", 12.5, today.addDays(3)));
    }
    NorvoRavaRodozod next;
    QCOMPARE(next.windowTitle(), "Norvo Rava Rodozod 1.6 - " + path);
    // The load is over by the time the window shows, and the status bar says so.
    QCOMPARE(next.statusBar()->currentMessage(), QString("Ready"));
    QVERIFY(isActionEnabled(next, "actionReports_Toolbar"));
    QCOMPARE(billList(next)->topLevelItemCount(), 1);
    QCOMPARE(billList(next)->topLevelItem(0)->text(3), QString("$12.50"));
}

void TestFileCommands::newFileRefusesAnExistingName()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    MessageRecorder messages;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("budget"));
    QVERIFY(addBill("Water Co", "water", 12.5, today));
    const QString path = dir.filePath("budget.nvbf");
    const QByteArray before = fileBytes(path);
    const QString title = window.windowTitle();

    newFileInWindow(window, answers, dir.filePath("budget"));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().icon, QMessageBox::Critical);
    QCOMPARE(messages.last().title, QString("File Create Error"));
    QCOMPARE(messages.last().text,
             QString("You cannot overwrite an existing file.\nPlease use a different file name."));
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(window.windowTitle(), title);
}

void TestFileCommands::cancelledDialogsChangeNothing()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    MessageRecorder messages;
    NorvoRavaRodozod window;
    trigger(window, "actionNew");
    trigger(window, "actionOpen");
    QCOMPARE(answers.requests.size(), 2);
    QCOMPARE(answers.requests.last().kind, FileDialogRequest::OpenFile);
    QCOMPARE(answers.requests.last().caption, QString("Open an existing file..."));
    QCOMPARE(window.windowTitle(), productTitle());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"system.db"}));
    QCOMPARE(messages.count(), 0);
}

void TestFileCommands::refusedUpgradeAtStartOpensNothing()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    const QString path = dir.filePath("old.nvbf");
    {
        NorvoRavaRodozod window;
        newFileInWindow(window, answers, path);
    }
    // The same file as an older version of the program would have left it behind.
    QVERIFY(Connections::open("builder", path));
    QVERIFY(
        QSqlQuery(Connections::database("builder")).exec("UPDATE filedata SET version = '1.2'"));
    Connections::close("builder");
    const QByteArray before = fileBytes(path);

    MessageRecorder messages;
    messages.answer("Cancel");
    NorvoRavaRodozod window;
    QCOMPARE(messages.count(), 2); // the question, then why nothing was opened
    QCOMPARE(messages.messages().first().title, QString("Norvo Rava Rodozod File Upgrade"));
    QCOMPARE(window.windowTitle(), productTitle());
    QVERIFY(!isActionEnabled(window, "actionAdd_Bill_Menu"));
    QCOMPARE(fileBytes(path), before);
}

void TestFileCommands::vanishedRecentFileIsNotMadeAgain()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    const QString path = dir.filePath("moved.nvbf");
    {
        NorvoRavaRodozod window;
        newFileInWindow(window, answers, path);
    }
    QVERIFY(QFile::rename(path, dir.filePath("elsewhere.nvbf")));

    MessageRecorder messages;
    NorvoRavaRodozod window;
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().icon, QMessageBox::Warning);
    QVERIFY2(messages.last().text.contains(QDir::toNativeSeparators(path) + ", is no longer there"),
             qPrintable(messages.last().text));
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(window.windowTitle(), productTitle());
    QVERIFY(!isActionEnabled(window, "actionAdd_Bill_Menu"));
}

void TestFileCommands::openShowsTheCurrentViewAgain()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("second"));
    QVERIFY(addBill("Gas", "gas", 30, today.addDays(2)));
    newFileInWindow(window, answers, dir.filePath("first"));
    QVERIFY(addBill("Power", "power", 40, today.addDays(-2), 40));

    trigger(window, "action_Paid_Bills_Menu");
    for (const char *name : {"actionOverview_Menu", "actionOverview_Toolbar", "actionReports_Menu",
                             "actionReports_Toolbar", "actionMakePayment"})
        QVERIFY2(!isActionEnabled(window, name), name);
    QCOMPARE(billList(window)->topLevelItem(0)->text(1), QString("power"));

    answers.paths.append(dir.filePath("second.nvbf"));
    trigger(window, "actionOpen");
    for (const char *name : {"actionOverview_Menu", "actionOverview_Toolbar", "actionReports_Menu",
                             "actionReports_Toolbar", "actionMakePayment"})
        QVERIFY2(isActionEnabled(window, name), name);
    QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.6 - " + dir.filePath("second.nvbf"));
    QCOMPARE(billList(window)->topLevelItemCount(), 1);
    QCOMPARE(billList(window)->topLevelItem(0)->text(1), QString("gas"));
    QVERIFY(summaryPanel(window)->toPlainText().contains("Past Due:"));
}

void TestFileCommands::failedOpenLeavesTheWindowAsItWas()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    MessageRecorder messages;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("bills"));
    QVERIFY(addBill("Water Co", "water", 12.5, today));
    QVERIFY(addBill("Gas", "gas", 30, today.addDays(2)));
    trigger(window, "action_Current_Bills_Menu");
    const QString title = window.windowTitle();

    const QString notData = dir.filePath("notes.nvbf");
    QVERIFY(writeFileBytes(notData, "just some notes\n"));
    answers.paths.append(notData);
    trigger(window, "actionOpen");
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().title, QString("Norvo Rava Rodozod File Error"));
    QCOMPARE(fileBytes(notData), QByteArray("just some notes\n"));
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(billList(window)->topLevelItemCount(), 2);

    // Every row still shown is backed by a loaded bill of the file that is still open.
    selectRow(window, 1);
    QVERIFY(summaryPanel(window)->toPlainText().contains("Payee: Gas"));
    trigger(window, "action_Current_Bills_Menu");
    QCOMPARE(billList(window)->topLevelItemCount(), 2);
}

void TestFileCommands::listAndSummaryOfTheDay()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("bills"));
    QVERIFY(addBill("Gas", "gas", 5, today));
    QVERIFY(addBill("Water Co", "water", 10, today.addDays(-1)));
    QVERIFY(addBill("Rent", "rent", 500, today.addDays(1), 100));
    QVERIFY(addBill("Phone", "phone", 20, today.addDays(-3), 20)); // paid: not listed
    trigger(window, "action_Current_Bills_Menu");

    QTreeWidget *list = billList(window);
    QCOMPARE(list->topLevelItemCount(), 3);
    QStringList order;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        order.append(list->topLevelItem(row)->text(1));
    QCOMPARE(order, QStringList({"water", "gas", "rent"}));
    QCOMPARE(list->topLevelItem(2)->text(3), QString("$400.00"));
    QCOMPARE(list->topLevelItem(0)->background(2).color(), QColor("red"));
    QCOMPARE(list->topLevelItem(1)->background(2).color(), QColor("yellow"));

    BillTotals expected;
    expected.pastDue = 10;
    expected.dueInSevenDays = 415;
    expected.dueThisMonth = 15; // rent falls due tomorrow, in February
    expected.total = 415;
    QCOMPARE(summaryPanel(window)->toHtml(), [&] {
        QTextBrowser reference;
        reference.setHtml(summaryDocument(expected, today));
        return reference.toHtml();
    }());
    QVERIFY(summaryPanel(window)->toPlainText().contains("Due in January:"));
}

void TestFileCommands::unreadableListSaysSo()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("bills"));
    QVERIFY(addBill("Gas", "gas", 5, today));
    QSqlQuery query(Connections::database(Connections::current()));
    QVERIFY(query.exec("ALTER TABLE payees RENAME TO payees_away"));
    trigger(window, "action_Current_Bills_Menu");
    QVERIFY(window.statusBar()->currentMessage().startsWith(
        "The bills could not be read from the file: "));

    QVERIFY(query.exec("ALTER TABLE payees_away RENAME TO payees"));
    trigger(window, "action_Paid_Bills_Menu");
    trigger(window, "action_Current_Bills_Menu");
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    QCOMPARE(billList(window)->topLevelItemCount(), 1);
}

void TestFileCommands::selectionShowsThePayeeInEitherView()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("bills"));
    QVERIFY(addBill("A&B <b>", "water", 10, today));
    QVERIFY(addBill("Phone", "phone", 20, today.addDays(-3), 20));
    trigger(window, "action_Current_Bills_Menu");
    const QString summary = summaryPanel(window)->toHtml();

    selectRow(window, 0);
    QCOMPARE(summaryPanel(window)->toPlainText(),
             QString("Payee: A&B <b>\n\nMailing Address: 1 Main St\nSpringfield\n\n"
                     "Account Number: AC-A&B <b>\n"));
    trigger(window, "actionOverview_Toolbar");
    QCOMPARE(summaryPanel(window)->toHtml(), summary);

    // A rebuild leaves no row highlighted and the panel on the summary.
    selectRow(window, 0);
    trigger(window, "action_Current_Bills_Menu");
    QVERIFY(billList(window)->selectedItems().isEmpty());
    QCOMPARE(summaryPanel(window)->toHtml(), summary);

    trigger(window, "action_Paid_Bills_Menu");
    QVERIFY(summaryPanel(window)->toPlainText().isEmpty());
    QCOMPARE(billList(window)->topLevelItemCount(), 1);
    QCOMPARE(billList(window)->topLevelItem(0)->text(3), QString("$0.00"));
    QCOMPARE(billList(window)->topLevelItem(0)->background(2).color(), QColor("red"));
    selectRow(window, 0);
    QVERIFY(summaryPanel(window)->toPlainText().startsWith("Payee: Phone"));
    // Overview in the paid view is disabled; the summary stays what the current view built.
    trigger(window, "action_Current_Bills_Menu");
    QCOMPARE(summaryPanel(window)->toHtml(), summary);
}

void TestFileCommands::standardShortcuts()
{
    NorvoRavaRodozod window;
    const QList<QPair<const char *, QKeySequence>> expected{
        {"actionNew", QKeySequence(QKeySequence::New)},
        {"actionOpen", QKeySequence(QKeySequence::Open)},
        {"actionExit_Menu", QKeySequence(QKeySequence::Quit)},
        {"actionHelp_Contents_Menu", QKeySequence(QKeySequence::HelpContents)},
        {"actionDelete_Bill_Menu", QKeySequence(QKeySequence::Delete)},
        {"action_Current_Bills_Menu", QKeySequence("Ctrl+R")},
    };
    for (const auto &[name, keys] : expected)
        QCOMPARE(window.findChild<QAction *>(name)->shortcut(), keys);
}

void TestFileCommands::headerClicksSortTheList_data()
{
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("orderAfterAdding"); // with "Alarm" added and the list refreshed
    QTest::newRow("due date, as loaded") << QList<int>{} << "Gas Rent phone rent water"
                                         << "Gas Rent phone rent Alarm water";
    QTest::newRow("due date reversed, ties by id") << QList<int>{2} << "water Rent phone rent Gas"
                                                   << "water Rent phone rent Alarm Gas";
    QTest::newRow("payee, any case") << QList<int>{0} << "phone water Rent Gas rent"
                                     << "phone water Rent Gas rent Alarm";
    QTest::newRow("payee reversed, ties by due date")
        << QList<int>{0, 0} << "rent Gas Rent phone water"
        << "Alarm rent Gas Rent phone water";
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

void TestFileCommands::headerClicksSortTheList()
{
    QFETCH(QList<int>, clicks);
    QFETCH(QString, order);
    QFETCH(QString, orderAfterAdding);
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    window.show(); // lays the header out for the clicks
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    newFileInWindow(window, answers, dir.filePath("bills"));
    // Ids run against the due dates; payees, descriptions and amounts tie in pairs that only
    // case or the due date tell apart.
    QVERIFY(addBill("bravo", "Rent", 100, QDate(2026, 12, 30)));
    QVERIFY(addBill("Alpha", "water", 20.5, QDate(2027, 1, 2)));
    QVERIFY(addBill("charlie", "Gas", 100, QDate(2025, 12, 31)));
    QVERIFY(addBill("alpha", "phone", 9.99, QDate(2026, 12, 30)));
    QVERIFY(addBill("Delta", "rent", 100, QDate(2026, 12, 30)));
    trigger(window, "action_Current_Bills_Menu");
    selectRow(window, 1); // Rent

    clickHeaders(window, clicks);
    QCOMPARE(shownOrder(window), order);
    QCOMPARE(billList(window)->header()->sortIndicatorSection(),
             clicks.value(clicks.size() - 1, 2));
    // The selection moves with its row, and the commands still act on that bill.
    QCOMPARE(billList(window)->selectedItems().value(0)->text(1), QString("Rent"));
    QVERIFY(summaryPanel(window)->toPlainText().contains("bravo"));
    QVERIFY(addBill("echo", "Alarm", 100, QDate(2026, 12, 30)));
    trigger(window, "action_Current_Bills_Menu");
    QCOMPARE(shownOrder(window), orderAfterAdding);
}

void TestFileCommands::exportBills_data()
{
    QTest::addColumn<QString>("answer"); // the file dialog's; empty cancels
    QTest::addColumn<bool>("paidView");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("written"); // empty when no file may be left
    QTest::addColumn<QList<QStringList>>("rows");
    const QStringList power{"Power", "electric", "2026-01-20", "80.00", "50.00", "", "false"};
    const QStringList cafe{
        "Ünïcode Café", "Rent, \"main\"\nflat", "2027-01-02", "1234.50", "1234.50", "", "false"};
    const QList<QStringList> water{
        {"Water", "quarterly", "2025-11-30", "20.00", "0.00", "2026-01-31", "false"}};
    QTest::newRow("current, .csv added")
        << "bills" << false << QList<int>{} << "bills.csv" << QList<QStringList>{power, cafe};
    QTest::newRow("in the order shown")
        << "x.csv" << false << QList<int>{0, 0} << "x.csv" << QList<QStringList>{cafe, power};
    QTest::newRow("paid") << "paid.csv" << true << QList<int>{} << "paid.csv" << water;
    QTest::newRow("cancelled") << "" << false << QList<int>{} << "" << QList<QStringList>{};
    QTest::newRow("folder that does not exist")
        << "missing/bills.csv" << false << QList<int>{} << "" << QList<QStringList>{};
}

void TestFileCommands::exportBills()
{
    QFETCH(QString, answer);
    QFETCH(bool, paidView);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, written);
    QFETCH(QList<QStringList>, rows);
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("bills"));
    QVERIFY(addBill("Ünïcode Café", "Rent, \"main\"\nflat", 1234.5, QDate(2027, 1, 2)));
    QVERIFY(addBill("Power", "electric", 80, QDate(2026, 1, 20), 30));
    QVERIFY(addBill("Water", "quarterly", 20, QDate(2025, 11, 30), 20));
    trigger(window, paidView ? "action_Paid_Bills_Menu" : "action_Current_Bills_Menu");
    clickHeaders(window, clicks);

    MessageRecorder messages;
    answers.paths.append(answer.isEmpty() ? QString() : dir.filePath(answer));
    trigger(window, "actionExport_Bills");
    QCOMPARE(QDir(dir.path()).entryList({"*.csv"}) + QDir(dir.filePath("missing")).entryList(),
             written.isEmpty() ? QStringList() : QStringList{written});
    // Only a file that cannot be written says something.
    QCOMPARE(messages.count(), written.isEmpty() && !answer.isEmpty() ? 1 : 0);
    if (messages.count() > 0)
        QCOMPARE(messages.last().title, MessageHelper::fileErrorTitle());
    if (written.isEmpty())
        return;
    bool ok = false;
    const QList<QStringList> records = parseCsv(fileBytes(dir.filePath(written)), &ok);
    QVERIFY(ok);
    const QStringList header{"Payee",   "Description", "Due Date", "Amount",
                             "Balance", "Paid Date",   "Estimate"};
    QCOMPARE(records, QList<QStringList>{header} + rows);
}

NV_TEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
