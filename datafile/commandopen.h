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

// Why a tool cannot read the path as a file, as one line that names it (a folder, nothing
// there, a pipe or a device, which a read could wait on for ever); empty for a regular file.
// notWhat ends the line of a path that is there but no regular file: "not a statement file".
QString notARegularFile(const QString &path, const QString &notWhat);
