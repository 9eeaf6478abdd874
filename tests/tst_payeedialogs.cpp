#include "bill.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "messagerecorder.h"
#include "modalanswerer.h"
#include "payee.h"
#include "payeedialog.h"
#include "payeelistdialog.h"
#include "scopedworkdir.h"
#include "testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTextEdit>
#include <QTreeWidget>

#include <optional>

namespace {
const QString errorTitle = QStringLiteral("Norvo Rava Rodozod File Error");

int addPayee(const QString &name, const QString &account = QString())
{
    Payee payee;
    payee.setPayeeName(name);
    payee.setAccountNumber(account);
    return payee.save() ? payee.id() : 0;
}

void addBill(int payeeId)
{
    BillSchedule schedule;
    schedule.setScheduleType(QStringLiteral("SINGLE"));
    QVERIFY(schedule.save());
    Bill bill;
    bill.setPayee(Payee::findById(payeeId).value());
    bill.setDescription(QStringLiteral("monthly"));
    bill.setAmount(30.0);
    bill.setDueDate(Clock::today());
    QVERIFY(schedule.addBill(bill));
}

template <typename T> T *child(const QWidget *parent, const char *name)
{
    auto *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child named %s", name);
    return found;
}

void click(const QWidget *parent, const char *name)
{
    QTest::mouseClick(child<QPushButton>(parent, name), Qt::LeftButton);
}

// Types text into an edit, pressing Return between the lines of a multi-line text.
void type(QWidget *edit, const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, lines.at(i));
    }
}

void replaceName(QWidget *dialog, const QString &name)
{
    auto *edit = child<QLineEdit>(dialog, "PayeeNameLineEdit");
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    type(edit, name);
}

QTreeWidget *payeeTree(const QWidget *list)
{
    return child<QTreeWidget>(list, "PayeesTreeWidget");
}

QStringList listedNames(const QWidget *list)
{
    QStringList names;
    const QTreeWidget *tree = payeeTree(list);
    for (int row = 0; row < tree->topLevelItemCount(); ++row)
        names.append(tree->topLevelItem(row)->text(0));
    return names;
}

void selectRow(const QWidget *list, const QString &name, bool doubleClick = false)
{
    QTreeWidget *tree = payeeTree(list);
    const QList<QTreeWidgetItem *> found = tree->findItems(name, Qt::MatchExactly, 0);
    QCOMPARE(found.size(), 1);
    const QPoint centre = tree->visualItemRect(found.first()).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
    if (doubleClick)
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

class TestPayeeDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Payee dialog
    void saveNeedsANonEmptyName_data();
    void saveNeedsANonEmptyName();

    // Payee list
    void listIsSortedByNameThenId();
    void listOpensThePayeeDialog_data();
    void listOpensThePayeeDialog();
    void deleteAsksWithTheEscapedName_data();
    void deleteAsksWithTheEscapedName();
    void editAndDeleteWithoutSelectionDoNothing();

    // Failures
    void failedSaveKeepsDialogOpenAndPayeeAsStored_data();
    void failedSaveKeepsDialogOpenAndPayeeAsStored();
    void failedDeleteIsReportedAndKeepsPayee();

private:
    std::unique_ptr<ScopedWorkDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<DataFile> m_file;
};

void TestPayeeDialogs::init()
{
    // A renamed widget would silently leave its on_..._clicked slot unconnected.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal for on_")));
    Clock::setFixed(QDateTime(QDate(2026, 3, 18), QTime(9, 30)));
    m_dir = std::make_unique<ScopedWorkDir>();
    m_messages = std::make_unique<MessageRecorder>();
    m_file = std::make_unique<DataFile>(nullptr);
    QVERIFY(m_file->open(m_dir->filePath("payees.nvbf")));
}

void TestPayeeDialogs::cleanup()
{
    m_file.reset();
    Connections::close(QStringLiteral("other program"));
    Connections::close(Connections::current());
    m_messages.reset();
    m_dir.reset();
    Clock::reset();
}

void TestPayeeDialogs::saveNeedsANonEmptyName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("stored");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("one blank") << QString(" ") << true;
    QTest::newRow("markup") << QString("A&B <b>") << true;
}

