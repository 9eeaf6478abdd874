#include "payee.h"

#include "recordsql.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

Payee::Payee()
    : m_payeeName(QLatin1String("")), m_accountNumber(QLatin1String("")),
      m_mailingAddress(QLatin1String("")), m_note(QLatin1String(""))
{
}

Payee::Payee(int id, const QString &payeeName, const QString &accountNumber,
             const QString &mailingAddress, const QString &note, bool deleted)
    : m_id(id), m_payeeName(payeeName), m_accountNumber(accountNumber),
      m_mailingAddress(mailingAddress), m_note(note), m_deleted(deleted)
{
}

Payee::Payee(const QSqlRecord &record) : Payee()
{
    setFromRecord(record);
}

bool Payee::save()
{
    QSqlQuery query = RecordSql::currentQuery();
    const bool update = isStored();
    const bool prepared =
        update
            ? RecordSql::prepare(
                  query, QStringLiteral("UPDATE payees SET payeename = :payeename, accountnumber "
                                        "= :accountnumber, mailingaddress = :mailingaddress, "
                                        "note = :note, deleted = :deleted WHERE id = :payeeid;"))
            : RecordSql::prepare(
                  query, QStringLiteral("INSERT INTO payees (id, payeename, accountnumber, "
                                        "mailingaddress, note, deleted) VALUES (NULL, "
                                        ":payeename, :accountnumber, :mailingaddress, :note, "
                                        ":deleted);"));
    if (!prepared)
        return false;
    if (update)
        query.bindValue(QStringLiteral(":payeeid"), m_id);
    query.bindValue(QStringLiteral(":payeename"), RecordSql::text(m_payeeName));
    query.bindValue(QStringLiteral(":accountnumber"), RecordSql::text(m_accountNumber));
    query.bindValue(QStringLiteral(":mailingaddress"), RecordSql::text(m_mailingAddress));
    query.bindValue(QStringLiteral(":note"), RecordSql::text(m_note));
    query.bindValue(QStringLiteral(":deleted"), RecordSql::flag(m_deleted));
    if (!execLogged(query))
        return false;
    if (!update)
        m_id = lastInsertId();
    setStored(true);
    setModified(false);
    return true;
}

bool Payee::remove()
{
    return true;
}

void Payee::setFromRecord(const QSqlRecord &record)
{
    m_id = record.value(QStringLiteral("id")).toInt();
    m_payeeName = record.value(QStringLiteral("payeename")).toString();
    m_accountNumber = record.value(QStringLiteral("accountnumber")).toString();
    m_mailingAddress = record.value(QStringLiteral("mailingaddress")).toString();
    m_note = record.value(QStringLiteral("note")).toString();
    m_deleted = record.value(QStringLiteral("deleted")).toBool();
    setStored(true);
}

Payee Payee::findById(int id)
{
    Payee payee;
    QSqlQuery query = RecordSql::currentQuery();
    if (RecordSql::prepare(query, QStringLiteral("SELECT * FROM payees WHERE id = :payeeid"))) {
        query.bindValue(QStringLiteral(":payeeid"), id);
        if (execLogged(query))
            query.next();
    }
    // Without a row the record holds the column names with empty values: the empty payee.
    payee.setFromRecord(query.record());
    return payee;
}

bool Payee::createTable()
{
    QSqlQuery query = RecordSql::currentQuery();
    return RecordSql::prepare(
               query, QStringLiteral("CREATE TABLE payees(id INTEGER PRIMARY KEY, payeename "
                                     "VARCHAR(100) NOT NULL, accountnumber VARCHAR(200), "
                                     "mailingaddress VARCHAR(400), note VARCHAR(200), deleted "
                                     "BOOL);")) &&
           execLogged(query);
}
