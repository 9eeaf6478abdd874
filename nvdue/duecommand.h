#pragma once

#include <QDate>
#include <QString>

// What the command was asked for.
struct DueOptions
{
    QString file;       // empty: the most recent file of the system store
    QString systemPath; // the system store to take it from; empty: system.db here
    int days = 7;
    bool all = false;
    QString format = QStringLiteral("text");
    bool notify = false;
    QDate today; // invalid: the clock's
};

// The exit statuses a script can test.
enum DueStatus
{
    NothingDue = 0,
    SomethingOverdue = 1,
    SomethingDueSoon = 2,
    FileUnreadable = 3,
    BadUsage = 64,
};

// Reads the data file read-only, writes what is due to stdout in the chosen format (or shows
// it as a desktop notification) and returns the exit status. Problems go to stderr, one line
// each, naming the file and what is wrong with it.
int runDueCommand(const DueOptions &options);

// One line on stderr, prefixed with the command's name, as every message of the storage
// classes is without a window.
void printError(const QString &text);
