#include "billschedule.h"
#include "billscheduledialog.h"
#include "clock.h"
#include "messagerecorder.h"
#include "testmain.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>

#include <functional>

namespace {
const QDate today(2026, 3, 18);

template <typename T> T *child(const QWidget *parent, const char *name)
{
    auto *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child named %s", name);
    return found;
}

void click(const QWidget *dialog, const char *name)
{
    // A radio button reacts only on its indicator and text, not across its whole width.
    auto *button = child<QAbstractButton>(dialog, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

QString currentText(const QWidget *dialog, const char *box)
{
    return child<QComboBox>(dialog, box)->currentText();
}

// "W", "B" and "M" for the weekly, bi-weekly and monthly widgets of that kind that pass test.
template <typename T>
QString marks(const QWidget *dialog, const char *kind, const std::function<bool(T *)> &test)
{
    QString result;
    for (const char *type : {"Weekly", "BiWeekly", "Monthly"})
        if (test(child<T>(dialog, QByteArray(type).append(kind).constData())))
            result += QLatin1Char(type[0]);
    return result;
}

QString checkedButtons(const QWidget *dialog)
{
    return marks<QRadioButton>(dialog, "RadioButton", &QRadioButton::isChecked);
}

QString enabledGroups(const QWidget *dialog)
{
    return marks<QGroupBox>(dialog, "GroupBox", &QWidget::isEnabled);
}

// Drives controls as a person would, one "name" or "name=value" per entry, split by ';':
// a name alone clicks a button; a value is typed into a spin box or picked from a combo box.
void setControls(QWidget *dialog, const QString &entries)
{
    for (const QString &entry : entries.split(QLatin1Char(';'))) {
        const QString name = entry.section(QLatin1Char('='), 0, 0);
        const QString value = entry.section(QLatin1Char('='), 1);
        QWidget *widget = dialog->findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        if (auto *spin = qobject_cast<QSpinBox *>(widget)) {
            spin->selectAll();
            QTest::keyClicks(spin, value);
        } else if (auto *box = qobject_cast<QComboBox *>(widget)) {
            box->setCurrentIndex(box->findText(value));
        } else {
            click(dialog, qPrintable(name));
        }
    }
}

BillSchedule schedule(const QString &type, int dayOfWeek, int dayOfMonth)
{
    return BillSchedule(type, dayOfMonth, dayOfWeek, 2, QStringLiteral("WEEK"),
                        QStringLiteral("ENDON"), QDate(2026, 1, 5), QDate(2026, 12, 28));
}

// Every field of a schedule, so that a comparison shows which one differs.
QStringList fields(const BillSchedule &s)
{
    return {s.scheduleType(),
            QString::number(s.dayOfWeek()),
            QString::number(s.dayOfMonth()),
            QString::number(s.frequency()),
            s.frequencyValue(),
            s.rangeType(),
            s.rangeStartDate().toString(Qt::ISODate),
            s.rangeEndDate().toString(Qt::ISODate)};
}
} // namespace

class TestBillScheduleDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newScheduleShowsDefaultsAndStoresBiWeeklyMonday();
    void storedScheduleOpensAsItWasSaved_data();
    void storedScheduleOpensAsItWasSaved();
    void radioButtonsEnableTheirGroup_data();
    void radioButtonsEnableTheirGroup();
    void switchingTypeKeepsTheOtherDayField();
    void reopeningShowsTheChosenRange();
    void cancelLeavesTheScheduleAlone();
    void okStoresTheChosenSeries_data();
    void okStoresTheChosenSeries();
    void previewShowsTheStoredSeriesAndFollowsChanges_data();
    void previewShowsTheStoredSeriesAndFollowsChanges();
    void typedEndDateIsTakenAsTyped_data();
    void typedEndDateIsTakenAsTyped();
    void amountRuleIsShownAndChosen_data();
    void amountRuleIsShownAndChosen();
};

void TestBillScheduleDialog::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal for on_")));
    Clock::setFixed(QDateTime(today, QTime(23, 59)));
}

