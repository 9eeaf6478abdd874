#include "upgraderunner.h"

#include "activedomainobject.h"
#include "connections.h"
#include "logging.h"
#include "messagehelper.h"
#include "schemacheck.h"
#include "transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <optional>

namespace {
// The parts of a dotted version number, or nothing when the text is not one.
std::optional<QList<qulonglong>> versionParts(const QString &version)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]+(\\.[0-9]+)*$"));
    if (!pattern.match(version).hasMatch())
        return std::nullopt;
    QList<qulonglong> parts;
    const QStringList items = version.split(QLatin1Char('.'));
    for (const QString &item : items) {
        bool ok = false;
        parts.append(item.toULongLong(&ok));
        if (!ok)
            return std::nullopt;
    }
    return parts;
}

// A version text read from a file may hold anything; only harmless characters reach the
// backup's file name.
QString fileNameSafe(const QString &version)
{
    QString safe = version.left(20);
    for (QChar &c : safe) {
        const bool allowed = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                             (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                             (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                             c == QLatin1Char('.') || c == QLatin1Char('-');
        if (!allowed)
            c = QLatin1Char('_');
    }
    return safe;
}

// Replaces target with the bytes of source in one step, so that a failure half way leaves
// target as it was.
bool overwriteWith(const QString &source, const QString &target)
{
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        qCWarning(lcUpgrade).noquote() << "Cannot copy" << source << "over" << target;
        return false;
    }
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(64 * 1024);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size()) {
            qCWarning(lcUpgrade).noquote() << "Cannot copy" << source << "over" << target;
            out.cancelWriting();
            out.commit();
            return false;
        }
    }
    return out.commit();
}
bool sameBytes(const QString &left, const QString &right)
{
    QFile a(left);
    QFile b(right);
    if (a.size() != b.size() || !a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return false;
    while (!a.atEnd()) {
        const QByteArray chunk = a.read(64 * 1024);
        if (chunk.isEmpty() || chunk != b.read(chunk.size()))
            return false;
    }
    return true;
}
} // namespace

UpgradeRunner::UpgradeRunner(const QString &connectionName, std::function<QString()> readVersion,
                             QList<Table> tables, Versions versions)
    : m_connectionName(connectionName),
      m_filePath(
          QFileInfo(Connections::database(connectionName).databaseName()).absoluteFilePath()),
      m_readVersion(std::move(readVersion)), m_tables(std::move(tables)),
      m_versions(std::move(versions))
{
}

UpgradeRunner::Outcome UpgradeRunner::run()
{
    Outcome outcome;
    const QString version = m_readVersion();
    if (version == m_versions.current) {
        // Nothing to migrate; the outcome only says whether the tables are as they should be.
        outcome.succeeded = matchesCurrent();
        outcome.version = version;
        return outcome;
    }
    if (!canMigrate(version)) {
        // Nothing could be carried over, so the file is not touched at all: no copy, no
        // restore, and no pile of backups from a file that is refused at every start.
        outcome.version = version;
        return outcome;
    }
    if (!takeBackup(version, &outcome.backupPath)) {
        outcome.backupPath.clear();
        outcome.version = m_readVersion();
        return outcome;
    }
    outcome.succeeded = migrate(version);
    if (!outcome.succeeded)
        outcome.restored = restore(outcome.backupPath);
    outcome.version = m_readVersion();
    return outcome;
}

bool UpgradeRunner::runAndReport(const QString &fileNoun)
{
    const Outcome outcome = run();
    if (outcome.succeeded) {
        MessageHelper::show(MessageIcon::Information, MessageHelper::fileUpgradeTitle(),
                            QStringLiteral("The ") + fileNoun +
                                QStringLiteral(" is now version (") + outcome.version +
                                QStringLiteral(")).\nUpdate successful."));
        return true;
    }
    if (!outcome.backupPath.isEmpty() && !outcome.restored)
        qCWarning(lcUpgrade).noquote()
            << "The" << fileNoun << "could not be restored; its copy is" << outcome.backupPath;
    MessageHelper::show(MessageIcon::Information, MessageHelper::fileUpgradeTitle(),
                        failureText(outcome, fileNoun));
    return false;
}

