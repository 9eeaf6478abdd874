#include "amountentry.h"
#include "bill.h"
#include "billpayment.h"
#include "billpaymentdialog.h"
#include "billpaymentlistdialog.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "importedtransaction.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "monthlyseries.h"
#include "payee.h"
#include "scratchdatabase.h"
#include "scratchdatafile.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QClipboard>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTreeWidget>

namespace {
const QDateTime now(QDate(2026, 3, 18), QTime(10, 25, 40));
const QString errorTitle = QStringLiteral("Norvo Rava Rodozod File Error");

bool createTables()
{
    return Payee::createTable() && Bill::createTable() && BillPayment::createTable() &&
           BillSchedule::createTable() && ImportedTransaction::createTable();
}

int storedBill(double amount)
{
    Bill bill;
    bill.setAmount(amount);
    bill.setDueDate(QDate(2026, 3, 25));
    return bill.save() ? bill.id() : 0;
}

int storedPayment(int billId, const QDateTime &when, double amount)
{
    BillPayment payment(billId, when, amount);
    return payment.save() ? payment.id() : 0;
}

// Presses the keys one at a time; "\b" stands for Backspace, "\x05" for End and "\x16" for
// Ctrl+V. Returns the text after each.
QStringList typeAmount(QLineEdit *field, const QString &keys)
{
    QStringList shown;
    for (const QChar key : keys) {
        if (key == QLatin1Char('\b'))
            QTest::keyClick(field, Qt::Key_Backspace);
        else if (key == QLatin1Char('\x05'))
            QTest::keyClick(field, Qt::Key_End);
        else if (key == QLatin1Char('\x16'))
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        else
            QTest::keyClicks(field, QString(key));
        shown.append(field->text());
    }
    return shown;
}

// Answers a payment dialog: an optional new date, the amount typed afresh, then Save.
std::function<void(QWidget *)> enterPayment(const QDate &date, const QString &keys)
{
    return [date, keys](QWidget *modal) {
        if (date.isValid())
            modal->findChild<QDateTimeEdit *>("paymentDateTimeEdit")->setDate(date);
        auto *amount = modal->findChild<QLineEdit *>("amountLineEdit");
        amount->clear();
        QTest::keyClicks(amount, keys);
        QTest::mouseClick(modal->findChild<QPushButton *>("okButton"), Qt::LeftButton);
        if (modal->isVisible()) // a failed save must not leave the test waiting
            modal->close();
    };
}

QStringList rows(const QTreeWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        result.append(list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1));
    return result;
}

void clickRow(QTreeWidget *list, int row, bool twice = false)
{
    const QPoint centre = list->visualItemRect(list->topLevelItem(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    // A real double click starts with a first click on the same row.
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

void click(QWidget *dialog, const char *button)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
}

// A monthly series estimated from its last three bills: January to March confirmed at 80.00,
// 86.40 and 92.80, and April an estimate stored as 50.00 and forecast as their mean, 86.40.
// Returns April's id, 0 on failure.
int estimatedBill(DataFile &file)
{
    QList<Bill> bills = addMonthlySeries(file, "Power Co", BillSchedule::averageOf3,
                                         QDate(2026, 1, 5), QDate(2026, 4, 30))
                            .bills();
    const QList<double> confirmed{80.0, 86.4, 92.8};
    for (int i = 0; i < confirmed.size(); ++i) {
        if (bills.size() != 4 || !file.confirmAmount(bills[i], confirmed.at(i)))
            return 0;
    }
    return bills.at(3).id();
}

// "amount isestimate paid" of the stored bill.
QString storedBillState(int billId)
{
    return scalar(QString("SELECT amount || ' ' || isestimate || ' ' || paid FROM bills "
                          "WHERE id = %1")
                      .arg(billId))
        .toString();
}

// Types into whichever field has the focus, as a person does; "\t" moves to the next field,
// "\x19" to the one before and "\b" is Backspace.
void typeIntoFocus(const QString &keys)
{
    for (const QChar key : keys) {
        QWidget *focus = QApplication::focusWidget();
        if (key == QLatin1Char('\t'))
            QTest::keyClick(focus, Qt::Key_Tab);
        else if (key == QLatin1Char('\x19'))
            QTest::keyClick(focus, Qt::Key_Backtab, Qt::ShiftModifier);
        else if (key == QLatin1Char('\b'))
            QTest::keyClick(focus, Qt::Key_Backspace);
        else
            QTest::keyClicks(focus, QString(key));
    }
}

bool showActive(QWidget *dialog)
{
    dialog->show();
    dialog->activateWindow();
    return QTest::qWaitForWindowActive(dialog);
}
} // namespace

class TestPaymentDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(now); }
    void cleanup()
    {
        Clock::reset();
        m_db.reset();
    }

    void everySlotByNameFindsItsSignal();

    // Amount entry
    void amountParse_data();
    void amountParse();
    void amountTyping_data();
    void amountTyping();

    // Payment dialog
    void dialogShowsTheBillAndOffersItsBalance();
    void paymentOfNothingIsRefused_data();
    void paymentOfNothingIsRefused();
    void editedPaymentShowsGroupedAmountAndKeepsIt();
    void calendarSetsTheDateAndKeepsTheTime();
    void paymentOnSeriesBillLeavesItPaidAndUnique();
    void failedSaveKeepsDialogOpenAndStoresNothing_data();
    void failedSaveKeepsDialogOpenAndStoresNothing();
    void overpaymentAsksFirst_data();
    void overpaymentAsksFirst();
    void unreadBillStoresNothing_data();
    void unreadBillStoresNothing();

    // Paying an estimate
    void estimatePaidConfirmsItsAmount_data();
    void estimatePaidConfirmsItsAmount();

    // References
    void referenceStoredAndListed_data();
    void referenceStoredAndListed();

    // Payment list
    void addEditDeleteRefreshListAndPaidState();
    void editOrDeleteWithoutSelectionDoNothing_data();
    void editOrDeleteWithoutSelectionDoNothing();
    void failedDeleteIsReported();

