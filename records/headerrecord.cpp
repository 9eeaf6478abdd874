#include "headerrecord.h"

#include "connections.h"
#include "logging.h"
#include "recordsql.h"
#include "tableupgrade.h"
#include "transaction.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {
QString tableName(const HeaderTable &table)
{
    return QLatin1String(table.table);
}

QString idPlaceholder(const HeaderTable &table)
{
    return QLatin1String(table.idPlaceholder);
}

// The INSERT of every column; id is the placeholder or NULL for an id the database chooses.
QString insertStatement(const HeaderTable &table, const QString &id)
{
    return QStringLiteral("INSERT INTO %1(id, firstname, lastname, address, emailaddress, "
                          "version) VALUES (%2, :firstname, :lastname, :address, :emailaddress, "
                          ":version);")
        .arg(tableName(table), id);
}
} // namespace

HeaderRecord::HeaderRecord(const HeaderTable &table)
    : m_table(&table), m_firstName(newText()), m_lastName(newText()), m_address(newText()),
      m_emailAddress(newText()), m_version(newText())
{
}

HeaderRecord::HeaderRecord(const HeaderTable &table, const QString &firstName,
                           const QString &lastName, const QString &address,
                           const QString &emailAddress, const QString &version)
    : m_table(&table), m_firstName(firstName), m_lastName(lastName), m_address(address),
      m_emailAddress(emailAddress), m_version(version)
{
}

HeaderRecord::HeaderRecord(const HeaderTable &table, const QSqlRecord &record) : HeaderRecord(table)
{
    setFromRecord(record);
}

QString HeaderRecord::newText() const
{
    return m_table->textsStartEmpty ? QStringLiteral("") : QString();
}

void HeaderRecord::setFromRecord(const QSqlRecord &record)
{
    m_id = record.value(QStringLiteral("id")).toInt();
    m_firstName = record.value(QStringLiteral("firstname")).toString();
    m_lastName = record.value(QStringLiteral("lastname")).toString();
    m_address = record.value(QStringLiteral("address")).toString();
    m_emailAddress = record.value(QStringLiteral("emailaddress")).toString();
    setStored(true);
}

bool HeaderRecord::readRow(int id)
{
    bool found = false;
    setFromRecord(RecordSql::selectById(m_table->connectionName(),
                                        QStringLiteral("SELECT * FROM %1 WHERE id = %2")
                                            .arg(tableName(*m_table), idPlaceholder(*m_table)),
                                        idPlaceholder(*m_table), id, &found));
    return found;
}

bool HeaderRecord::load()
{
    return readRow(1);
}

void HeaderRecord::bindTexts(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":firstname"), m_firstName);
    query.bindValue(QStringLiteral(":lastname"), m_lastName);
    query.bindValue(QStringLiteral(":address"), m_address);
    query.bindValue(QStringLiteral(":emailaddress"), m_emailAddress);
    query.bindValue(QStringLiteral(":version"), m_version);
}

bool HeaderRecord::save()
{
    const char *const name = m_table->recordName;
    if (m_table->logsSaves)
        qCDebug(lcStore, "%s::save() called", name);
    const bool update = isStored();
    if (m_table->logsSaves)
        qCDebug(lcStore, update ? "%s::save() update" : "%s::save() insert", name);
    return writeRecord(
        update ? WriteKind::Update : WriteKind::InsertNewId, m_table->connectionName(),
        update ? QStringLiteral("UPDATE %1 SET firstname = :firstname, lastname = :lastname, "
                                "address = :address, emailaddress = :emailaddress, "
                                "version = :version WHERE id = %2;")
                     .arg(tableName(*m_table), idPlaceholder(*m_table))
               : insertStatement(*m_table, QStringLiteral("NULL")),
        idPlaceholder(*m_table), m_id, [this](QSqlQuery &query) { bindTexts(query); }, name);
}

bool HeaderRecord::insertKeepingId()
{
    return writeRecord(WriteKind::InsertKeepingId, m_table->connectionName(),
                       insertStatement(*m_table, idPlaceholder(*m_table)), idPlaceholder(*m_table),
                       m_id, [this](QSqlQuery &query) { bindTexts(query); });
}

bool HeaderRecord::remove()
{
    return true;
}

QString HeaderRecord::createStatement(const HeaderTable &table)
{
    return QStringLiteral("CREATE TABLE %1( id INTEGER PRIMARY KEY, firstname varchar(50), "
                          "lastname varchar(50), address varchar(200), emailaddress varchar(200), "
                          "version varchar(10));")
        .arg(tableName(table));
}