void TestBillScheduleDialog::cleanup()
{
    Clock::reset();
}

void TestBillScheduleDialog::newScheduleShowsDefaultsAndStoresBiWeeklyMonday()
{
    BillSchedule fresh;
    BillScheduleDialog dialog;
    dialog.setSchedule(&fresh);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(child<QDateEdit>(&dialog, "startdateDateEdit")->date(), today);
    QCOMPARE(child<QDateEdit>(&dialog, "enddateDateEdit")->date(), today);
    QCOMPARE(checkedButtons(&dialog), QString("B"));
    QCOMPARE(enabledGroups(&dialog), QString("B"));
    QCOMPARE(currentText(&dialog, "onceaweekComboBox"), QString("Monday"));
    QCOMPARE(currentText(&dialog, "biweeklyComboBox"), QString("Monday"));
    QCOMPARE(currentText(&dialog, "onmonthComboBox"), QString("1"));

    click(&dialog, "okButton");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(fresh.scheduleType(), QString("BIWEEKLY"));
    QCOMPARE(fresh.dayOfWeek(), 1);
    QCOMPARE(fresh.dayOfMonth(), 0);
    QCOMPARE(fresh.rangeType(), QString("ENDON"));
    QCOMPARE(fresh.rangeStartDate(), today);
    QCOMPARE(fresh.rangeEndDate(), today);
}

void TestBillScheduleDialog::storedScheduleOpensAsItWasSaved_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("dayOfWeek");
    QTest::addColumn<int>("dayOfMonth");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("storedType");

    QTest::newRow("weekly on Sunday") << "WEEKLY" << 7 << 0 << "W"
                                      << "onceaweekComboBox"
                                      << "Sunday"
                                      << "WEEKLY";
    QTest::newRow("bi-weekly on Wednesday") << "BIWEEKLY" << 3 << 0 << "B"
                                            << "biweeklyComboBox"
                                            << "Wednesday"
                                            << "BIWEEKLY";
    QTest::newRow("monthly on the 31st") << "MONTHLY" << 0 << 31 << "M"
                                         << "onmonthComboBox"
                                         << "31"
                                         << "MONTHLY";
    // A type that does not recur keeps the form's defaults; OK then makes it bi-weekly.
    QTest::newRow("single") << "SINGLE" << 4 << 9 << "B"
                            << "biweeklyComboBox"
                            << "Monday"
                            << "BIWEEKLY";
}

void TestBillScheduleDialog::storedScheduleOpensAsItWasSaved()
{
    QFETCH(QString, type);
    QFETCH(int, dayOfWeek);
    QFETCH(int, dayOfMonth);
    QFETCH(QString, checked);
    QFETCH(QString, box);
    QFETCH(QString, shown);
    QFETCH(QString, storedType);

    BillSchedule stored = schedule(type, dayOfWeek, dayOfMonth);
    BillScheduleDialog dialog;
    dialog.setSchedule(&stored);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(checkedButtons(&dialog), checked);
    QCOMPARE(currentText(&dialog, box.toLatin1().constData()), shown);
    QCOMPARE(child<QDateEdit>(&dialog, "startdateDateEdit")->date(), QDate(2026, 1, 5));
    QCOMPARE(child<QDateEdit>(&dialog, "enddateDateEdit")->date(), QDate(2026, 12, 28));

    click(&dialog, "okButton");
    BillSchedule expected = schedule(storedType, dayOfWeek, dayOfMonth);
    if (type == QLatin1String("SINGLE"))
        expected.setDayOfWeek(1);
    QCOMPARE(fields(stored), fields(expected));
}

