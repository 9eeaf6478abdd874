#include "activedomainobject.h"

#include "connections.h"
#include "formatting.h"
#include "logging.h"
#include "recordsql.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

int ActiveDomainObject::lastInsertId()
{
    return lastInsertId(Connections::current());
}

int ActiveDomainObject::lastInsertId(const QString &connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return 0;
    QSqlDatabase db = QSqlDatabase::database(connectionName);
    if (!db.isOpen())
        return 0;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT last_insert_rowid();")))
        return 0;
    int id = 0;
    while (query.next())
        id = query.value(0).toInt();
    return id;
}

bool ActiveDomainObject::writeRecord(WriteKind kind, const QString &connectionName,
                                     const QString &statement, const QString &idPlaceholder,
                                     int &id, const std::function<void(QSqlQuery &)> &bindColumns,
                                     const char *missingRowName)
{
    // The reason shown for a failed save must be this write's, not an older one's.
    RecordSql::setLastErrorText(QString());
    QSqlQuery fresh;
    QSqlQuery *query = RecordSql::prepareWrite(fresh, connectionName, statement);
    bool ok = query != nullptr;
    if (ok) {
        if (kind != WriteKind::InsertNewId)
            query->bindValue(idPlaceholder, id);
        bindColumns(*query);
        ok = RecordSql::exec(*query);
    }
    if (!ok) {
        if (kind != WriteKind::Update)
            id = 0;
        return false;
    }
    if (kind == WriteKind::Update && missingRowName && query->numRowsAffected() < 1) {
        RecordSql::setLastErrorText(QStringLiteral("%1: there is no row %2 to update")
                                        .arg(QLatin1String(missingRowName))
                                        .arg(id));
        qCWarning(lcStore).noquote() << RecordSql::lastErrorText();
        return false;
    }
    // The id of the row this statement inserted, as last_insert_rowid() would give it.
    if (kind == WriteKind::InsertNewId)
        id = query->lastInsertId().toInt();
    setStored(true);
    setModified(false);
    return true;
}

bool ActiveDomainObject::hasRow(const char *recordName) const
{
    if (m_stored)
        return true;
    RecordSql::setLastErrorText(
        QStringLiteral("%1: the record has no row to delete").arg(QLatin1String(recordName)));
    qCWarning(lcStore).noquote() << RecordSql::lastErrorText();
    return false;
}

QString ActiveDomainObject::formatCurrency(double value)
{
    return Formatting::currency(value);
}

QString ActiveDomainObject::formatAmount(double value)
{
    return Formatting::amount(value);
}

QString currentVersion()
{
    return QStringLiteral("1.6");
}

QString systemVersion()
{
    return QStringLiteral("1.4");
}

bool hasLayout14(const QString &version)
{
    return version == QLatin1String("1.2") || version == QLatin1String("1.4");
}

bool hasLayout15(const QString &version)
{
    return version == QLatin1String("1.5") || version == currentVersion();
}

QString productTitle()
{
    return QStringLiteral("Norvo Rava Rodozod ") + currentVersion();
}
