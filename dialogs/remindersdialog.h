#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class RemindersDialogClass;
}

// Whether the Bills Due window appears after a file opens, and how many days ahead it looks.
// OK stores both at once; a store that fails is reported and the dialog stays open.
// Besides, whether a systemd timer reminds each morning while the program is closed.
class RemindersDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RemindersDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~RemindersDialog() override;

public slots:
    void accept() override;

private slots:
    void on_remindCheckBox_toggled(bool checked);

private:
    std::unique_ptr<Ui::RemindersDialogClass> m_ui;
    bool m_morningWasOn = false;
};
