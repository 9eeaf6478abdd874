#include "systemfiledata.h"

#include "connections.h"
#include "recordsql.h"
#include "tableupgrade.h"

#include <QSqlQuery>
#include <QVariant>
#include <QtDebug>

namespace {
const char *const selectById = "SELECT * FROM systemfiledata WHERE id = :id";
} // namespace

SystemFileData::SystemFileData(const QString &firstName, const QString &lastName,
                               const QString &address, const QString &emailAddress,
                               const QString &version)
    : m_firstName(firstName), m_lastName(lastName), m_address(address),
      m_emailAddress(emailAddress), m_version(version)
{
}

SystemFileData::SystemFileData(const QSqlRecord &record)
{
    setFromRecord(record);
}

void SystemFileData::setFromRecord(const QSqlRecord &record)
{
    m_id = record.value(QStringLiteral("id")).toInt();
    m_firstName = record.value(QStringLiteral("firstname")).toString();
    m_lastName = record.value(QStringLiteral("lastname")).toString();
    m_address = record.value(QStringLiteral("address")).toString();
    m_emailAddress = record.value(QStringLiteral("emailaddress")).toString();
    setStored(true);
}

bool SystemFileData::load()
{
    bool found = false;
    setFromRecord(RecordSql::selectById(Connections::system(), QLatin1String(selectById),
                                        QStringLiteral(":id"), 1, &found));
    return found;
}

SystemFileData SystemFileData::findById(int id)
{
    SystemFileData record;
    record.setFromRecord(RecordSql::selectById(Connections::system(), QLatin1String(selectById),
                                               QStringLiteral(":id"), id));
    return record;
}

void SystemFileData::bindTexts(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":firstname"), m_firstName);
    query.bindValue(QStringLiteral(":lastname"), m_lastName);
    query.bindValue(QStringLiteral(":address"), m_address);
    query.bindValue(QStringLiteral(":emailaddress"), m_emailAddress);
    query.bindValue(QStringLiteral(":version"), m_version);
}

bool SystemFileData::save()
{
    qDebug("SystemFileData::save() called");
    const bool update = isStored();
    if (update)
        qDebug("SystemFileData::save() update");
    else
        qDebug("SystemFileData::save() insert");
    return writeRecord(
        update ? WriteKind::Update : WriteKind::InsertNewId, Connections::system(),
        update ? QStringLiteral("UPDATE systemfiledata SET firstname = :firstname, "
                                "lastname = :lastname, address = :address, "
                                "emailaddress = :emailaddress, version = :version "
                                "WHERE id = :id;")
               : QStringLiteral("INSERT INTO systemfiledata(id, firstname, lastname, "
                                "address, emailaddress, version) VALUES (NULL, :firstname, "
                                ":lastname, :address, :emailaddress, :version);"),
        QStringLiteral(":id"), m_id, [this](QSqlQuery &query) { bindTexts(query); },
        "SystemFileData");
}

bool SystemFileData::insertKeepingId()
{
    return writeRecord(
        WriteKind::InsertKeepingId, Connections::system(),
        QStringLiteral("INSERT INTO systemfiledata(id, firstname, lastname, address, "
                       "emailaddress, version) VALUES (:id, :firstname, :lastname, "
                       ":address, :emailaddress, :version);"),
        QStringLiteral(":id"), m_id, [this](QSqlQuery &query) { bindTexts(query); });
}

bool SystemFileData::remove()
{
    return true;
}

bool SystemFileData::createTable()
{
    return RecordSql::run(Connections::system(),
                          QStringLiteral("CREATE TABLE systemfiledata( id INTEGER PRIMARY KEY, "
                                         "firstname varchar(50), lastname varchar(50), address "
                                         "varchar(200), emailaddress varchar(200), version "
                                         "varchar(10));"));
}

QString SystemFileData::readVersion()
{
    return TableUpgrade::readVersion(
        Connections::system(), {QStringLiteral("filedata"), QStringLiteral("systemfiledata")});
}

QString SystemFileData::layoutColumns(const QString &version)
{
    if (version == QLatin1String("1.0"))
        return QStringLiteral("none");
    if (version == QLatin1String("1.1"))
        return QStringLiteral("filedata,version");
    if (version == QLatin1String("1.2") || version == QLatin1String("1.4"))
        return QStringLiteral("systemfiledata,id,firstname,lastname,address,emailaddress,version");
    return QString();
}

bool SystemFileData::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::system(), layoutColumns(version));
}

bool SystemFileData::upgradePrepare(const QString &version)
{
    // The old header table of "1.1" has another name, so the rename names the table of the
    // version being upgraded.
    const QString layout = layoutColumns(version);
    return TableUpgrade::prepare(Connections::system(), layout,
                                 QStringLiteral("ALTER TABLE ") + TableUpgrade::tableName(layout) +
                                     QStringLiteral(" RENAME TO "),
                                 &SystemFileData::createTable);
}

bool SystemFileData::upgradeCopy(const QString &version)
{
    return TableUpgrade::copy(
        Connections::system(), layoutColumns(version), [&version](const QSqlRecord &row) {
            SystemFileData record;
            record.convertRecord(row, version);
            return version == QLatin1String("1.2") ? record.insertKeepingId() : record.save();
        });
}

bool SystemFileData::upgradeDrop(const QString &version)
{
    return TableUpgrade::drop(Connections::system(), layoutColumns(version));
}

void SystemFileData::convertRecord(const QSqlRecord &row, const QString &version)
{
    if (version == QLatin1String("1.1")) {
        // The old header has only a version; the next pass takes the store on from "1.2".
        m_firstName = QStringLiteral("");
        m_lastName = QStringLiteral("");
        m_address = QStringLiteral("");
        m_emailAddress = QStringLiteral("");
        m_version = QStringLiteral("1.2");
        setStored(false);
    } else if (version == QLatin1String("1.2")) {
        m_id = TableUpgrade::columnValue(row, QStringLiteral("id")).toInt();
        m_firstName = TableUpgrade::columnValue(row, QStringLiteral("firstname")).toString();
        m_lastName = TableUpgrade::columnValue(row, QStringLiteral("lastname")).toString();
        m_address = TableUpgrade::columnValue(row, QStringLiteral("address")).toString();
        m_emailAddress = TableUpgrade::columnValue(row, QStringLiteral("emailaddress")).toString();
        m_version = currentVersion();
        setStored(false);
    }
}
