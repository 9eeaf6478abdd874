#include "amounthistorychart.h"
#include "bill.h"
#include "billdialog.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "payee.h"
#include "testmain.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextEdit>

namespace {
const QDateTime now(QDate(2026, 3, 18), QTime(10, 25, 40));

// Every row of the bills and schedules, to see that a failed save changed nothing.
QString fileRows()
{
    return scalar("SELECT group_concat(id || amount || note || isunique || paid || duedate || "
                  "billscheduleid) FROM bills")
               .toString() +
           "|" +
           scalar("SELECT group_concat(id || scheduletype || dayofmonth) FROM billschedule")
               .toString();
}

QVariantList column(const QString &name)
{
    QVariantList values;
    QSqlQuery query(Connections::database(Connections::current()));
    query.exec("SELECT " + name + " FROM bills ORDER BY duedate");
    while (query.next())
        values.append(query.value(0));
    return values;
}

template <typename T> T *child(QWidget *parent, const char *name)
{
    auto *found = parent->findChild<T *>(name);
    if (!found)
        qFatal("no widget named %s", name);
    return found;
}

void click(QWidget *parent, const char *name)
{
    auto *button = child<QAbstractButton>(parent, name);
    // A radio button takes clicks only on its circle and text, not on the rest of its row.
    const QPoint where = qobject_cast<QRadioButton *>(button) ? QPoint(6, button->height() / 2)
                                                              : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, where);
}

void typeAmount(QWidget *dialog, const QString &keys)
{
    auto *field = child<QLineEdit>(dialog, "AmountLineEdit");
    field->clear();
    QTest::keyClicks(field, keys);
}

// Answers the schedule dialog: monthly on day, over the range.
std::function<void(QWidget *)> monthly(int day, const QDate &start, const QDate &end)
{
    return [=](QWidget *schedule) {
        click(schedule, "MonthlyRadioButton");
        child<QComboBox>(schedule, "onmonthComboBox")->setCurrentIndex(day - 1);
        child<QDateEdit>(schedule, "startdateDateEdit")->setDate(start);
        child<QDateEdit>(schedule, "enddateDateEdit")->setDate(end);
        click(schedule, "okButton");
    };
}

void chooseSchedule(QWidget *dialog, int day, const QDate &start, const QDate &end)
{
    ModalAnswerer answer(monthly(day, start, end));
    click(dialog, "schedulePushButton");
}

// Answers the schedule window of an existing series: clicks the named amount button and, after
// a '=', picks that count of bills.
void chooseAmountRule(QWidget *dialog, const QString &choice)
{
    ModalAnswerer answer([choice](QWidget *schedule) {
        click(schedule, qPrintable(choice.section('=', 0, 0)));
        if (choice.contains('=')) {
            auto *count = child<QComboBox>(schedule, "amountAverageComboBox");
            count->setCurrentIndex(count->findText(choice.section('=', 1)));
        }
        click(schedule, "okButton");
    });
    click(dialog, "schedulePushButton");
}

// Shows the dialog on a stored bill, or one that is not there, in that mode.
void showBill(BillDialog &dialog, const QString &mode, int billId)
{
    dialog.setEditMode(mode);
    dialog.loadBill(billId);
    dialog.show();
}

void confirmInFile(int billId, int amount)
{
    QVERIFY(run(QString("UPDATE bills SET amount = %1, isestimate = 0 WHERE id = %2")
                    .arg(amount)
                    .arg(billId)));
}

// One text of every bill, by due date: "80 0, 90 1".
QString billsText(const QString &expression)
{
    return scalar("SELECT group_concat(" + expression +
                  ", ', ') FROM (SELECT * FROM bills ORDER BY duedate)")
        .toString();
}

QList<AmountForecast::Confirmed> monthlyAmounts(const QList<qint64> &cents)
{
    QList<AmountForecast::Confirmed> amounts;
    for (int i = 0; i < cents.size(); ++i)
        amounts.append({QDate(2025, 1, 5).addMonths(i), cents.at(i)});
    return amounts;
}
} // namespace

class TestBillDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formStartsEmptyWithPayeesByName();
    void newSingleBillAndItsEdit_data();
    void newSingleBillAndItsEdit();
    void newRecurringBillStoresItsSeries();
    void seriesEdits_data();
    void seriesEdits();
    void calendarMovesOnlyThisBill();
    void payeeListKeepsTheChosenPayee_data();
    void payeeListKeepsTheChosenPayee();
    void saveWithoutChangeWritesNothing_data();
    void saveWithoutChangeWritesNothing();

    // Regression tests
    void incompleteNewBillKeepsDialogOpen_data();
    void incompleteNewBillKeepsDialogOpen();
    void billWhosePayeeIsGoneAsksForOne();
    void failedSaveKeepsDialogOpenAndFileUnchanged_data();
    void failedSaveKeepsDialogOpenAndFileUnchanged();
    void paymentsMadeFromTheDialogStay();
    void billThatIsNotThereIsNeverSaved_data();
    void billThatIsNotThereIsNeverSaved();
    void confirmationMadeMeanwhileStays();

    // Series whose amount varies
    void ruleChangeOfAnExistingSeries_data();
    void ruleChangeOfAnExistingSeries();
    void editsOfAVaryingSeries_data();
    void editsOfAVaryingSeries();
    void noHistoryPictureOnANewBill();
    void historyDrawing_data();
    void historyDrawing();

private:
    int addPayee(const QString &name);
    QList<int> storedSeries(double amount, int months,
                            const QString &amountRule = BillSchedule::fixedAmount);
    int storedSingleBill(double amount);
    QList<int> varyingSeries(const QString &amountRule);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DataFile> m_file;
    // An unexpected box is answered and recorded instead of waiting for a user.
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestBillDialog::init()
{
    Clock::setFixed(now);
    m_messages = std::make_unique<MessageRecorder>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_file = std::make_unique<DataFile>(nullptr);
    QVERIFY(m_file->open(m_dir->filePath("bills.nvbf")));
}

void TestBillDialog::cleanup()
{
    const QString unexpected = m_messages->count() ? m_messages->last().text : QString();
    m_messages.reset();
    m_file.reset();
    Connections::close(Connections::current());
    m_dir.reset();
    Clock::reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable("unexpected message: " + unexpected));
}

int TestBillDialog::addPayee(const QString &name)
{
    Payee payee;
    payee.setPayeeName(name);
    payee.save();
    m_file->reloadPayees();
    return payee.id();
}

// A monthly series due on the 5th from January on.
QList<int> TestBillDialog::storedSeries(double amount, int months, const QString &amountRule)
{
    BillSchedule schedule;
    schedule.setScheduleType("MONTHLY");
    schedule.setAmountRule(amountRule);
    schedule.setDayOfMonth(5);
    schedule.setRangeStartDate(QDate(2026, 1, 1));
    schedule.setRangeEndDate(QDate(2026, months, 28));
    Bill templateBill;
    templateBill.setPayee(Payee::findById(addPayee("Rent Co")).value());
    templateBill.setAmount(amount);
    QList<int> ids;
    if (schedule.save() && schedule.generateBills(templateBill))
        for (const Bill &bill : schedule.bills())
            ids.append(bill.id());
    return ids;
}

int TestBillDialog::storedSingleBill(double amount)
{
    BillSchedule schedule;
    schedule.setScheduleType("SINGLE");
    Bill bill;
    bill.setPayee(Payee::findById(addPayee("Power")).value());
    bill.setAmount(amount);
    return schedule.save() && schedule.addBill(bill) ? bill.id() : 0;
}

void TestBillDialog::formStartsEmptyWithPayeesByName()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal for on_")));
    for (const char *name : {"beta", "alpha", "Charlie", "Alpha"})
        addPayee(name);
    BillDialog dialog(m_file.get());
    auto *payees = child<QComboBox>(&dialog, "PayeeComboBox");
    QStringList names;
    for (int i = 0; i < payees->count(); ++i)
        names.append(payees->itemText(i) + QString::number(payees->itemData(i).toInt()));
    QCOMPARE(names, (QStringList{"alpha2", "Alpha4", "beta1", "Charlie3"}));
    QCOMPARE(payees->currentIndex(), 0);
    QCOMPARE(dialog.editMode(), QString("NEW"));
    QVERIFY(!child<QRadioButton>(&dialog, "singleRadioButton")->isChecked());
    QVERIFY(!child<QRadioButton>(&dialog, "recurringRadioButton")->isChecked());
    QVERIFY(!child<QPushButton>(&dialog, "paymentsPushButton")->isEnabled());
    QCOMPARE(child<QDateEdit>(&dialog, "DueDateDateEdit")->date(), now.date());
}

void TestBillDialog::newSingleBillAndItsEdit_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shownForEdit");

    QTest::newRow("1234 then backspace") << "1234\b"
                                         << "1.23" << 1.23 << "1.23";
    QTest::newRow("5") << "5"
                       << ".5" << 0.5 << "0.50";
    QTest::newRow("thousands") << "123450"
                               << "1234.50" << 1234.5 << "1,234.50";
}

