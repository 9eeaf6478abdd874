#pragma once

#include <QDateTime>
#include <QDialog>

#include <memory>

namespace Ui {
class CalendarDialogClass;
}

// A small date picker. The caller presets the date and time, runs the dialog and reads the
// value back however it was closed; picking a date or pressing Today closes it at once.
class CalendarDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CalendarDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~CalendarDialog() override;

    QDateTime dateTime() const { return m_dateTime; }
    // Stores the value and selects its date in the calendar. Selecting another date than the
    // one shown counts as a pick of that date at midnight, as a click would.
    void setDateTime(const QDateTime &dateTime);

private slots:
    void on_todayPushButton_clicked();
    void on_dateCalendarWidget_selectionChanged();

private:
    void finishPick();

    std::unique_ptr<Ui::CalendarDialogClass> m_ui;
    QDateTime m_dateTime;
};
