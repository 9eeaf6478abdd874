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
// calendar file that can be kept up to date with the open data file. The window hands in the
// unpaid bills, as it holds them, whenever they may have changed.
class DueReminders
{
public:
    using Bills = QList<std::shared_ptr<Bill>>;

    // paymentSaved is called after a payment made from the reminder was stored.
    DueReminders(DataFile *dataFile, QWidget *window, std::function<void()> paymentSaved);
    ~DueReminders();

    DueReminders(const DueReminders &) = delete;
    DueReminders &operator=(const DueReminders &) = delete;

    // Shows the reminder when bills are due and it is wanted today; hides it otherwise.
    void remind(const Bills &unpaid);
    // Brings a reminder that is showing up to date, and closes it once nothing is due.
    void update(const Bills &unpaid);
    void hide();
    bool isShowing() const;
    // The Reminders dialog; true when the settings changed.
    bool editSettings();

    // Writes every unpaid bill as a calendar at path; false (and said) when it cannot.
    bool writeCalendar(const QString &path, const Bills &unpaid);
    // Asks whether the calendar at path is to follow the data file, then writes it.
    bool exportCalendar(const QString &path, const Bills &unpaid);
    // Whether a calendar is kept for the open data file, and rewriting it.
    bool keepsCalendar() const;
    void writeKeptCalendar(const Bills &unpaid);

private:
    DataFile *m_dataFile = nullptr;
    QWidget *m_window = nullptr;
    std::function<void()> m_paymentSaved;
    DueBillsWindow *m_dueBillsWindow = nullptr;
};
