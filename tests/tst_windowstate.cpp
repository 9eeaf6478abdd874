#include "billlist.h"
#include "clock.h"
#include "connections.h"
#include "duebillswindow.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "norvoravarodozod.h"
#include "scopeddocuments.h"
#include "scopedworkdir.h"
#include "systemdatabase.h"
#include "systemsettings.h"
#include "windowsupport.h"

#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QDate today(2026, 3, 10);
const QSize screenSize(1600, 1000);

// Rows of system.db as stored.
QStringList storedRows(const QString &statement)
{
    QStringList rows;
    QSqlQuery query(Connections::database(Connections::system()));
    for (bool ok = query.exec(statement) && query.next(); ok; ok = query.next())
        rows.append(query.value(0).toString());
    return rows;
}

QList<int> columnWidths(const QWidget &window)
{
    QList<int> widths;
    for (int column = 0; column < BillColumnCount; ++column)
        widths.append(billList(window)->header()->sectionSize(column));
    return widths;
}

void showAndWait(QWidget &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

// Clicks the link with that text in the summary panel, as a person would.
void clickLink(const QWidget &window, const QString &text)
{
    QTextBrowser *panel = summaryPanel(window);
    QTextCursor middle = panel->document()->find(text);
    QVERIFY2(!middle.isNull(), qPrintable(text));
    middle.setPosition((middle.selectionStart() + middle.selectionEnd()) / 2);
    QTest::mouseClick(panel->viewport(), Qt::LeftButton, {}, panel->cursorRect(middle).center());
}

// The entries of File > Open Recent as the menu is about to show them, without the folder.
QStringList recentEntries(const QWidget &window)
{
    emit window.findChild<QMenu *>("menuFile")->aboutToShow();
    QStringList names;
    for (QAction *entry : window.findChild<QMenu *>("menuOpenRecent")->actions())
        names.append(entry->text().section(QStringLiteral("  ("), 0, 0));
    return names;
}

} // namespace

class TestWindowState : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(today, QTime(9, 0))); }
    void cleanup() { Clock::reset(); }

    // Size, place and columns
    void geometryIsKeptInTheSystemStore_data();
    void geometryIsKeptInTheSystemStore();
    void storedGeometryIsCheckedBeforeUse_data();
    void storedGeometryIsCheckedBeforeUse();
    void columnsShareTheWidth_data();
    void columnsShareTheWidth();

    // No file open
    void guideLinksRunTheCommands_data();
    void guideLinksRunTheCommands();
    void guideComesBackWhenNoFileIsLeft();

    // Open Recent
    void openRecentListsTheFilesStillThere();
    void openRecentOfAVanishedFileMakesNothing();

    // Bills Due
    void dueBillsOpenBesideTheWindow_data();
    void dueBillsOpenBesideTheWindow();
};

void TestWindowState::geometryIsKeptInTheSystemStore_data()
{
    QTest::addColumn<bool>("maximized");
    QTest::newRow("normal") << false;
    QTest::newRow("maximised") << true;
}

void TestWindowState::geometryIsKeptInTheSystemStore()
{
    QFETCH(bool, maximized);
    ScopedWorkDir dir;
    QList<int> widths;
    {
        NorvoRavaRodozod window;
        window.resize(700, 500);
        window.move(100, 120);
        showAndWait(window);
        // Dragging the edge between payee and description moves that edge alone.
        const QList<int> before = columnWidths(window);
        billList(window)->header()->resizeSection(PayeeColumn, before.at(PayeeColumn) + 40);
        widths = columnWidths(window);
        QCOMPARE(widths,
                 QList<int>({before.at(0) + 40, before.at(1) - 40, before.at(2), before.at(3)}));
        if (maximized)
            window.showMaximized();
        QTRY_COMPARE(window.isMaximized(), maximized);
        window.close();
    }
    QStringList columns;
    for (int width : widths)
        columns.append(QString::number(width));
    QCOMPARE(storedRows("SELECT key || ' ' || value FROM settings ORDER BY key"),
             QStringList({"window/columns " + columns.join(','),
                          QString("window/maximized ") + (maximized ? "1" : "0"),
                          "window/position 100,120", "window/size 700x500"}));

    NorvoRavaRodozod next;
    showAndWait(next);
    QCOMPARE(next.isMaximized(), maximized);
    QCOMPARE(next.normalGeometry().size(), QSize(700, 500));
    if (!maximized) {
        QCOMPARE(next.pos(), QPoint(100, 120));
        QCOMPARE(columnWidths(next), widths);
    }
}

