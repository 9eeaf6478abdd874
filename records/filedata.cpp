#include "filedata.h"

#include "connections.h"
#include "recordsql.h"
#include "tableupgrade.h"
#include "transaction.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {
QSqlDatabase connection()
{
    return Connections::database(Connections::current());
}

const char *const selectById = "SELECT * FROM filedata WHERE id = :filedataid";
} // namespace

FileData::FileData(const QString &firstName, const QString &lastName, const QString &address,
                   const QString &emailAddress, const QString &version)
    : m_firstName(firstName), m_lastName(lastName), m_address(address),
      m_emailAddress(emailAddress), m_version(version)
{
}

FileData::FileData(const QSqlRecord &record)
{
    setFromRecord(record);
}

void FileData::setFromRecord(const QSqlRecord &record)
{
    m_id = record.value(QStringLiteral("id")).toInt();
    m_firstName = record.value(QStringLiteral("firstname")).toString();
    m_lastName = record.value(QStringLiteral("lastname")).toString();
    m_address = record.value(QStringLiteral("address")).toString();
    m_emailAddress = record.value(QStringLiteral("emailaddress")).toString();
    setStored(true);
}

bool FileData::load()
{
    bool found = false;
    setFromRecord(RecordSql::selectById(Connections::current(), QLatin1String(selectById),
                                        QStringLiteral(":filedataid"), 1, &found));
    return found;
}

FileData FileData::findById(int id)
{
    FileData record;
    record.setFromRecord(RecordSql::selectById(Connections::current(), QLatin1String(selectById),
                                               QStringLiteral(":filedataid"), id));
    return record;
}

void FileData::bindTexts(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":firstname"), m_firstName);
    query.bindValue(QStringLiteral(":lastname"), m_lastName);
    query.bindValue(QStringLiteral(":address"), m_address);
    query.bindValue(QStringLiteral(":emailaddress"), m_emailAddress);
    query.bindValue(QStringLiteral(":version"), m_version);
}

bool FileData::save()
{
    const bool update = isStored();
    return writeRecord(
        update ? WriteKind::Update : WriteKind::InsertNewId, Connections::current(),
        update ? QStringLiteral("UPDATE filedata SET firstname = :firstname, "
                                "lastname = :lastname, address = :address, "
                                "emailaddress = :emailaddress, version = :version "
                                "WHERE id = :filedataid;")
               : QStringLiteral("INSERT INTO filedata(id, firstname, lastname, address, "
                                "emailaddress, version) VALUES (NULL, :firstname, "
                                ":lastname, :address, :emailaddress, :version);"),
        QStringLiteral(":filedataid"), m_id, [this](QSqlQuery &query) { bindTexts(query); },
        "FileData");
}

bool FileData::insertKeepingId()
{
    return writeRecord(WriteKind::InsertKeepingId, Connections::current(),
                       QStringLiteral("INSERT INTO filedata(id, firstname, lastname, address, "
                                      "emailaddress, version) VALUES (:filedataid, :firstname, "
                                      ":lastname, :address, :emailaddress, :version);"),
                       QStringLiteral(":filedataid"), m_id,
                       [this](QSqlQuery &query) { bindTexts(query); });
}

bool FileData::remove()
{
    return true;
}

bool FileData::createTable()
{
    return RecordSql::run(Connections::current(),
                          QStringLiteral("CREATE TABLE filedata( id INTEGER PRIMARY KEY, firstname "
                                         "varchar(50), lastname varchar(50), address varchar(200), "
                                         "emailaddress varchar(200), version varchar(10));"));
}

QString FileData::readVersion()
{
    return TableUpgrade::readVersion(Connections::current(),
                                     {QStringLiteral("reg"), QStringLiteral("filedata")});
}

QString FileData::layoutColumns(const QString &version)
{
    if (version == QLatin1String("1.0"))
        return QStringLiteral("none");
    if (version == QLatin1String("1.1"))
        return QStringLiteral("filedata,firstname,lastname,address,version");
    if (version == QLatin1String("1.2") || version == QLatin1String("1.4"))
        return QStringLiteral("filedata,id,firstname,lastname,address,emailaddress,version");
    return QString();
}

bool FileData::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::current(), layoutColumns(version));
}

bool FileData::upgradePrepare(const QString &version)
{
    return TableUpgrade::prepare(Connections::current(), layoutColumns(version),
                                 QStringLiteral("ALTER TABLE filedata RENAME TO "),
                                 &FileData::createTable);
}

bool FileData::upgradeCopy(const QString &version)
{
    if (version == QLatin1String("1.0"))
        return replaceLegacyHeader();
    return TableUpgrade::copy(
        Connections::current(), layoutColumns(version), [&version](const QSqlRecord &row) {
            FileData record;
            record.convertRecord(row, version);
            // A current-layout row keeps its id; older rows get new ones.
            return version == QLatin1String("1.2") ? record.insertKeepingId() : record.save();
        });
}

bool FileData::replaceLegacyHeader()
{
    // Dropping reg and writing the header row land together or not at all: with both
    // tables in the file, the one listed first would decide the version.
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    QSqlRecord row;
    if (connection().tables(QSql::Tables).contains(QStringLiteral("reg"), Qt::CaseSensitive)) {
        {
            QSqlQuery query(connection());
            if (!RecordSql::prepare(query, QStringLiteral("SELECT * FROM reg")) ||
                !RecordSql::exec(query))
                return false;
            if (query.next())
                row = query.record();
        }
        if (!RecordSql::run(Connections::current(), QStringLiteral("DROP TABLE reg")))
            return false;
    }
    FileData header;
    header.convertRecord(row, QStringLiteral("1.0"));
    return header.save() && transaction.commit();
}

bool FileData::upgradeDrop(const QString &version)
{
    return TableUpgrade::drop(Connections::current(), layoutColumns(version));
}

void FileData::convertRecord(const QSqlRecord &row, const QString &version)
{
    if (version != QLatin1String("1.0") && version != QLatin1String("1.1") &&
        version != QLatin1String("1.2"))
        return;
    // The legacy header (a row of reg) has owner columns only in some files; missing ones
    // read as empty texts.
    m_firstName = TableUpgrade::columnText(row, QStringLiteral("firstname"));
    m_lastName = TableUpgrade::columnText(row, QStringLiteral("lastname"));
    m_address = TableUpgrade::columnText(row, QStringLiteral("address"));
    m_emailAddress = TableUpgrade::columnText(row, QStringLiteral("emailaddress"));
    if (version == QLatin1String("1.2")) {
        m_id = TableUpgrade::columnValue(row, QStringLiteral("id")).toInt();
        m_version = currentVersion();
    } else {
        // The old header is copied as a "1.2" header: every table then has the current
        // layout, and the next pass of the upgrade takes the whole file on from "1.2".
        m_version = QStringLiteral("1.2");
    }
    setStored(false);
}
