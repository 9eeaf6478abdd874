// One person's day with the program, through the real window and dialogs, and the next start
// finding everything as it was left.
#include "clock.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "norvoravarodozod.h"
#include "reportdialog.h"
#include "scopedworkdir.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

const QDate today(2026, 12, 7);

template <typename T> T *child(QWidget *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no %s in %s", name, qPrintable(dialog->objectName()));
    return found;
}

// On the button's left edge, where a radio button has its circle: the widget may be wider
// than what answers a click.
void click(QWidget *dialog, const char *button)
{
    QAbstractButton *target = child<QAbstractButton>(dialog, button);
    const QPoint point = qobject_cast<QRadioButton *>(target) ? QPoint(6, target->height() / 2)
                                                              : target->rect().center();
    QTest::mouseClick(target, Qt::LeftButton, {}, point);
}

void type(QWidget *dialog, const char *field, const QString &text)
{
    QTest::keyClicks(child<QWidget>(dialog, field), text);
}

// A dialog that did not close after its last button press is closed here, so that a failing
// step fails the test instead of hanging it.
std::function<void(QWidget *)> closingAfter(const std::function<void(QWidget *)> &handler)
{
    return [handler](QWidget *dialog) {
        handler(dialog);
        if (dialog->isVisible()) {
            qWarning("%s is still open", qPrintable(dialog->windowTitle()));
            dialog->close();
        }
    };
}

// Runs a command that opens a dialog and lets handler work in it.
void inDialog(QWidget &window, const char *action, const std::function<void(QWidget *)> &handler)
{
    ModalAnswerer answerer(closingAfter(handler));
    trigger(window, action);
}

// Clicks a button that opens a nested dialog and lets handler work in that one.
void inNestedDialog(QWidget *dialog, const char *button,
                    const std::function<void(QWidget *)> &handler)
{
    ModalAnswerer answerer(closingAfter(handler));
    click(dialog, button);
}

void addPayee(QWidget *payeeList, const QString &name)
{
    inNestedDialog(payeeList, "AddPushButton", [&name](QWidget *payee) {
        type(payee, "PayeeNameLineEdit", name);
        type(payee, "AccountNumberLineEdit", "AC-" + name);
        click(payee, "okButton");
    });
}

void fillBill(QWidget *bill, const QString &payee, const QString &cents, const QString &description)
{
    auto *payees = child<QComboBox>(bill, "PayeeComboBox");
    payees->setCurrentIndex(payees->findText(payee));
    type(bill, "AmountLineEdit", cents);
    type(bill, "DescriptionTextEdit", description);
}

void pay(QWidget &window, int row, const QString &cents)
{
    selectRow(window, row);
    inDialog(window, "actionMakePayment", [&cents](QWidget *payment) {
        type(payment, "amountLineEdit", cents);
        click(payment, "okButton");
    });
}

QStringList rows(const QWidget &window)
{
    QStringList texts;
    QTreeWidget *list = billList(window);
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < 4; ++column)
            cells.append(list->topLevelItem(row)->text(column));
        texts.append(cells.join(" | "));
    }
    return texts;
}

} // namespace

class TestWholeDay : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(today, QTime(8, 30))); }
    void cleanup() { Clock::reset(); }
    void aDayWithTheProgram();
};

