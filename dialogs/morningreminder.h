#pragma once

#include <QString>

// The reminder each morning while the program is closed: a systemd user timer that runs
// nvdue --notify, installed with the program and switched on and off through systemctl.
namespace MorningReminder {

// The timer unit that the installation puts beside its service.
QString timerName();

// Whether the user's timer is enabled. False also when systemctl cannot tell (no systemd,
// no user manager, the unit is not installed).
bool isEnabled();

// Enables and starts, or disables and stops, the timer. On failure returns false and puts
// a plain sentence saying why into *reason.
bool setEnabled(bool enabled, QString *reason);

// The systemctl to run; an empty name brings back the one on PATH. Tests install a fake.
void setSystemctlProgram(const QString &program);

} // namespace MorningReminder
