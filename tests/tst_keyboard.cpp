#include "billpaymentlistdialog.h"
#include "clock.h"
#include "currentsql.h"
#include "modalanswerer.h"
#include "norvoravarodozod.h"
#include "payeelistdialog.h"
#include "reportdialog.h"
#include "scratchdatafile.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QDir>
#include <QKeySequence>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QXmlStreamReader>

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

// A list dialog as its command opens it, on the bill with the given id where it needs one.
std::unique_ptr<QDialog> makeListDialog(const QString &name, DataFile *file, int billId)
{
    if (name == "payee list")
        return std::make_unique<PayeeListDialog>(file);
    if (name == "report")
        return std::make_unique<ReportDialog>(file);
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
    void eachLetterLeadsToOneItem_data();
    void eachLetterLeadsToOneItem();
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
    QCOMPARE(window.windowTitle(), "Norvo Rava Rodozod 1.6 - " + dir.filePath("keys.nvbf"));

    // The payee list by its key, a new payee by the list's mnemonic.
    {
        ModalAnswerer list("PayeeListDialog", [](QWidget *listDialog) {
            ModalAnswerer payee("PayeeDialog", [](QWidget *) {
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
            QTRY_VERIFY(payee.wasAnswered());
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
        ModalAnswerer bill("BillDialog", [](QWidget *) {
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
        ModalAnswerer edit("BillDialog", [](QWidget *dialog) {
            QCOMPARE(dialog->findChild<QLineEdit *>("AmountLineEdit")->text(), QString("42.50"));
            press(Qt::Key_Escape);
        });
        press(Qt::Key_Return);
    }
    backTo(&window);

    // A payment on the selected bill with Ctrl+M: the amount offered is the balance, and Enter
    // pays it.
    {
        ModalAnswerer pay("BillPaymentDialog", [](QWidget *) {
            QCOMPARE(focusName(), QString("amountLineEdit"));
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
    const std::unique_ptr<QDialog> dialog = makeListDialog(list, &scratch.file, billId);
    dialog->show();
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    auto *tree = dialog->findChild<QTreeWidget *>();
    QCOMPARE(QApplication::focusWidget(), tree);

    std::unique_ptr<ModalAnswerer> answer;
    if (!opens.isEmpty())
        answer = std::make_unique<ModalAnswerer>(opens.toLatin1(),
                                                 [](QWidget *) { press(Qt::Key_Escape); });
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    if (answer)
        QTRY_VERIFY(answer->wasAnswered());
    QTest::qWait(50);
    // The key stayed with the list: the dialog's default button did not close it.
    QVERIFY(dialog->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    if (list == "report")
        QVERIFY(dialog->findChild<QPushButton *>("printPushButton")->isEnabled());
}

void TestKeyboard::eachLetterLeadsToOneItem_data()
{
    QTest::addColumn<QString>("form");

    for (const QString folder : {"dialogs", "reports"}) {
        const QDir dir(QFINDTESTDATA("../" + folder));
        for (const QString &name : dir.entryList({"*.ui"}))
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }
}

// Within a dialog no two texts (of buttons, labels, group boxes) offer the same Alt letter.
void TestKeyboard::eachLetterLeadsToOneItem()
{
    QFETCH(QString, form);
    QFile file(form);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString property;
    QMap<QString, QString> offeredBy;
    QStringList shared;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"property")
            property = xml.attributes().value("name").toString();
        if (xml.name() != u"string" || (property != "text" && property != "title"))
            continue;
        const QString text = xml.readElementText();
        const QString key = QKeySequence::mnemonic(text).toString();
        if (!key.isEmpty() && offeredBy.contains(key))
            shared.append(key + ": " + offeredBy.value(key) + ", " + text);
        offeredBy.insert(key, text);
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(shared.isEmpty(), qPrintable(shared.join("; ")));
}

NV_TEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
