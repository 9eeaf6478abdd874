#include "aboutdialog.h"
#include "activedomainobject.h"
#include "backup.h"
#include "backupdialog.h"
#include "clock.h"
#include "connections.h"
#include "filebytes.h"
#include "filedialoghelper.h"
#include "licensedialogimpl.h"
#include "messagerecorder.h"
#include "scratchdatabase.h"
#include "testmain.h"
#include "transaction.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

namespace {
const QDateTime moment(QDate(2026, 12, 7), QTime(23, 15, 0));

// Rows of a table in a backup, read through a connection of its own.
int rowsIn(const QString &path, const QString &table)
{
    if (!QFileInfo::exists(path) || !Connections::open("reader", path))
        return -1;
    int rows = -1;
    {
        QSqlQuery query(Connections::database("reader"));
        if (query.exec("SELECT COUNT(*) FROM " + table) && query.next())
            rows = query.value(0).toInt();
    }
    Connections::close("reader");
    return rows;
}

QStringList filesIn(const QString &directory)
{
    return QDir(directory).entryList(QDir::Files, QDir::Name);
}

void fill(const ScratchDatabase &db, const QString &table, int rows)
{
    QVERIFY(db.exec("CREATE TABLE " + table + "(id INTEGER PRIMARY KEY, name TEXT)"));
    for (int row = 0; row < rows; ++row)
        QVERIFY(db.exec("INSERT INTO " + table + "(name) VALUES ('row')"));
}
} // namespace

class TestInfoDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void slotsFindTheirSignals();
    void aboutShowsTitleAndSupport();
    void licenseShowsTheBundledLicense();

    // Choosing the directory
    void chooserFillsTheField();
    void cancelledChooserKeepsTheField();

    // Writing the backup
    void backupCopiesBothFiles();
    void secondBackupInTheSameSecondKeepsTheFirst();
    void backupWithoutDataFileCopiesSystemFile();
    void unusableDirectoryIsReported_data();
    void unusableDirectoryIsReported();
    void unwritableDirectoryIsReported();
    void failedCopyIsReportedAndLeavesNothing();
    void copyTakesAnyPathAndNeverOverwrites();
    void okBacksUpWhatWasNotBackedUp_data();
    void okBacksUpWhatWasNotBackedUp();
    void enterAfterBackupMakesNoSecondCopy();

private:
    void clickBackup(BackupDialog &dialog, const QString &directory);

    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<ScratchDatabase> m_system;
    std::unique_ptr<ScratchDatabase> m_current;
    std::unique_ptr<QTemporaryDir> m_target;
};

void TestInfoDialogs::init()
{
    Clock::setFixed(moment);
    m_messages = std::make_unique<MessageRecorder>();
    m_system = std::make_unique<ScratchDatabase>(Connections::system(), "system.db");
    fill(*m_system, "recentfiles", 2);
    m_current = std::make_unique<ScratchDatabase>(Connections::current(), "household.nvbf");
    fill(*m_current, "bills", 5);
    m_target = std::make_unique<QTemporaryDir>();
}

void TestInfoDialogs::cleanup()
{
    FileDialogHelper::setResponder({});
    m_target.reset();
    m_current.reset();
    m_system.reset();
    m_messages.reset();
    Clock::reset();
}

void TestInfoDialogs::clickBackup(BackupDialog &dialog, const QString &directory)
{
    dialog.findChild<QLineEdit *>("backupdirLineEdit")->setText(directory);
    QTest::mouseClick(dialog.findChild<QPushButton *>("backupPushButton"), Qt::LeftButton);
}

void TestInfoDialogs::slotsFindTheirSignals()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal for on_")));
    AboutDialog about;
    BackupDialog backup;
    LicenseDialogImpl license;
    QVERIFY(backup.findChild<QPushButton *>("backdirPushButton"));
}

