#include "logging.h"

#include <cstdio>

// Critical is the lowest level on by default: debug and warning lines wait to be switched on.
Q_LOGGING_CATEGORY(lcStore, "norvo.store", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcUpgrade, "norvo.upgrade", QtCriticalMsg)

namespace {
void quietLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const bool rulesGiven = qEnvironmentVariableIsSet("QT_LOGGING_RULES");
    const bool ours = context.category && qstrncmp(context.category, "norvo.", 6) == 0;
    if (type == QtFatalMsg || ours || rulesGiven)
        std::fputs(qPrintable(qFormatLogMessage(type, context, message) + QLatin1Char('\n')),
                   stderr);
}
} // namespace

void installCommandLineLog()
{
    qInstallMessageHandler(quietLog);
}
