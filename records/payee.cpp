#include "payee.h"

#include "connections.h"
#include "recordsql.h"
#include "tableupgrade.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

namespace {
// The columns readColumns() takes, in this order.
enum Column
{
    IdColumn,
    NameColumn,
    AccountColumn,
    AddressColumn,
    NoteColumn,
    DeletedColumn,
    ColumnCount
};

const char *const columnNames[ColumnCount] = {
    "id", "payeename", "accountnumber", "mailingaddress", "note", "deleted"};
} // namespace

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
    const bool update = isStored();
    return writeRecord(
        update ? WriteKind::Update : WriteKind::InsertNewId, Connections::current(),
        update ? QStringLiteral("UPDATE payees SET payeename = :payeename, accountnumber "
                                "= :accountnumber, mailingaddress = :mailingaddress, "
                                "note = :note, deleted = :deleted WHERE id = :payeeid;")
               : QStringLiteral("INSERT INTO payees (id, payeename, accountnumber, "
                                "mailingaddress, note, deleted) VALUES (NULL, "
                                ":payeename, :accountnumber, :mailingaddress, :note, "
                                ":deleted);"),
        QStringLiteral(":payeeid"), m_id, [this](QSqlQuery &query) { bindColumns(query); },
        "Payee");
}

bool Payee::insertKeepingId()
{
    return writeRecord(
        WriteKind::InsertKeepingId, Connections::current(),
        QStringLiteral("INSERT INTO payees (id, payeename, accountnumber, mailingaddress, "
                       "note, deleted) VALUES (:payeeid, :payeename, :accountnumber, "
                       ":mailingaddress, :note, :deleted);"),
        QStringLiteral(":payeeid"), m_id, [this](QSqlQuery &query) { bindColumns(query); });
}

void Payee::bindColumns(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":payeename"), RecordSql::text(m_payeeName));
    query.bindValue(QStringLiteral(":accountnumber"), RecordSql::text(m_accountNumber));
    query.bindValue(QStringLiteral(":mailingaddress"), RecordSql::text(m_mailingAddress));
    query.bindValue(QStringLiteral(":note"), RecordSql::text(m_note));
    query.bindValue(QStringLiteral(":deleted"), RecordSql::flag(m_deleted));
}

bool Payee::remove()
{
    return true;
}

void Payee::setFromRecord(const QSqlRecord &record)
{
    readColumns(ColumnReader(record, columnNames, ColumnCount));
}

ColumnReader Payee::columnReader(const QSqlQuery &query)
{
    return ColumnReader(query, columnNames, ColumnCount);
}

void Payee::readColumns(const ColumnReader &row)
{
    m_id = RecordSql::intValue(row.value(IdColumn));
    m_payeeName = row.value(NameColumn).toString();
    m_accountNumber = row.value(AccountColumn).toString();
    m_mailingAddress = row.value(AddressColumn).toString();
    m_note = row.value(NoteColumn).toString();
    m_deleted = RecordSql::boolValue(row.value(DeletedColumn));
    setStored(true);
}

std::optional<Payee> Payee::findById(int id)
{
    const std::optional<QSqlRecord> row = RecordSql::findRow(
        Connections::current(), QStringLiteral("SELECT * FROM payees WHERE id = :payeeid"),
        QStringLiteral(":payeeid"), id, QStringLiteral("payee"));
    if (!row)
        return std::nullopt;
    return Payee(*row);
}

QString Payee::createStatement()
{
    return QStringLiteral("CREATE TABLE payees(id INTEGER PRIMARY KEY, payeename "
                          "VARCHAR(100) NOT NULL, accountnumber VARCHAR(200), "
                          "mailingaddress VARCHAR(400), note VARCHAR(200), deleted "
                          "BOOL);");
}

bool Payee::createTable()
{
    QSqlQuery query = RecordSql::currentQuery();
    return RecordSql::prepare(query, createStatement()) && RecordSql::exec(query);
}

QString Payee::layoutColumns(const QString &version)
{
    if (version == QLatin1String("1.0"))
        return QStringLiteral("payees,payeeid,payeename,accountnumber,mailingaddress,note");
    if (version == QLatin1String("1.1"))
        return QStringLiteral("payees,payeeid,payeename,accountnumber,mailingaddress,note,deleted");
    if (hasLayout14(version) || hasLayout15(version))
        return QStringLiteral("payees,id,payeename,accountnumber,mailingaddress,note,deleted");
    return QString();
}