void TestBillDialog::newSingleBillAndItsEdit()
{
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(double, stored);
    QFETCH(QString, shownForEdit);
    addPayee("Alpha");
    const int payeeId = addPayee("Beta");

    BillDialog dialog(m_file.get());
    dialog.show();
    child<QComboBox>(&dialog, "PayeeComboBox")->setCurrentIndex(1);
    typeAmount(&dialog, "");
    for (const QChar key : keys)
        QTest::keyClick(child<QLineEdit>(&dialog, "AmountLineEdit"),
                        key == '\b' ? Qt::Key_Backspace : Qt::Key(key.unicode()));
    QCOMPARE(child<QLineEdit>(&dialog, "AmountLineEdit")->text(), typed);
    QTest::keyClicks(child<QTextEdit>(&dialog, "DescriptionTextEdit"), "Power <b>");
    auto *note = child<QTextEdit>(&dialog, "NoteTextEdit");
    QTest::keyClicks(note, "line one");
    QTest::keyClick(note, Qt::Key_Return);
    QTest::keyClicks(note, "line two");
    click(&dialog, "singleRadioButton");
    child<QDateEdit>(&dialog, "DueDateDateEdit")->setDate(QDate(2026, 4, 2));
    click(&dialog, "OkButton");
    QVERIFY(!dialog.isVisible());

    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 1);
    QCOMPARE(scalar("SELECT scheduletype FROM billschedule").toString(), QString("SINGLE"));
    QCOMPARE(scalar("SELECT billscheduleid FROM bills"), scalar("SELECT id FROM billschedule"));
    QCOMPARE(scalar("SELECT payeeid FROM bills").toInt(), payeeId);
    QCOMPARE(scalar("SELECT amount FROM bills").toDouble(), stored);
    QCOMPARE(scalar("SELECT description FROM bills").toString(), QString("Power <b>"));
    QCOMPARE(scalar("SELECT note FROM bills").toString(), QString("line one\nline two"));
    QCOMPARE(scalar("SELECT duedate FROM bills").toDate(), QDate(2026, 4, 2));

    // Opened again it edits that bill and its schedule; Save without a change keeps the amount.
    const QString before = fileRows();
    BillDialog edit(m_file.get());
    showBill(edit, "SINGLE", scalar("SELECT id FROM bills").toInt());
    QVERIFY(child<QRadioButton>(&edit, "singleRadioButton")->isChecked());
    QCOMPARE(child<QLineEdit>(&edit, "AmountLineEdit")->text(), shownForEdit);
    click(&edit, "OkButton");
    QVERIFY(!edit.isVisible());
    QCOMPARE(fileRows(), before);
}

void TestBillDialog::newRecurringBillStoresItsSeries()
{
    const int payeeId = addPayee("Rent Co");
    BillDialog dialog(m_file.get());
    dialog.show();
    typeAmount(&dialog, "5000");
    click(&dialog, "recurringRadioButton");
    QVERIFY(!child<QDateEdit>(&dialog, "DueDateDateEdit")->isEnabled());
    chooseSchedule(&dialog, 15, QDate(2026, 3, 1), QDate(2026, 5, 31));
    click(&dialog, "OkButton");
    QVERIFY(!dialog.isVisible());

    QCOMPARE(scalar("SELECT scheduletype || dayofmonth FROM billschedule").toString(),
             QString("MONTHLY15"));
    QCOMPARE(column("duedate"), (QVariantList{"2026-03-15", "2026-04-15", "2026-05-15"}));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills WHERE amount = 50 AND isunique = 0 AND payeeid "
                    "= " +
                    QString::number(payeeId) +
                    " AND billscheduleid = (SELECT id FROM billschedule)")
                 .toInt(),
             3);
}

void TestBillDialog::seriesEdits_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("edited");
    QTest::addColumn<QString>("amountKeys");
    QTest::addColumn<QVariantList>("amounts");
    QTest::addColumn<QVariantList>("unique");

    // Bill 1 is paid and still follows the series; bill 2 was edited on its own before.
    QTest::newRow("whole series") << "RECURRING" << 0 << "8000" << QVariantList{80, 80, 70, 80}
                                  << QVariantList{0, 0, 1, 0};
    QTest::newRow("one bill, note only")
        << "RECURRINGUNIQUE" << 1 << "" << QVariantList{50, 50, 70, 50} << QVariantList{0, 1, 1, 0};
}

