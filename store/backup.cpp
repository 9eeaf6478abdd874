#include "backup.h"

#include "connections.h"
#include "recordsql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace Backup {

QString databaseFile(const QString &connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return QString();
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    return db.isOpen() ? db.databaseName() : QString();
}

QString freeTargetPath(const QString &directory, const QString &baseName, const QString &suffix,
                       const QDateTime &moment)
{
    const QDir dir(directory);
    const QString stem =
        baseName + QLatin1Char('-') + moment.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString path = dir.filePath(stem + QLatin1Char('.') + suffix);
    for (int counter = 2; QFileInfo::exists(path); ++counter)
        path = dir.filePath(stem + QLatin1Char('-') + QString::number(counter) + QLatin1Char('.') +
                            suffix);
    return path;
}

bool copyDatabase(const QString &connectionName, const QString &targetPath, QString *errorText)
{
    QString reason;
    if (databaseFile(connectionName).isEmpty())
        reason = QStringLiteral("The database is not open.");
    else if (QFileInfo::exists(targetPath))
        reason = QStringLiteral("The file \"%1\" exists already.").arg(targetPath);
    if (!reason.isEmpty()) {
        if (errorText)
            *errorText = reason;
        return false;
    }

    // The target is a bound value: a path with quotes in it is just a path.
    QSqlQuery query(Connections::database(connectionName));
    bool copied = RecordSql::prepare(query, QStringLiteral("VACUUM INTO :target"));
    if (copied) {
        query.bindValue(QStringLiteral(":target"), targetPath);
        copied = RecordSql::exec(query);
    }
    if (!copied) {
        reason = query.lastError().text();
        query.finish();
        // A failed copy may have left a partial file behind; it did not exist before.
        QFile::remove(targetPath);
    }
    if (errorText)
        *errorText = reason;
    return copied;
}

Outcome backUpOpenFiles(const QString &directory, const QDateTime &moment)
{
    struct Source
    {
        QString connectionName;
        QString what;
        QString suffix;
    };
    const Source sources[] = {
        {Connections::system(), QStringLiteral("The system file"), QStringLiteral("db")},
        {Connections::current(), QStringLiteral("The data file"), QStringLiteral("nvbf")},
    };
    Outcome outcome;
    for (const Source &source : sources) {
        const QString file = databaseFile(source.connectionName);
        if (file.isEmpty())
            continue;
        const QString target =
            freeTargetPath(directory, QFileInfo(file).completeBaseName(), source.suffix, moment);
        QString error;
        if (copyDatabase(source.connectionName, target, &error))
            outcome.written.append(QFileInfo(target).fileName());
        else
            outcome.failures.append(source.what + QStringLiteral(" could not be copied: ") + error);
    }
    return outcome;
}

} // namespace Backup
