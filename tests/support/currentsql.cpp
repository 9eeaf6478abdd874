#include "currentsql.h"

#include "connections.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

bool run(const QString &statement)
{
    QSqlQuery query(Connections::database(Connections::current()));
    if (query.exec(statement))
        return true;
    qWarning().noquote() << "Test statement failed:" << statement << "-"
                         << query.lastError().text();
    return false;
}

QVariant scalar(const QString &statement)
{
    QSqlQuery query(Connections::database(Connections::current()));
    return query.exec(statement) && query.next() ? query.value(0) : QVariant();
}