void TestBillDialog::seriesEdits()
{
    QFETCH(QString, mode);
    QFETCH(int, edited);
    QFETCH(QString, amountKeys);
    QFETCH(QVariantList, amounts);
    QFETCH(QVariantList, unique);
    const QList<int> ids = storedSeries(50.0, 4);
    QCOMPARE(ids.size(), 4);
    QVERIFY(BillPayment(ids.at(1), now, 50.0).save());
    QVERIFY(
        run(QString("UPDATE bills SET amount = 70, isunique = 1 WHERE id = %1").arg(ids.at(2))));
    const QVariantList dueDates = column("duedate");

    BillDialog dialog(m_file.get());
    showBill(dialog, mode, ids.at(edited));
    if (!amountKeys.isEmpty())
        typeAmount(&dialog, amountKeys);
    QTest::keyClicks(child<QTextEdit>(&dialog, "NoteTextEdit"), "checked");
    click(&dialog, "OkButton");
    QVERIFY(!dialog.isVisible());

    QCOMPARE(column("amount"), amounts);
    QCOMPARE(column("isunique"), unique);
    QCOMPARE(column("duedate"), dueDates);
    QCOMPARE(column("paid"), (QVariantList{0, 1, 0, 0}));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills WHERE note = 'checked'").toInt(),
             mode == "RECURRING" ? 3 : 1);
}

void TestBillDialog::calendarMovesOnlyThisBill()
{
    const QList<int> ids = storedSeries(50.0, 3);
    BillDialog dialog(m_file.get());
    showBill(dialog, "RECURRINGUNIQUE", ids.at(1));
    ModalAnswerer nextDay(nextDayInCalendar());
    click(&dialog, "calendarPushButton");
    QCOMPARE(child<QDateEdit>(&dialog, "DueDateDateEdit")->date(), QDate(2026, 2, 6));
    click(&dialog, "OkButton");
    QCOMPARE(column("duedate"), (QVariantList{"2026-01-05", "2026-02-06", "2026-03-05"}));
    QCOMPARE(column("isunique"), (QVariantList{0, 1, 0}));
}

void TestBillDialog::payeeListKeepsTheChosenPayee_data()
{
    QTest::addColumn<bool>("deleteChosen");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("current");

    QTest::newRow("payee added") << false << QStringList{"Aardvark", "Alpha", "beta"} << "beta";
    // Another payee would go unnoticed; none makes Save ask for one.
    QTest::newRow("chosen payee deleted") << true << QStringList{"Aardvark", "Alpha"} << "";
}

void TestBillDialog::payeeListKeepsTheChosenPayee()
{
    QFETCH(bool, deleteChosen);
    QFETCH(QStringList, names);
    QFETCH(QString, current);
    addPayee("Alpha");
    const int beta = addPayee("beta");
    BillDialog dialog(m_file.get());
    dialog.show();
    auto *payees = child<QComboBox>(&dialog, "PayeeComboBox");
    payees->setCurrentIndex(1);

    ModalAnswerer answer([&](QWidget *list) {
        addPayee("Aardvark");
        if (deleteChosen)
            m_file->deletePayee(m_file->payeesById().value(beta).get());
        m_file->reloadPayees();
        list->close();
    });
    click(&dialog, "PayeeListPushButton");
    QStringList shown;
    for (int i = 0; i < payees->count(); ++i)
        shown.append(payees->itemText(i));
    QCOMPARE(shown, names);
    QCOMPARE(payees->currentText(), current);
}

void TestBillDialog::saveWithoutChangeWritesNothing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("amountKeys"); // typed over the amount; empty leaves it

    QTest::newRow("single bill") << "SINGLE" << QString();
    QTest::newRow("whole series") << "RECURRING" << QString();
    // This once took the bill out of its series.
    QTest::newRow("one bill of a series") << "RECURRINGUNIQUE" << QString();
    QTest::newRow("the same amount typed again") << "RECURRINGUNIQUE" << QString("20.0");
}

void TestBillDialog::saveWithoutChangeWritesNothing()
{
    QFETCH(QString, mode);
    QFETCH(QString, amountKeys);
    const int billId = mode == "SINGLE" ? storedSingleBill(20.0) : storedSeries(20.0, 3).at(1);
    BillDialog dialog(m_file.get());
    showBill(dialog, mode, billId);
    if (!amountKeys.isEmpty())
        typeAmount(&dialog, amountKeys);
    // Any write at all would now fail and keep the dialog open with a message.
    const QString before = fileRows();
    const QString refuse = " BEGIN SELECT RAISE(ABORT, 'written'); END;";
    for (const QString table : {"bills", "billschedule"})
        for (const QString change : {"INSERT", "UPDATE", "DELETE"})
            QVERIFY(run("CREATE TRIGGER refuse" + change + table + " BEFORE " + change + " ON " +
                        table + refuse));
    click(&dialog, "OkButton");

    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(fileRows(), before);
}

