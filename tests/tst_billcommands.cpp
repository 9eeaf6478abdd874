#include "bill.h"
#include "billdialog.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "norvoravarodozod.h"
#include "payee.h"
#include "scopedworkdir.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSqlQuery>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QDate today(2026, 3, 31);

struct MenuEntry
{
    QString text;
    bool enabled;
};

// Opens the list's context menu and reads it while it is up; an empty list when no menu
// appeared.
QList<MenuEntry> contextMenu(NorvoRavaRodozod &window)
{
    QList<MenuEntry> entries;
    QTimer::singleShot(0, [&entries] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions())
            entries.append({action->text(), action->isEnabled()});
        menu->close();
    });
    QMetaObject::invokeMethod(&window, "on_BillsTreeWidget_customContextMenuRequested",
                              Q_ARG(QPoint, QPoint(5, 5)));
    // A menu that never opened leaves the timer to run here.
    QCoreApplication::processEvents();
    return entries;
}

} // namespace

class TestBillCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void deleteAsksWithTheBillsOwnText_data();
    void deleteAsksWithTheBillsOwnText();
    void failedDeleteIsReported();
    void commandsNeedASelection();
    void contextMenuFollowsTheView();
    void editChoosesItsMode_data();
    void editChoosesItsMode();
    void addOpensANewBillAndRefreshes();
    void selectedBillOutlivesARebuild();
    void makePaymentPaysTheSelectedBill();
    void dialogCommandsOpenTheirDialog_data();
    void dialogCommandsOpenTheirDialog();

private:
    std::unique_ptr<ScopedWorkDir> m_dir;
    std::unique_ptr<FileAnswers> m_answers;
    std::unique_ptr<NorvoRavaRodozod> m_window;
};

void TestBillCommands::init()
{
    Clock::setFixed(QDateTime(today, QTime(10, 0)));
    m_dir = std::make_unique<ScopedWorkDir>();
    m_answers = std::make_unique<FileAnswers>();
    m_window = std::make_unique<NorvoRavaRodozod>();
    newFileInWindow(*m_window, *m_answers, m_dir->filePath("bills.nvbf"));
}

void TestBillCommands::cleanup()
{
    m_window.reset();
    m_answers.reset();
    m_dir.reset();
    Clock::reset();
}

void TestBillCommands::deleteAsksWithTheBillsOwnText_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("Delete") << "Delete" << true;
    QTest::newRow("Cancel") << "Cancel" << false;
    QTest::newRow("Escape") << "" << false;
}

void TestBillCommands::deleteAsksWithTheBillsOwnText()
{
    QFETCH(QString, answer);
    QFETCH(bool, deleted);
    QVERIFY(addBill("Acme", "Water", 20, today, 7.5));
    QVERIFY(addBill("<b>Gas</b>", "gas", 30, today.addDays(1)));
    trigger(*m_window, "action_Current_Bills_Menu");
    selectRow(*m_window, 0);

    MessageRecorder messages;
    if (answer.isEmpty())
        messages.answerEscape();
    else
        messages.answer(answer);
    trigger(*m_window, "actionDelete_Bill_Toolbar");
    QCOMPARE(messages.count(), 1);
    const MessageRecorder::Message &question = messages.last();
    QCOMPARE(question.icon, QMessageBox::Warning);
    QCOMPARE(question.title, QString("Bill Delete"));
    QCOMPARE(question.text,
             QString("Did you want to delete the following bill?\nAcme\nWater\n$12.50"));
    QCOMPARE(question.buttons, QStringList({"Delete", "Cancel"}));
    QCOMPARE(question.defaultButton, 0);
    QCOMPARE(question.escapeButton, 1);
    QCOMPARE(question.windowIcon, QString(":/images/Resources/bill_delete.png"));
    QCOMPARE(question.textFormat, Qt::PlainText);

    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), deleted ? 1 : 2);
    QCOMPARE(scalar("SELECT COUNT(*) FROM billpayment").toInt(), deleted ? 0 : 1);
    QCOMPARE(billList(*m_window)->topLevelItemCount(), deleted ? 1 : 2);

    // A deleted bill is no longer anyone's selection.
    messages.clear();
    trigger(*m_window, "actionDelete_Bill_Toolbar");
    QCOMPARE(messages.count(), deleted ? 0 : 1);

    // A user's markup is shown as typed.
    messages.clear();
    messages.answer("Cancel");
    selectRow(*m_window, deleted ? 0 : 1);
    trigger(*m_window, "actionDelete_Bill_Menu");
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.last().text.contains("\n<b>Gas</b>\n"));
}

