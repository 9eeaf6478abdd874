#include "systemdatabase.h"

#include "activedomainobject.h"
#include "connections.h"
#include "logging.h"
#include "messagehelper.h"
#include "recordsql.h"
#include "schemacheck.h"
#include "systemfiledata.h"
#include "systemrecentfiles.h"
#include "systemsettings.h"
#include "transaction.h"
#include "upgraderunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {
void showInvalidFile()
{
    MessageHelper::show(MessageIcon::Critical, MessageHelper::fileErrorTitle(),
                        QStringLiteral("The system file you are trying to open is invalid.\n"));
}

QList<UpgradeRunner::Table> upgradeTables()
{
    return {{QStringLiteral("recentfiles"), &SystemRecentFiles::layoutMatches,
             &SystemRecentFiles::upgradePrepare, &SystemRecentFiles::upgradeCopy,
             &SystemRecentFiles::upgradeDrop},
            {QStringLiteral("systemfiledata"), &SystemFileData::layoutMatches,
             &SystemFileData::upgradePrepare, &SystemFileData::upgradeCopy,
             &SystemFileData::upgradeDrop}};
}
} // namespace

SystemDatabase::SystemDatabase(const QString &path) : m_path(path)
{
    open();
}

bool SystemDatabase::open()
{
    if (QFileInfo::exists(m_path))
        return openExisting();
    return createNew();
}

bool SystemDatabase::createNew()
{
    if (!openConnection(m_path))
        return false;
    if (createFile())
        return true;
    // The store did not exist before this call; a half made one is not left behind, so that
    // the next start sets it up afresh.
    Connections::close(Connections::system());
    QFile::remove(QDir::current().absoluteFilePath(m_path));
    return false;
}

bool SystemDatabase::openExisting()
{
    if (!openConnection(m_path))
        return false;
    // A file of another kind under this name is not ours to change: it is reported and left
    // alone, and the program runs on without remembering files.
    const QStringList ownTables{QStringLiteral("recentfiles"), QStringLiteral("systemfiledata"),
                                QStringLiteral("filedata"), QStringLiteral("settings")};
    if (!UpgradeRunner::isReadableDatabase(Connections::system()) ||
        !UpgradeRunner::isInertSchema(Connections::system(), ownTables)) {
        Connections::close(Connections::system());
        showInvalidFile();
        return false;
    }
    const QString version = SystemFileData::readVersion();
    if (UpgradeRunner::systemVersions().isNewer(version)) {
        // A newer program may still need this store as it is, so nothing writes to it.
        Connections::close(Connections::system());
        MessageHelper::show(MessageIcon::Critical, MessageHelper::fileErrorTitle(),
                            QStringLiteral("The system file version (") + version +
                                QStringLiteral(") is newer than the current file version (") +
                                systemVersion() +
                                QStringLiteral(").\nPlease use a newer version of Norvo Rava "
                                               "Rodozod."));
        return false;
    }
    if (version != systemVersion()) {
        MessageHelper::show(MessageIcon::Information, MessageHelper::fileUpgradeTitle(),
                            QStringLiteral("The system file version (") + version +
                                QStringLiteral(") you are opening is older than the current "
                                               "file version (") +
                                systemVersion() + QStringLiteral(").\nUpgrading file now."));
        return upgrade();
    }
    if (!isValid()) {
        // Refused means untouched: nothing may write into it through a connection left open.
        Connections::close(Connections::system());
        showInvalidFile();
        return false;
    }
    return true;
}

bool SystemDatabase::openConnection(const QString &fileName)
{
    return Connections::open(Connections::system(), QDir::current().absoluteFilePath(fileName));
}

bool SystemDatabase::createFile()
{
    Transaction transaction(Connections::system());
    if (!transaction.isActive())
        return false;
    if (!SystemRecentFiles::createTable() || !SystemFileData::createTable())
        return false;
    SystemRecentFiles recentFile;
    if (!recentFile.save())
        return false;
    SystemFileData header;
    header.setVersion(systemVersion());
    if (!header.save())
        return false;
    return transaction.commit();
}

bool SystemDatabase::isValid()
{
    // A store of the current version is written as it is: its tables must declare their
    // columns as this program does.
    return SystemRecentFiles::layoutMatches(SystemFileData::readVersion()) &&
           SchemaCheck::matchesDeclarations(Connections::system(),
                                            {SystemRecentFiles::createStatement(),
                                             SystemFileData::createStatement(),
                                             SystemSettings::createStatement()});
}

bool SystemDatabase::upgrade()
{
    UpgradeRunner runner(Connections::system(), &SystemFileData::readVersion, upgradeTables(),
                         UpgradeRunner::systemVersions());
    return runner.runAndReport(QStringLiteral("system file"));
}

QString SystemDatabase::recentFileLocation()
{
    if (!isConnectionOpen())
        return QString();
    return SystemRecentFiles::findById(1).recentFileLocation();
}

bool SystemDatabase::setRecentFileLocation(const QString &path)
{
    if (!isConnectionOpen())
        return false;
    QSqlQuery query(Connections::database(Connections::system()));
    if (!RecordSql::prepare(query, QStringLiteral("UPDATE recentfiles SET recentfilelocation = "
                                                  ":recentfilelocation  WHERE id = 1;")))
        return false;
    query.bindValue(QStringLiteral(":recentfilelocation"), path);
    return RecordSql::exec(query) && query.numRowsAffected() == 1;
}

bool SystemDatabase::isConnectionOpen()
{
    return QSqlDatabase::contains(Connections::system()) &&
           QSqlDatabase::database(Connections::system(), false).isOpen();
}

bool SystemDatabase::isCurrentStore()
{
    return isConnectionOpen() && SystemFileData::readVersion() == systemVersion();
}
