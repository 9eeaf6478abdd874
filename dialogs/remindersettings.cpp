#include "remindersettings.h"

#include "systemsettings.h"

#include <QFileInfo>

namespace {
const int defaultDays = 7;
const int minimumDays = 1;
const int maximumDays = 60;

QString fileKey(const QString &prefix, const QString &dataFilePath)
{
    return prefix + QFileInfo(dataFilePath).absoluteFilePath();
}
} // namespace

bool ReminderSettings::enabled()
{
    return SystemSettings::value(QStringLiteral("reminders/enabled"), QStringLiteral("1")) !=
           QLatin1String("0");
}

int ReminderSettings::days()
{
    bool ok = false;
    const int stored = SystemSettings::value(QStringLiteral("reminders/days")).toInt(&ok);
    return ok ? qBound(minimumDays, stored, maximumDays) : defaultDays;
}

bool ReminderSettings::store(bool enabled, int days)
{
    return SystemSettings::setValue(QStringLiteral("reminders/enabled"),
                                    enabled ? QStringLiteral("1") : QStringLiteral("0")) &&
           SystemSettings::setValue(QStringLiteral("reminders/days"),
                                    QString::number(qBound(minimumDays, days, maximumDays)));
}

bool ReminderSettings::isPutOff(const QString &dataFilePath, const QDate &today)
{
    const QDate until = QDate::fromString(
        SystemSettings::value(fileKey(QStringLiteral("reminders/putoff:"), dataFilePath)),
        Qt::ISODate);
    return until.isValid() && until >= today;
}

bool ReminderSettings::putOff(const QString &dataFilePath, const QDate &today)
{
    return SystemSettings::setValue(fileKey(QStringLiteral("reminders/putoff:"), dataFilePath),
                                    today.toString(Qt::ISODate));
}

QString ReminderSettings::keptCalendar(const QString &dataFilePath)
{
    return SystemSettings::value(fileKey(QStringLiteral("calendar:"), dataFilePath));
}

bool ReminderSettings::keepCalendar(const QString &dataFilePath, const QString &calendarPath)
{
    const QString key = fileKey(QStringLiteral("calendar:"), dataFilePath);
    return calendarPath.isEmpty() ? SystemSettings::remove(key)
                                  : SystemSettings::setValue(key, calendarPath);
}
