#include "recordsql.h"

#include "connections.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

namespace {
void logFailure(const QSqlQuery &query, const QString &statement)
{
    qWarning().noquote() << "SQL statement failed:" << statement << "-" << query.lastError().text();
}
} // namespace

namespace RecordSql {

QSqlQuery currentQuery()
{
    return QSqlQuery(Connections::database(Connections::current()));
}

bool prepare(QSqlQuery &query, const QString &statement)
{
    if (query.prepare(statement))
        return true;
    logFailure(query, statement);
    return false;
}

bool exec(QSqlQuery &query)
{
    if (query.exec())
        return true;
    logFailure(query, query.lastQuery());
    return false;
}

bool run(const QString &connectionName, const QString &statement, QString *errorText)
{
    QSqlQuery query(Connections::database(connectionName));
    const bool ok = query.exec(statement);
    if (!ok)
        logFailure(query, statement);
    if (errorText)
        *errorText = ok ? QString() : query.lastError().text();
    return ok;
}

QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(value);
}

QVariant flag(bool value)
{
    return QVariant(value ? 1 : 0);
}

} // namespace RecordSql