void TestBillScheduleDialog::radioButtonsEnableTheirGroup_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("enabled");
    QTest::newRow("bi-weekly to weekly") << "BIWEEKLY"
                                         << "WeeklyRadioButton"
                                         << "W";
    QTest::newRow("bi-weekly to monthly") << "BIWEEKLY"
                                          << "MonthlyRadioButton"
                                          << "M";
    QTest::newRow("monthly to bi-weekly") << "MONTHLY"
                                          << "BiWeeklyRadioButton"
                                          << "B";
    QTest::newRow("weekly to monthly") << "WEEKLY"
                                       << "MonthlyRadioButton"
                                       << "M";
}

void TestBillScheduleDialog::radioButtonsEnableTheirGroup()
{
    QFETCH(QString, type);
    QFETCH(QString, button);
    QFETCH(QString, enabled);

    BillSchedule stored = schedule(type, 2, 2);
    BillScheduleDialog dialog;
    dialog.setSchedule(&stored);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    click(&dialog, button.toLatin1().constData());
    QCOMPARE(checkedButtons(&dialog), enabled);
    QCOMPARE(enabledGroups(&dialog), enabled);
}

void TestBillScheduleDialog::switchingTypeKeepsTheOtherDayField()
{
    BillSchedule stored = schedule("MONTHLY", 0, 15);
    BillScheduleDialog dialog;
    dialog.setSchedule(&stored);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    click(&dialog, "WeeklyRadioButton");
    auto *weekday = child<QComboBox>(&dialog, "onceaweekComboBox");
    for (int step = 0; step < 3; ++step)
        QTest::keyClick(weekday, Qt::Key_Down);
    QCOMPARE(weekday->currentText(), QString("Thursday"));
    click(&dialog, "okButton");

    QCOMPARE(stored.scheduleType(), QString("WEEKLY"));
    QCOMPARE(stored.dayOfWeek(), 4);
    QCOMPARE(stored.dayOfMonth(), 15);
}

void TestBillScheduleDialog::reopeningShowsTheChosenRange()
{
    BillSchedule fresh;
    {
        BillScheduleDialog dialog;
        dialog.setSchedule(&fresh);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *end = child<QDateEdit>(&dialog, "enddateDateEdit");
        end->setFocus();
        // The cursor starts in the month: three months on.
        for (int step = 0; step < 3; ++step)
            QTest::keyClick(end, Qt::Key_Up);
        click(&dialog, "okButton");
    }
    QCOMPARE(fresh.rangeEndDate(), QDate(2026, 6, 18));

    BillScheduleDialog reopened;
    reopened.setSchedule(&fresh);
    QCOMPARE(child<QDateEdit>(&reopened, "startdateDateEdit")->date(), today);
    QCOMPARE(child<QDateEdit>(&reopened, "enddateDateEdit")->date(), QDate(2026, 6, 18));
    QCOMPARE(checkedButtons(&reopened), QString("B"));
}

void TestBillScheduleDialog::cancelLeavesTheScheduleAlone()
{
    BillSchedule stored = schedule("WEEKLY", 5, 0);
    const QStringList before = fields(stored);
    BillScheduleDialog dialog;
    dialog.setSchedule(&stored);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    click(&dialog, "MonthlyRadioButton");
    QTest::keyClick(child<QComboBox>(&dialog, "onmonthComboBox"), Qt::Key_End);
    click(&dialog, "cancelButton");

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(fields(stored), before);
}

