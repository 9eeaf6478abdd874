#include "scratchdatabase.h"

#include "connections.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtDebug>

ScratchDatabase::ScratchDatabase(const QString &connectionName, const QString &fileName)
    : m_connectionName(connectionName), m_path(m_dir.filePath(fileName))
{
    m_open = m_dir.isValid() && Connections::open(m_connectionName, m_path);
}

ScratchDatabase::~ScratchDatabase()
{
    Connections::close(m_connectionName);
}

bool ScratchDatabase::exec(const QString &statement) const
{
    QSqlQuery query(Connections::database(m_connectionName));
    if (query.exec(statement))
        return true;
    qWarning().noquote() << "ScratchDatabase:" << statement << "-" << query.lastError().text();
    return false;
}

QVariant ScratchDatabase::scalar(const QString &statement) const
{
    QSqlQuery query(Connections::database(m_connectionName));
    if (!query.exec(statement) || !query.next())
        return QVariant();
    return query.value(0);
}

int ScratchDatabase::count(const QString &table) const
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}