QString UpgradeRunner::failureText(const Outcome &outcome, const QString &fileNoun)
{
    QString what;
    if (outcome.backupPath.isEmpty())
        what = QStringLiteral("The ") + fileNoun + QStringLiteral(" was left as it was.");
    else if (outcome.restored)
        what = QStringLiteral("Replacing current file with backup file.");
    else
        what = QStringLiteral("The ") + fileNoun +
               QStringLiteral(" could not be put back as it was.\nPlease recover it from the "
                              "backup file:\n") +
               QDir::toNativeSeparators(outcome.backupPath);
    return QStringLiteral("The ") + fileNoun + QStringLiteral(" is still version (") +
           outcome.version + QStringLiteral(")).\nUpdate was not successful.  ") + what;
}

bool UpgradeRunner::canMigrate(const QString &version)
{
    if (!m_versions.isKnownOlder(version)) {
        qCWarning(lcUpgrade).noquote() << "No upgrade is known from version" << version;
        return false;
    }
    for (const Table &table : std::as_const(m_tables)) {
        if (!table.layoutMatches(version)) {
            qCWarning(lcUpgrade).noquote()
                << "Upgrade from version" << version << "failed: layout check of" << table.name;
            return false;
        }
    }
    return true;
}

bool UpgradeRunner::takeBackup(const QString &version, QString *backupPath)
{
    *backupPath = backupPathFor(m_filePath, version);
    // Closed, the file holds everything the connection wrote and nothing half done.
    Connections::close(m_connectionName);
    const bool copied = !backupPath->isEmpty() && QFile::copy(m_filePath, *backupPath);
    if (!copied)
        qCWarning(lcUpgrade).noquote()
            << "Cannot copy" << m_filePath << "to" << *backupPath << "- the file is left as it is";
    return reopen() && copied;
}

bool UpgradeRunner::migrate(const QString &version)
{
    Transaction transaction(m_connectionName);
    if (!transaction.isActive())
        return false;
    QString from = version;
    for (;;) {
        if (!runPasses(from))
            return false;
        const QString reached = m_readVersion();
        // Each pass must move the file forward, so this ends after the known versions.
        if (!m_versions.isKnownOlder(reached) || compareVersions(reached, from) <= 0)
            break;
        from = reached;
    }
    if (!matchesCurrent())
        return false;
    return transaction.commit();
}

bool UpgradeRunner::runPasses(const QString &version)
{
    using Step = std::function<bool(const QString &)> Table::*;
    const std::pair<Step, const char *> steps[] = {{&Table::layoutMatches, "layout check"},
                                                   {&Table::upgradePrepare, "prepare"},
                                                   {&Table::upgradeCopy, "copy"},
                                                   {&Table::upgradeDrop, "drop"}};
    for (const auto &[step, stepName] : steps) {
        for (const Table &table : std::as_const(m_tables)) {
            if (!(table.*step)(version)) {
                qCWarning(lcUpgrade).noquote() << "Upgrade from version" << version
                                               << "failed:" << stepName << "of" << table.name;
                return false;
            }
        }
    }
    return true;
}

bool UpgradeRunner::matchesCurrent()
{
    for (const Table &table : std::as_const(m_tables)) {
        if (!table.layoutMatches(m_versions.current)) {
            qCWarning(lcUpgrade).noquote()
                << "After the upgrade" << table.name << "does not have the current layout";
            return false;
        }
    }
    const QString reached = m_readVersion();
    if (reached == m_versions.current)
        return true;
    qCWarning(lcUpgrade).noquote() << "After the upgrade the file reads version" << reached;
    return false;
}

bool UpgradeRunner::restore(const QString &backupPath)
{
    Connections::close(m_connectionName);
    // A run that rolled back before anything reached the disk (a write-protected file, say)
    // left the file as the copy has it: there is nothing to put back.
    const bool copied = sameBytes(backupPath, m_filePath) || overwriteWith(backupPath, m_filePath);
    const bool reopened = reopen();
    if (!copied)
        qCWarning(lcUpgrade).noquote()
            << "Could not put" << backupPath << "back over" << m_filePath;
    return copied && reopened;
}

bool UpgradeRunner::reopen()
{
    return Connections::open(m_connectionName, m_filePath);
}

