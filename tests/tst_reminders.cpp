#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "duebillswindow.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "morningreminder.h"
#include "norvoravarodozod.h"
#include "remindersettings.h"
#include "scopedworkdir.h"
#include "testmain.h"
#include "transaction.h"
#include "windowsupport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

// The last day of a month, so that the next day is also a new month for the summary.
const QDate today(2026, 3, 31);

DueBillsWindow *dueWindow(const QWidget &window)
{
    return window.findChild<DueBillsWindow *>();
}

bool reminderShown(const QWidget &window)
{
    return dueWindow(window) && dueWindow(window)->isVisible();
}

// The reminder's rows, each as "payee|description|due date|balance|when".
QStringList dueRows(const QWidget &window)
{
    QStringList rows;
    auto *list = dueWindow(window)->findChild<QTreeWidget *>("dueTreeWidget");
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column)
            cells.append(list->topLevelItem(row)->text(column));
        rows.append(cells.join('|'));
    }
    return rows;
}

// A systemctl that writes its arguments to a log beside itself, says whether the timer is
// enabled, and answers enable and disable with the given status and error line.
QString writeFakeSystemctl(const QString &dir, bool enabled, int status = 0,
                           const QString &error = QString())
{
    const QString path = dir + "/systemctl";
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    script.write(QStringLiteral("#!/bin/sh\n"
                                "printf '%s\\n' \"$*\" >> '%1/systemctl.log'\n"
                                "if [ \"$2\" = is-enabled ]; then\n"
                                "  if [ %2 = 1 ]; then echo enabled; exit 0; fi\n"
                                "  echo disabled; exit 1\n"
                                "fi\n"
                                "%3"
                                "exit %4\n")
                     .arg(dir)
                     .arg(enabled ? 1 : 0)
                     .arg(error.isEmpty() ? QString() : "echo '" + error + "' >&2\n")
                     .arg(status)
                     .toUtf8());
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    return path;
}

// The line below the reminder's rows, empty while it is hidden.
QString moreDueLine(const QWidget &window)
{
    const auto *label = dueWindow(window)->findChild<QLabel *>("moreDueLabel");
    return label->isVisible() ? label->text() : QString();
}

void click(const QWidget &window, const char *buttonName)
{
    QTest::mouseClick(dueWindow(window)->findChild<QPushButton *>(buttonName), Qt::LeftButton);
}

} // namespace

class TestReminders : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void reminderListsWhatIsDue_data();
    void reminderListsWhatIsDue();
    void payFromTheReminder_data();
    void payFromTheReminder();
    void longDueListShowsItsFirstRows_data();
    void longDueListShowsItsFirstRows();
    void startUpOpenReminds();
    void remindMeTomorrowLastsUntilMidnight();
    void calendarExport_data();
    void calendarExport();
    void calendarThatCannotBeWrittenIsReported();
    void morningReminder_data();
    void morningReminder();

private:
    void reopen();
    void setReminders(bool enabled, int days);

    std::unique_ptr<ScopedWorkDir> m_dir;
    std::unique_ptr<FileAnswers> m_answers;
    std::unique_ptr<NorvoRavaRodozod> m_window;
    QString m_path;
};

void TestReminders::init()
{
    Clock::setFixed(QDateTime(today, QTime(10, 0)));
    m_dir = std::make_unique<ScopedWorkDir>();
    m_answers = std::make_unique<FileAnswers>();
    m_window = std::make_unique<NorvoRavaRodozod>();
    m_path = m_dir->filePath("bills.nvbf");
    newFileInWindow(*m_window, *m_answers, m_path);
    // Never the machine's own systemd, whose timer the dialog would read.
    MorningReminder::setSystemctlProgram(writeFakeSystemctl(m_dir->path(), false));
}

void TestReminders::cleanup()
{
    m_window.reset();
    m_answers.reset();
    m_dir.reset();
    Clock::reset();
    MorningReminder::setSystemctlProgram(QString());
}

void TestReminders::reopen()
{
    m_answers->paths.append(m_path);
    trigger(*m_window, "actionOpen");
}

