#include "systemrecentfiles.h"

#include "connections.h"
#include "recordsql.h"
#include "tableupgrade.h"

#include <QSqlQuery>
#include <QVariant>

namespace {
const char *const selectById = "SELECT * FROM recentfiles WHERE id = :id";
} // namespace

SystemRecentFiles::SystemRecentFiles(const QString &recentFileLocation)
    : m_recentFileLocation(recentFileLocation)
{
}

SystemRecentFiles::SystemRecentFiles(const QSqlRecord &record)
{
    setFromRecord(record);
}

void SystemRecentFiles::setFromRecord(const QSqlRecord &record)
{
    m_id = record.value(QStringLiteral("id")).toInt();
    m_recentFileLocation = record.value(QStringLiteral("recentfilelocation")).toString();
    setStored(true);
}

bool SystemRecentFiles::load()
{
    bool found = false;
    setFromRecord(RecordSql::selectById(Connections::system(), QLatin1String(selectById),
                                        QStringLiteral(":id"), 1, &found));
    return found;
}

SystemRecentFiles SystemRecentFiles::findById(int id)
{
    SystemRecentFiles record;
    record.setFromRecord(RecordSql::selectById(Connections::system(), QLatin1String(selectById),
                                               QStringLiteral(":id"), id));
    return record;
}

bool SystemRecentFiles::save()
{
    const bool update = isStored();
    return writeRecord(
        update ? WriteKind::Update : WriteKind::InsertNewId, Connections::system(),
        update ? QStringLiteral("UPDATE recentfiles SET recentfilelocation = "
                                ":recentfilelocation WHERE id = :id;")
               : QStringLiteral("INSERT INTO recentfiles (id, recentfilelocation) VALUES "
                                "(NULL, :recentfilelocation);"),
        QStringLiteral(":id"), m_id, [this](QSqlQuery &query) { bindLocation(query); },
        "SystemRecentFiles");
}

bool SystemRecentFiles::insertKeepingId()
{
    return writeRecord(WriteKind::InsertKeepingId, Connections::system(),
                       QStringLiteral("INSERT INTO recentfiles (id, recentfilelocation) VALUES "
                                      "(:id, :recentfilelocation);"),
                       QStringLiteral(":id"), m_id,
                       [this](QSqlQuery &query) { bindLocation(query); });
}

void SystemRecentFiles::bindLocation(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":recentfilelocation"), m_recentFileLocation);
}

bool SystemRecentFiles::remove()
{
    return true;
}

QString SystemRecentFiles::createStatement()
{
    return QStringLiteral("CREATE TABLE recentfiles(id INTEGER PRIMARY KEY, recentfilelocation "
                          "VARCHAR(200));");
}

bool SystemRecentFiles::createTable()
{
    return RecordSql::run(Connections::system(), createStatement());
}

QString SystemRecentFiles::layoutColumns(const QString &version)
{
    if (version == QLatin1String("1.0"))
        return QStringLiteral("none");
    if (version == QLatin1String("1.1"))
        return QStringLiteral("recentfiles,fileid,filename");
    if (version == QLatin1String("1.2") || version == QLatin1String("1.4"))
        return QStringLiteral("recentfiles,id,recentfilelocation");
    return QString();
}

bool SystemRecentFiles::layoutMatches(const QString &version)
{
    return TableUpgrade::layoutMatches(Connections::system(), layoutColumns(version));
}

bool SystemRecentFiles::upgradePrepare(const QString &version)
{
    return TableUpgrade::prepare(Connections::system(), layoutColumns(version),
                                 QStringLiteral("ALTER TABLE recentfiles RENAME TO "),
                                 &SystemRecentFiles::createTable);
}

bool SystemRecentFiles::upgradeCopy(const QString &version)
{
    return TableUpgrade::copy(
        Connections::system(), layoutColumns(version), [&version](const QSqlRecord &row) {
            SystemRecentFiles record;
            record.convertRecord(row, version);
            // Row 1 is the remembered file, so a current-layout row
            // must keep its id.
            return version == QLatin1String("1.2") ? record.insertKeepingId() : record.save();
        });
}

bool SystemRecentFiles::upgradeDrop(const QString &version)
{
    return TableUpgrade::drop(Connections::system(), layoutColumns(version));
}

void SystemRecentFiles::convertRecord(const QSqlRecord &row, const QString &version)
{
    if (version == QLatin1String("1.1")) {
        m_recentFileLocation = TableUpgrade::columnText(row, QStringLiteral("filename"));
        setStored(false);
    } else if (version == QLatin1String("1.2")) {
        m_id = TableUpgrade::columnValue(row, QStringLiteral("id")).toInt();
        m_recentFileLocation = TableUpgrade::columnText(row, QStringLiteral("recentfilelocation"));
        setStored(false);
    }
}
