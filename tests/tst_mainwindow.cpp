#include "activedomainobject.h"
#include "helpdialog.h"
#include "norvoravarodozod.h"
#include "scopedworkdir.h"
#include "testmain.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

namespace {

const QStringList iconNames{
    "NorvoRavaRodozod",
    "page_white",
    "folder_page_white",
    "cancel",
    "overview",
    "report",
    "bill_current",
    "bill_paid",
    "bill_add",
    "bill_edit",
    "bill_delete",
    "money",
    "payee",
    "payee_delete",
    "help",
    "date",
    "backup",
};

QString iconPath(const QString &name)
{
    return QStringLiteral(":/images/Resources/%1.png").arg(name);
}

// The window's own actions; menus carry hidden actions of their own, which are left out.
QList<QAction *> windowActions(const QWidget &window)
{
    QList<QAction *> actions;
    for (QAction *action : window.findChildren<QAction *>())
        if (action->objectName().startsWith(QLatin1String("action")))
            actions.append(action);
    return actions;
}

QAction *action(const QWidget &window, const QString &name)
{
    auto *found = window.findChild<QAction *>(name);
    if (!found)
        qWarning("no action named %s", qPrintable(name));
    return found;
}

// A menu or tool bar as a list of action names, with "-" for a separator and a submenu's own
// name for it.
QStringList actionNames(const QWidget *bar)
{
    QStringList names;
    for (QAction *entry : bar->actions())
        names.append(entry->isSeparator() ? QStringLiteral("-")
                     : entry->menu()      ? entry->menu()->objectName()
                                          : entry->objectName());
    return names;
}

QList<HelpDialog *> visibleHelpWindows()
{
    QList<HelpDialog *> found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *help = qobject_cast<HelpDialog *>(widget); help && help->isVisible())
            found.append(help);
    return found;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    // Construction and the first run
    void everySlotByNameFindsItsSignal();
    void firstRunShowsTitleGuideAndEmptyDisabledList();
    void firstRunEnablesOnlyTheFileIndependentActions();

    // Menus and tool bar
    void menuBarOrder();
    void barContents_data();
    void barContents();
    void menuLettersAreOneEach_data();
    void menuLettersAreOneEach();

    // Icons
    void iconResolves_data();
    void iconResolves();
    void iconsAreDistinct();
    void everyActionIconResolves();

    // Help
    void helpActionsOpenTheGuide_data();
    void helpActionsOpenTheGuide();
    void guideLinksAndImagesResolve();

    // Leaving
    void exitClosesWindow_data();
    void exitClosesWindow();
    void exitEndsEventLoopEvenWithHelpOpen();
};

void TestMainWindow::everySlotByNameFindsItsSignal()
{
    // A renamed action or widget would silently leave its on_..._triggered slot unconnected.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal for on_")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("connectSlotsByName")));
    NorvoRavaRodozod window;
    QVERIFY(window.findChild<QTreeWidget *>("BillsTreeWidget"));
}

void TestMainWindow::firstRunShowsTitleGuideAndEmptyDisabledList()
{
    ScopedWorkDir dir;
    NorvoRavaRodozod window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.windowTitle(), QString("Norvo Rava Rodozod 1.6"));
    QCOMPARE(window.windowTitle(), productTitle());

    auto *list = window.findChild<QTreeWidget *>("BillsTreeWidget");
    auto *summary = window.findChild<QTextBrowser *>("SummaryTextBrowser");
    QVERIFY(list && summary);
    QVERIFY(!list->isEnabled());
    QCOMPARE(list->topLevelItemCount(), 0);
    // The panel says how to begin; its links are tested with the commands they run.
    QVERIFY(summary->isEnabled());
    QVERIFY(summary->toPlainText().startsWith("No data file is open."));

    const QStringList headers{"Payee", "Description", "Date Due", "Amount"};
    QCOMPARE(list->columnCount(), headers.size());
    for (int column = 0; column < headers.size(); ++column)
        QCOMPARE(list->headerItem()->text(column), headers.at(column));
}

void TestMainWindow::firstRunEnablesOnlyTheFileIndependentActions()
{
    NorvoRavaRodozod window;
    const QList<QAction *> actions = windowActions(window);
    QCOMPARE(actions.size(), 29);

    QSet<QString> enabled;
    for (QAction *entry : actions)
        if (entry->isEnabled())
            enabled.insert(entry->objectName());
    const QSet<QString> expected{"actionNew",
                                 "actionOpen",
                                 "actionBackup",
                                 "actionExit_Menu",
                                 "actionExit_Toolbar",
                                 "actionHelp_Toolbar",
                                 "actionHelp_Contents_Menu",
                                 "actionAbout",
                                 "actionLicense",
                                 "actionOpen_Sample_File"};
    QCOMPARE(enabled, expected);
}