private:
    void openDatabase()
    {
        m_db = std::make_unique<ScratchDatabase>();
        QVERIFY(createTables());
    }

    std::unique_ptr<ScratchDatabase> m_db;
    // Stores through the scratch database, which is open on its connection.
    DataFile m_file{nullptr};
};

void TestPaymentDialogs::everySlotByNameFindsItsSignal()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal for on_")));
    BillPaymentDialog payment(&m_file);
    BillPaymentListDialog list(&m_file);
    QCOMPARE(list.findChild<QTreeWidget *>("paymentsTreeWidget")->headerItem()->text(1),
             QString("Amount"));
}

void TestPaymentDialogs::amountParse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("amount");

    QTest::newRow("grouped") << "1,234.50" << 1234.5;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("plain") << "12.34" << 12.34;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
    QTest::newRow("not a number") << "abc" << 0.0;
    QTest::newRow("infinite") << "inf" << 0.0;
}

void TestPaymentDialogs::amountParse()
{
    QFETCH(QString, text);
    QFETCH(double, amount);
    QCOMPARE(AmountEntry::parse(text), amount);
}

void TestPaymentDialogs::amountTyping_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<double>("stored");

    // The field starts with the balance, 100.00, selected: the first key replaces it.
    QTest::newRow("1234 then backspace")
        << "1234\b" << QString() << QStringList{".1", ".12", "1.23", "12.34", "1.23"} << 1.23;
    QTest::newRow("letters refused")
        << "1x2" << QString() << QStringList{".1", ".1", ".12"} << 0.12;
    QTest::newRow("a point typed is kept")
        << "120.5" << QString() << QStringList{".1", ".12", "1.20", "120.", "120.5"} << 120.5;
    QTest::newRow("a second point and a third decimal refused")
        << "1.2.34" << QString() << QStringList{".1", "1.", "1.2", "1.2", "1.23", "1.23"} << 1.23;
    QTest::newRow("emptied, cents again")
        << "1.\b\b5" << QString() << QStringList{".1", "1.", "1", "", ".5"} << 0.5;
    QTest::newRow("the balance edited at its end")
        << "\x05\b5" << QString() << QStringList{"100.00", "100.0", "100.05"} << 100.05;
    const QString paste = "\x16";
    QTest::newRow("the largest amount")
        << paste << QString("99999999999") << QStringList{"999999999.99"} << 999999999.99;
    QTest::newRow("a cent more refused")
        << paste + "5" << QString("1,000,000,000.00") << QStringList{"100.00", ".5"} << 0.5;
}

