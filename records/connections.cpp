#include "connections.h"

#include "recordsql.h"

#include <QSqlError>
#include <QtDebug>

QSqlDatabase Connections::database(const QString &connectionName)
{
    return QSqlDatabase::database(connectionName, true);
}

bool Connections::open(const QString &connectionName, const QString &path)
{
    close(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (db.open())
        return true;
    qWarning().noquote() << "Cannot open" << path << "-" << db.lastError().text();
    return false;
}

void Connections::close(const QString &connectionName)
{
    // Compiled statements die with their connection.
    RecordSql::dropReusedStatements(connectionName);
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}
