#include "recordsql.h"

#include "connections.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtDebug>

namespace {
QString &lastFailure()
{
    static QString text;
    return text;
}

void logFailure(const QSqlQuery &query, const QString &statement)
{
    lastFailure() = query.lastError().text();
    qWarning().noquote() << "SQL statement failed:" << statement << "-" << lastFailure();
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

QSqlRecord selectById(const QString &connectionName, const QString &statement,
                      const QString &placeholder, int id, bool *found)
{
    QSqlQuery query(Connections::database(connectionName));
    bool hasRow = false;
    if (prepare(query, statement)) {
        query.bindValue(placeholder, id);
        hasRow = exec(query) && query.next();
    }
    const QSqlRecord row = query.record();
    query.finish();
    if (found)
        *found = hasRow;
    return row;
}

QString lastErrorText()
{
    return lastFailure();
}

void setLastErrorText(const QString &text)
{
    lastFailure() = text;
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