void TestPaymentDialogs::amountTyping()
{
    QFETCH(QString, keys);
    QFETCH(QString, clipboard);
    QFETCH(QStringList, shown);
    QFETCH(double, stored);
    openDatabase();
    const int billId = storedBill(100.0);
    QApplication::clipboard()->setText(clipboard);
    MessageRecorder overpaid;
    overpaid.answer("Yes");
    BillPaymentDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    // A new payment is dated today at midnight unless the user changes it.
    const QDateTime midnight(now.date(), QTime(0, 0));
    QCOMPARE(dialog.findChild<QDateTimeEdit *>("paymentDateTimeEdit")->dateTime(), midnight);
    auto *field = dialog.findChild<QLineEdit *>("amountLineEdit");
    QCOMPARE(typeAmount(field, keys), shown);
    click(&dialog, "okButton");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(overpaid.count(), stored > 100 ? 1 : 0);
    QCOMPARE(m_db->count("billpayment"), 1);
    QCOMPARE(m_db->scalar("SELECT amount FROM billpayment").toDouble(), stored);
    QCOMPARE(m_db->scalar("SELECT billid FROM billpayment").toInt(), billId);
    QCOMPARE(m_db->scalar("SELECT paymentdate FROM billpayment").toDateTime(), midnight);
    QCOMPARE(m_db->scalar("SELECT paid || isunique FROM bills").toString(),
             QString(stored >= 100 ? "11" : "01"));
}

// Enter on the balance offered pays it (see the keyboard test); typing replaces it. Typed
// into the date, this once made a payment of 12/08/2000.
void TestPaymentDialogs::dialogShowsTheBillAndOffersItsBalance()
{
    openDatabase();
    const int billId = addBill("Acme <b>Water</b>", "Water\nand sewer", 30.0, now.date(), 5.0);
    BillPaymentDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QStringList bill;
    for (const char *name :
         {"payeeValueLabel", "descriptionValueLabel", "dueDateValueLabel", "balanceValueLabel"})
        bill.append(dialog.findChild<QLabel *>(name)->text());
    QCOMPARE(bill, QStringList({"Acme <b>Water</b>", "Water and sewer", "03/18/2026", "$25.00"}));
    QCOMPARE(dialog.findChild<QLineEdit *>("amountLineEdit")->selectedText(), QString("25.00"));

    QTest::keyClicks(static_cast<QWidget *>(nullptr), "20.00");
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_db->scalar("SELECT SUM(amount) || ' ' || MIN(date(paymentdate)) FROM billpayment")
                 .toString(),
             QString("25 2026-03-18"));
}

void TestPaymentDialogs::paymentOfNothingIsRefused_data()
{
    QTest::addColumn<QString>("keys");

    QTest::newRow("emptied") << "\b";
    QTest::newRow("zero") << "000";
}

// By the dialog, with a word, and by the data file, so that no front end stores one.
void TestPaymentDialogs::paymentOfNothingIsRefused()
{
    QFETCH(QString, keys);
    openDatabase();
    const int billId = storedBill(40.0);
    MessageRecorder messages;
    BillPaymentDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    typeAmount(dialog.findChild<QLineEdit *>("amountLineEdit"), keys);
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().title + ": " + messages.last().text,
             QString("Make Payment: Please enter the amount of the payment."));

    Bill bill = Bill::findById(billId).value();
    BillPayment nothing(billId, now, AmountEntry::parse(keys));
    QVERIFY(!m_file.savePayment(nothing, bill));
    QCOMPARE(m_db->count("billpayment"), 0);
    // The bill still follows its series.
    QCOMPARE(m_db->scalar("SELECT isunique FROM bills").toInt(), 0);
}

void TestPaymentDialogs::editedPaymentShowsGroupedAmountAndKeepsIt()
{
    openDatabase();
    const QDateTime when(QDate(2026, 2, 3), QTime(16, 45));
    const int paymentId = storedPayment(storedBill(2000.0), when, 1234.5);
    BillPaymentDialog dialog(&m_file);
    dialog.loadPayment(paymentId);
    dialog.show();
    // Selected, with the focus, so that typing replaces it.
    QCOMPARE(dialog.findChild<QLineEdit *>("amountLineEdit")->selectedText(), QString("1,234.50"));
    QCOMPARE(dialog.focusWidget()->objectName(), QString("amountLineEdit"));
    QCOMPARE(dialog.findChild<QDateTimeEdit *>("paymentDateTimeEdit")->dateTime(), when);
    click(&dialog, "okButton");

    QCOMPARE(m_db->count("billpayment"), 1);
    QCOMPARE(m_db->scalar("SELECT amount FROM billpayment").toDouble(), 1234.5);
    QCOMPARE(m_db->scalar("SELECT paymentdate FROM billpayment").toDateTime(), when);
}

