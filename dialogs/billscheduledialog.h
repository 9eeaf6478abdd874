#pragma once

#include <QDialog>

#include <memory>

class BillSchedule;
class QComboBox;

namespace Ui {
class BillScheduleDialogClass;
}

// Asks how a new recurring bill repeats and over which dates, and how the amount of its bills
// is found, and shows the first due dates that the choice gives. It changes the caller's
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
    // For a series that exists: only the amount choices can be changed, and OK writes only the
    // rule; how the series repeats and its range stay as they are.
    void setAmountRuleOnly(bool amountRuleOnly);

public slots:
    // Stores the choice into the bound schedule, unless its range ends before it starts.
    void accept() override;

private slots:
    void on_BiWeeklyRadioButton_toggled(bool);
    void on_MonthlyRadioButton_toggled(bool);
    void on_WeeklyRadioButton_toggled(bool);

private:
    void connectPreview();
    void enableGroups();
    void showKind(const BillSchedule &schedule);
    void showEnd();
    void updatePreview();
    QString chosenType() const;
    // Writes the chosen kind, its fields, the weekend rule and the range into schedule.
    void apply(BillSchedule &schedule) const;
    void applyKind(BillSchedule &schedule) const;
    QDate chosenEndDate(const BillSchedule &schedule) const;
    void fillAmountRules();
    void showAmountRule(const QString &rule);
    QString chosenAmountRule() const;
    void applyAmountRule(BillSchedule &schedule) const;
    bool rangeIsValid();

    static void fillWeekdays(QComboBox *box);
    static void fillMonthDays(QComboBox *box);
    static void fillOrdinals(QComboBox *box);
    void fillWeekendRules();
    static void selectData(QComboBox *box, int value);

    std::unique_ptr<Ui::BillScheduleDialogClass> m_ui;
    BillSchedule *m_schedule = nullptr;
    bool m_amountRuleOnly = false;
};
