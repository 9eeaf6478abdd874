#include "billschedule.h"
#include "billscheduledialog.h"
#include "clock.h"
#include "testmain.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

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
    QCOMPARE(enabledGroups(&dialog), QString("WB"));
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

NV_TEST_MAIN(TestBillScheduleDialog)
#include "tst_billscheduledialog.moc"
