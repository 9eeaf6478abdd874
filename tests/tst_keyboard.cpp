#include "aboutdialog.h"
#include "backupdialog.h"
#include "billdialog.h"
#include "billpaymentdialog.h"
#include "billpaymentlistdialog.h"
#include "billschedule.h"
#include "billscheduledialog.h"
#include "clock.h"
#include "currentsql.h"
#include "licensedialogimpl.h"
#include "norvoravarodozod.h"
#include "payeedialog.h"
#include "payeelistdialog.h"
#include "reportdialog.h"
#include "scratchdatafile.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {
const QDateTime now(QDate(2026, 3, 18), QTime(10, 25, 40));

// Keys go where a person's would: to the widget that has the keyboard focus.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(static_cast<QWidget *>(nullptr), key, modifiers);
}

void type(const QString &text)
{
    QTest::keyClicks(static_cast<QWidget *>(nullptr), text);
}

QString focusName()
{
    const QWidget *focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

// What a window manager does when a dialog closes: the window under it is active again, with
// its focus where it was. The offscreen platform leaves that to the test.
void backTo(QWidget *window)
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// Hands the first modal dialog of the given class to the handler. Unlike ModalAnswerer it
// waits past other modal dialogs, so that a dialog opened from a dialog, a moment after a
// mnemonic was pressed, is the one answered. A handler that leaves its dialog open has it
// rejected, so that a failing test does not wait for ever.
class DialogAnswer : public QObject
{
public:
    DialogAnswer(const QByteArray &className, std::function<void(QWidget *)> handler)
        : m_className(className), m_handler(std::move(handler))
    {
        connect(&m_timer, &QTimer::timeout, this, &DialogAnswer::poll);
        m_timer.start(20);
    }
    ~DialogAnswer() override { QVERIFY2(m_answered, m_className.constData()); }

    bool answered() const { return m_answered; }

private:
    void poll()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && dialog->inherits(m_className.constData()) && dialog->isActiveWindow()) {
            m_timer.stop();
            m_answered = true;
            m_handler(dialog);
            if (dialog->isVisible())
                dialog->reject();
        } else if (++m_polls > 250) {
            m_timer.stop();
        }
    }

    const QByteArray m_className;
    std::function<void(QWidget *)> m_handler;
    QTimer m_timer;
    int m_polls = 0;
    bool m_answered = false;
};

// The whole file in a few numbers, to see that leaving a dialog stored nothing.
QString fileState()
{
    return scalar("SELECT (SELECT count(*) FROM payees) || '/' || (SELECT count(*) FROM bills) "
                  "|| '/' || (SELECT count(*) FROM billpayment) || '/' || "
                  "(SELECT count(*) FROM billschedule)")
        .toString();
}
// Each dialog as its command opens it, on the bill with the given id where it needs one.
std::unique_ptr<QDialog> makeDialog(const QString &name, DataFile *file, int billId,
                                    BillSchedule *schedule)
{
    if (name == "about")
        return std::make_unique<AboutDialog>();
    if (name == "licence")
        return std::make_unique<LicenseDialogImpl>();
    if (name == "backup")
        return std::make_unique<BackupDialog>();
    if (name == "payee")
        return std::make_unique<PayeeDialog>(file);
    if (name == "payee list")
        return std::make_unique<PayeeListDialog>(file);
    if (name == "bill")
        return std::make_unique<BillDialog>(file);
    if (name == "report")
        return std::make_unique<ReportDialog>(file);
    if (name == "schedule") {
        auto dialog = std::make_unique<BillScheduleDialog>();
        dialog->setSchedule(schedule);
        return dialog;
    }
    if (name == "payment") {
        auto dialog = std::make_unique<BillPaymentDialog>(file);
        dialog->setBill(billId);
        return dialog;
    }
    auto dialog = std::make_unique<BillPaymentListDialog>(file);
    dialog->setBill(billId);
    return dialog;
}
} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(now); }
    void cleanup() { Clock::reset(); }

    void payeeBillAndPaymentWithoutTheMouse();
    void enterOnAListRowOpensItInPlace_data();
    void enterOnAListRowOpensItInPlace();
    void escapeLeavesAndEnterFinishes_data();
    void escapeLeavesAndEnterFinishes();
};