void TestPayeeDialogs::saveNeedsANonEmptyName()
{
    QFETCH(QString, name);
    QFETCH(bool, stored);

    PayeeDialog dialog(m_file.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    type(child<QLineEdit>(&dialog, "PayeeNameLineEdit"), name);
    type(child<QLineEdit>(&dialog, "AccountNumberLineEdit"), "AC-9");
    type(child<QTextEdit>(&dialog, "MailingAddressTextEdit"), "1 Main St\nSpringfield");
    type(child<QTextEdit>(&dialog, "NoteTextEdit"), "paper bills");
    click(&dialog, "okButton");

    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(dialog.isVisible(), !stored);
    QCOMPARE(scalar("SELECT COUNT(*) FROM payees").toInt(), stored ? 1 : 0);
    if (!stored)
        return;
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(scalar("SELECT payeename FROM payees").toString(), name);
    QCOMPARE(scalar("SELECT accountnumber FROM payees").toString(), QString("AC-9"));
    QCOMPARE(scalar("SELECT mailingaddress FROM payees").toString(),
             QString("1 Main St\nSpringfield"));
    QCOMPARE(scalar("SELECT note FROM payees").toString(), QString("paper bills"));
    QCOMPARE(scalar("SELECT deleted FROM payees").toInt(), 0);
    QVERIFY(m_file->payeesById().contains(dialog.payee()->id()));
}

void TestPayeeDialogs::listIsSortedByNameThenId()
{
    for (const char *name : {"beta", "alpha", "Gamma", "Alpha", "delta", "hidden"})
        QVERIFY(addPayee(name) > 0);
    QVERIFY(run("UPDATE payees SET deleted = 1 WHERE payeename = 'hidden'"));

    PayeeListDialog list(m_file.get());
    QCOMPARE(listedNames(&list), QStringList({"alpha", "Alpha", "beta", "delta", "Gamma"}));
    // Each row carries its payee's id, which Edit and Delete look up.
    QCOMPARE(payeeTree(&list)->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 4);
}

void TestPayeeDialogs::listOpensThePayeeDialog_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("edit, save") << "EditPushButton"
                                << "okButton" << QStringList{"Internet", "Power"};
    QTest::newRow("double-click, save") << ""
                                        << "okButton" << QStringList{"Internet", "Power"};
    QTest::newRow("edit, cancel") << "EditPushButton"
                                  << "cancelButton" << QStringList{"Gas", "Power"};
    QTest::newRow("add, save") << "AddPushButton"
                               << "okButton" << QStringList{"Gas", "Internet", "Power"};
    QTest::newRow("add, cancel") << "AddPushButton"
                                 << "cancelButton" << QStringList{"Gas", "Power"};
}

void TestPayeeDialogs::listOpensThePayeeDialog()
{
    QFETCH(QString, command);
    QFETCH(QString, button);
    QFETCH(QStringList, listed);
    QVERIFY(addPayee("Gas", "G-1") > 0);
    QVERIFY(addPayee("Power") > 0);

    PayeeListDialog list(m_file.get());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    {
        const bool adding = command == QLatin1String("AddPushButton");
        ModalAnswerer answerer([&](QWidget *modal) {
            QVERIFY(qobject_cast<PayeeDialog *>(modal));
            QCOMPARE(child<QLineEdit>(modal, "AccountNumberLineEdit")->text(),
                     adding ? QString() : QString("G-1"));
            replaceName(modal, "Internet");
            click(modal, button.toLatin1().constData());
        });
        if (!adding)
            selectRow(&list, "Gas", command.isEmpty());
        if (!command.isEmpty())
            click(&list, command.toLatin1().constData());
    }
    // The list shows at once what the file holds.
    QCOMPARE(listedNames(&list), listed);
    QCOMPARE(scalar("SELECT group_concat(payeename, ',') FROM (SELECT payeename FROM payees "
                    "ORDER BY payeename)")
                 .toString(),
             listed.join(','));
}

void TestPayeeDialogs::deleteAsksWithTheEscapedName_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("delete") << "Delete" << true;
    QTest::newRow("cancel") << "Cancel" << false;
    QTest::newRow("escape") << QString() << false;
}

void TestPayeeDialogs::deleteAsksWithTheEscapedName()
{
    QFETCH(QString, answer);
    QFETCH(bool, deleted);
    const int payee = addPayee("A&B <b>");
    addBill(payee);
    QVERIFY(addPayee("Other") > 0);

    PayeeListDialog list(m_file.get());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    selectRow(&list, "A&B <b>");
    if (answer.isEmpty())
        m_messages->answerEscape();
    else
        m_messages->answer(answer);
    click(&list, "DeletePushButton");

    QCOMPARE(m_messages->count(), 1);
    const MessageRecorder::Message &question = m_messages->last();
    QCOMPARE(question.icon, QMessageBox::Warning);
    QCOMPARE(question.title, QString("Payee Delete"));
    QCOMPARE(question.text, QString("Deleting <b>A&amp;B &lt;b&gt;</b><br>Are you sure you want "
                                    "to delete this Payee?<br><br>*Note: This will delete all "
                                    "associated bills"));
    QCOMPARE(question.textFormat, Qt::RichText);
    QCOMPARE(question.windowIcon, QString(":/images/Resources/payee_delete.png"));
    QCOMPARE(question.buttons, QStringList({"Delete", "Cancel"}));
    QCOMPARE(question.defaultButton, 0);
    QCOMPARE(question.escapeButton, 1);

    const QStringList remaining =
        deleted ? QStringList({"Other"}) : QStringList({"A&B <b>", "Other"});
    QCOMPARE(listedNames(&list), remaining);
    QCOMPARE(Payee::findById(payee).value().isDeleted(), deleted);
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills WHERE deleted = 0").toInt(), deleted ? 0 : 1);
}