void TestReminders::setReminders(bool enabled, int days)
{
    ModalAnswerer answerer([enabled, days](QWidget *dialog) {
        dialog->findChild<QCheckBox *>("remindCheckBox")->setChecked(enabled);
        dialog->findChild<QSpinBox *>("periodSpinBox")->setValue(days);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    trigger(*m_window, "actionReminders");
}

void TestReminders::reminderListsWhatIsDue_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("days"); // 0 leaves the setting alone
    QTest::addColumn<QStringList>("payees");
    const QStringList week{"Water", "Gas", "<b>Phone</b>", "Rent", "Tie", "Power"};
    QTest::newRow("default week") << true << 0 << week;
    QTest::newRow("one day") << true << 1 << week.mid(0, 5);
    QTest::newRow("sixty days") << true << 60 << week + QStringList{"Cable"};
    QTest::newRow("reminders off") << false << 60 << QStringList{};
}

void TestReminders::reminderListsWhatIsDue()
{
    QFETCH(bool, enabled);
    QFETCH(int, days);
    QFETCH(QStringList, payees);
    QVERIFY(addBill("Cable", "", 30, today.addDays(8)));
    QVERIFY(addBill("Power", "", 60, today.addDays(7)));
    // An estimate with nothing confirmed before it: its stored amount, marked.
    const int rent = addBill("Rent", "April", 900, today.addDays(1));
    QVERIFY(run(QString("UPDATE bills SET isestimate = 1 WHERE id = %1").arg(rent)));
    QVERIFY(addBill("Tie", "", 5, today.addDays(1)));
    QVERIFY(addBill("<b>Phone</b>", "a & b", 40, today));
    QVERIFY(addBill("Gas", "late", 15, today.addDays(-1), 5));
    QVERIFY(addBill("Water", "March", 20, today.addDays(-3)));
    QVERIFY(addBill("Paid", "", 10, today.addDays(-2), 10));
    if (days > 0)
        setReminders(enabled, days);
    reopen();

    QCOMPARE(reminderShown(*m_window), !payees.isEmpty());
    if (payees.isEmpty())
        return;
    QCOMPARE(dueWindow(*m_window)->windowTitle(), QString("Bills Due"));
    QVERIFY(!dueWindow(*m_window)->isModal());
    const QStringList rows = dueRows(*m_window);
    QStringList listed;
    for (const QString &row : rows)
        listed.append(row.section('|', 0, 0));
    QCOMPARE(listed, payees);
    QCOMPARE(rows.at(0), QString("Water|March|03/28/2026|$20.00|3 days overdue"));
    QCOMPARE(rows.at(1), QString("Gas|late|03/30/2026|$10.00|1 day overdue"));
    QCOMPARE(rows.at(2), QString("<b>Phone</b>|a & b|03/31/2026|$40.00|due today"));
    QCOMPARE(rows.at(3), QString::fromUtf8("Rent|April|04/01/2026|≈$900.00|due in 1 day"));
    if (rows.size() > 5)
        QCOMPARE(rows.at(5), QString("Power||04/07/2026|$60.00|due in 7 days"));
}

void TestReminders::payFromTheReminder_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<int>("rentIn"); // days
    QTest::addColumn<QStringList>("left");
    QTest::newRow("payment saved") << true << 1 << QStringList{"Rent"};
    QTest::newRow("payment cancelled") << false << 1 << QStringList{"Water", "Rent"};
    // Once nothing is due there is nothing to remind of.
    QTest::newRow("last due bill paid") << true << 30 << QStringList{};
}

void TestReminders::payFromTheReminder()
{
    QFETCH(bool, save);
    QFETCH(int, rentIn);
    QFETCH(QStringList, left);
    QVERIFY(addBill("Rent", "", 900, today.addDays(rentIn)));
    QVERIFY(addBill("Water", "", 20, today.addDays(-3)));
    reopen();
    QVERIFY(reminderShown(*m_window));
    QVERIFY(summaryPanel(*m_window)->toPlainText().contains("$920.00"));

    // Enter on the first row, the overdue bill, pays it.
    auto *list = dueWindow(*m_window)->findChild<QTreeWidget *>("dueTreeWidget");
    list->setFocus();
    {
        ModalAnswerer answerer([save](QWidget *dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit *>("amountLineEdit"), "2000");
            QTest::mouseClick(dialog->findChild<QPushButton *>(save ? "okButton" : "cancelButton"),
                              Qt::LeftButton);
        });
        QTest::keyClick(list, Qt::Key_Return);
    }
    QStringList listed;
    if (reminderShown(*m_window)) {
        for (const QString &row : dueRows(*m_window))
            listed.append(row.section('|', 0, 0));
    }
    QCOMPARE(listed, left);
    QCOMPARE(billList(*m_window)->topLevelItemCount(), save ? 1 : 2);
    QCOMPARE(summaryPanel(*m_window)->toPlainText().contains("$920.00"), !save);
}

void TestReminders::longDueListShowsItsFirstRows_data()
{
    QTest::addColumn<int>("due");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("lineAfterPaying");
    // Bill n is "Payee n", owes $n and falls due before bill n + 1.
    QTest::newRow("200 due") << 200 << ""
                             << "";
    QTest::newRow("201 due") << 201 << "and 1 more bill due, $201.00"
                             << "";
    QTest::newRow("1,250 due") << 1250 << "and 1,050 more bills due, $761,775.00 in all"
                               << "and 1,049 more bills due, $761,574.00 in all";
}

