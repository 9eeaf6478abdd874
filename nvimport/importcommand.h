#pragma once

#include "statementformat.h"

#include <QString>

#include <optional>

// What the command was asked for.
struct ImportOptions
{
    QString file;
    QString statement;
    // Nothing: the statement's name or first bytes tell.
    std::optional<StatementFormat> format;
    // The CSV mapping the statement is read with; empty: none.
    QString mappingName;
    // The system store that holds the mappings; empty: system.db here.
    QString systemPath;
    // Nothing is written: the data file is opened read-only.
    bool dryRun = false;
};

// The exit statuses a script can test.
enum ImportStatus
{
    EverythingMatched = 0,
    UnmatchedDebits = 1,
    Unreadable = 3,
    BadUsage = 64,
};

// Sets the statement beside the data file's unpaid bills, writes one JSON array of its
// transactions to stdout and, unless it is a dry run, records the exact matches in one
// transaction. Problems go to stderr, one line naming the file or the statement.
int runImportCommand(const ImportOptions &options);

// One line on stderr, prefixed with the command's name, as every message of the storage
// classes is without a window.
void printError(const QString &text);
