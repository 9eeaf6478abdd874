#include "backupdialog.h"
#include "ui_backupdialog.h"

#include "backup.h"
#include "clock.h"
#include "filedialoghelper.h"
#include "messagehelper.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QStringList>

BackupDialog::BackupDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::BackupDialogClass>())
{
    m_ui->setupUi(this);
}

BackupDialog::~BackupDialog() = default;

void BackupDialog::on_backdirPushButton_clicked()
{
    const QString directory = FileDialogHelper::getExistingDirectory(
        this, QStringLiteral("Select a backup directory"), FileDialogHelper::startDirectory());
    if (!directory.isEmpty())
        m_ui->backupdirLineEdit->setText(QDir::toNativeSeparators(directory));
}

void BackupDialog::on_backupPushButton_clicked()
{
    backUp();
}

// OK with a folder chosen and no backup made into it yet means the user expects one: it is
// made first, and the dialog stays open when it fails so that another folder can be chosen.
void BackupDialog::accept()
{
    const QString directory = chosenDirectory();
    if (!directory.isEmpty() && directory != m_backedUpTo && !backUp())
        return;
    QDialog::accept();
}

QString BackupDialog::chosenDirectory() const
{
    const QString typed = m_ui->backupdirLineEdit->text().trimmed();
    return typed.isEmpty() ? QString() : QDir(typed).absolutePath();
}

bool BackupDialog::backUp()
{
    const QString directory = chosenDirectory();
    const QString problem = directoryProblem(directory);
    if (!problem.isEmpty()) {
        tell(MessageIcon::Warning, problem);
        return false;
    }

    const Backup::Outcome outcome = Backup::backUpOpenFiles(directory, Clock::now());
    const QStringList &written = outcome.written;
    const QStringList &failures = outcome.failures;

    const QString where = QDir::toNativeSeparators(directory);
    if (written.isEmpty() && failures.isEmpty()) {
        tell(MessageIcon::Warning, QStringLiteral("There is no open file to back up."));
        return false;
    }
    if (failures.isEmpty()) {
        // Noted before the notice, which is open while keys and clicks still arrive.
        m_backedUpTo = directory;
        tell(MessageIcon::Information, QStringLiteral("The backup was written to %1:\n%2")
                                           .arg(where, written.join(QLatin1Char('\n'))));
        return true;
    }
    QString text =
        QStringLiteral("The backup to %1 failed.\n").arg(where) + failures.join(QLatin1Char('\n'));
    if (!written.isEmpty())
        text += QStringLiteral("\nWritten: ") + written.join(QStringLiteral(", "));
    tell(MessageIcon::Critical, text);
    return false;
}

QString BackupDialog::directoryProblem(const QString &directory)
{
    if (directory.isEmpty())
        return QStringLiteral("Please choose a backup directory first.");
    const QFileInfo info(directory);
    const QString shown = QDir::toNativeSeparators(directory);
    if (!info.exists())
        return QStringLiteral("The backup directory %1 does not exist.").arg(shown);
    if (!info.isDir())
        return QStringLiteral("%1 is not a directory.").arg(shown);
    if (!info.isWritable())
        return QStringLiteral("The backup directory %1 cannot be written to.").arg(shown);
    return QString();
}

void BackupDialog::tell(MessageIcon icon, const QString &text)
{
    MessageRequest request;
    request.icon = icon;
    request.title = QStringLiteral("Backup");
    request.text = text;
    request.windowIcon = QStringLiteral(":/images/Resources/backup.png");
    // Paths and database reasons are shown as they are, never as markup.
    request.textFormat = Qt::PlainText;
    MessageHelper::ask(request, this);
}