void TestBillCommands::failedDeleteIsReported()
{
    QVERIFY(addBill("Acme", "Water", 20, today));
    trigger(*m_window, "action_Current_Bills_Menu");
    selectRow(*m_window, 0);
    // The file refuses the write, as a full disk would.
    QSqlQuery refuse(Connections::database(Connections::current()));
    QVERIFY(refuse.exec("CREATE TRIGGER refuse BEFORE DELETE ON bills BEGIN SELECT "
                        "RAISE(ABORT, 'disk full'); END"));

    MessageRecorder messages;
    messages.answer("Delete");
    trigger(*m_window, "actionDelete_Bill_Toolbar");
    QCOMPARE(messages.count(), 2);
    QCOMPARE(messages.last().icon, QMessageBox::Critical);
    QCOMPARE(messages.last().title, QString("Norvo Rava Rodozod File Error"));
    QVERIFY(messages.last().text.contains("disk full"));
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 1);
    QCOMPARE(billList(*m_window)->topLevelItemCount(), 1);
}

void TestBillCommands::commandsNeedASelection()
{
    QVERIFY(addBill("Acme", "Water", 20, today));
    trigger(*m_window, "action_Current_Bills_Menu");
    MessageRecorder messages;
    trigger(*m_window, "actionDelete_Bill_Toolbar");
    trigger(*m_window, "actionMakePayment");
    trigger(*m_window, "actionEdit_Bill_Menu");
    QCOMPARE(messages.count(), 0);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(contextMenu(*m_window).isEmpty());
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills").toInt(), 1);
}

void TestBillCommands::contextMenuFollowsTheView()
{
    QVERIFY(addBill("Acme", "Water", 20, today));
    QVERIFY(addBill("Gas Co", "gas", 30, today, 30));
    trigger(*m_window, "action_Current_Bills_Menu");
    selectRow(*m_window, 0);

    QList<MenuEntry> entries = contextMenu(*m_window);
    QCOMPARE(entries.size(), 4);
    QStringList texts;
    for (const MenuEntry &entry : entries) {
        texts.append(entry.text);
        QVERIFY2(entry.enabled, qPrintable(entry.text));
    }
    QCOMPARE(texts, QStringList({"Add Bill", "Edit Bill", "Delete Bill", "&Make Payment"}));

    trigger(*m_window, "action_Paid_Bills_Menu");
    selectRow(*m_window, 0);
    entries = contextMenu(*m_window);
    QCOMPARE(entries.size(), 4);
    QVERIFY(entries.at(2).enabled);
    QVERIFY(!entries.at(3).enabled);
}

// Runs a window command that opens the bill or payment dialog and reads what it was given;
// "no dialog" when none opened.
QString editModeOfDialog(NorvoRavaRodozod &window, const char *action)
{
    QString mode = "no dialog";
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&mode] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        mode = "not a bill dialog";
        if (auto *billDialog = qobject_cast<BillDialog *>(dialog))
            mode = billDialog->editMode();
        dialog->close();
    });
    watcher.start(20);
    trigger(window, action);
    return mode;
}

void TestBillCommands::editChoosesItsMode_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("answer"); // "-" when no question may be asked
    QTest::addColumn<QString>("mode");
    QTest::newRow("single bill") << "SINGLE"
                                 << "-"
                                 << "SINGLE";
    QTest::newRow("series bill edited alone before") << "unique"
                                                     << "-"
                                                     << "RECURRINGUNIQUE";
    QTest::newRow("series, whole series") << "WEEKLY"
                                          << "Edit recurring bill"
                                          << "RECURRING";
    QTest::newRow("series, this bill") << "WEEKLY"
                                       << "Edit this bill"
                                       << "RECURRINGUNIQUE";
    // This once went on as "Edit this bill".
    QTest::newRow("series, Escape") << "WEEKLY"
                                    << ""
                                    << "no dialog";
}

void TestBillCommands::editChoosesItsMode()
{
    QFETCH(QString, kind);
    QFETCH(QString, answer);
    QFETCH(QString, mode);
    Payee payee;
    payee.setPayeeName("Acme");
    QVERIFY(payee.save());
    BillSchedule schedule;
    schedule.setScheduleType(kind == "SINGLE" ? "SINGLE" : "WEEKLY");
    schedule.setDayOfWeek(3);
    schedule.setRangeStartDate(today);
    schedule.setRangeEndDate(today.addDays(20));
    QVERIFY(schedule.save());
    Bill bill;
    bill.setPayee(payee);
    bill.setAmount(20);
    bill.setDueDate(today);
    if (kind == "SINGLE") {
        QVERIFY(schedule.addBill(bill));
    } else {
        QVERIFY(schedule.generateBills(bill));
        Bill first = schedule.bills().first();
        first.setUnique(kind == "unique");
        QVERIFY(first.save());
    }
    trigger(*m_window, "action_Current_Bills_Menu");
    selectRow(*m_window, 0);

    MessageRecorder messages;
    if (answer.isEmpty())
        messages.answerEscape();
    else if (answer != "-")
        messages.answer(answer);
    const QString before = scalar("SELECT group_concat(isunique || amount) FROM bills").toString();
    QCOMPARE(editModeOfDialog(*m_window, "actionEdit_Bill_Toolbar"), mode);
    QCOMPARE(scalar("SELECT group_concat(isunique || amount) FROM bills").toString(), before);
    if (answer == "-") {
        QCOMPARE(messages.count(), 0);
        return;
    }
    QCOMPARE(messages.count(), 1);
    const MessageRecorder::Message &question = messages.last();
    QCOMPARE(question.icon, QMessageBox::Information);
    QCOMPARE(question.title, QString("Edit Bill"));
    QCOMPARE(question.text, QString("You are attempting to edit a recurring bill.\nHow would you "
                                    "like to edit this bill?"));
    QCOMPARE(question.buttons, QStringList({"Edit recurring bill", "Edit this bill", "Cancel"}));
    QCOMPARE(question.defaultButton, 0);
    QCOMPARE(question.escapeButton, 2);
    QCOMPARE(question.windowIcon, QString(":/images/Resources/bill_edit.png"));
}

