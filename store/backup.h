#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Consistent copies of the program's open databases, taken while they stay open.
namespace Backup {

// The file the named connection is open on; empty when there is no such open connection.
QString databaseFile(const QString &connectionName);

// A path in directory for a copy of baseName taken at moment, "baseName-yyyy-MM-dd-HHmmss"
// with suffix, that names no existing file: a second copy within the same second gets a
// counter ("-2", "-3", ...) instead of replacing the first.
QString freeTargetPath(const QString &directory, const QString &baseName, const QString &suffix,
                       const QDateTime &moment);

// Writes a copy of the database open on connectionName to targetPath, which must not exist.
// The copy is made by the database itself, so it is complete even while the file is in use.
// On failure nothing is left at targetPath and errorText, when given, receives the reason.
bool copyDatabase(const QString &connectionName, const QString &targetPath,
                  QString *errorText = nullptr);

// What backing up the open files did: the names of the copies written, and a sentence for
// each file that could not be copied.
struct Outcome
{
    QStringList written;
    QStringList failures;
};

// Copies the system store and the open data file, whichever is open, into directory, named
// after each file and the moment.
Outcome backUpOpenFiles(const QString &directory, const QDateTime &moment);

} // namespace Backup