int UpgradeRunner::compareVersions(const QString &left, const QString &right)
{
    const auto leftParts = versionParts(left);
    const auto rightParts = versionParts(right);
    if (!leftParts || !rightParts) {
        if (leftParts)
            return 1;
        if (rightParts)
            return -1;
        const int order = QString::compare(left, right);
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    const qsizetype count = qMax(leftParts->size(), rightParts->size());
    for (qsizetype i = 0; i < count; ++i) {
        const qulonglong a = leftParts->value(i, 0);
        const qulonglong b = rightParts->value(i, 0);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return 0;
}

bool UpgradeRunner::Versions::isNewer(const QString &version) const
{
    return versionParts(version).has_value() && compareVersions(version, current) > 0;
}

UpgradeRunner::Versions UpgradeRunner::dataFileVersions()
{
    return {currentVersion(),
            {QStringLiteral("1.0"), QStringLiteral("1.1"), QStringLiteral("1.2"),
             QStringLiteral("1.4"), QStringLiteral("1.5")}};
}

UpgradeRunner::Versions UpgradeRunner::systemVersions()
{
    return {systemVersion(), {QStringLiteral("1.0"), QStringLiteral("1.1"), QStringLiteral("1.2")}};
}

bool UpgradeRunner::isNewerThanCurrent(const QString &version)
{
    return dataFileVersions().isNewer(version);
}

bool UpgradeRunner::isKnownOlder(const QString &version)
{
    return dataFileVersions().isKnownOlder(version);
}

QString UpgradeRunner::backupPathFor(const QString &filePath, const QString &version)
{
    const QFileInfo info(filePath);
    const QString stem = info.fileName() + QStringLiteral(".v") + fileNameSafe(version);
    const QDir dir = info.absoluteDir();
    QString candidate = dir.filePath(stem + QStringLiteral(".bak"));
    for (int counter = 1; QFileInfo::exists(candidate); ++counter) {
        if (counter > 9999)
            return QString();
        candidate = dir.filePath(stem + QStringLiteral(".%1.bak").arg(counter));
    }
    return candidate;
}

bool UpgradeRunner::isReadableDatabase(const QString &connectionName)
{
    QSqlDatabase db = Connections::database(connectionName);
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master;")) || !query.next()) {
        qCWarning(lcUpgrade).noquote()
            << db.databaseName() << "cannot be read as a database -" << query.lastError().text();
        return false;
    }
    query.finish();
    return isWhole(db);
}

bool UpgradeRunner::isInertSchema(const QString &connectionName, const QStringList &ownTables,
                                  const QHash<QString, QString> &uniqueColumns)
{
    QSqlQuery query(Connections::database(connectionName));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master"))) {
        qCWarning(lcUpgrade).noquote() << "Cannot read the schema -" << query.lastError().text();
        return false;
    }
    while (query.next()) {
        const QString type = query.value(0).toString();
        const QString name = query.value(1).toString();
        const QString sql = query.value(2).toString().simplified();
        const bool actsOrStandsIn =
            type == QLatin1String("trigger") || type == QLatin1String("view");
        const bool ownButNotPlain =
            ownTables.contains(name, Qt::CaseInsensitive) &&
            (type != QLatin1String("table") ||
             !sql.startsWith(QLatin1String("CREATE TABLE"), Qt::CaseInsensitive));
        if (actsOrStandsIn || ownButNotPlain) {
            qCWarning(lcUpgrade).noquote()
                << "The file's schema holds the" << type << name << "- the file is refused";
            return false;
        }
    }
    if (query.lastError().type() != QSqlError::NoError)
        return false;
    query.finish();
    return SchemaCheck::isPlain(connectionName, ownTables, uniqueColumns);
}

// A copy that stopped part way still opens, and its first pages read well; the pages it lacks
// read as zeros, which SQLite does not notice until a table that lives there is read (or
// written). A file shorter than the pages its header counts is therefore refused outright.
bool UpgradeRunner::isWhole(const QSqlDatabase &db)
{
    const auto pragma = [&db](const QString &name) {
        QSqlQuery query(db);
        return query.exec(QStringLiteral("PRAGMA ") + name) && query.next() ? query.value(0)
                                                                            : QVariant();
    };
    // In WAL mode recent pages live in the side file, not yet in the database file.
    if (pragma(QStringLiteral("journal_mode")).toString() == QLatin1String("wal"))
        return true;
    const qint64 needed = pragma(QStringLiteral("page_count")).toLongLong() *
                          pragma(QStringLiteral("page_size")).toLongLong();
    const qint64 size = QFileInfo(db.databaseName()).size();
    if (size >= needed)
        return true;
    qCWarning(lcUpgrade).noquote()
        << db.databaseName() << "is cut short:" << size << "bytes of" << needed;
    return false;
}

bool UpgradeRunner::isLockedByAnother(const QString &connectionName)
{
    QSqlQuery query(Connections::database(connectionName));
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master;")))
        return false;
    // SQLITE_BUSY (5) and SQLITE_LOCKED (6): the file is a database, just not ours right now.
    const QString code = query.lastError().nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6");
}
