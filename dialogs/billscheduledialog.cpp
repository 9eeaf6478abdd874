#include "billscheduledialog.h"
#include "ui_billscheduledialog.h"

#include "billschedule.h"
#include "clock.h"

#include <QStringList>

BillScheduleDialog::BillScheduleDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::BillScheduleDialogClass>())
{
    m_ui->setupUi(this);
    m_ui->MonthlyGroupBox->setEnabled(false);
    m_ui->startdateDateEdit->setDate(Clock::today());
    m_ui->enddateDateEdit->setDate(Clock::today());
    fillWeekdays(m_ui->onceaweekComboBox);
    fillWeekdays(m_ui->biweeklyComboBox);
    fillMonthDays(m_ui->onmonthComboBox);
}

BillScheduleDialog::~BillScheduleDialog() = default;

// The item at index i has the value i + 1: Monday is 1 and Sunday 7, as the schedule counts
// weekdays.
void BillScheduleDialog::fillWeekdays(QComboBox *box)
{
    const QStringList days{tr("Monday"), tr("Tuesday"),  tr("Wednesday"), tr("Thursday"),
                           tr("Friday"), tr("Saturday"), tr("Sunday")};
    for (int i = 0; i < days.size(); ++i)
        box->addItem(days.at(i), i + 1);
}

void BillScheduleDialog::fillMonthDays(QComboBox *box)
{
    for (int day = 1; day <= 31; ++day)
        box->addItem(QString::number(day), day);
}

void BillScheduleDialog::setSchedule(BillSchedule *schedule)
{
    m_schedule = schedule;
    if (!schedule)
        return;
    m_ui->startdateDateEdit->setDate(schedule->rangeStartDate());
    m_ui->enddateDateEdit->setDate(schedule->rangeEndDate());

    const QString type = schedule->scheduleType();
    if (type == QLatin1String("WEEKLY")) {
        m_ui->WeeklyRadioButton->setChecked(true);
        m_ui->onceaweekComboBox->setCurrentIndex(schedule->dayOfWeek() - 1);
    } else if (type == QLatin1String("BIWEEKLY")) {
        m_ui->BiWeeklyRadioButton->setChecked(true);
        m_ui->biweeklyComboBox->setCurrentIndex(schedule->dayOfWeek() - 1);
    } else if (type == QLatin1String("MONTHLY")) {
        m_ui->MonthlyRadioButton->setChecked(true);
        m_ui->onmonthComboBox->setCurrentIndex(schedule->dayOfMonth() - 1);
    }
    // "NOTSET" and the types that do not recur keep the form's defaults.
}

void BillScheduleDialog::enableGroups(bool weekly, bool biWeekly, bool monthly)
{
    m_ui->WeeklyGroupBox->setEnabled(weekly);
    m_ui->BiWeeklyGroupBox->setEnabled(biWeekly);
    m_ui->MonthlyGroupBox->setEnabled(monthly);
}

void BillScheduleDialog::on_BiWeeklyRadioButton_toggled(bool)
{
    enableGroups(false, true, false);
}

void BillScheduleDialog::on_MonthlyRadioButton_toggled(bool)
{
    enableGroups(false, false, true);
}

void BillScheduleDialog::on_WeeklyRadioButton_toggled(bool)
{
    enableGroups(true, false, false);
}

void BillScheduleDialog::on_okButton_clicked()
{
    if (!m_schedule)
        return;
    m_schedule->setRangeStartDate(m_ui->startdateDateEdit->date());
    // The day field of the types not chosen keeps its value.
    if (m_ui->WeeklyRadioButton->isChecked()) {
        m_schedule->setScheduleType(QStringLiteral("WEEKLY"));
        m_schedule->setDayOfWeek(m_ui->onceaweekComboBox->currentData().toInt());
    }
    if (m_ui->BiWeeklyRadioButton->isChecked()) {
        m_schedule->setScheduleType(QStringLiteral("BIWEEKLY"));
        m_schedule->setDayOfWeek(m_ui->biweeklyComboBox->currentData().toInt());
    }
    if (m_ui->MonthlyRadioButton->isChecked()) {
        m_schedule->setScheduleType(QStringLiteral("MONTHLY"));
        m_schedule->setDayOfMonth(m_ui->onmonthComboBox->currentData().toInt());
    }
    m_schedule->setRangeType(QStringLiteral("ENDON"));
    m_schedule->setRangeEndDate(m_ui->enddateDateEdit->date());
}
