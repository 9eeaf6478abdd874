#include "morningreminder.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

QString &systemctlOverride()
{
    static QString program;
    return program;
}

QString systemctl()
{
    return systemctlOverride().isEmpty() ? QStringLiteral("systemctl") : systemctlOverride();
}

QString tr(const char *text)
{
    return QCoreApplication::translate("MorningReminder", text);
}

struct Outcome
{
    bool ran = false; // started and finished by itself
    int exitCode = -1;
    QString output;
    QString reason; // why it did not work, when it did not
};

// A user manager answers at once; one that hangs must not hold the dialog for long.
Outcome runSystemctl(const QStringList &arguments, int timeoutMs)
{
    Outcome outcome;
    QProcess process;
    process.start(systemctl(), QStringList{QStringLiteral("--user")} + arguments);
    if (!process.waitForStarted()) {
        outcome.reason = tr("systemctl could not be run (%1), so there is no systemd here to "
                            "run the reminder.")
                             .arg(process.errorString());
        return outcome;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        outcome.reason = tr("systemctl did not answer within %1 seconds.").arg(timeoutMs / 1000);
        return outcome;
    }
    outcome.output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit) {
        outcome.reason = tr("systemctl stopped unexpectedly.");
        return outcome;
    }
    outcome.ran = true;
    outcome.exitCode = process.exitCode();
    if (outcome.exitCode != 0) {
        // systemctl says what went wrong on its last line, e.g. that there is no user
        // manager to connect to or that the unit file does not exist.
        const QStringList lines = QString::fromLocal8Bit(process.readAllStandardError())
                                      .trimmed()
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        outcome.reason = lines.isEmpty()
                             ? tr("systemctl ended with status %1.").arg(outcome.exitCode)
                             : tr("systemctl says: %1").arg(lines.last().trimmed());
    }
    return outcome;
}

} // namespace

namespace MorningReminder {

QString timerName()
{
    return QStringLiteral("norvo-rava-rodozod-reminder.timer");
}

bool isEnabled()
{
    const Outcome outcome = runSystemctl({QStringLiteral("is-enabled"), timerName()}, 5000);
    return outcome.ran && outcome.exitCode == 0 &&
           outcome.output.startsWith(QLatin1String("enabled"));
}

bool setEnabled(bool enabled, QString *reason)
{
    const QString verb = enabled ? QStringLiteral("enable") : QStringLiteral("disable");
    const Outcome outcome = runSystemctl({verb, QStringLiteral("--now"), timerName()}, 15000);
    if (outcome.ran && outcome.exitCode == 0)
        return true;
    if (reason)
        *reason = outcome.reason;
    return false;
}

void setSystemctlProgram(const QString &program)
{
    systemctlOverride() = program;
}

} // namespace MorningReminder
