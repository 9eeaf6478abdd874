#pragma once

#include <QDate>
#include <QString>

// The reminder and calendar choices, kept in system.db's settings. The per-file ones are
// keyed by the data file's absolute path.
namespace ReminderSettings {

// Whether bills due soon are shown after a file opens, and how many days ahead (1 to 60).
bool enabled();
int days();
bool store(bool enabled, int days);

// Remind Me Tomorrow: no reminder for this file on the given day.
bool isPutOff(const QString &dataFilePath, const QDate &today);
bool putOff(const QString &dataFilePath, const QDate &today);

// The calendar file kept up to date with this data file, empty when there is none; an empty
// path forgets it.
QString keptCalendar(const QString &dataFilePath);
bool keepCalendar(const QString &dataFilePath, const QString &calendarPath);

} // namespace ReminderSettings