void TestPaymentDialogs::calendarSetsTheDateAndKeepsTheTime()
{
    openDatabase();
    const int paymentId =
        storedPayment(storedBill(50.0), QDateTime(QDate(2026, 1, 5), QTime(9, 15)), 10.0);
    BillPaymentDialog dialog(&m_file);
    dialog.loadPayment(paymentId);
    dialog.show();
    ModalAnswerer nextDay(nextDayInCalendar());
    click(&dialog, "calendarPushButton");
    QVERIFY(nextDay.wasAnswered());
    QCOMPARE(dialog.findChild<QDateTimeEdit *>("paymentDateTimeEdit")->dateTime(),
             QDateTime(QDate(2026, 1, 6), QTime(9, 15)));
    click(&dialog, "okButton");
    QCOMPARE(m_db->scalar("SELECT paymentdate FROM billpayment").toDateTime(),
             QDateTime(QDate(2026, 1, 6), QTime(9, 15)));
}

void TestPaymentDialogs::paymentOnSeriesBillLeavesItPaidAndUnique()
{
    openDatabase();
    BillSchedule schedule;
    schedule.setScheduleType("MONTHLY");
    schedule.setDayOfMonth(5);
    schedule.setRangeStartDate(QDate(2026, 1, 1));
    schedule.setRangeEndDate(QDate(2026, 3, 31));
    Bill templateBill;
    templateBill.setAmount(50.0);
    QVERIFY(schedule.save() && schedule.generateBills(templateBill));
    const int billId = schedule.bills().at(1).id();

    BillPaymentDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    QTest::keyClicks(dialog.findChild<QLineEdit *>("amountLineEdit"), "5000");
    click(&dialog, "okButton");

    // The flag that takes the bill out of its series must not undo what the payment changed.
    QCOMPARE(m_db->scalar(QString("SELECT paid || date(paiddate) || isunique FROM bills WHERE id "
                                  "= %1")
                              .arg(billId))
                 .toString(),
             "1" + now.date().toString(Qt::ISODate) + "1");
    QCOMPARE(m_db->scalar("SELECT SUM(isunique) + SUM(paid) FROM bills").toInt(), 2);
}

void TestPaymentDialogs::failedSaveKeepsDialogOpenAndStoresNothing_data()
{
    QTest::addColumn<QStringList>("failure");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("undo");

    const QString reject = "CREATE TRIGGER reject BEFORE %1 BEGIN SELECT RAISE(ABORT, "
                           "'rejected'); END;";
    const QString rejected = "rejected", drop = "DROP TRIGGER reject";
    QTest::newRow("payment refused")
        << QStringList{reject.arg("INSERT ON billpayment")} << rejected << drop;
    QTest::newRow("bill refused") << QStringList{reject.arg(
                                         "UPDATE ON bills WHEN NEW.isunique = 1")}
                                  << rejected << drop;
    // A payment of another bill fills the payments' page all but a few bytes, and the file may
    // not grow: SQLite then rolls the whole transaction back itself.
    QTest::newRow("disk full") << QStringList{"INSERT INTO billpayment VALUES (100, 0, "
                                              "printf('%.*c', (SELECT page_size FROM "
                                              "pragma_page_size()) - 42, 'x'), 0, '')",
                                              "PRAGMA max_page_count = 1"}
                               << "database or disk is full"
                               << "PRAGMA max_page_count = 1000000";
}

void TestPaymentDialogs::failedSaveKeepsDialogOpenAndStoresNothing()
{
    QFETCH(QStringList, failure);
    QFETCH(QString, reason);
    QFETCH(QString, undo);
    openDatabase();
    const int billId = storedBill(30.0);
    for (const QString &statement : failure)
        QVERIFY(m_db->exec(statement));
    const QString paymentsOfTheBill =
        QString("SELECT COUNT(*) FROM billpayment WHERE billid = %1").arg(billId);

    MessageRecorder messages;
    BillPaymentDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    QTest::keyClicks(dialog.findChild<QLineEdit *>("amountLineEdit"), "3000");
    click(&dialog, "okButton");

    QVERIFY(dialog.isVisible());
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.last().icon, QMessageBox::Critical);
    QCOMPARE(messages.last().title, errorTitle);
    QVERIFY(messages.last().text.startsWith("The payment could not be saved."));
    QVERIFY2(messages.last().text.contains(reason), qPrintable(messages.last().text));
    QCOMPARE(m_db->scalar(paymentsOfTheBill).toInt(), 0);
    QCOMPARE(m_db->scalar("SELECT paid + isunique FROM bills").toInt(), 0);

    // Once the file takes writes again the same Save stores the payment exactly once.
    QVERIFY(m_db->exec(undo));
    click(&dialog, "okButton");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_db->scalar(paymentsOfTheBill).toInt(), 1);
    QCOMPARE(m_db->scalar("SELECT paid + isunique FROM bills").toInt(), 2);
}