void TestPayeeDialogs::editAndDeleteWithoutSelectionDoNothing()
{
    QVERIFY(addPayee("Rent") > 0);
    PayeeListDialog list(m_file.get());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    // Should a dialog open after all, close it so that the test ends and can tell.
    bool opened = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, &list, [&opened] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    closer.start(20);
    click(&list, "EditPushButton");
    click(&list, "DeletePushButton");
    closer.stop();

    QVERIFY(!opened);
    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(listedNames(&list), QStringList{"Rent"});
    QCOMPARE(scalar("SELECT deleted FROM payees").toInt(), 0);
}

void TestPayeeDialogs::failedSaveKeepsDialogOpenAndPayeeAsStored_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("lockedByAnotherProgram");
    QTest::addColumn<QString>("reason");
    QTest::newRow("edit, refused") << true << false << "kept as it was";
    QTest::newRow("add, refused") << false << false << "kept as it was";
    QTest::newRow("edit, locked") << true << true << "database is locked";
}

void TestPayeeDialogs::failedSaveKeepsDialogOpenAndPayeeAsStored()
{
    QFETCH(bool, edit);
    QFETCH(bool, lockedByAnotherProgram);
    QFETCH(QString, reason);
    const int existing = addPayee("Phone", "P-1");
    QVERIFY(m_file->reloadPayees());
    const DataFile::PayeePtr loaded = m_file->payeesById().value(existing);

    PayeeDialog dialog(m_file.get());
    if (edit)
        dialog.setPayee(loaded);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    replaceName(&dialog, "Mobile");

    std::optional<QSqlQuery> lock;
    if (lockedByAnotherProgram) {
        // Another program writing to the file: it may still be read, but not written.
        QVERIFY(Connections::open("other program", m_file->path()));
        lock.emplace(Connections::database("other program"));
        QVERIFY(lock->exec("BEGIN IMMEDIATE"));
    } else {
        QVERIFY(run("CREATE TRIGGER keep_update BEFORE UPDATE ON payees BEGIN SELECT "
                    "RAISE(ABORT, 'kept as it was'); END"));
        QVERIFY(run("CREATE TRIGGER keep_insert BEFORE INSERT ON payees BEGIN SELECT "
                    "RAISE(ABORT, 'kept as it was'); END"));
    }
    click(&dialog, "okButton");

    QVERIFY(dialog.isVisible());
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().icon, QMessageBox::Critical);
    QCOMPARE(m_messages->last().title, errorTitle);
    QVERIFY2(m_messages->last().text.contains(reason), qPrintable(m_messages->last().text));
    QCOMPARE(loaded->payeeName(), QString("Phone"));
    QCOMPARE(dialog.payee()->payeeName(), edit ? QString("Phone") : QString());
    QCOMPARE(dialog.payee()->isStored(), edit);
    QCOMPARE(Payee::findById(existing).value().payeeName(), QString("Phone"));

    // Once the file can be written again, the same dialog saves.
    if (lockedByAnotherProgram) {
        QVERIFY(lock->exec("ROLLBACK"));
        lock.reset();
    } else {
        QVERIFY(run("DROP TRIGGER keep_update"));
        QVERIFY(run("DROP TRIGGER keep_insert"));
    }
    click(&dialog, "okButton");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(scalar("SELECT COUNT(*) FROM payees").toInt(), edit ? 1 : 2);
    QCOMPARE(Payee::findById(dialog.payee()->id()).value().payeeName(), QString("Mobile"));
}

void TestPayeeDialogs::failedDeleteIsReportedAndKeepsPayee()
{
    const int payee = addPayee("Old Gym");
    addBill(payee);
    QVERIFY(run("CREATE TRIGGER keep_bills BEFORE UPDATE ON bills BEGIN SELECT RAISE(ABORT, "
                "'bills kept'); END"));

    PayeeListDialog list(m_file.get());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    selectRow(&list, "Old Gym");
    const DataFile::PayeePtr shown = m_file->payeesById().value(payee);
    m_messages->answer("Delete");
    click(&list, "DeletePushButton");

    QCOMPARE(m_messages->count(), 2);
    QCOMPARE(m_messages->last().title, errorTitle);
    QVERIFY(m_messages->last().text.contains("bills kept"));
    QVERIFY(!shown->isDeleted());
    QCOMPARE(listedNames(&list), QStringList{"Old Gym"});
    QVERIFY(!Payee::findById(payee).value().isDeleted());
    QCOMPARE(scalar("SELECT COUNT(*) FROM bills WHERE deleted = 0").toInt(), 1);
}

NV_TEST_MAIN(TestPayeeDialogs)
#include "tst_payeedialogs.moc"