void TestBillScheduleDialog::okStoresTheChosenSeries_data()
{
    QTest::addColumn<QString>("controls");
    QTest::addColumn<QString>("stored");
    // A new schedule starts today, Wednesday 03/18/2026.
    QTest::newRow("every 3 weeks on Friday, 4 times")
        << "NWeeklyRadioButton;everyWeeksSpinBox=3;everyWeeksComboBox=Friday;endAfterRadioButton;"
           "occurrencesSpinBox=4"
        << "NWEEKLY 5 0 3 DAY ENDON 2026-03-18 2026-05-22";
    QTest::newRow("quarterly on the 31st, Friday before, 3 times")
        << "NMonthlyRadioButton;quarterlyButton;everyMonthsDayComboBox=31;weekendComboBox=Move "
           "to the Friday before;endAfterRadioButton;occurrencesSpinBox=3"
        << "NMONTHLY 0 31 3 BEFOREWEEKEND ENDON 2026-03-18 2026-09-30";
    QTest::newRow("last Friday, Monday after, twice")
        << "NthWeekdayRadioButton;nthComboBox=last;nthWeekdayComboBox=Friday;weekendComboBox="
           "Move to the Monday after;endAfterRadioButton;occurrencesSpinBox=2"
        << "NTHWEEKDAY 5 0 5 AFTERWEEKEND ENDON 2026-03-18 2026-04-24";
    QTest::newRow("monthly on the 15th, Monday after")
        << "MonthlyRadioButton;onmonthComboBox=15;weekendComboBox=Move to the Monday after"
        << "MONTHLY 0 15 0 AFTERWEEKEND ENDON 2026-03-18 2026-03-18";
}

void TestBillScheduleDialog::okStoresTheChosenSeries()
{
    QFETCH(QString, controls);
    QFETCH(QString, stored);

    BillSchedule fresh;
    BillScheduleDialog dialog;
    dialog.setSchedule(&fresh);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    setControls(&dialog, controls);
    click(&dialog, "okButton");
    QCOMPARE(fields(fresh).join(QLatin1Char(' ')), stored);
}

void TestBillScheduleDialog::previewShowsTheStoredSeriesAndFollowsChanges_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("changed");
    // The preview follows every control, so it shows that each one holds the stored value.
    QTest::newRow("every 2 weeks on Saturday for 30 years, Monday after, then Friday before")
        << "NWEEKLY 6 0 2 AFTERWEEKEND ENDON 2026-03-18 2056-03-18"
        << "03/23/2026, 04/06/2026, 04/20/2026, 05/04/2026, 05/18/2026"
        << "weekendComboBox=Move to the Friday before"
        << "03/20/2026, 04/03/2026, 04/17/2026, 05/01/2026, 05/15/2026";
    QTest::newRow("every 3 months on the 31st, then yearly")
        << "NMONTHLY 0 31 3 DAY ENDON 2026-01-05 2030-12-28"
        << "01/31/2026, 04/30/2026, 07/31/2026, 10/31/2026, 01/31/2027"
        << "yearlyButton"
        << "01/31/2026, 01/31/2027, 01/31/2028, 01/31/2029, 01/31/2030";
    QTest::newRow("fourth Sunday, Friday before, none in range, then 2 times")
        << "NTHWEEKDAY 7 0 4 BEFOREWEEKEND ENDON 2026-01-26 2026-02-19"
        << "No due date in this range"
        << "endAfterRadioButton;occurrencesSpinBox=2"
        << "02/20/2026, 03/20/2026";
}

void TestBillScheduleDialog::previewShowsTheStoredSeriesAndFollowsChanges()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, change);
    QFETCH(QString, changed);

    const QStringList f = stored.split(QLatin1Char(' '));
    BillSchedule schedule(f[0], f[2].toInt(), f[1].toInt(), f[3].toInt(), f[4], f[5],
                          QDate::fromString(f[6], Qt::ISODate),
                          QDate::fromString(f[7], Qt::ISODate));
    BillScheduleDialog dialog;
    dialog.setSchedule(&schedule);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *preview = child<QLabel>(&dialog, "previewLabel");
    QCOMPARE(preview->text(), shown);
    setControls(&dialog, change);
    QCOMPARE(preview->text(), changed);
}

void TestBillScheduleDialog::typedEndDateIsTakenAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("stored");
    QTest::addColumn<QString>("warning");
    // The dialog opens on the stored range, 01/05/2026 to 12/28/2026.
    QTest::newRow("a month before the shown one") << "11/30/2027" << QDate(2027, 11, 30) << "";
    QTest::newRow("a day the shown month lacks") << "02/29/2028" << QDate(2028, 2, 29) << "";
    QTest::newRow("Tab between the parts") << "02\t29\t2028" << QDate(2028, 2, 29) << "";
    QTest::newRow("only digits") << "11302027" << QDate(2027, 11, 30) << "";
    // A date that does not exist leaves the field as it was, not some other date.
    QTest::newRow("no such day") << "02/30/2027" << QDate(2026, 12, 28) << "";
    QTest::newRow("before the start")
        << "01/04/2026" << QDate(2026, 12, 28)
        << "The series cannot end before it starts on 01/05/2026.\nPlease choose a later end.";
}