void TestPaymentDialogs::unreadBillStoresNothing_data()
{
    QTest::addColumn<bool>("locked"); // by another program while the dialog reads the bill
    QTest::addColumn<bool>("billThere");
    QTest::addColumn<QString>("reason");
    QTest::newRow("file locked") << true << true << "database is locked";
    QTest::newRow("bill not there") << false << false << "The file has no bill with the id 99.";
}

void TestPaymentDialogs::unreadBillStoresNothing()
{
    QFETCH(bool, locked);
    QFETCH(bool, billThere);
    QFETCH(QString, reason);
    openDatabase();
    const int billId = billThere ? storedBill(30.0) : 99;
    // A row 0 of its own, which a bill read as nothing used to stand in for.
    QVERIFY(m_db->exec("INSERT INTO bills (id, description, amount, duedate, paid) VALUES (0, "
                       "'zero', 5, '2026-03-20', 0)"));
    QVERIFY(Connections::open("other program", m_db->path()));
    QSqlQuery other(Connections::database("other program"));
    if (locked)
        QVERIFY(other.exec("BEGIN EXCLUSIVE"));

    MessageRecorder messages;
    BillPaymentDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    if (locked)
        QVERIFY(other.exec("ROLLBACK"));
    other.finish();
    Connections::close("other program");
    QTest::keyClicks(dialog.findChild<QLineEdit *>("amountLineEdit"), "1000");
    click(&dialog, "okButton");

    QVERIFY(dialog.isVisible());
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.last().text.startsWith("The bill could not be read.\n\n"));
    QVERIFY2(messages.last().text.contains(reason), qPrintable(messages.last().text));
    QCOMPARE(m_db->count("billpayment"), 0);
    QCOMPARE(m_db->scalar("SELECT SUM(paid) + SUM(isunique) FROM bills").toInt(), 0);
}

void TestPaymentDialogs::overpaymentAsksFirst_data()
{
    QTest::addColumn<bool>("editing"); // the earlier $5.00 payment, rather than a new one
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<double>("paid"); // the sum stored afterwards
    // The bill is $30.00 with $5.00 paid on it.
    const QString over5 =
        QStringLiteral("This payment is $5.00 more than the balance of $25.00. Record it anyway?");
    QTest::newRow("the balance exactly") << false << "2500"
                                         << ""
                                         << "" << 30.0;
    QTest::newRow("more, No") << false << "3000"
                              << "No" << over5 << 5.0;
    QTest::newRow("more, Yes") << false << "3000"
                               << "Yes" << over5 << 35.0;
    QTest::newRow("edited payment up to the amount") << true << "3000"
                                                     << ""
                                                     << "" << 30.0;
    QTest::newRow("edited payment beyond it")
        << true << "3050"
        << "No"
        << "This payment is $0.50 more than the balance of $30.00. Record it anyway?" << 5.0;
}

void TestPaymentDialogs::overpaymentAsksFirst()
{
    QFETCH(bool, editing);
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(QString, asked);
    QFETCH(double, paid);
    openDatabase();
    const int billId = storedBill(30.0);
    const int earlier = storedPayment(billId, now.addDays(-1), 5.0);

    MessageRecorder messages;
    if (!answer.isEmpty())
        messages.answer(answer);
    BillPaymentDialog dialog(&m_file);
    if (editing)
        dialog.loadPayment(earlier);
    else
        dialog.setBill(billId);
    dialog.show();
    auto *amount = dialog.findChild<QLineEdit *>("amountLineEdit");
    amount->clear();
    QTest::keyClicks(amount, typed);
    click(&dialog, "okButton");

    QCOMPARE(messages.count() ? messages.last().text : QString(), asked);
    if (!asked.isEmpty()) {
        QCOMPARE(messages.last().buttons, QStringList({"Yes", "No"}));
        QCOMPARE(messages.last().defaultButton, 1);
    }
    QCOMPARE(m_db->scalar("SELECT SUM(amount) FROM billpayment").toDouble(), paid);
    QCOMPARE(dialog.isVisible(), paid == 5.0);
}

