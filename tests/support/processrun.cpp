#include "processrun.h"

#include <QProcess>

ProcessRun finishedRun(QProcess &process)
{
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}
