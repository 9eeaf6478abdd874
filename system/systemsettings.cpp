#include "systemsettings.h"

#include "connections.h"
#include "recordsql.h"
#include "systemdatabase.h"
#include "transaction.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

QString SystemSettings::value(const QString &key, const QString &fallback)
{
    if (!SystemDatabase::isConnectionOpen() || !hasTable())
        return fallback;
    QSqlQuery query(Connections::database(Connections::system()));
    if (!RecordSql::prepare(query, QStringLiteral("SELECT value FROM settings WHERE key = :key")))
        return fallback;
    query.bindValue(QStringLiteral(":key"), key);
    if (!RecordSql::exec(query) || !query.next())
        return fallback;
    return query.value(0).toString();
}

bool SystemSettings::setValue(const QString &key, const QString &value)
{
    if (!SystemDatabase::isCurrentStore() || !createTable())
        return false;
    QSqlQuery query(Connections::database(Connections::system()));
    if (!RecordSql::prepare(query, QStringLiteral("INSERT OR REPLACE INTO settings (key, value) "
                                                  "VALUES (:key, :value)")))
        return false;
    query.bindValue(QStringLiteral(":key"), key);
    query.bindValue(QStringLiteral(":value"), RecordSql::text(value));
    return RecordSql::exec(query);
}

bool SystemSettings::setValues(const Values &values)
{
    if (!SystemDatabase::isCurrentStore())
        return false;
    const bool stored = hasTable();
    Values changed;
    for (const auto &entry : values)
        if (!stored || value(entry.first) != entry.second)
            changed.append(entry);
    if (changed.isEmpty())
        return true;
    Transaction transaction(Connections::system());
    if (!transaction.isActive())
        return false;
    for (const auto &entry : changed)
        if (!setValue(entry.first, entry.second))
            return false;
    return transaction.commit();
}

QStringList SystemSettings::keys(const QString &prefix)
{
    QStringList keys;
    if (!SystemDatabase::isConnectionOpen() || !hasTable())
        return keys;
    QSqlQuery query(Connections::database(Connections::system()));
    // instr rather than LIKE, whose "%" and "_" a prefix could hold.
    if (!RecordSql::prepare(query, QStringLiteral("SELECT key FROM settings WHERE "
                                                  "instr(key, :prefix) = 1")))
        return keys;
    query.bindValue(QStringLiteral(":prefix"), prefix);
    if (!RecordSql::exec(query))
        return keys;
    while (query.next())
        keys.append(query.value(0).toString());
    return RecordSql::readToTheEnd(query) ? keys : QStringList();
}

bool SystemSettings::remove(const QString &key)
{
    if (!SystemDatabase::isConnectionOpen() || !hasTable())
        return true;
    if (!SystemDatabase::isCurrentStore())
        return false;
    QSqlQuery query(Connections::database(Connections::system()));
    if (!RecordSql::prepare(query, QStringLiteral("DELETE FROM settings WHERE key = :key")))
        return false;
    query.bindValue(QStringLiteral(":key"), key);
    return RecordSql::exec(query);
}

QString SystemSettings::createStatement()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS settings(key TEXT PRIMARY KEY, value TEXT);");
}

bool SystemSettings::createTable()
{
    return RecordSql::run(Connections::system(), createStatement());
}

bool SystemSettings::hasTable()
{
    return Connections::database(Connections::system())
        .tables(QSql::Tables)
        .contains(QStringLiteral("settings"));
}
