#pragma once

#include "messagehelper.h"

#include <QDialog>

#include <memory>

namespace Ui {
class BackupDialogClass;
}

// Copies the open data file and the system file into a directory the user chooses. Each copy
// is named with the moment it was taken, so earlier backups are never replaced. Enter means OK
// even on the Backup button, which has the focus after a backup: the Enter that closes the
// notice, or the next one, must not make a second copy.
class BackupDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BackupDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~BackupDialog() override;

public slots:
    void accept() override;

private slots:
    void on_backupPushButton_clicked();
    void on_backdirPushButton_clicked();

private:
    QString chosenDirectory() const;
    // Writes the backup into the chosen directory and says how it went; true when it was
    // written in full.
    bool backUp();
    // Why the directory cannot take a backup; empty when it can.
    static QString directoryProblem(const QString &directory);
    void tell(MessageIcon icon, const QString &text);

    std::unique_ptr<Ui::BackupDialogClass> m_ui;
    // The directory the last complete backup of this dialog went to.
    QString m_backedUpTo;
};
