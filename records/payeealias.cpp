#include "payeealias.h"

#include "connections.h"
#include "newtableupgrade.h"
#include "recordsql.h"
#include "tableupgrade.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

std::optional<QHash<int, QStringList>> PayeeAlias::all()
{
    QSqlQuery query = RecordSql::currentQuery();
    query.setForwardOnly(true);
    if (!RecordSql::prepare(query, QStringLiteral("SELECT payeeid, alias FROM payeealiases ORDER "
                                                  "BY id")) ||
        !RecordSql::exec(query))
        return std::nullopt;
    QHash<int, QStringList> aliases;
    while (query.next())
        aliases[RecordSql::intValue(query.value(0))].append(query.value(1).toString());
    if (!RecordSql::readToTheEnd(query))
        return std::nullopt;
    return aliases;
}

bool PayeeAlias::add(int payeeId, const QString &alias)
{
    const std::optional<QHash<int, QStringList>> known = all();
    if (!known)
        return false;
    if (known->value(payeeId).contains(alias, Qt::CaseInsensitive))
        return true;
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("INSERT INTO payeealiases (id, payeeid, alias) "
                                                  "VALUES (NULL, :payeeid, :alias)")))
        return false;
    query.bindValue(QStringLiteral(":payeeid"), payeeId);
    query.bindValue(QStringLiteral(":alias"), RecordSql::text(alias));
    return RecordSql::exec(query);
}

QString PayeeAlias::createStatement()
{
    return QStringLiteral(
        "CREATE TABLE payeealiases(id INTEGER PRIMARY KEY, payeeid INTEGER, alias "
        "VARCHAR(200));");
}

bool PayeeAlias::createTable()
{
    return RecordSql::run(Connections::current(), createStatement());
}

QString PayeeAlias::layoutColumns(const QString &version)
{
    return NewTableUpgrade::layoutColumns(version, QStringLiteral("payeealiases,id,payeeid,alias"));
}

bool PayeeAlias::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::current(), layoutColumns(version));
}

bool PayeeAlias::upgradePrepare(const QString &version)
{
    return NewTableUpgrade::prepare(version, layoutColumns(version), &PayeeAlias::createTable);
}

bool PayeeAlias::upgradeCopy(const QString &version)
{
    // No older version has the table.
    return TableUpgrade::isAbsent(layoutColumns(version));
}

bool PayeeAlias::upgradeDrop(const QString &version)
{
    return TableUpgrade::drop(Connections::current(), layoutColumns(version));
}