void TestInfoDialogs::aboutShowsTitleAndSupport()
{
    AboutDialog dialog;
    auto *browser = dialog.findChild<QTextBrowser *>("aboutTextBrowser");
    QVERIFY(browser);
    QCOMPARE(browser->document()->firstBlock().text(), QString("Norvo Rava Rodozod 1.6"));
    QCOMPARE(browser->document()->firstBlock().text(), productTitle());

    const QString text = browser->toPlainText();
    QVERIFY(text.contains("For support please use:"));
    QVERIFY(text.contains("Email: support@norvoravarodozod.example.org"));
    QVERIFY(text.contains("Website: norvoravarodozod.example.org"));
    const QString html = browser->toHtml();
    QVERIFY(html.contains("href=\"mailto:support@norvoravarodozod.example.org\""));
    QVERIFY(html.contains("href=\"https://norvoravarodozod.example.org\""));

    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>("okButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestInfoDialogs::licenseShowsTheBundledLicense()
{
    // The bundled text is the repository's own licence file, not a copy that could drift.
    const QByteArray onDisk = fileBytes(QFINDTESTDATA("../LICENSE"));
    QVERIFY(onDisk.contains("MIT License"));
    LicenseDialogImpl dialog;
    auto *browser = dialog.findChild<QTextBrowser *>("licenseTextBrowser");
    QVERIFY(browser);
    // Word for word the file, with its paragraphs kept but its lines left to wrap.
    QCOMPARE(browser->toPlainText().simplified(), QString::fromUtf8(onDisk).simplified());
    QCOMPARE(browser->document()->blockCount(),
             QString::fromUtf8(onDisk).trimmed().count("\n\n") + 1);

    dialog.show();
    auto *buttons = dialog.findChild<QDialogButtonBox *>("buttonBox");
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
}

void TestInfoDialogs::chooserFillsTheField()
{
    QList<FileDialogRequest> requests;
    FileDialogHelper::setResponder([&](const FileDialogRequest &request) {
        requests.append(request);
        return m_target->path();
    });
    BackupDialog dialog;
    QTest::mouseClick(dialog.findChild<QPushButton *>("backdirPushButton"), Qt::LeftButton);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().kind, FileDialogRequest::Directory);
    QCOMPARE(requests.first().caption, QString("Select a backup directory"));
    QCOMPARE(requests.first().directory, FileDialogHelper::startDirectory());
    QCOMPARE(dialog.findChild<QLineEdit *>("backupdirLineEdit")->text(),
             QDir::toNativeSeparators(m_target->path()));
    QCOMPARE(m_messages->count(), 0);
    QVERIFY(filesIn(m_target->path()).isEmpty());
}

void TestInfoDialogs::cancelledChooserKeepsTheField()
{
    FileDialogHelper::setResponder([](const FileDialogRequest &) { return QString(); });
    BackupDialog dialog;
    auto *field = dialog.findChild<QLineEdit *>("backupdirLineEdit");
    field->setText("/earlier/choice");
    QTest::mouseClick(dialog.findChild<QPushButton *>("backdirPushButton"), Qt::LeftButton);
    QCOMPARE(field->text(), QString("/earlier/choice"));
}

void TestInfoDialogs::backupCopiesBothFiles()
{
    const QByteArray original = fileBytes(m_current->path());
    BackupDialog dialog;
    clickBackup(dialog, m_target->path());
    QCOMPARE(fileBytes(m_current->path()), original);

    const QString system = "system-2026-12-07-231500.db";
    const QString data = "household-2026-12-07-231500.nvbf";
    QCOMPARE(filesIn(m_target->path()), QStringList({data, system}));
    QCOMPARE(rowsIn(m_target->filePath(system), "recentfiles"), 2);
    QCOMPARE(rowsIn(m_target->filePath(data), "bills"), 5);

    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().icon, QMessageBox::Information);
    QCOMPARE(m_messages->last().title, QString("Backup"));
    QCOMPARE(m_messages->last().text, "The backup was written to " +
                                          QDir::toNativeSeparators(m_target->path()) + ":\n" +
                                          system + "\n" + data);
    QCOMPARE(m_messages->last().textFormat, Qt::PlainText);
}