void TestKeyboard::payeeBillAndPaymentWithoutTheMouse()
{
    QTemporaryDir dir;
    FileAnswers answers;
    NorvoRavaRodozod window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    answers.paths.append(dir.filePath("keys.nvbf"));
    press(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(fileState(), QString("0/0/0/0"));

    // The payee list by its key, a new payee by the list's mnemonic.
    {
        DialogAnswer list("PayeeListDialog", [](QWidget *listDialog) {
            DialogAnswer payee("PayeeDialog", [](QWidget *) {
                type("Acme Power");
                press(Qt::Key_Tab);
                type("AC-77");
                press(Qt::Key_Tab);
                type("1 Main St");
                press(Qt::Key_Return);
                type("Springfield");
                // Tab leaves the address instead of typing into it, and Shift+Tab comes back
                // out of the note the same way.
                press(Qt::Key_Tab);
                QCOMPARE(focusName(), QString("NoteTextEdit"));
                type("paper bill");
                press(Qt::Key_Backtab);
                press(Qt::Key_Backtab);
                QCOMPARE(focusName(), QString("AccountNumberLineEdit"));
                press(Qt::Key_Return);
            });
            press(Qt::Key_A, Qt::AltModifier);
            QTRY_VERIFY(payee.answered());
            backTo(listDialog);
            press(Qt::Key_Escape);
        });
        press(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    }
    backTo(&window);
    QCOMPARE(scalar("SELECT payeename || '|' || accountnumber || '|' || mailingaddress || '|' || "
                    "note FROM payees")
                 .toString(),
             QString("Acme Power|AC-77|1 Main St\nSpringfield|paper bill"));

    // A single bill by Insert: the only payee is chosen already.
    {
        DialogAnswer bill("BillDialog", [](QWidget *) {
            QCOMPARE(focusName(), QString("PayeeComboBox"));
            press(Qt::Key_Tab);
            press(Qt::Key_Tab);
            type("4250");
            press(Qt::Key_Tab);
            type("Electricity");
            press(Qt::Key_Tab);
            QCOMPARE(focusName(), QString("singleRadioButton"));
            press(Qt::Key_Space);
            press(Qt::Key_Tab);
            type("04152026");
            press(Qt::Key_Enter, Qt::KeypadModifier);
        });
        press(Qt::Key_Insert);
    }
    backTo(&window);
    QCOMPARE(scalar("SELECT p.payeename || '|' || b.description || '|' || b.amount || '|' || "
                    "date(b.duedate) FROM bills b JOIN payees p ON p.id = b.payeeid")
                 .toString(),
             QString("Acme Power|Electricity|42.5|2026-04-15"));

    // The list has the keyboard again; Enter on the row opens that bill.
    QCOMPARE(QApplication::focusWidget(), billList(window));
    press(Qt::Key_Down);
    {
        DialogAnswer edit("BillDialog", [](QWidget *dialog) {
            QCOMPARE(dialog->findChild<QLineEdit *>("AmountLineEdit")->text(), QString("42.50"));
            press(Qt::Key_Escape);
        });
        press(Qt::Key_Return);
    }
    backTo(&window);

    // A payment on the selected bill with Ctrl+M; the amount is typed, Enter saves.
    {
        DialogAnswer pay("BillPaymentDialog", [](QWidget *) {
            // Tab goes through the date's month, day and year, then the calendar button.
            for (int i = 0; i < 4; ++i)
                press(Qt::Key_Tab);
            QCOMPARE(focusName(), QString("amountLineEdit"));
            type("4250");
            press(Qt::Key_Return);
        });
        press(Qt::Key_M, Qt::ControlModifier);
    }
    QCOMPARE(scalar("SELECT amount FROM billpayment").toDouble(), 42.5);
    QCOMPARE(scalar("SELECT paid FROM bills").toInt(), 1);
    // Paid in full, the bill leaves the current list.
    QCOMPARE(billList(window)->topLevelItemCount(), 0);
}

void TestKeyboard::enterOnAListRowOpensItInPlace_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("withRow");
    QTest::addColumn<QString>("opens");

    QTest::newRow("payee") << "payee list" << true << "PayeeDialog";
    QTest::newRow("payee list empty") << "payee list" << false << "";
    QTest::newRow("payment") << "payment list" << true << "BillPaymentDialog";
    QTest::newRow("payment list empty") << "payment list" << false << "";
    // The report list opens nothing: it shows the report beside it.
    QTest::newRow("report") << "report" << true << "";
}

void TestKeyboard::enterOnAListRowOpensItInPlace()
{
    QFETCH(QString, list);
    QFETCH(bool, withRow);
    QFETCH(QString, opens);

    ScratchDataFile scratch;
    QVERIFY(scratch.isOpen);
    const int billId = withRow ? addBill("Acme", "Water", 20, now.date(), 5) : 0;
    QVERIFY(!withRow || billId != 0);
    const std::unique_ptr<QDialog> dialog = makeDialog(list, &scratch.file, billId, nullptr);
    dialog->show();
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    auto *tree = dialog->findChild<QTreeWidget *>();
    QCOMPARE(QApplication::focusWidget(), tree);

    std::unique_ptr<DialogAnswer> answer;
    if (!opens.isEmpty())
        answer = std::make_unique<DialogAnswer>(opens.toLatin1(),
                                                [](QWidget *) { press(Qt::Key_Escape); });
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    if (answer)
        QTRY_VERIFY(answer->answered());
    QTest::qWait(50);
    // The key stayed with the list: the dialog's default button did not close it.
    QVERIFY(dialog->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    if (list == "report")
        QVERIFY(dialog->findChild<QPushButton *>("printPushButton")->isEnabled());
}

void TestKeyboard::escapeLeavesAndEnterFinishes_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("result");

    const int esc = Qt::Key_Escape;
    const int enter = Qt::Key_Return;
    const int rejected = QDialog::Rejected;
    const int accepted = QDialog::Accepted;
    // Escape is every dialog's own; these rows are the dialogs where typing or a default
    // button of ours could get in its way, and where Enter has a button to press.
    QTest::newRow("about Enter") << "about" << enter << "" << accepted;
    // OK closes the licence, which counts as leaving it.
    QTest::newRow("licence Enter") << "licence" << enter << "" << rejected;
    QTest::newRow("backup Escape") << "backup" << esc << "/tmp" << rejected;
    QTest::newRow("payee Escape") << "payee" << esc << "Acme" << rejected;
    QTest::newRow("bill Escape") << "bill" << esc << "" << rejected;
    QTest::newRow("payment Escape") << "payment" << esc << "" << rejected;
    QTest::newRow("schedule Escape") << "schedule" << esc << "" << rejected;
    QTest::newRow("schedule Enter") << "schedule" << enter << "" << accepted;
}

void TestKeyboard::escapeLeavesAndEnterFinishes()
{
    QFETCH(QString, dialog);
    QFETCH(int, key);
    QFETCH(QString, typed);
    QFETCH(int, result);

    ScratchDataFile scratch;
    QVERIFY(scratch.isOpen);
    const int billId = addBill("Acme", "Water", 20, now.date());
    QVERIFY(billId != 0);
    BillSchedule schedule;
    const std::unique_ptr<QDialog> shown = makeDialog(dialog, &scratch.file, billId, &schedule);
    const QString before = fileState();

    DialogAnswer answer(shown->metaObject()->className(), [&](QWidget *) {
        type(typed);
        press(Qt::Key(key));
    });
    QCOMPARE(shown->exec(), result);
    QVERIFY(!shown->isVisible());
    QCOMPARE(fileState(), before);
    // Only OK hands the form to the schedule.
    QCOMPARE(schedule.scheduleType() != QLatin1String("NOTSET"),
             dialog == "schedule" && result == QDialog::Accepted);
}

NV_TEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
