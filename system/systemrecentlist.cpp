#include "systemrecentlist.h"

#include "connections.h"
#include "recordsql.h"
#include "systemdatabase.h"
#include "transaction.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

QStringList SystemRecentList::locations()
{
    QStringList found;
    if (!SystemDatabase::isCurrentStore())
        return found;
    QSqlQuery query(Connections::database(Connections::system()));
    query.setForwardOnly(true);
    if (!RecordSql::prepare(query, QStringLiteral("SELECT recentfilelocation FROM recentfiles "
                                                  "WHERE id BETWEEN 1 AND :last ORDER BY id")))
        return found;
    query.bindValue(QStringLiteral(":last"), maximumCount);
    if (!RecordSql::exec(query))
        return found;
    while (query.next()) {
        const QString location = query.value(0).toString();
        if (!location.isEmpty() && !found.contains(location))
            found.append(location);
    }
    return found;
}

bool SystemRecentList::add(const QString &path)
{
    if (path.isEmpty() || !SystemDatabase::isCurrentStore())
        return false;
    QStringList list = locations();
    list.removeAll(path);
    list.prepend(path);
    return writeRows(list.mid(0, maximumCount));
}

// Row 1 is only ever updated, as it always was: a store that lost it gains no list either.
bool SystemRecentList::writeRows(const QStringList &locations)
{
    Transaction transaction(Connections::system());
    if (!transaction.isActive())
        return false;
    const QSqlDatabase db = Connections::database(Connections::system());
    QSqlQuery first(db);
    if (!RecordSql::prepare(first, QStringLiteral("UPDATE recentfiles SET recentfilelocation = "
                                                  ":location WHERE id = 1")))
        return false;
    first.bindValue(QStringLiteral(":location"), locations.first());
    if (!RecordSql::exec(first) || first.numRowsAffected() != 1)
        return false;
    QSqlQuery write(db);
    QSqlQuery drop(db);
    if (!RecordSql::prepare(write, QStringLiteral("INSERT OR REPLACE INTO recentfiles (id, "
                                                  "recentfilelocation) VALUES (:id, :location)")) ||
        !RecordSql::prepare(drop, QStringLiteral("DELETE FROM recentfiles WHERE id = :id")))
        return false;
    for (int id = 2; id <= maximumCount; ++id) {
        QSqlQuery &query = id <= locations.size() ? write : drop;
        query.bindValue(QStringLiteral(":id"), id);
        if (id <= locations.size())
            query.bindValue(QStringLiteral(":location"), locations.at(id - 1));
        if (!RecordSql::exec(query))
            return false;
    }
    return transaction.commit();
}
