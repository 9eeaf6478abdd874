#include "activedomainobject.h"
#include "bill.h"
#include "billpayment.h"
#include "billsummary.h"
#include "clock.h"
#include "connections.h"
#include "filebytes.h"
#include "filedialoghelper.h"
#include "messagerecorder.h"
#include "norvoravarodozod.h"
#include "payee.h"
#include "scopedworkdir.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QAction>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

const QDate today(2026, 1, 31);

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
    void openShowsTheCurrentViewAgain();
    void failedOpenLeavesTheWindowAsItWas();
    void listAndSummaryOfTheDay();
    void unreadableListSaysSo();
    void selectionShowsThePayeeInEitherView();
    void standardShortcuts();
};

void TestFileCommands::firstRunOpensNothing()
{
    ScopedWorkDir dir;
    MessageRecorder messages;
    NorvoRavaRodozod window;
    QVERIFY(QFileInfo::exists(dir.filePath("system.db")));
    QCOMPARE(window.windowTitle(), QString("Norvo Rava Rodozod 1.4"));
    QVERIFY(!isActionEnabled(window, "actionAdd_Bill_Menu"));
    QCOMPARE(billList(window)->topLevelItemCount(), 0);
    QCOMPARE(messages.count(), 0);
    // A window that cannot be resized offers no grip to resize it.
    QVERIFY(!window.statusBar()->isSizeGripEnabled());
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
        QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.4 - " + path);
        QCOMPARE(billList(window)->topLevelItemCount(), 0);
        QCOMPARE(summaryPanel(window)->toHtml().count("$0.00"), 4);
        QVERIFY(isActionEnabled(window, "actionAdd_Bill_Menu"));
        QCOMPARE(window.statusBar()->currentMessage(), QString("Ready"));
        QVERIFY(addBill("Water Co", "water", 12.5, today.addDays(3)));
    }
    NorvoRavaRodozod next;
    QCOMPARE(next.windowTitle(), "Norvo Rava Rodozod 1.4 - " + path);
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
    QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.4 - " + dir.filePath("second.nvbf"));
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

NV_TEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
