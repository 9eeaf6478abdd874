#include "importedtransaction.h"

#include "connections.h"
#include "newtableupgrade.h"
#include "recordsql.h"
#include "tableupgrade.h"

#include <QSqlQuery>
#include <QVariant>

std::optional<bool> ImportedTransaction::isKnown(const QString &importId)
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("SELECT COUNT(*) FROM importedtransactions "
                                                  "WHERE importid = :importid")))
        return std::nullopt;
    query.bindValue(QStringLiteral(":importid"), importId);
    if (!RecordSql::exec(query) || !query.next())
        return std::nullopt;
    return query.value(0).toInt() > 0;
}

bool ImportedTransaction::add(const QString &importId, int paymentId, const QDateTime &importDate)
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("INSERT INTO importedtransactions (id, importid, "
                                                  "paymentid, importdate) VALUES (NULL, "
                                                  ":importid, :paymentid, :importdate)")))
        return false;
    query.bindValue(QStringLiteral(":importid"), importId);
    query.bindValue(QStringLiteral(":paymentid"), paymentId);
    query.bindValue(QStringLiteral(":importdate"), importDate);
    return RecordSql::exec(query);
}

bool ImportedTransaction::removeOfPayment(int paymentId)
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("DELETE FROM importedtransactions WHERE "
                                                  "paymentid = :paymentid")))
        return false;
    query.bindValue(QStringLiteral(":paymentid"), paymentId);
    return RecordSql::exec(query);
}

bool ImportedTransaction::removeOfBill(int billId)
{
    QSqlQuery query = RecordSql::currentQuery();
    if (!RecordSql::prepare(query, QStringLiteral("DELETE FROM importedtransactions WHERE "
                                                  "paymentid IN (SELECT id FROM billpayment WHERE "
                                                  "billid = :billid)")))
        return false;
    query.bindValue(QStringLiteral(":billid"), billId);
    return RecordSql::exec(query);
}

QString ImportedTransaction::createStatement()
{
    return QStringLiteral("CREATE TABLE importedtransactions(id INTEGER PRIMARY KEY, importid "
                          "VARCHAR(200) UNIQUE, paymentid INTEGER, importdate DATETIME);");
}

bool ImportedTransaction::createTable()
{
    return RecordSql::run(Connections::current(), createStatement());
}

QString ImportedTransaction::layoutColumns(const QString &version)
{
    return NewTableUpgrade::layoutColumns(
        version, QStringLiteral("importedtransactions,id,importid,paymentid,importdate"));
}

bool ImportedTransaction::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::current(), layoutColumns(version));
}

bool ImportedTransaction::upgradePrepare(const QString &version)
{
    return NewTableUpgrade::prepare(version, layoutColumns(version),
                                    &ImportedTransaction::createTable);
}

bool ImportedTransaction::upgradeCopy(const QString &version)
{
    // No older version has the table.
    return TableUpgrade::isAbsent(layoutColumns(version));
}

bool ImportedTransaction::upgradeDrop(const QString &version)
{
    return TableUpgrade::drop(Connections::current(), layoutColumns(version));
}