// Typing replaces the whole date: no keystroke is corrected against what the field held, and
// OK refuses a range that ends before it starts.
void TestBillScheduleDialog::typedEndDateIsTakenAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QDate, stored);
    QFETCH(QString, warning);

    MessageRecorder messages;
    BillSchedule kept = schedule("MONTHLY", 0, 15);
    BillScheduleDialog dialog;
    dialog.setSchedule(&kept);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *end = child<QDateEdit>(&dialog, "enddateDateEdit");
    end->setFocus();
    end->selectAll();
    QTest::keyClicks(end, typed);
    click(&dialog, "okButton");

    QCOMPARE(kept.rangeEndDate(), stored);
    QCOMPARE(messages.count() ? messages.last().text : QString(), warning);
    QCOMPARE(dialog.isVisible(), !warning.isEmpty());
}

void TestBillScheduleDialog::amountRuleIsShownAndChosen_data()
{
    // The rule stored, then the checked amount button and the count of bills shown.
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("controls");
    QTest::addColumn<QString>("written");

    QTest::newRow("the same each time, kept")
        << "FIXED amountFixedRadioButton 3" << QString() << "FIXED";
    QTest::newRow("the last 6, kept")
        << "AVERAGE6 amountAverageRadioButton 6" << QString() << "AVERAGE6";
    QTest::newRow("last year, kept")
        << "LASTYEAR amountLastYearRadioButton 3" << QString() << "LASTYEAR";
    QTest::newRow("fixed to the last 12")
        << "FIXED amountFixedRadioButton 3"
        << QString("amountAverageRadioButton;amountAverageComboBox=12") << "AVERAGE12";
    QTest::newRow("last year to fixed")
        << "LASTYEAR amountLastYearRadioButton 3" << QString("amountFixedRadioButton") << "FIXED";
    // A rule this version does not know means a fixed amount; its text stays until a varying
    // rule is chosen.
    QTest::newRow("unknown rule, kept")
        << "SEASONAL amountFixedRadioButton 3" << QString() << "SEASONAL";
    QTest::newRow("unknown rule to the last 6")
        << "SEASONAL amountFixedRadioButton 3"
        << QString("amountAverageRadioButton;amountAverageComboBox=6") << "AVERAGE6";
}

void TestBillScheduleDialog::amountRuleIsShownAndChosen()
{
    QFETCH(QString, shown);
    QFETCH(QString, controls);
    QFETCH(QString, written);

    BillSchedule series = schedule("MONTHLY", 0, 5);
    series.setAmountRule(shown.section(' ', 0, 0));
    BillScheduleDialog dialog;
    dialog.setSchedule(&series);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QString checked;
    for (const QRadioButton *button : dialog.findChildren<QRadioButton *>())
        if (button->isChecked() && button->objectName().startsWith("amount"))
            checked = button->objectName();
    auto *count = child<QComboBox>(&dialog, "amountAverageComboBox");
    QCOMPARE(checked + " " + count->currentText(), shown.section(' ', 1));
    // The count belongs to the averaging choice alone.
    QCOMPARE(count->isEnabled(), checked == "amountAverageRadioButton");

    if (!controls.isEmpty())
        setControls(&dialog, controls);
    click(&dialog, "okButton");
    QCOMPARE(series.amountRule(), written);
    QCOMPARE(fields(series), fields(schedule("MONTHLY", 0, 5)));
}

NV_TEST_MAIN(TestBillScheduleDialog)
#include "tst_billscheduledialog.moc"
