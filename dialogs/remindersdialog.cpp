#include "remindersdialog.h"
#include "ui_remindersdialog.h"

#include "messagehelper.h"
#include "morningreminder.h"
#include "remindersettings.h"

RemindersDialog::RemindersDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::RemindersDialogClass>())
{
    m_ui->setupUi(this);
    m_ui->remindCheckBox->setChecked(ReminderSettings::enabled());
    m_ui->periodSpinBox->setValue(ReminderSettings::days());
    m_ui->periodSpinBox->setEnabled(m_ui->remindCheckBox->isChecked());
    m_morningWasOn = MorningReminder::isEnabled();
    m_ui->morningCheckBox->setChecked(m_morningWasOn);
}

RemindersDialog::~RemindersDialog() = default;

void RemindersDialog::accept()
{
    if (!ReminderSettings::store(m_ui->remindCheckBox->isChecked(), m_ui->periodSpinBox->value())) {
        MessageHelper::showFileError(tr("The reminder settings could not be saved."), this);
        return;
    }
    // The settings above are stored either way: a timer that cannot be switched is told
    // about and the dialog closes as usual.
    const bool morningOn = m_ui->morningCheckBox->isChecked();
    QString reason;
    if (morningOn != m_morningWasOn && !MorningReminder::setEnabled(morningOn, &reason)) {
        MessageRequest request;
        request.icon = MessageIcon::Warning;
        request.title = windowTitle();
        request.text = (morningOn ? tr("The reminder each morning could not be turned on.")
                                  : tr("The reminder each morning could not be turned off.")) +
                       QLatin1Char(' ') + reason;
        request.textFormat = Qt::PlainText;
        MessageHelper::ask(request, this);
    }
    QDialog::accept();
}

void RemindersDialog::on_remindCheckBox_toggled(bool checked)
{
    m_ui->periodSpinBox->setEnabled(checked);
}