void TestWindowState::storedGeometryIsCheckedBeforeUse_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("position");
    QTest::addColumn<QSize>("shownSize");
    // (-1, -1): the window system places the window.
    QTest::addColumn<QPoint>("shownPosition");
    QTest::newRow("not a size") << "wide"
                                << "" << QSize(450, 600) << QPoint(-1, -1);
    QTest::newRow("beyond the screen") << "5000x4000"
                                       << "0,0" << screenSize << QPoint(0, 0);
    QTest::newRow("title bar above the screen") << "700x500"
                                                << "100,-300" << QSize(700, 500) << QPoint(-1, -1);
    QTest::newRow("partly off the screen") << "700x500"
                                           << "1200,700" << QSize(700, 500) << QPoint(900, 500);
}

void TestWindowState::storedGeometryIsCheckedBeforeUse()
{
    QFETCH(QString, size);
    QFETCH(QString, position);
    QFETCH(QSize, shownSize);
    QFETCH(QPoint, shownPosition);
    ScopedWorkDir dir;
    {
        SystemDatabase db;
        QVERIFY(SystemSettings::setValues({{"window/size", size}, {"window/position", position}}));
    }
    NorvoRavaRodozod window;
    QCOMPARE(window.size(), shownSize);
    QCOMPARE(window.testAttribute(Qt::WA_Moved) ? window.pos() : QPoint(-1, -1), shownPosition);
}

void TestWindowState::columnsShareTheWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("payeeWhole");
    QTest::newRow("first size") << 450 << false;
    QTest::newRow("wider") << 700 << true;
}

void TestWindowState::columnsShareTheWidth()
{
    QFETCH(int, width);
    QFETCH(bool, payeeWhole);
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    window.resize(width, 600);
    showAndWait(window);
    newFileInWindow(window, answers, dir.filePath("bills"));
    const QString payee = QStringLiteral("Little Acorns Childcare");
    QVERIFY(addBill(payee, "Childcare, one week", 1175, today));
    trigger(window, "action_Current_Bills_Menu");

    const QTreeWidget *list = billList(window);
    const QList<int> widths = columnWidths(window);
    QCOMPARE(std::accumulate(widths.cbegin(), widths.cend(), 0), list->viewport()->width());
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    QCOMPARE(widths.at(PayeeColumn) > QFontMetrics(list->font()).horizontalAdvance(payee) + 8,
             payeeWhole);
}

void TestWindowState::guideLinksRunTheCommands_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("opened");
    QTest::newRow("New") << "New..."
                         << "fresh.nvbf";
    QTest::newRow("Open") << "Open..."
                          << "kept.nvbf";
    QTest::newRow("Open Sample File") << "Open Sample File"
                                      << "Sample Household.nvbf";
}

void TestWindowState::guideLinksRunTheCommands()
{
    QFETCH(QString, link);
    QFETCH(QString, opened);
    ScopedWorkDir dir;
    ScopedDocuments documents;
    FileAnswers answers;
    {
        NorvoRavaRodozod maker;
        newFileInWindow(maker, answers, dir.filePath("kept"));
    }
    QVERIFY(QFile::remove("system.db"));
    answers.paths = QStringList{dir.filePath(opened)};

    NorvoRavaRodozod window;
    showAndWait(window);
    clickLink(window, link);
    QVERIFY2(window.windowTitle().endsWith("/" + opened), qPrintable(window.windowTitle()));
    QVERIFY(QFile::exists(window.windowTitle().section(" - ", 1)));
    QVERIFY(summaryPanel(window)->toPlainText().contains("Total Due:"));
}

// The file that was open went away, and the next open fails: no file is left open.
void TestWindowState::guideComesBackWhenNoFileIsLeft()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    MessageRecorder messages;
    QVERIFY(writeFileBytes(dir.filePath("notes.nvbf"), "not bills\n"));
    NorvoRavaRodozod window;
    showAndWait(window);
    newFileInWindow(window, answers, dir.filePath("gone"));
    QVERIFY(addBill("Gas", "gas", 5, today));
    trigger(window, "action_Current_Bills_Menu");
    QVERIFY(QFile::remove(dir.filePath("gone.nvbf")));
    answers.paths = QStringList{dir.filePath("notes.nvbf")};
    trigger(window, "actionOpen");

    QCOMPARE(window.windowTitle(), QString("Norvo Rava Rodozod 1.6"));
    QCOMPARE(billList(window)->topLevelItemCount(), 0);
    QVERIFY(summaryPanel(window)->toPlainText().startsWith("No data file is open."));
}

