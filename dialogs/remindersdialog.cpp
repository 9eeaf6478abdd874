#include "remindersdialog.h"
#include "ui_remindersdialog.h"

#include "messagehelper.h"
#include "remindersettings.h"

RemindersDialog::RemindersDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::RemindersDialogClass>())
{
    m_ui->setupUi(this);
    m_ui->remindCheckBox->setChecked(ReminderSettings::enabled());
    m_ui->periodSpinBox->setValue(ReminderSettings::days());
    m_ui->periodSpinBox->setEnabled(m_ui->remindCheckBox->isChecked());
}

RemindersDialog::~RemindersDialog() = default;

void RemindersDialog::accept()
{
    if (!ReminderSettings::store(m_ui->remindCheckBox->isChecked(), m_ui->periodSpinBox->value())) {
        MessageHelper::showFileError(tr("The reminder settings could not be saved."), this);
        return;
    }
    QDialog::accept();
}

void RemindersDialog::on_remindCheckBox_toggled(bool checked)
{
    m_ui->periodSpinBox->setEnabled(checked);
}
