#pragma once

#include <QDialog>

#include <memory>

class BillSchedule;
class QComboBox;

namespace Ui {
class BillScheduleDialogClass;
}

// Asks how a new recurring bill repeats and over which dates. It changes the caller's
// schedule in memory on OK and stores nothing itself.
class BillScheduleDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BillScheduleDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~BillScheduleDialog() override;

    // Shows the schedule's values; OK writes the choices back into it. The caller keeps
    // ownership and keeps the schedule alive while the dialog runs.
    void setSchedule(BillSchedule *schedule);

private slots:
    void on_BiWeeklyRadioButton_toggled(bool);
    void on_MonthlyRadioButton_toggled(bool);
    void on_WeeklyRadioButton_toggled(bool);
    void on_okButton_clicked();

private:
    void enableGroups(bool weekly, bool biWeekly, bool monthly);
    static void fillWeekdays(QComboBox *box);
    static void fillMonthDays(QComboBox *box);

    std::unique_ptr<Ui::BillScheduleDialogClass> m_ui;
    BillSchedule *m_schedule = nullptr;
};