void TestReminders::longDueListShowsItsFirstRows()
{
    QFETCH(int, due);
    QFETCH(QString, line);
    QFETCH(QString, lineAfterPaying);
    {
        Transaction writes(Connections::current());
        for (int n = 1; n <= due; ++n)
            QVERIFY(addBill(QString("Payee %1").arg(n), "", n, today.addDays(n - due - 1)));
        QVERIFY(writes.commit());
    }
    reopen();
    QVERIFY(reminderShown(*m_window));
    QStringList rows = dueRows(*m_window);
    QCOMPARE(rows.size(), 200);
    QVERIFY(rows.first().startsWith("Payee 1|"));
    QVERIFY(rows.last().startsWith("Payee 200|"));
    QCOMPARE(moreDueLine(*m_window), line);

    // Paying the first row in full lets the next bill due into the list.
    auto *list = dueWindow(*m_window)->findChild<QTreeWidget *>("dueTreeWidget");
    list->setFocus();
    {
        ModalAnswerer answerer([](QWidget *dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton *>("okButton"), Qt::LeftButton);
        });
        QTest::keyClick(list, Qt::Key_Return);
    }
    rows = dueRows(*m_window);
    QCOMPARE(rows.size(), qMin(due - 1, 200));
    QVERIFY(rows.first().startsWith("Payee 2|"));
    QCOMPARE(moreDueLine(*m_window), lineAfterPaying);
}

void TestReminders::startUpOpenReminds()
{
    QVERIFY(addBill("Water", "", 20, today.addDays(-3)));
    m_window.reset();
    m_window = std::make_unique<NorvoRavaRodozod>();
    QTRY_VERIFY(reminderShown(*m_window));
    QCOMPARE(dueRows(*m_window), QStringList{"Water||03/28/2026|$20.00|3 days overdue"});
}

void TestReminders::remindMeTomorrowLastsUntilMidnight()
{
    QVERIFY(addBill("Rent", "", 900, today.addDays(1)));
    reopen();
    QCOMPARE(dueRows(*m_window), QStringList{"Rent||04/01/2026|$900.00|due in 1 day"});
    QVERIFY(summaryPanel(*m_window)->toPlainText().contains("March"));
    click(*m_window, "remindTomorrowButton");
    QVERIFY(!reminderShown(*m_window));

    // Neither another open nor the day check brings it back while the day lasts.
    Clock::setFixed(QDateTime(today, QTime(23, 59)));
    reopen();
    QMetaObject::invokeMethod(m_window.get(), "checkForNewDay");
    QVERIFY(!reminderShown(*m_window));

    // Past midnight the list, the summary and the reminder follow the new day.
    Clock::setFixed(QDateTime(today.addDays(1), QTime(0, 0, 1)));
    QMetaObject::invokeMethod(m_window.get(), "checkForNewDay");
    QVERIFY(reminderShown(*m_window));
    QCOMPARE(dueRows(*m_window), QStringList{"Rent||04/01/2026|$900.00|due today"});
    QVERIFY(summaryPanel(*m_window)->toPlainText().contains("April"));
    QCOMPARE(billList(*m_window)->topLevelItem(0)->background(2).color(), QColor("yellow"));
}

void TestReminders::calendarExport_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("eventsAfterDelete");
    QTest::newRow("kept up to date") << "Keep Up to Date" << 1;
    QTest::newRow("written once") << "Write Once" << 2;
}

void TestReminders::calendarExport()
{
    QFETCH(QString, answer);
    QFETCH(int, eventsAfterDelete);
    QVERIFY(addBill("Water", "", 20, today.addDays(-3)));
    QVERIFY(addBill("Rent", "", 900, today.addDays(40)));
    trigger(*m_window, "action_Current_Bills_Menu");

    MessageRecorder messages;
    messages.answer(answer);
    m_answers->paths.append(m_dir->filePath("bills-calendar"));
    trigger(*m_window, "actionExport_Calendar");
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().icon, QMessageBox::Question);
    const QString calendar = m_dir->filePath("bills-calendar.ics");
    QByteArray written = fileBytes(calendar);
    QVERIFY(written.startsWith("BEGIN:VCALENDAR\r\n"));
    QCOMPARE(written.count("BEGIN:VEVENT"), 2);
    QVERIFY(written.contains("Water"));

    selectRow(*m_window, 0);
    messages.answer("Delete");
    trigger(*m_window, "actionDelete_Bill_Menu");
    QCOMPARE(messages.count(), 2);
    written = fileBytes(calendar);
    QCOMPARE(written.count("BEGIN:VEVENT"), eventsAfterDelete);
    QCOMPARE(written.contains("Water"), eventsAfterDelete == 2);
}