void TestInfoDialogs::secondBackupInTheSameSecondKeepsTheFirst()
{
    BackupDialog dialog;
    clickBackup(dialog, m_target->path());
    const QByteArray first = fileBytes(m_target->filePath("household-2026-12-07-231500.nvbf"));
    QVERIFY(m_current->exec("INSERT INTO bills(name) VALUES ('later')"));

    clickBackup(dialog, m_target->path());
    QCOMPARE(filesIn(m_target->path()),
             QStringList({"household-2026-12-07-231500-2.nvbf", "household-2026-12-07-231500.nvbf",
                          "system-2026-12-07-231500-2.db", "system-2026-12-07-231500.db"}));
    QCOMPARE(fileBytes(m_target->filePath("household-2026-12-07-231500.nvbf")), first);
    QCOMPARE(rowsIn(m_target->filePath("household-2026-12-07-231500-2.nvbf"), "bills"), 6);
    QCOMPARE(m_messages->count(), 2);
    QCOMPARE(m_messages->last().icon, QMessageBox::Information);
}

void TestInfoDialogs::backupWithoutDataFileCopiesSystemFile()
{
    m_current.reset();
    BackupDialog dialog;
    clickBackup(dialog, m_target->path());
    QCOMPARE(filesIn(m_target->path()), QStringList({"system-2026-12-07-231500.db"}));
    QCOMPARE(m_messages->last().icon, QMessageBox::Information);
}

void TestInfoDialogs::unusableDirectoryIsReported_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none chosen") << ""
                                 << "Please choose a backup directory first.";
    QTest::newRow("only blanks") << "   "
                                 << "Please choose a backup directory first.";
    QTest::newRow("missing") << "missing"
                             << "The backup directory %1 does not exist.";
    QTest::newRow("a file") << "plain.txt"
                            << "%1 is not a directory.";
}

void TestInfoDialogs::unusableDirectoryIsReported()
{
    QFETCH(QString, directory);
    QFETCH(QString, expected);
    QVERIFY(writeFileBytes(m_target->filePath("plain.txt"), "text"));
    const QString path = directory.trimmed().isEmpty() ? directory : m_target->filePath(directory);

    BackupDialog dialog;
    clickBackup(dialog, path);
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().icon, QMessageBox::Warning);
    if (expected.contains("%1"))
        expected = expected.arg(QDir::toNativeSeparators(path));
    QCOMPARE(m_messages->last().text, expected);
    QCOMPARE(filesIn(m_target->path()), QStringList({"plain.txt"}));
    QVERIFY(filesIn(QDir::currentPath()).filter("2026-12-07").isEmpty());
}

void TestInfoDialogs::unwritableDirectoryIsReported()
{
    const QString locked = m_target->filePath("locked");
    QVERIFY(QDir().mkdir(locked));
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
    if (QFile probe(locked + "/probe"); probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSKIP("This user can write to any directory");
    }

    BackupDialog dialog;
    clickBackup(dialog, locked);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(m_messages->count(), 1);
    QCOMPARE(m_messages->last().icon, QMessageBox::Warning);
    QCOMPARE(m_messages->last().text,
             "The backup directory " + QDir::toNativeSeparators(locked) + " cannot be written to.");
    QVERIFY(filesIn(locked).isEmpty());
}

void TestInfoDialogs::failedCopyIsReportedAndLeavesNothing()
{
    // The database refuses to copy itself in the middle of a transaction.
    Transaction pending(Connections::current());
    QVERIFY(pending.isActive());
    BackupDialog dialog;
    clickBackup(dialog, m_target->path());

    QCOMPARE(filesIn(m_target->path()), QStringList({"system-2026-12-07-231500.db"}));
    QCOMPARE(m_messages->count(), 1);
    const MessageRecorder::Message &message = m_messages->last();
    QCOMPARE(message.icon, QMessageBox::Critical);
    QVERIFY2(message.text.startsWith("The backup to " + QDir::toNativeSeparators(m_target->path()) +
                                     " failed.\nThe data file could not be copied: "),
             qPrintable(message.text));
    QVERIFY2(message.text.contains("transaction"), qPrintable(message.text));
    QVERIFY(message.text.endsWith("\nWritten: system-2026-12-07-231500.db"));
}

