#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class Bill;
class DataFile;
class DueBillsWindow;
class QWidget;

// The window's reminders of what is due: the "Bills Due" window, its settings, and the
// calendar file that can be kept up to date with the open data file. The unpaid bills come
// from loadUnpaid, which may have to load them, so it is called only when something is showing,
// kept or asked for.
class DueReminders
{
public:
    using Bills = QList<std::shared_ptr<Bill>>;
    using LoadBills = std::function<Bills()>;

    // paymentSaved is called after a payment made from the reminder was stored.
    DueReminders(DataFile *dataFile, QWidget *window, LoadBills loadUnpaid,
                 std::function<void()> paymentSaved);
    ~DueReminders();

    DueReminders(const DueReminders &) = delete;
    DueReminders &operator=(const DueReminders &) = delete;

    // Shows the reminder when bills are due and it is wanted today; hides it otherwise.
    void remind();
    // Brings a reminder that is showing up to date, and closes it once nothing is due.
    void update();
    void hide();
    bool isShowing() const;
    // The Reminders dialog; true when the settings changed.
    bool editSettings();

    // Export Calendar: asks where, and whether the calendar is to follow the data file, then
    // writes it; false when cancelled or it could not be written (and said).
    bool exportCalendar();
    // Whether a change to the bills concerns the reminders: one is showing or a calendar is
    // kept for the open data file.
    bool followsBills() const;
    // After a change to the bills: a reminder that is showing is brought up to date, as
    // update() does, and the kept calendar is written again, both from the unpaid bills given.
    void billsChanged(const Bills &unpaid);

private:
    // Shows the bills due among unpaid, or hides the reminder once none is.
    void showDue(const Bills &unpaid);
    // The calendar kept for the open data file; empty when there is none.
    QString keptCalendar() const;
    // Writes every unpaid bill as a calendar at path; false (and said) when it cannot.
    bool writeCalendar(const QString &path, const Bills &unpaid);
    // An absolute path ending in .ics, or empty when the person cancelled.
    QString chooseCalendarPath() const;
    // Asks whether the calendar at path is to be kept up to date.
    bool askToKeep(const QString &path) const;
    void keepCalendar(const QString &path, bool keep);

    DataFile *m_dataFile = nullptr;
    QWidget *m_window = nullptr;
    LoadBills m_loadUnpaid;
    std::function<void()> m_paymentSaved;
    DueBillsWindow *m_dueBillsWindow = nullptr;
};