void TestWindowState::openRecentListsTheFilesStillThere()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    auto *recent = window.findChild<QMenu *>("menuOpenRecent");
    QVERIFY(recentEntries(window).isEmpty());
    QVERIFY(!recent->menuAction()->isEnabled());
    for (const char *name : {"one", "two", "three", "four", "five", "a&b\tsix"})
        newFileInWindow(window, answers, dir.filePath(name));
    QVERIFY(QFile::remove(dir.filePath("four.nvbf")));

    // The oldest of six is no longer kept, the file that went is left out, and the names show
    // as they are.
    QCOMPARE(recentEntries(window),
             QStringList({"&1 a&&b six.nvbf", "&2 five.nvbf", "&3 three.nvbf", "&4 two.nvbf"}));
    QVERIFY(recent->menuAction()->isEnabled());
    recent->actions().at(2)->trigger();
    QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.6 - " + dir.filePath("three.nvbf"));
    QStringList stored;
    for (const char *name : {"three", "a&b\tsix", "five", "four", "two"})
        stored.append(dir.filePath(name) + ".nvbf");
    QCOMPARE(storedRows("SELECT recentfilelocation FROM recentfiles ORDER BY id"), stored);
}

void TestWindowState::openRecentOfAVanishedFileMakesNothing()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    MessageRecorder messages;
    NorvoRavaRodozod window;
    newFileInWindow(window, answers, dir.filePath("one"));
    newFileInWindow(window, answers, dir.filePath("two"));
    QCOMPARE(recentEntries(window), QStringList({"&1 two.nvbf", "&2 one.nvbf"}));
    QVERIFY(QFile::remove(dir.filePath("one.nvbf")));

    window.findChild<QMenu *>("menuOpenRecent")->actions().at(1)->trigger();
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().text,
             "The data file " + dir.filePath("one.nvbf") + " is no longer there.");
    QVERIFY(!QFile::exists(dir.filePath("one.nvbf")));
    QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.6 - " + dir.filePath("two.nvbf"));
}

void TestWindowState::dueBillsOpenBesideTheWindow_data()
{
    QTest::addColumn<QRect>("geometry");
    // The reminder frame's left and top, or (-1, -1) where the window system places it.
    QTest::addColumn<QPoint>("place");
    QTest::newRow("room on the right") << QRect(100, 100, 450, 600) << QPoint(562, 100);
    QTest::newRow("room on the left only") << QRect(1100, 50, 450, 600) << QPoint(528, 50);
    QTest::newRow("low on the screen") << QRect(100, 800, 450, 420) << QPoint(562, 696);
    QTest::newRow("no room") << QRect(300, 100, 1000, 600) << QPoint(-1, -1);
}

void TestWindowState::dueBillsOpenBesideTheWindow()
{
    QFETCH(QRect, geometry);
    QFETCH(QPoint, place);
    ScopedWorkDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    window.resize(geometry.size());
    window.move(geometry.topLeft());
    showAndWait(window);
    newFileInWindow(window, answers, dir.filePath("bills"));
    QVERIFY(addBill("Gas", "gas", 5, today));
    answers.paths = QStringList{dir.filePath("bills.nvbf")};
    trigger(window, "actionOpen");

    auto *due = window.findChild<DueBillsWindow *>();
    QVERIFY(due && due->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(due));
    const QRect reminder = due->frameGeometry();
    QCOMPARE(reminder.intersects(window.frameGeometry()), place == QPoint(-1, -1));
    if (place != QPoint(-1, -1))
        QCOMPARE(reminder.topLeft(), place);
}

// The windows are placed on a screen of a known size, wide enough for two side by side.
int main(int argc, char **argv)
{
    QTemporaryDir config;
    const QString screen = config.filePath("screen.json");
    if (!writeFileBytes(screen, QStringLiteral("{\"screens\": [{\"name\": \"wide\", \"x\": 0, "
                                               "\"y\": 0, \"width\": %1, \"height\": %2}]}")
                                    .arg(screenSize.width())
                                    .arg(screenSize.height())
                                    .toUtf8()))
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screen));
    QApplication app(argc, argv);
    installWidgetMessagePresenter();
    ScopedWorkDir workDir;
    TestWindowState test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowstate.moc"