void TestBillDialog::incompleteNewBillKeepsDialogOpen_data()
{
    QTest::addColumn<bool>("payees");
    QTest::addColumn<QString>("billType");
    QTest::addColumn<int>("scheduleDay");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QString>("amount");

    QTest::newRow("no payee") << false << "single" << 0 << "choose a payee"
                              << "1000";
    QTest::newRow("no bill type") << true << "" << 0 << "Single Bill or a Recurring Bill"
                                  << "1000";
    QTest::newRow("schedule never set") << true << "recurring" << 0 << "Schedule button"
                                        << "1000";
    QTest::newRow("no due date in range") << true << "recurring" << 15 << "no due date"
                                          << "1000";
    // A bill of nothing would be stored as paid and never be listed.
    QTest::newRow("no amount") << true << "single" << 0 << "Please enter the amount of the bill."
                               << "";
    QTest::newRow("zero amount") << true << "recurring" << 5 << "the amount of the bill"
                                 << "000";
}

void TestBillDialog::incompleteNewBillKeepsDialogOpen()
{
    QFETCH(bool, payees);
    QFETCH(QString, billType);
    QFETCH(int, scheduleDay);
    QFETCH(QString, told);
    QFETCH(QString, amount);
    if (payees)
        addPayee("Alpha");
    MessageRecorder &messages = *m_messages;
    BillDialog dialog(m_file.get());
    dialog.show();
    typeAmount(&dialog, amount);
    if (!billType.isEmpty())
        click(&dialog, billType == "single" ? "singleRadioButton" : "recurringRadioButton");
    if (scheduleDay)
        chooseSchedule(&dialog, scheduleDay, QDate(2026, 3, 16), QDate(2026, 4, 10));
    click(&dialog, "OkButton");

    QVERIFY(dialog.isVisible());
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().title, QString("Bill Save"));
    QCOMPARE(messages.last().icon, QMessageBox::Warning);
    QVERIFY2(messages.last().text.contains(told), qPrintable(messages.last().text));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 0);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billschedule").toInt(), 0);
    messages.clear();
}

void TestBillDialog::billWhosePayeeIsGoneAsksForOne()
{
    const int billId = storedSingleBill(20.0);
    QVERIFY(run("UPDATE bills SET payeeid = 99"));
    const int other = addPayee("Other");
    MessageRecorder &messages = *m_messages;
    BillDialog dialog(m_file.get());
    showBill(dialog, "SINGLE", billId);
    auto *payees = child<QComboBox>(&dialog, "PayeeComboBox");
    QCOMPARE(payees->currentIndex(), -1);
    click(&dialog, "OkButton");
    QVERIFY(dialog.isVisible());
    QCOMPARE(messages.count(), 1);
    messages.clear();
    QCOMPARE(scalar("SELECT payeeid FROM bills").toInt(), 99);

    payees->setCurrentIndex(payees->findData(other));
    click(&dialog, "OkButton");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(scalar("SELECT payeeid FROM bills").toInt(), other);
}

void TestBillDialog::failedSaveKeepsDialogOpenAndFileUnchanged_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("trigger");

    const QString reject = " BEGIN SELECT RAISE(ABORT, 'rejected'); END;";
    QTest::newRow("new single") << "NEW single"
                                << "BEFORE INSERT ON bills" + reject;
    QTest::newRow("new series, last bill refused")
        << "NEW recurring"
        << "BEFORE INSERT ON bills WHEN NEW.duedate = '2026-05-15'" + reject;
    QTest::newRow("single") << "SINGLE"
                            << "BEFORE UPDATE ON bills" + reject;
    QTest::newRow("series, last bill refused")
        << "RECURRING"
        << "BEFORE UPDATE ON bills WHEN OLD.duedate = '2026-03-05'" + reject;
    QTest::newRow("one bill of a series") << "RECURRINGUNIQUE"
                                          << "BEFORE UPDATE ON bills" + reject;
}