void TestMainWindow::menuBarOrder()
{
    NorvoRavaRodozod window;
    QStringList titles;
    QStringList names;
    for (QAction *entry : window.menuBar()->actions()) {
        titles.append(entry->text());
        names.append(entry->menu() ? entry->menu()->objectName() : QString());
    }
    QCOMPARE(titles, QStringList({"&File", "&View", "&Bill", "Payee", "&Help"}));
    QCOMPARE(names, QStringList({"menuFile", "menuEdit", "menuBill", "menuPayee", "menuHelp"}));
}

void TestMainWindow::barContents_data()
{
    QTest::addColumn<QString>("bar");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("File") << "menuFile"
                          << QStringList{"actionNew",
                                         "actionOpen",
                                         "menuOpenRecent",
                                         "-",
                                         "actionBackup",
                                         "actionExport_Calendar",
                                         "actionExport_Bills",
                                         "-",
                                         "actionImport_Statement",
                                         "actionImport_Bills",
                                         "-",
                                         "actionExit_Menu"};
    QTest::newRow("View") << "menuEdit"
                          << QStringList{"actionOverview_Menu", "actionReports_Menu",
                                         "action_Current_Bills_Menu", "action_Paid_Bills_Menu"};
    QTest::newRow("Bill") << "menuBill" << QStringList{"actionAdd_Bill_Menu",
                                                       "actionEdit_Bill_Menu",
                                                       "actionDelete_Bill_Menu",
                                                       "actionMakePayment",
                                                       "-",
                                                       "actionReminders"};
    QTest::newRow("Payee") << "menuPayee" << QStringList{"actionAdd_Payee"};
    QTest::newRow("Help") << "menuHelp"
                          << QStringList{"actionHelp_Contents_Menu", "actionOpen_Sample_File", "-",
                                         "actionAbout", "actionLicense"};
    QTest::newRow("tool bar") << "mainToolBar"
                              << QStringList{"actionOverview_Toolbar",  "actionAdd_Bill_Toolbar",
                                             "actionEdit_Bill_Toolbar", "actionDelete_Bill_Toolbar",
                                             "actionAdd_Payee",         "actionReports_Toolbar",
                                             "actionHelp_Toolbar",      "actionExit_Toolbar"};
}

void TestMainWindow::barContents()
{
    QFETCH(QString, bar);
    QFETCH(QStringList, entries);
    NorvoRavaRodozod window;
    auto *widget = window.findChild<QWidget *>(bar);
    QVERIFY2(widget, qPrintable(bar));
    QCOMPARE(actionNames(widget), entries);
}

void TestMainWindow::menuLettersAreOneEach_data()
{
    QTest::addColumn<QString>("menu");
    for (const char *menu : {"menuFile", "menuEdit", "menuBill", "menuPayee", "menuHelp"})
        QTest::newRow(menu) << menu;
}

// Within a menu each item has a letter of its own, so that Alt and the letter reach it.
void TestMainWindow::menuLettersAreOneEach()
{
    QFETCH(QString, menu);
    ScopedWorkDir dir;
    NorvoRavaRodozod window;
    auto *shown = window.findChild<QMenu *>(menu);
    QVERIFY(shown);
    QVERIFY(!shown->actions().isEmpty());
    QHash<QKeyCombination, QString> taken;
    for (QAction *entry : shown->actions()) {
        if (entry->isSeparator())
            continue;
        const QKeySequence letter = QKeySequence::mnemonic(entry->text());
        QVERIFY2(!letter.isEmpty(), qPrintable(entry->text()));
        QVERIFY2(!taken.contains(letter[0]),
                 qPrintable(entry->text() + " and " + taken.value(letter[0])));
        taken.insert(letter[0], entry->text());
    }
}

void TestMainWindow::iconResolves_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : iconNames)
        QTest::newRow(qPrintable(name)) << name;
}

void TestMainWindow::iconResolves()
{
    QFETCH(QString, name);
    const QIcon icon(iconPath(name));
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));

    const QImage small = icon.pixmap(16, 16).toImage();
    QCOMPARE(small.size(), QSize(16, 16));
    // An image that is blank, or nearly so, would be invisible in the tool bar.
    int opaque = 0;
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x)
            opaque += qAlpha(small.pixel(x, y)) > 128 ? 1 : 0;
    QVERIFY2(opaque >= 40, qPrintable(QString("only %1 visible pixels").arg(opaque)));

    // High-density screens pick up the drawing made at twice the size by its name.
    QCOMPARE(QImage(QStringLiteral(":/images/Resources/%1@2x.png").arg(name)).size(),
             QSize(32, 32));
}

