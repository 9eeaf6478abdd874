#include "activedomainobject.h"

#include "connections.h"
#include "recordsql.h"

#include <QLocale>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QtDebug>

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
        qWarning().noquote() << RecordSql::lastErrorText();
        return false;
    }
    // The id of the row this statement inserted, as last_insert_rowid() would give it.
    if (kind == WriteKind::InsertNewId)
        id = query->lastInsertId().toInt();
    setStored(true);
    setModified(false);
    return true;
}

static QString formatWithPattern(const QString &pattern, double value)
{
    // Amounts are always shown in US notation, and the rest of the program relies on that
    // locale being the default once any amount has been formatted. It is replaced only when
    // it differs: a list of many thousand amounts would otherwise replace it for each one.
    static const QLocale us(QLocale::English, QLocale::UnitedStates);
    if (QLocale() != us)
        QLocale::setDefault(us);
    return pattern.arg(value, 0, 'f', 2, QLatin1Char(' '));
}

QString ActiveDomainObject::formatCurrency(double value)
{
    return formatWithPattern(QStringLiteral("$%L1"), value);
}

QString ActiveDomainObject::formatAmount(double value)
{
    return formatWithPattern(QStringLiteral("%L1"), value);
}

QString monthName(const QDate &day)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).monthName(day.month());
}

QString currentVersion()
{
    return QStringLiteral("1.4");
}

QString productTitle()
{
    return QStringLiteral("Norvo Rava Rodozod ") + currentVersion();
}
