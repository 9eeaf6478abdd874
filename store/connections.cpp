#include "connections.h"

#include "logging.h"
#include "recordsql.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QSqlDatabase Connections::database(const QString &connectionName)
{
    return QSqlDatabase::database(connectionName, true);
}

bool Connections::open(const QString &connectionName, const QString &path, bool readOnly)
{
    close(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000");
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open()) {
        RecordSql::setLastErrorText(db.lastError().text());
        qCWarning(lcStore).noquote() << "Cannot open" << path << "-" << db.lastError().text();
        return false;
    }
    // A file comes from anywhere; what its schema holds (a view, a default, an index) must not
    // reach functions that could act outside the statement that uses them.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA trusted_schema = OFF")))
        qCWarning(lcStore).noquote()
            << "Cannot distrust the schema of" << path << "-" << query.lastError().text();
    return true;
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