void TestBillDialog::failedSaveKeepsDialogOpenAndFileUnchanged()
{
    QFETCH(QString, mode);
    QFETCH(QString, trigger);
    int billId = 0;
    if (mode.startsWith("NEW"))
        addPayee("Alpha");
    else
        billId = mode == "SINGLE" ? storedSingleBill(20.0) : storedSeries(20.0, 3).at(0);
    BillDialog dialog(m_file.get());
    if (billId) {
        dialog.setEditMode(mode);
        dialog.loadBill(billId);
    }
    dialog.show();
    typeAmount(&dialog, "9900");
    if (mode == "NEW single")
        click(&dialog, "singleRadioButton");
    if (mode == "NEW recurring") {
        click(&dialog, "recurringRadioButton");
        chooseSchedule(&dialog, 15, QDate(2026, 3, 1), QDate(2026, 5, 31));
    }
    const QString before = fileRows();
    QVERIFY(run("CREATE TRIGGER reject " + trigger));

    MessageRecorder &messages = *m_messages;
    click(&dialog, "OkButton");
    QVERIFY(dialog.isVisible());
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().icon, QMessageBox::Critical);
    QCOMPARE(messages.last().title, QString("Norvo Rava Rodozod File Error"));
    QVERIFY(messages.last().text.contains("rejected"));
    QCOMPARE(fileRows(), before);
    messages.clear();

    // The same Save works once the file takes it, and stores everything once.
    QVERIFY(run("DROP TRIGGER reject"));
    click(&dialog, "OkButton");
    QVERIFY(!dialog.isVisible());
    QVERIFY(scalar("SELECT COUNT(*) FROM bills WHERE amount = 99").toInt() > 0);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billschedule").toInt(), 1);
}

void TestBillDialog::billThatIsNotThereIsNeverSaved_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("single") << "SINGLE";
    QTest::newRow("one bill of a series") << "RECURRINGUNIQUE";
}

// Neither written over a row it was never read from (a row 0, say) nor added as a new bill.
void TestBillDialog::billThatIsNotThereIsNeverSaved()
{
    QFETCH(QString, mode);
    addPayee("Alpha");
    QVERIFY(run("INSERT INTO bills (id, billscheduleid, payeeid, description, amount, duedate, "
                "paid, isunique, deleted) VALUES (0, 0, 1, 'zero', 50, '2026-03-20', 0, 0, 0)"));
    const QString before = fileRows();
    BillDialog dialog(m_file.get());
    showBill(dialog, mode, 99);
    typeAmount(&dialog, "9900");
    click(&dialog, "OkButton");
    QVERIFY(dialog.isVisible());
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().text,
             QString("The bill could not be read.\n\nThe file has no bill with the id 99."));
    QCOMPARE(fileRows(), before);
    m_messages->clear();
}

void TestBillDialog::paymentsMadeFromTheDialogStay()
{
    const int billId = storedSingleBill(40.0);
    BillDialog dialog(m_file.get());
    showBill(dialog, "SINGLE", billId);
    ModalAnswerer list([](QWidget *payments) {
        ModalAnswerer payment([](QWidget *entry) {
            QTest::keyClicks(child<QLineEdit>(entry, "amountLineEdit"), "4000");
            click(entry, "okButton");
        });
        click(payments, "addPushButton");
        click(payments, "okButton");
    });
    click(&dialog, "paymentsPushButton");
    QTest::keyClicks(child<QTextEdit>(&dialog, "NoteTextEdit"), "paid by card");
    click(&dialog, "OkButton");

    // The bill dialog's own copy was read before the payment; it must not undo it.
    QCOMPARE(scalar("SELECT paid || isunique || note FROM bills").toString(),
             QString("11paid by card"));
    QCOMPARE(scalar("SELECT COUNT(*) FROM billpayment").toInt(), 1);
}

// A payment window may confirm the bill's real amount; the bill window's older copy must not
// undo that when it saves.
void TestBillDialog::confirmationMadeMeanwhileStays()
{
    const QList<int> ids = storedSeries(50.0, 3, BillSchedule::averageOf3);
    BillDialog dialog(m_file.get());
    showBill(dialog, "RECURRINGUNIQUE", ids.at(1));
    ModalAnswerer list([this, &ids](QWidget *payments) {
        std::optional<Bill> bill = Bill::findById(ids.at(1));
        QVERIFY(bill && m_file->confirmAmount(*bill, 64.0));
        click(payments, "okButton");
    });
    click(&dialog, "paymentsPushButton");
    QCOMPARE(child<QLineEdit>(&dialog, "AmountLineEdit")->text(), QString("64.00"));
    QVERIFY(!child<QLabel>(&dialog, "estimateLabel")->isVisible());
    QTest::keyClicks(child<QTextEdit>(&dialog, "NoteTextEdit"), "checked");
    click(&dialog, "OkButton");

    QCOMPARE(scalar(QString("SELECT amount || ' ' || isestimate || ' ' || note FROM bills "
                            "WHERE id = %1")
                        .arg(ids.at(1)))
                 .toString(),
             QString("64 0 checked"));
}

// Four bills from January, the first confirmed at 80 and the third at 91.
QList<int> TestBillDialog::varyingSeries(const QString &amountRule)
{
    const QList<int> ids = storedSeries(50.0, 4, amountRule);
    confirmInFile(ids.at(0), 80);
    confirmInFile(ids.at(2), 91);
    return ids;
}