bool HeaderRecord::createTable(const HeaderTable &table)
{
    return RecordSql::run(table.connectionName(), createStatement(table));
}

QString HeaderRecord::readVersion(const HeaderTable &table)
{
    return TableUpgrade::readVersion(table.connectionName(),
                                     {QLatin1String(table.olderHeader), tableName(table)});
}

QString HeaderRecord::layoutColumns(const HeaderTable &table, const QString &version)
{
    if (version == QLatin1String("1.0"))
        return QStringLiteral("none");
    if (version == QLatin1String("1.1"))
        return QLatin1String(table.layout11);
    if (hasLayout14(version) || hasLayout15(version))
        return tableName(table) +
               QLatin1String(",id,firstname,lastname,address,emailaddress,version");
    return QString();
}

bool HeaderRecord::layoutMatches(const HeaderTable &table, const QString &version)
{
    return TableUpgrade::layoutMatches(table.connectionName(), layoutColumns(table, version));
}

bool HeaderRecord::upgradePrepare(const HeaderTable &table, const QString &version)
{
    // The header table of "1.1" may have another name, so the rename names the table of the
    // version being upgraded.
    const QString layout = layoutColumns(table, version);
    return TableUpgrade::prepare(table.connectionName(), layout,
                                 QStringLiteral("ALTER TABLE ") + TableUpgrade::tableName(layout) +
                                     QStringLiteral(" RENAME TO "),
                                 [&table] { return createTable(table); });
}

bool HeaderRecord::upgradeCopy(const HeaderTable &table, const QString &version)
{
    if (version == QLatin1String("1.0") && table.version10HasHeader)
        return replaceVersion10Header(table);
    return TableUpgrade::copy(table.connectionName(), layoutColumns(table, version),
                              [&table, &version](const QSqlRecord &row) {
                                  HeaderRecord record(table);
                                  record.convertRecord(row, version);
                                  // A current-layout row keeps its id; older rows get new ones.
                                  return hasLayout14(version) || hasLayout15(version)
                                             ? record.insertKeepingId()
                                             : record.save();
                              });
}

bool HeaderRecord::replaceVersion10Header(const HeaderTable &table)
{
    // Dropping the old header and writing the new header row land together or not at all:
    // with both tables in the file, the one listed first would decide the version.
    const QString connectionName = table.connectionName();
    const QString olderHeader = QLatin1String(table.olderHeader);
    Transaction transaction(connectionName);
    if (!transaction.isActive())
        return false;
    QSqlRecord row;
    if (Connections::database(connectionName)
            .tables(QSql::Tables)
            .contains(olderHeader, Qt::CaseSensitive)) {
        {
            QSqlQuery query(Connections::database(connectionName));
            if (!RecordSql::prepare(query, QStringLiteral("SELECT * FROM ") + olderHeader) ||
                !RecordSql::exec(query))
                return false;
            if (query.next())
                row = query.record();
        }
        if (!RecordSql::run(connectionName, QStringLiteral("DROP TABLE ") + olderHeader))
            return false;
    }
    HeaderRecord header(table);
    header.convertRecord(row, QStringLiteral("1.0"));
    return header.save() && transaction.commit();
}

bool HeaderRecord::upgradeDrop(const HeaderTable &table, const QString &version)
{
    return TableUpgrade::drop(table.connectionName(), layoutColumns(table, version));
}

void HeaderRecord::convertRecord(const QSqlRecord &row, const QString &version)
{
    if (hasLayout14(version) || hasLayout15(version)) {
        m_id = TableUpgrade::columnValue(row, QStringLiteral("id")).toInt();
        takeTexts(row, newText());
        m_version = m_table->currentVersion();
    } else if (version == QLatin1String("1.1") ||
               (version == QLatin1String("1.0") && m_table->version10HasHeader)) {
        // The old header is copied as a "1.2" header: every table then has the 1.4
        // layout, and the next pass of the upgrade takes the whole file on from "1.2". Its
        // owner columns, where it has them, exist only in some files; missing ones read as
        // empty texts.
        takeTexts(m_table->olderRowsHaveTexts ? row : QSqlRecord(), QStringLiteral(""));
        m_version = QStringLiteral("1.2");
    } else {
        return;
    }
    setStored(false);
}

void HeaderRecord::takeTexts(const QSqlRecord &row, const QString &missing)
{
    const auto text = [&row, &missing](const char *column) {
        const int index = row.indexOf(QLatin1String(column));
        return index < 0 ? missing : row.value(index).toString();
    };
    m_firstName = text("firstname");
    m_lastName = text("lastname");
    m_address = text("address");
    m_emailAddress = text("emailaddress");
}
