#include "connections.h"

#include "recordsql.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
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
    RecordSql::setLastErrorText(db.lastError().text());
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

LockWaitSuspension::LockWaitSuspension(const QString &connectionName)
    : m_connectionName(connectionName)
{
    QSqlQuery query(Connections::database(m_connectionName));
    if (!query.exec(QStringLiteral("PRAGMA busy_timeout")) || !query.next())
        return;
    m_previousMs = query.value(0).toInt();
    query.finish();
    if (!query.exec(QStringLiteral("PRAGMA busy_timeout = 0")))
        m_previousMs = -1;
}

LockWaitSuspension::~LockWaitSuspension()
{
    if (m_previousMs < 0)
        return;
    QSqlQuery query(Connections::database(m_connectionName));
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(m_previousMs));
}