void TestInfoDialogs::okBacksUpWhatWasNotBackedUp_data()
{
    QTest::addColumn<QString>("actions"); // "folder", "backup", "missing"; then the button
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("backups");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("closed");
    QTest::newRow("folder chosen, OK") << "folder"
                                       << "okButton" << 1 << "written" << true;
    QTest::newRow("backed up, then OK") << "folder backup"
                                        << "okButton" << 1 << "written" << true;
    QTest::newRow("folder chosen, Cancel") << "folder"
                                           << "cancelButton" << 0 << "" << true;
    QTest::newRow("no folder, OK") << ""
                                   << "okButton" << 0 << "" << true;
    QTest::newRow("missing folder, OK stays open") << "missing"
                                                   << "okButton" << 0 << "does not exist" << false;
}

// OK after choosing a folder leaves a backup there, whether or not Backup was pressed, and
// makes only one; a backup that cannot be made keeps the dialog open.
void TestInfoDialogs::okBacksUpWhatWasNotBackedUp()
{
    QFETCH(QString, actions);
    QFETCH(QString, button);
    QFETCH(int, backups);
    QFETCH(QString, told);
    QFETCH(bool, closed);

    BackupDialog dialog;
    dialog.show();
    auto *field = dialog.findChild<QLineEdit *>("backupdirLineEdit");
    if (actions.contains("folder"))
        field->setText(m_target->path());
    if (actions.contains("missing"))
        field->setText(m_target->filePath("missing"));
    if (actions.contains("backup"))
        clickBackup(dialog, m_target->path());
    QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);

    QCOMPARE(filesIn(m_target->path()).filter(".nvbf").size(), backups);
    QCOMPARE(m_messages->count(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty())
        QVERIFY2(m_messages->last().text.contains(told), qPrintable(m_messages->last().text));
    QCOMPARE(dialog.isVisible(), !closed);
}

// The Enter that closes the notice, and the one after it, mean OK: this once made a second copy
// through the Backup button, which keeps the focus after its click.
void TestInfoDialogs::enterAfterBackupMakesNoSecondCopy()
{
    // The notices are real boxes, closed by Enter sent, as a person presses it, to the focus.
    m_messages.reset();
    int notices = 0;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, [&notices] {
        // Keys reach a box once it has the focus; the dialog under it takes none meanwhile.
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->isActiveWindow()) {
            ++notices;
            QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Return);
        }
    });
    answerer.start(20);
    BackupDialog dialog;
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.findChild<QLineEdit *>("backupdirLineEdit")->setText(m_target->path());
    auto *backup = dialog.findChild<QPushButton *>("backupPushButton");
    QTest::mouseClick(backup, Qt::LeftButton);
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), backup);
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Return);

    QCOMPARE(notices, 1);
    QCOMPARE(filesIn(m_target->path()),
             QStringList({"household-2026-12-07-231500.nvbf", "system-2026-12-07-231500.db"}));
    QVERIFY(!dialog.isVisible());
}

void TestInfoDialogs::copyTakesAnyPathAndNeverOverwrites()
{
    const QString odd = m_target->filePath("it's \"here\"; DROP TABLE bills");
    QVERIFY(QDir().mkdir(odd));
    const QString target = Backup::freeTargetPath(odd, "household", "nvbf", moment);
    QCOMPARE(QFileInfo(target).fileName(), QString("household-2026-12-07-231500.nvbf"));
    QString error;
    QVERIFY2(Backup::copyDatabase(Connections::current(), target, &error), qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(rowsIn(target, "bills"), 5);
    QCOMPARE(m_current->count("bills"), 5);

    QVERIFY(writeFileBytes(target, "keep me"));
    QVERIFY(!Backup::copyDatabase(Connections::current(), target, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(target), QByteArray("keep me"));
    QCOMPARE(QFileInfo(Backup::freeTargetPath(odd, "household", "nvbf", moment)).fileName(),
             QString("household-2026-12-07-231500-2.nvbf"));

    QVERIFY(!Backup::copyDatabase("never-opened", m_target->filePath("x.db"), &error));
    QVERIFY(!QFileInfo::exists(m_target->filePath("x.db")));
}

NV_TEST_MAIN(TestInfoDialogs)
#include "tst_infodialogs.moc"