void TestPaymentDialogs::estimatePaidConfirmsItsAmount_data()
{
    QTest::addColumn<bool>("estimate"); // forecast at 86.40, or a bill of 100.00
    QTest::addColumn<QString>("keys");  // typed from the field with the focus at first
    QTest::addColumn<bool>("refused");  // the file refuses to store a payment
    QTest::addColumn<QString>(
        "message"); // how the one message shown starts; a question is answered Yes
    // The field with the focus at first, the payment's amount then ("-": not looked at), and
    // what is stored afterwards: the bill's amount, isestimate and paid, then the count and sum
    // of the payments.
    QTest::addColumn<QString>("result");

    const QString back = "\x19", none; // apart, or the digits after it would join the escape
    const QString onBill = "billAmountLineEdit ";
    QTest::newRow("not an estimate")
        << false << "\t" << false << none << "amountLineEdit 100.00 100 0 1 1 100";
    QTest::newRow("the estimate as it is")
        << true << none << false << none << onBill + "86.40 86.4 0 1 1 86.4";
    QTest::newRow("higher") << true << "9120" << false << none << onBill + "91.20 91.2 0 1 1 91.2";
    QTest::newRow("lower") << true << "5000" << false << none << onBill + "50.00 50 0 1 1 50";
    QTest::newRow("a part of it") << true << "9120\t2000" << false << none
                                  << onBill + "20.00 91.2 0 0 1 20";
    QTest::newRow("retyped after the payment was set")
        << true << "9120\t2000" + back + "10000" << false << none << onBill + "20.00 100 0 0 1 20";
    // The balance it overpays is that of the amount typed, not of the estimate.
    QTest::newRow("more than the amount typed")
        << true << "8000\t8500" << false
        << "This payment is $5.00 more than the balance of $80.00. Record it anyway?"
        << onBill + "85.00 80 0 1 1 85";
    // Neither the amount nor the payment is stored without the other.
    const QString unread = "Please enter the amount on the bill.";
    QTest::newRow("emptied") << true << "\b" << false << unread << onBill + "- 50 1 0 0 0";
    QTest::newRow("zero") << true << "000" << false << unread << onBill + "- 50 1 0 0 0";
    QTest::newRow("payment refused by the file")
        << true << "9120" << true << "The payment could not be saved."
        << onBill + "91.20 50 1 0 0 0";
}

