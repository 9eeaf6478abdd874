#pragma once

#include <QByteArray>

class QProcess;

// What a program run as a process left behind: its exit status (-1 when it did not end
// normally) and what it wrote on each channel.
struct ProcessRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// The run of a process that has ended, or was given up on.
ProcessRun finishedRun(QProcess &process);