void TestBillDialog::ruleChangeOfAnExistingSeries_data()
{
    QTest::addColumn<QString>("change"); // the rule stored, the choice made and the rule written
    QTest::addColumn<QString>("estimates");

    // Bill 1 has a payment of part of it; bill 3's amount was confirmed at 90.
    QTest::newRow("fixed to the last 3")
        << "FIXED amountAverageRadioButton=3 AVERAGE3" << QString("1, 0, 1, 1");
    QTest::newRow("the last 3 to fixed")
        << "AVERAGE3 amountFixedRadioButton FIXED" << QString("0, 0, 0, 0");
    QTest::newRow("the last 3 to the last 12")
        << "AVERAGE3 amountAverageRadioButton=12 AVERAGE12" << QString("1, 1, 1, 0");
    QTest::newRow("the last 6 to last year")
        << "AVERAGE6 amountLastYearRadioButton LASTYEAR" << QString("1, 1, 1, 0");
}

void TestBillDialog::ruleChangeOfAnExistingSeries()
{
    QFETCH(QString, change);
    QFETCH(QString, estimates);
    const QStringList rules = change.split(' ');
    const QList<int> ids = storedSeries(50.0, 4, rules.at(0));
    QVERIFY(BillPayment(ids.at(1), now, 20.0).save());
    confirmInFile(ids.at(3), 90);

    BillDialog dialog(m_file.get());
    showBill(dialog, "RECURRING", ids.at(0));
    chooseAmountRule(&dialog, rules.at(1));
    click(&dialog, "OkButton");
    QVERIFY(!dialog.isVisible());

    QCOMPARE(scalar("SELECT amountrule FROM billschedule").toString(), rules.at(2));
    QCOMPARE(billsText("isestimate"), estimates);
    // A new rule alone edits no bill: the real amount stays, and every bill in the series.
    QCOMPARE(billsText("amount || ' ' || isunique"), QString("50 0, 50 0, 50 0, 90 0"));
}

void TestBillDialog::editsOfAVaryingSeries_data()
{
    // The rule, the mode, the bill edited, the keys typed over the amount ("-" leaves it) and
    // "note" when the note is changed too.
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("shown");  // the amount field, and "~" when marked an estimate
    QTest::addColumn<QString>("stored"); // amount, isestimate and isunique of every bill

    // Bill 0 was confirmed at 80 and bill 2 at 91; the rule makes 80 of bill 1. One bill:
    QTest::newRow("amount only: confirmed in its series")
        << "AVERAGE3 RECURRINGUNIQUE 1 9000" << QString("80.00~")
        << "80 0 0, 90 0 0, 91 0 0, 50 1 0";
    QTest::newRow("amount and note: confirmed, on its own")
        << "AVERAGE3 RECURRINGUNIQUE 1 9000 note" << QString("80.00~")
        << "80 0 0, 90 0 1, 91 0 0, 50 1 0";
    QTest::newRow("note only: an estimate still, on its own")
        << "LASTYEAR RECURRINGUNIQUE 1 - note" << QString("80.00~")
        << "80 0 0, 50 1 1, 91 0 0, 50 1 0";
    QTest::newRow("the estimate typed again: confirmed as it is")
        << "AVERAGE6 RECURRINGUNIQUE 1 8000" << QString("80.00~")
        << "80 0 0, 80 0 0, 91 0 0, 50 1 0";
    QTest::newRow("fixed series, amount only: on its own")
        << "FIXED RECURRINGUNIQUE 1 9000" << QString("50.00") << "80 0 0, 90 0 1, 91 0 0, 50 0 0";
    // The whole series shows and writes what its unconfirmed bills hold; real amounts stay.
    QTest::newRow("series from a confirmed bill, note only")
        << "AVERAGE3 RECURRING 2 - note" << QString("50.00") << "80 0 0, 50 1 0, 91 0 0, 50 1 0";
    QTest::newRow("series from an estimate, a new amount")
        << "AVERAGE3 RECURRING 1 6000 note" << QString("50.00") << "80 0 0, 60 1 0, 91 0 0, 60 1 0";
}