bool Payee::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::current(), layoutColumns(version));
}

bool Payee::upgradePrepare(const QString &version)
{
    // The table has the current layout already and stays as it is.
    if (hasLayout15(version))
        return true;
    return TableUpgrade::prepare(Connections::current(), layoutColumns(version),
                                 QStringLiteral("ALTER TABLE payees RENAME TO "),
                                 &Payee::createTable);
}

bool Payee::upgradeCopy(const QString &version)
{
    if (hasLayout15(version))
        return true;
    const QString layout = layoutColumns(version);
    if (hasLayout14(version))
        return copyCurrentRows(layout);
    return TableUpgrade::copy(
        Connections::current(), layout, [&version, &layout](const QSqlRecord &row) {
            Payee payee;
            payee.convertRecord(row, version);
            // Rows of the current layout keep their ids, so that bills and payments need no
            // mapping; older rows get new ones.
            const bool written = hasLayout14(version) ? payee.insertKeepingId() : payee.save();
            const int oldId =
                TableUpgrade::columnValue(row, TableUpgrade::oldIdColumn(layout)).toInt();
            return written &&
                   TableUpgrade::addLink(Connections::current(), layout, payee.id(), oldId);
        });
}

// Rows of the current layout keep their ids, so that bills and payments need no mapping. Those
// whose values read and write back unchanged are copied as they are, the others as the record
// reads them; each is linked to itself.
bool Payee::copyCurrentRows(const QString &layout)
{
    const QString plain = QStringList{TableUpgrade::plainInt(QStringLiteral("id")),
                                      TableUpgrade::plainText(QStringLiteral("payeename")),
                                      TableUpgrade::plainText(QStringLiteral("accountnumber")),
                                      TableUpgrade::plainText(QStringLiteral("mailingaddress")),
                                      TableUpgrade::plainText(QStringLiteral("note")),
                                      TableUpgrade::plainFlag(QStringLiteral("deleted"))}
                              .join(QLatin1String(" AND "));
    return TableUpgrade::copyPlainAndOthers(
        Connections::current(), TableUpgrade::tempTable(layout), plain,
        {QStringLiteral("INSERT INTO payees (id, payeename, accountnumber, mailingaddress, note, "
                        "deleted) SELECT id, COALESCE(payeename, ''), COALESCE(accountnumber, ''), "
                        "COALESCE(mailingaddress, ''), COALESCE(note, ''), deleted FROM "),
         QStringLiteral("INSERT INTO ") + TableUpgrade::linkTable(layout) +
             QStringLiteral(" (id, oldid) SELECT id, id FROM ")},
        [&layout](const QSqlRecord &row) {
            Payee payee;
            payee.convertRecord(row, QStringLiteral("1.2"));
            const int oldId = TableUpgrade::columnValue(row, QStringLiteral("id")).toInt();
            return payee.insertKeepingId() &&
                   TableUpgrade::addLink(Connections::current(), layout, payee.id(), oldId);
        });
}

bool Payee::upgradeDrop(const QString &version)
{
    if (hasLayout15(version))
        return true;
    return TableUpgrade::drop(Connections::current(), layoutColumns(version));
}

void Payee::convertRecord(const QSqlRecord &row, const QString &version)
{
    const bool current = hasLayout14(version);
    if (!current && version != QLatin1String("1.0") && version != QLatin1String("1.1"))
        return;
    if (current)
        m_id = TableUpgrade::columnValue(row, QStringLiteral("id")).toInt();
    m_payeeName = TableUpgrade::columnText(row, QStringLiteral("payeename"));
    m_accountNumber = TableUpgrade::columnText(row, QStringLiteral("accountnumber"));
    m_mailingAddress = TableUpgrade::columnText(row, QStringLiteral("mailingaddress"));
    m_note = TableUpgrade::columnText(row, QStringLiteral("note"));
    // The oldest layout has no deleted column: every payee of such a file is active.
    m_deleted = TableUpgrade::columnValue(row, QStringLiteral("deleted")).toBool();
    setStored(false);
}