void TestReminders::calendarThatCannotBeWrittenIsReported()
{
    QVERIFY(addBill("Water", "", 20, today));
    trigger(*m_window, "action_Current_Bills_Menu");
    MessageRecorder messages;
    messages.answer("Keep Up to Date");
    const QString calendar = m_dir->filePath("missing/bills.ics");
    m_answers->paths.append(calendar);
    trigger(*m_window, "actionExport_Calendar");

    QCOMPARE(messages.count(), 2);
    QCOMPARE(messages.last().icon, QMessageBox::Critical);
    QCOMPARE(messages.last().title, MessageHelper::fileErrorTitle());
    QVERIFY(messages.last().text.contains(calendar));
    QCOMPARE(messages.last().textFormat, Qt::PlainText);
    QVERIFY(!QFile::exists(calendar));

    // A calendar that was never written is not kept either: a later change says nothing more.
    selectRow(*m_window, 0);
    messages.answer("Delete");
    trigger(*m_window, "actionDelete_Bill_Menu");
    QCOMPARE(messages.count(), 3);
    QCOMPARE(messages.last().title, QString("Bill Delete"));
}

void TestReminders::morningReminder_data()
{
    QTest::addColumn<bool>("systemctl"); // false: there is none
    QTest::addColumn<bool>("wasOn");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("status"); // of enable or disable
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("message"); // empty: none
    const QString timer = MorningReminder::timerName();
    const QString isEnabled = "--user is-enabled " + timer;
    QTest::newRow("left on") << true << true << true << 0 << "" << QStringList{isEnabled} << "";
    QTest::newRow("turned on") << true << false << true << 0 << ""
                               << QStringList{isEnabled, "--user enable --now " + timer} << "";
    QTest::newRow("turned off") << true << true << false << 0 << ""
                                << QStringList{isEnabled, "--user disable --now " + timer} << "";
    QTest::newRow("no user manager")
        << true << false << true << 1 << "Failed to connect to bus: No medium found"
        << QStringList{isEnabled, "--user enable --now " + timer}
        << "The reminder each morning could not be turned on. systemctl says: Failed to "
           "connect to bus: No medium found";
    QTest::newRow("off fails without a word")
        << true << true << false << 4 << ""
        << QStringList{isEnabled, "--user disable --now " + timer}
        << "The reminder each morning could not be turned off. systemctl ended with status 4.";
    QTest::newRow("no systemctl") << false << false << true << 0 << "" << QStringList{}
                                  << "The reminder each morning could not be turned on. "
                                     "systemctl could not be run";
}

void TestReminders::morningReminder()
{
    QFETCH(bool, systemctl);
    QFETCH(bool, wasOn);
    QFETCH(bool, on);
    QFETCH(int, status);
    QFETCH(QString, error);
    QFETCH(QStringList, calls);
    QFETCH(QString, message);
    MorningReminder::setSystemctlProgram(
        systemctl ? writeFakeSystemctl(m_dir->path(), wasOn, status, error)
                  : m_dir->filePath("no-such-systemctl"));
    QFile::remove(m_dir->filePath("systemctl.log"));

    MessageRecorder messages;
    bool shownOn = !wasOn;
    ModalAnswerer answerer([&shownOn, on](QWidget *dialog) {
        auto *morning = dialog->findChild<QCheckBox *>("morningCheckBox");
        shownOn = morning->isChecked();
        morning->setChecked(on);
        dialog->findChild<QSpinBox *>("periodSpinBox")->setValue(12);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    trigger(*m_window, "actionReminders");
    QVERIFY(answerer.wasAnswered());
    QCOMPARE(shownOn, wasOn);
    QCOMPARE(QString::fromUtf8(fileBytes(m_dir->filePath("systemctl.log")))
                 .split('\n', Qt::SkipEmptyParts),
             calls);
    QCOMPARE(messages.count(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(messages.last().icon, QMessageBox::Warning);
        QCOMPARE(messages.last().textFormat, Qt::PlainText);
        QVERIFY2(messages.last().text.startsWith(message), qPrintable(messages.last().text));
    }
    // Whatever systemctl did, the other settings are stored and the dialog is closed.
    QCOMPARE(ReminderSettings::days(), 12);
    QVERIFY(!QApplication::activeModalWidget());
}

NV_TEST_MAIN(TestReminders)
#include "tst_reminders.moc"