void TestPaymentDialogs::estimatePaidConfirmsItsAmount()
{
    QFETCH(bool, estimate);
    QFETCH(QString, keys);
    QFETCH(bool, refused);
    QFETCH(QString, message);
    QFETCH(QString, result);
    const QStringList r = result.split(' ');
    ScratchDataFile scratch;
    QVERIFY(scratch.isOpen);
    const int billId = estimate ? estimatedBill(scratch.file) : storedBill(100.0);
    QVERIFY(billId);
    if (refused)
        QVERIFY(run("CREATE TRIGGER reject BEFORE INSERT ON billpayment BEGIN SELECT "
                    "RAISE(ABORT, 'rejected'); END"));
    MessageRecorder messages;
    if (message.endsWith('?'))
        messages.answer("Yes");
    BillPaymentDialog dialog(&scratch.file);
    dialog.setBill(billId);
    QVERIFY(showActive(&dialog));
    QCOMPARE(QApplication::focusWidget()->objectName(), r.at(0));
    QCOMPARE(dialog.findChild<QLineEdit *>("billAmountLineEdit")->isVisible(), estimate);
    typeIntoFocus(keys);
    if (r.at(1) != "-")
        QCOMPARE(dialog.findChild<QLineEdit *>("amountLineEdit")->text(), r.at(1));
    click(&dialog, "okButton");

    const bool saved = r.at(5) == "1";
    QCOMPARE(dialog.isVisible(), !saved);
    QCOMPARE(messages.count(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(messages.last().text.startsWith(message), qPrintable(messages.last().text));
    QCOMPARE(
        storedBillState(billId) + " " +
            scalar("SELECT COUNT(*) || ' ' || IFNULL(SUM(amount), 0) FROM billpayment").toString(),
        r.mid(2).join(' '));
    if (!saved && !refused)
        QCOMPARE(dialog.focusWidget()->objectName(), QString("billAmountLineEdit"));
}

void TestPaymentDialogs::referenceStoredAndListed_data()
{
    QTest::addColumn<QString>("stored"); // on an earlier payment that is edited; null for a new one
    QTest::addColumn<QString>("keys");   // typed over the field; empty leaves it alone
    QTest::addColumn<QString>("shown");  // in the field when the dialog opens
    QTest::addColumn<QString>("kept");   // stored afterwards
    QTest::addColumn<QString>("listed");

    const QString none, stored = "conf\n<b>9</b>\x07", oneLine = "conf <b>9</b> ";
    const QString typed = "CHK 1042", old = "OLD-1", replaced = "NEW-2", longer(120, 'x');
    QTest::newRow("none") << none << none << none << none << none;
    QTest::newRow("typed") << none << typed << none << typed << typed;
    QTest::newRow("spaces around")
        << none << QString(" TX-77 ") << none << QString("TX-77") << QString("TX-77");
    QTest::newRow("longer than the field takes")
        << none << longer << none << longer.left(100) << longer.left(100);
    QTest::newRow("stored, left alone") << stored << none << oneLine << stored << oneLine;
    QTest::newRow("stored, replaced") << old << replaced << old << replaced << replaced;
}

void TestPaymentDialogs::referenceStoredAndListed()
{
    QFETCH(QString, stored);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(QString, kept);
    QFETCH(QString, listed);
    openDatabase();
    const int billId = storedBill(100.0);
    if (!stored.isNull()) {
        BillPayment earlier(billId, now.addDays(-1), 20.0);
        earlier.setReference(stored);
        QVERIFY(earlier.save());
    }
    BillPaymentListDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    auto *list = dialog.findChild<QTreeWidget *>("paymentsTreeWidget");
    QString shownAtOpen;
    {
        ModalAnswerer answer("BillPaymentDialog", [&](QWidget *modal) {
            auto *field = modal->findChild<QLineEdit *>("referenceLineEdit");
            shownAtOpen = field->text();
            if (!keys.isEmpty()) {
                field->selectAll();
                QTest::keyClicks(field, keys);
            }
            click(modal, "okButton");
        });
        if (stored.isNull())
            click(&dialog, "addPushButton");
        else
            clickRow(list, 0, true);
    }
    QCOMPARE(shownAtOpen, shown);
    QCOMPARE(m_db->count("billpayment"), 1);
    QCOMPARE(m_db->scalar("SELECT reference FROM billpayment").toString(), kept);
    QCOMPARE(list->headerItem()->text(2), QString("Reference"));
    QCOMPARE(list->topLevelItem(0)->text(2), listed);
}

void TestPaymentDialogs::addEditDeleteRefreshListAndPaidState()
{
    openDatabase();
    const int billId = storedBill(100.0);
    MessageRecorder messages;
    BillPaymentListDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    auto *list = dialog.findChild<QTreeWidget *>("paymentsTreeWidget");
    QCOMPARE(list->topLevelItemCount(), 0);

    {
        ModalAnswerer answer(enterPayment(QDate(2026, 3, 10), "6000"));
        click(&dialog, "addPushButton");
    }
    QCOMPARE(rows(list), QStringList{"03/10/2026 $60.00"});
    QCOMPARE(m_db->scalar("SELECT paid FROM bills").toInt(), 0);
    {
        ModalAnswerer answer(enterPayment(QDate(2026, 3, 1), "4000"));
        click(&dialog, "addPushButton");
    }
    QCOMPARE(rows(list), (QStringList{"03/01/2026 $40.00", "03/10/2026 $60.00"}));
    QCOMPARE(m_db->scalar("SELECT paid FROM bills").toInt(), 1);

    // Cancel, or Escape, in the question changes nothing.
    messages.answer("Cancel");
    messages.answerEscape();
    messages.answer("Delete");
    clickRow(list, 1);
    click(&dialog, "deletePushButton");
    click(&dialog, "deletePushButton");
    QCOMPARE(rows(list), (QStringList{"03/01/2026 $40.00", "03/10/2026 $60.00"}));
    QCOMPARE(m_db->count("billpayment"), 2);
    clickRow(list, 1);
    click(&dialog, "deletePushButton");
    QCOMPARE(messages.count(), 3);
    const MessageRecorder::Message &asked = messages.last();
    QCOMPARE(asked.icon, QMessageBox::Warning);
    QCOMPARE(asked.title, QString("Payment Delete"));
    QCOMPARE(asked.text, QString("Are you sure you want to delete this Payment?"));
    QCOMPARE(asked.buttons, (QStringList{"Delete", "Cancel"}));
    QCOMPARE(asked.defaultButton, 0);
    QCOMPARE(asked.escapeButton, 1);
    QCOMPARE(asked.windowIcon, QString(":/images/Resources/money.png"));
    QCOMPARE(rows(list), QStringList{"03/01/2026 $40.00"});
    QCOMPARE(m_db->scalar("SELECT paid FROM bills").toInt(), 0);

    {
        ModalAnswerer answer(enterPayment(QDate(), "10000"));
        clickRow(list, 0, true);
    }
    QCOMPARE(rows(list), QStringList{"03/01/2026 $100.00"});
    QCOMPARE(m_db->count("billpayment"), 1);
    QCOMPARE(m_db->scalar("SELECT paid FROM bills").toInt(), 1);
    // The list never writes its own early copy of the bill over the payment dialog's flag.
    QCOMPARE(m_db->scalar("SELECT isunique FROM bills").toInt(), 1);
}

void TestPaymentDialogs::editOrDeleteWithoutSelectionDoNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("deleteFirst");

    QTest::newRow("edit, nothing chosen") << "editPushButton" << false;
    QTest::newRow("delete, nothing chosen") << "deletePushButton" << false;
    // The payment chosen before is gone; acting on it would write a payment of no bill.
    QTest::newRow("edit after a delete") << "editPushButton" << true;
    QTest::newRow("delete after a delete") << "deletePushButton" << true;
}

void TestPaymentDialogs::editOrDeleteWithoutSelectionDoNothing()
{
    QFETCH(QString, button);
    QFETCH(bool, deleteFirst);
    openDatabase();
    const int billId = storedBill(100.0);
    storedPayment(billId, QDateTime(QDate(2026, 3, 2), QTime(8, 0)), 20.0);
    storedPayment(billId, QDateTime(QDate(2026, 3, 4), QTime(8, 0)), 30.0);
    MessageRecorder messages;
    BillPaymentListDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    auto *list = dialog.findChild<QTreeWidget *>("paymentsTreeWidget");
    if (deleteFirst) {
        messages.answer("Delete");
        clickRow(list, 0);
        click(&dialog, "deletePushButton");
        QCOMPARE(list->topLevelItemCount(), 1);
    }
    messages.clear();

    // Any dialog that opened now would be closed by this timer and noted.
    bool sawDialog = false;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&sawDialog] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            sawDialog = true;
            modal->close();
        }
    });
    watcher.start(50);
    QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);
    QTest::qWait(120);
    QVERIFY(!sawDialog);
    QCOMPARE(messages.count(), 0);
    QCOMPARE(m_db->count("billpayment"), deleteFirst ? 1 : 2);
    QCOMPARE(
        m_db->scalar("SELECT COUNT(*) FROM billpayment WHERE billid <> " + QString::number(billId))
            .toInt(),
        0);
}

void TestPaymentDialogs::failedDeleteIsReported()
{
    openDatabase();
    const int billId = storedBill(100.0);
    storedPayment(billId, QDateTime(QDate(2026, 3, 2), QTime(8, 0)), 20.0);
    QVERIFY(m_db->exec("CREATE TRIGGER reject BEFORE DELETE ON billpayment "
                       "BEGIN SELECT RAISE(ABORT, 'rejected'); END;"));
    MessageRecorder messages;
    messages.answer("Delete");
    BillPaymentListDialog dialog(&m_file);
    dialog.setBill(billId);
    dialog.show();
    auto *list = dialog.findChild<QTreeWidget *>("paymentsTreeWidget");
    clickRow(list, 0);
    click(&dialog, "deletePushButton");

    QCOMPARE(messages.count(), 2);
    QCOMPARE(messages.last().title, errorTitle);
    QVERIFY(messages.last().text.startsWith("The payment could not be deleted."));
    QCOMPARE(rows(list), QStringList{"03/02/2026 $20.00"});
    QCOMPARE(m_db->count("billpayment"), 1);
}

NV_TEST_MAIN(TestPaymentDialogs)
#include "tst_paymentdialogs.moc"