void TestWholeDay::aDayWithTheProgram()
{
    ScopedWorkDir dir;
    FileAnswers answers;
    // Nothing in a good day asks a question or reports a failure.
    MessageRecorder messages;
    auto window = std::make_unique<NorvoRavaRodozod>();
    window->show();
    newFileInWindow(*window, answers, dir.filePath("household"));

    inDialog(*window, "actionAdd_Payee", [](QWidget *payeeList) {
        addPayee(payeeList, "City Water");
        addPayee(payeeList, "Northern Power");
        QCOMPARE(child<QTreeWidget>(payeeList, "PayeesTreeWidget")->topLevelItemCount(), 2);
        click(payeeList, "okButton");
    });

    inDialog(*window, "actionAdd_Bill_Menu", [](QWidget *bill) {
        fillBill(bill, "City Water", "4500", "Water and sewer");
        click(bill, "singleRadioButton");
        child<QDateEdit>(bill, "DueDateDateEdit")->setDate(today.addDays(3));
        click(bill, "OkButton");
    });
    inDialog(*window, "actionAdd_Bill_Toolbar", [](QWidget *bill) {
        fillBill(bill, "Northern Power", "9950", "Electricity");
        click(bill, "recurringRadioButton");
        inNestedDialog(bill, "schedulePushButton", [](QWidget *schedule) {
            click(schedule, "MonthlyRadioButton");
            child<QComboBox>(schedule, "onmonthComboBox")->setCurrentIndex(14);
            child<QDateEdit>(schedule, "startdateDateEdit")->setDate(QDate(2026, 12, 1));
            child<QDateEdit>(schedule, "enddateDateEdit")->setDate(QDate(2027, 11, 30));
            click(schedule, "okButton");
        });
        click(bill, "OkButton");
    });
    for (const MessageRecorder::Message &message : messages.messages())
        qWarning("%s: %s", qPrintable(message.title), qPrintable(message.text));
    QCOMPARE(messages.count(), 0);
    QCOMPARE(billList(*window)->topLevelItemCount(), 13); // one single bill, twelve monthly
    QCOMPARE(rows(*window).first(), QString("City Water | Water and sewer | 12/10/2026 | $45.00"));
    QCOMPARE(rows(*window).at(1), QString("Northern Power | Electricity | 12/15/2026 | $99.50"));

    pay(*window, 0, "2000");
    QCOMPARE(rows(*window).first(), QString("City Water | Water and sewer | 12/10/2026 | $25.00"));
    pay(*window, 0, "2500");
    QCOMPARE(billList(*window)->topLevelItemCount(), 12);
    QVERIFY(summaryPanel(*window)->toPlainText().contains("$99.50")); // due in December

    trigger(*window, "action_Paid_Bills_Menu");
    QCOMPARE(rows(*window), QStringList({"City Water | Water and sewer | 12/10/2026 | $0.00"}));
    trigger(*window, "action_Current_Bills_Menu");

    const QString pdf = dir.filePath("past-due.pdf");
    inDialog(*window, "actionReports_Menu", [&pdf](QWidget *dialog) {
        auto *reports = qobject_cast<ReportDialog *>(dialog);
        QTreeWidget *list = child<QTreeWidget>(dialog, "reportsTreeWidget");
        auto *browser = child<QTextBrowser>(dialog, "reportTextBrowser");
        for (int index = list->topLevelItemCount() - 1; index >= 0; --index) {
            QTreeWidgetItem *item = list->topLevelItem(index);
            list->setCurrentItem(item);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(item).center());
            QCOMPARE(reports->reportKey(), item->data(0, Qt::UserRole).toString());
            QVERIFY(reports->reportHtml().contains("<title>" + item->text(0) + "</title>"));
            QVERIFY(browser->toPlainText().contains(item->text(0)));
        }
        // Nothing is overdue: the water bill is paid and the power bills fall due later.
        QVERIFY(reports->reportHtml().contains("<b>Total Past Due:</b></td><td>$0.00<"));
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        reports->printReport(&printer);
        dialog->close();
    });
    QFile printed(pdf);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    QVERIFY(printed.read(4) == "%PDF");

    const QStringList before = rows(*window);
    const QString summary = summaryPanel(*window)->toHtml();
    const QString title = window->windowTitle();
    window.reset();

    NorvoRavaRodozod next;
    QCOMPARE(next.windowTitle(), title);
    QCOMPARE(rows(next), before);
    QCOMPARE(summaryPanel(next)->toHtml(), summary);
    trigger(next, "action_Paid_Bills_Menu");
    QCOMPARE(rows(next), QStringList({"City Water | Water and sewer | 12/10/2026 | $0.00"}));
    QCOMPARE(messages.count(), 0);
}

NV_TEST_MAIN(TestWholeDay)
#include "tst_wholeday.moc"
