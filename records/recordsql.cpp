#include "recordsql.h"

#include "connections.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

namespace RecordSql {

QSqlQuery currentQuery()
{
    return QSqlQuery(Connections::database(Connections::current()));
}

bool prepare(QSqlQuery &query, const QString &statement)
{
    if (query.prepare(statement))
        return true;
    qWarning().noquote() << "SQL statement could not be prepared:" << statement << "-"
                         << query.lastError().text();
    return false;
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