void TestBillDialog::editsOfAVaryingSeries()
{
    QFETCH(QString, edit);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    const QStringList e = edit.split(' ');
    const QList<int> ids = varyingSeries(e.at(0));

    BillDialog dialog(m_file.get());
    showBill(dialog, e.at(1), ids.at(e.at(2).toInt()));
    const bool marked = child<QLabel>(&dialog, "estimateLabel")->isVisible();
    QCOMPARE(child<QLineEdit>(&dialog, "AmountLineEdit")->text() + (marked ? "~" : ""), shown);
    // A series whose amount varies pictures its confirmed amounts and this bill's estimate,
    // which the rule makes 80 for a confirmed bill too.
    auto *chart = child<AmountHistoryChart>(&dialog, "amountHistoryChart");
    const QString pictured = "2 amounts from Jan 2026 to Mar 2026; estimate \u2248$80.00";
    QCOMPARE(chart->isVisible(), e.at(0) != "FIXED");
    if (chart->isVisible())
        QCOMPARE(chart->toolTip() + chart->accessibleDescription(), pictured + pictured);
    if (e.at(3) != "-")
        typeAmount(&dialog, e.at(3));
    if (e.size() > 4)
        QTest::keyClicks(child<QTextEdit>(&dialog, "NoteTextEdit"), "checked");
    click(&dialog, "OkButton");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(billsText("amount || ' ' || isestimate || ' ' || isunique"), stored);
}

void TestBillDialog::noHistoryPictureOnANewBill()
{
    varyingSeries(BillSchedule::averageOf3);
    BillDialog dialog(m_file.get());
    dialog.setEditMode("NEW");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!child<AmountHistoryChart>(&dialog, "amountHistoryChart")->isVisible());
}

void TestBillDialog::historyDrawing_data()
{
    QTest::addColumn<QList<qint64>>("amounts"); // monthly from January 2025
    // Count of bars, first due date, first and last cents; then the scale's low and high cents.
    QTest::addColumn<QString>("drawn");
    QTest::addColumn<QVariant>("estimate"); // in cents; invalid when there is none
    QTest::addColumn<QString>("described");

    QList<qint64> thirty;
    for (int i = 0; i < 30; ++i)
        thirty.append(1000 + 100 * i);
    QTest::newRow("none") << QList<qint64>() << "0; 0 8640" << QVariant(8640)
                          << "No confirmed amounts yet; estimate \u2248$86.40";
    QTest::newRow("none, no estimate")
        << QList<qint64>() << "0; 0 1" << QVariant() << "No confirmed amounts yet";
    QTest::newRow("one") << QList<qint64>{12000} << "1 2025-01-05 12000 12000; 0 12000"
                         << QVariant() << "1 amount in Jan 2025";
    QTest::newRow("fewer than 24")
        << QList<qint64>{8000, 9550, 7025} << "3 2025-01-05 8000 7025; 0 9550" << QVariant(8192)
        << "3 amounts from Jan 2025 to Mar 2025; estimate \u2248$81.92";
    QTest::newRow("more than 24: the latest")
        << thirty << "24 2025-07-05 1600 3900; 0 3900" << QVariant(3800)
        << "24 amounts from Jul 2025 to Jun 2027; estimate \u2248$38.00";
    QTest::newRow("a credit") << QList<qint64>{5000, -2500} << "2 2025-01-05 5000 -2500; -2500 5000"
                              << QVariant(1250)
                              << "2 amounts from Jan 2025 to Feb 2025; estimate \u2248$12.50";
    QTest::newRow("nothing but zeros") << QList<qint64>{0, 0} << "2 2025-01-05 0 0; 0 1"
                                       << QVariant() << "2 amounts from Jan 2025 to Feb 2025";
}

void TestBillDialog::historyDrawing()
{
    QFETCH(QList<qint64>, amounts);
    QFETCH(QString, drawn);
    QFETCH(QVariant, estimate);
    QFETCH(QString, described);

    const AmountHistoryChart::Drawing drawing = AmountHistoryChart::drawingOf(
        monthlyAmounts(amounts),
        estimate.isValid() ? std::optional<qint64>(estimate.toLongLong()) : std::nullopt);
    QStringList bars{QString::number(drawing.bars.size())};
    if (!drawing.bars.isEmpty())
        bars << drawing.bars.constFirst().dueDate.toString(Qt::ISODate)
             << QString::number(drawing.bars.constFirst().cents)
             << QString::number(drawing.bars.constLast().cents);
    QCOMPARE(QString("%1; %2 %3").arg(bars.join(' ')).arg(drawing.lowCents).arg(drawing.highCents),
             drawn);
    QCOMPARE(AmountHistoryChart::describe(drawing), described);

    // However the scale comes out, the picture paints.
    AmountHistoryChart chart;
    chart.resize(240, 60);
    chart.setHistory(monthlyAmounts(amounts), drawing.estimateCents);
    QVERIFY(!chart.grab().isNull());
}

NV_TEST_MAIN(TestBillDialog)
#include "tst_billdialog.moc"