void TestMainWindow::iconsAreDistinct()
{
    QHash<QByteArray, QString> seen;
    for (const QString &name : iconNames) {
        const QImage image =
            QIcon(iconPath(name)).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        const QByteArray pixels(reinterpret_cast<const char *>(image.constBits()),
                                int(image.sizeInBytes()));
        QVERIFY2(!seen.contains(pixels),
                 qPrintable(name + " looks exactly like " + seen.value(pixels)));
        seen.insert(pixels, name);
    }
}

void TestMainWindow::everyActionIconResolves()
{
    // A form that names a picture missing from the resources shows an empty button.
    NorvoRavaRodozod window;
    QVERIFY(!window.windowIcon().isNull());
    for (QAction *entry : windowActions(window)) {
        const bool textOnly = entry->objectName() == QLatin1String("actionAbout") ||
                              entry->objectName() == QLatin1String("actionLicense");
        QVERIFY2(entry->icon().isNull() == textOnly, qPrintable(entry->objectName()));
    }
}

void TestMainWindow::helpActionsOpenTheGuide_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("menu, then tool bar") << "actionHelp_Contents_Menu"
                                         << "actionHelp_Toolbar";
    QTest::newRow("tool bar, then menu") << "actionHelp_Toolbar"
                                         << "actionHelp_Contents_Menu";
}

void TestMainWindow::helpActionsOpenTheGuide()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    NorvoRavaRodozod window;
    window.show();
    QVERIFY(visibleHelpWindows().isEmpty());

    action(window, first)->trigger();
    QCOMPARE(visibleHelpWindows().size(), 1);
    HelpDialog *help = visibleHelpWindows().first();
    QVERIFY(!help->isModal());
    auto *browser = help->findChild<QTextBrowser *>("helpTextBrowser");
    QVERIFY(browser);
    QCOMPARE(browser->source(), QUrl("qrc:/help/guide.html"));
    const QString text = browser->toPlainText();
    for (const char *topic :
         {"Data files", "Bills", "Recurring bills", "Payments", "Payees", "Reports"})
        QVERIFY2(text.contains(QLatin1String(topic)), topic);

    // Asking again, from either place, raises the same window rather than opening another.
    action(window, second)->trigger();
    QCOMPARE(visibleHelpWindows(), QList<HelpDialog *>{help});

    auto *buttons = help->findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    buttons->button(QDialogButtonBox::Close)->click();
    QVERIFY(visibleHelpWindows().isEmpty());

    action(window, first)->trigger();
    QCOMPARE(visibleHelpWindows(), QList<HelpDialog *>{help});
}

void TestMainWindow::guideLinksAndImagesResolve()
{
    QFile file(":/help/guide.html");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());

    QSet<QString> anchors;
    for (const auto &match : QRegularExpression(R"re(<a name="([^"]+)")re").globalMatch(html))
        anchors.insert(match.captured(1));
    int links = 0;
    for (const auto &match : QRegularExpression(R"re(href="#([^"]+)")re").globalMatch(html)) {
        QVERIFY2(anchors.contains(match.captured(1)), qPrintable(match.captured(1)));
        ++links;
    }
    QVERIFY(links >= 7);

    int images = 0;
    for (const auto &match : QRegularExpression(R"re(src="qrc(:[^"]+)")re").globalMatch(html)) {
        QVERIFY2(!QIcon(match.captured(1)).isNull(), qPrintable(match.captured(1)));
        ++images;
    }
    QVERIFY(images > 0);
    QVERIFY(!html.contains(QLatin1String("src=\":")));
}

void TestMainWindow::exitClosesWindow_data()
{
    QTest::addColumn<QString>("exitAction");
    QTest::newRow("menu") << "actionExit_Menu";
    QTest::newRow("tool bar") << "actionExit_Toolbar";
}

void TestMainWindow::exitClosesWindow()
{
    QFETCH(QString, exitAction);
    NorvoRavaRodozod window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    action(window, exitAction)->trigger();
    QVERIFY(!window.isVisible());
}

void TestMainWindow::exitEndsEventLoopEvenWithHelpOpen()
{
    // The guide belongs to the main window, so it must not keep the program alive after Exit.
    NorvoRavaRodozod window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    action(window, "actionHelp_Toolbar")->trigger();
    QCOMPARE(visibleHelpWindows().size(), 1);

    QSignalSpy lastClosed(qApp, &QApplication::lastWindowClosed);
    QMetaObject::Connection quitOnLast =
        connect(qApp, &QApplication::lastWindowClosed, qApp, &QApplication::quit);
    QTimer::singleShot(0, &window, [&window] { action(window, "actionExit_Toolbar")->trigger(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    const int exitCode = QApplication::exec();
    disconnect(quitOnLast);

    QCOMPARE(exitCode, 0);
    QCOMPARE(lastClosed.count(), 1);
    QVERIFY(!window.isVisible());
}

NV_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