void TestBillCommands::addOpensANewBillAndRefreshes()
{
    trigger(*m_window, "action_Current_Bills_Menu");
    QVERIFY(addBill("Acme", "Water", 20, today));
    QCOMPARE(editModeOfDialog(*m_window, "actionAdd_Bill_Menu"), QString("NEW"));
    QCOMPARE(billList(*m_window)->topLevelItemCount(), 1);
    QCOMPARE(editModeOfDialog(*m_window, "actionAdd_Bill_Toolbar"), QString("NEW"));
}

void TestBillCommands::selectedBillOutlivesARebuild()
{
    QVERIFY(addBill("Acme", "Water", 1234.5, today));
    QVERIFY(addBill("Gas Co", "gas", 30, today.addDays(1)));
    trigger(*m_window, "action_Current_Bills_Menu");
    selectRow(*m_window, 1);
    trigger(*m_window, "action_Paid_Bills_Menu");
    trigger(*m_window, "action_Current_Bills_Menu");
    QVERIFY(billList(*m_window)->selectedItems().isEmpty());

    // Edit still reaches the bill chosen before the rebuilds, as it is stored now. (A bill
    // without a schedule of its own is treated as part of a series.)
    MessageRecorder messages;
    messages.answer("Edit this bill");
    QString amount;
    {
        ModalAnswerer answerer([&amount](QWidget *dialog) {
            if (auto *field = dialog->findChild<QLineEdit *>("AmountLineEdit"))
                amount = field->text();
            dialog->close();
        });
        trigger(*m_window, "actionEdit_Bill_Menu");
    }
    QCOMPARE(amount, QString("30.00"));
}

void TestBillCommands::makePaymentPaysTheSelectedBill()
{
    QVERIFY(addBill("Acme", "Water", 20, today));
    trigger(*m_window, "action_Current_Bills_Menu");
    selectRow(*m_window, 0);
    {
        ModalAnswerer answerer([](QWidget *dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit *>("amountLineEdit"), "750");
            QTest::mouseClick(dialog->findChild<QPushButton *>("okButton"), Qt::LeftButton);
        });
        trigger(*m_window, "actionMakePayment");
    }
    QCOMPARE(billList(*m_window)->topLevelItem(0)->text(3), QString("$12.50"));
    QCOMPARE(scalar("SELECT COUNT(*) FROM billpayment").toInt(), 1);
}

void TestBillCommands::dialogCommandsOpenTheirDialog_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("refreshes");
    QTest::newRow("Payee List") << "actionAdd_Payee"
                                << "Payee List" << true;
    QTest::newRow("Reports, menu") << "actionReports_Menu"
                                   << "Reports" << true;
    QTest::newRow("Reports, tool bar") << "actionReports_Toolbar"
                                       << "Reports" << true;
    QTest::newRow("Backup") << "actionBackup"
                            << "Backup" << false;
    QTest::newRow("About") << "actionAbout"
                           << "About Norvo Rava Rodozod" << false;
    QTest::newRow("License") << "actionLicense"
                             << "License" << false;
}

void TestBillCommands::dialogCommandsOpenTheirDialog()
{
    QFETCH(QString, action);
    QFETCH(QString, title);
    QFETCH(bool, refreshes);
    trigger(*m_window, "action_Current_Bills_Menu");
    // Written behind the window's back: only a refresh after the dialog shows it.
    QVERIFY(addBill("Acme", "Water", 20, today));

    QString seen;
    {
        ModalAnswerer answerer([&seen](QWidget *dialog) {
            seen = dialog->windowTitle();
            dialog->close();
        });
        trigger(*m_window, qPrintable(action));
    }
    QCOMPARE(seen, title);
    QCOMPARE(billList(*m_window)->topLevelItemCount(), refreshes ? 1 : 0);
}

NV_TEST_MAIN(TestBillCommands)
#include "tst_billcommands.moc"
