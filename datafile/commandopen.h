#pragma once

#include <QString>

class DataFile;

// How a command-line tool takes the data file.
enum class CommandAccess
{
    // Read-only, older layouts that read as they are included (see DataFile::readsAsIs).
    ReadAsIs,
    // Read-only or for writing, the current layout only (see DataFile::openCurrent).
    ReadCurrent,
    WriteCurrent,
};

// Opens the data file at path for a tool without a window. What is wrong comes back as one
// line that names the file, in the data file manager's words; empty when the file is open.
QString openForCommand(DataFile &file, const QString &path, CommandAccess access);
