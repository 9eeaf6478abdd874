#include "calendardialog.h"
#include "ui_calendardialog.h"

#include "clock.h"

#include <QSignalBlocker>

CalendarDialog::CalendarDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::CalendarDialogClass>())
{
    m_ui->setupUi(this);
    // The calendar starts on the system's date; the program's own today may differ from it.
    const QSignalBlocker blocker(m_ui->dateCalendarWidget);
    m_ui->dateCalendarWidget->setSelectedDate(Clock::today());
}

CalendarDialog::~CalendarDialog() = default;

void CalendarDialog::setDateTime(const QDateTime &dateTime)
{
    m_dateTime = dateTime;
    m_ui->dateCalendarWidget->setSelectedDate(dateTime.date());
}

void CalendarDialog::on_todayPushButton_clicked()
{
    m_ui->dateCalendarWidget->setSelectedDate(Clock::today());
    setDateTime(Clock::now());
    finishPick();
}

void CalendarDialog::on_dateCalendarWidget_selectionChanged()
{
    setDateTime(QDateTime(m_ui->dateCalendarWidget->selectedDate(), QTime(0, 0)));
    finishPick();
}

void CalendarDialog::finishPick()
{
    // A preset made before the dialog is shown also changes the selection; the dialog must
    // still open for the user then.
    if (isVisible())
        accept();
}
