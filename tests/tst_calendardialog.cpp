#include "calendardialog.h"
#include "clock.h"
#include "modalanswerer.h"
#include "testmain.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>

namespace {
const QDateTime now(QDate(2026, 3, 18), QTime(10, 25, 40));

QTableView *calendarView(QWidget *dialog)
{
    return dialog->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
}

// The cell of a day in the middle rows of the month grid, where no day of the month before
// or after can show the same number. The first column holds week numbers.
QModelIndex dayCell(QTableView *view, int day)
{
    QAbstractItemModel *model = view->model();
    for (int row = 2; row < model->rowCount() - 1; ++row)
        for (int column = 1; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            if (index.data().toInt() == day)
                return index;
        }
    return QModelIndex();
}
} // namespace

class TestCalendarDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(now); }
    void cleanup() { Clock::reset(); }

    void everySlotByNameFindsItsSignal();
    void presetAndEscape_data();
    void presetAndEscape();
    void pickingClosesWithThatDay_data();
    void pickingClosesWithThatDay();
};

void TestCalendarDialog::everySlotByNameFindsItsSignal()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal for on_")));
    CalendarDialog dialog;
    QVERIFY(dialog.dateTime().isNull());
}

void TestCalendarDialog::presetAndEscape_data()
{
    QTest::addColumn<QDateTime>("preset");
    QTest::addColumn<QDateTime>("expected");

    // Selecting another day is itself a pick of that day, which drops the time of day.
    QTest::newRow("another day") << QDateTime(QDate(2025, 11, 4), QTime(15, 30))
                                 << QDateTime(QDate(2025, 11, 4), QTime(0, 0));
    QTest::newRow("today keeps its time")
        << QDateTime(now.date(), QTime(7, 45)) << QDateTime(now.date(), QTime(7, 45));
}

void TestCalendarDialog::presetAndEscape()
{
    QFETCH(QDateTime, preset);
    QFETCH(QDateTime, expected);

    CalendarDialog dialog;
    dialog.setDateTime(preset);
    QCOMPARE(dialog.dateTime(), expected);
    auto *calendar = dialog.findChild<QCalendarWidget *>("dateCalendarWidget");
    QCOMPARE(calendar->selectedDate(), preset.date());

    // The preset must not have closed the dialog before the user saw it.
    ModalAnswerer escape([](QWidget *modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(escape.wasAnswered());
    QCOMPARE(dialog.dateTime(), expected);
}

void TestCalendarDialog::pickingClosesWithThatDay_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QDateTime>("expected");

    const QDate preset(2026, 5, 12);
    QTest::newRow("click a day") << "click" << QDateTime(QDate(2026, 5, 20), QTime(0, 0));
    QTest::newRow("arrow key") << "key" << QDateTime(preset.addDays(1), QTime(0, 0));
    // Today is the current moment, not midnight.
    QTest::newRow("Today button") << "today" << now;
}

void TestCalendarDialog::pickingClosesWithThatDay()
{
    QFETCH(QString, how);
    QFETCH(QDateTime, expected);

    CalendarDialog dialog;
    dialog.setDateTime(QDateTime(QDate(2026, 5, 12), QTime(9, 0)));
    ModalAnswerer pick([how](QWidget *modal) {
        QTableView *view = calendarView(modal);
        if (how == "click") {
            const QModelIndex cell = dayCell(view, 20);
            QVERIFY(cell.isValid());
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(cell).center());
        } else if (how == "key") {
            view->setFocus();
            QTest::keyClick(view, Qt::Key_Right);
        } else {
            QTest::mouseClick(modal->findChild<QPushButton *>("todayPushButton"), Qt::LeftButton);
        }
        if (modal->isVisible()) // a failed pick must not leave the test waiting
            modal->close();
    });
    dialog.exec();
    QVERIFY(pick.wasAnswered());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.dateTime(), expected);
}

NV_TEST_MAIN(TestCalendarDialog)
#include "tst_calendardialog.moc"
