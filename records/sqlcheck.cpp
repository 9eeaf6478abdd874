#include "sqlcheck.h"

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

bool prepareLogged(QSqlQuery &query, const QString &statement)
{
    if (query.prepare(statement))
        return true;
    logFailure(query, statement);
    return false;
}

bool execQueryLogged(QSqlQuery &query)
{
    if (query.exec())
        return true;
    logFailure(query, query.lastQuery());
    return false;
}

bool runLogged(const QString &connectionName, const QString &statement, QString *errorText)
{
    QSqlQuery query(Connections::database(connectionName));
    const bool ok = query.exec(statement);
    if (!ok)
        logFailure(query, statement);
    if (errorText)
        *errorText = ok ? QString() : query.lastError().text();
    return ok;
}
