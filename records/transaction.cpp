#include "transaction.h"

#include "connections.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

namespace {
int g_depth = 0;

bool run(const QString &connectionName, const QString &statement)
{
    QSqlQuery query(Connections::database(connectionName));
    if (query.exec(statement))
        return true;
    qWarning().noquote() << "SQL statement failed:" << statement << "-" << query.lastError().text();
    return false;
}
} // namespace

Transaction::Transaction(const QString &connectionName)
    : m_connectionName(connectionName), m_name(QStringLiteral("nv_savepoint_%1").arg(++g_depth))
{
    m_active = run(m_connectionName, QStringLiteral("SAVEPOINT ") + m_name);
    if (!m_active)
        --g_depth;
}

Transaction::~Transaction()
{
    rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    const bool released = run(m_connectionName, QStringLiteral("RELEASE ") + m_name);
    if (!released) {
        rollback();
        return false;
    }
    m_active = false;
    --g_depth;
    return true;
}

void Transaction::rollback()
{
    if (!m_active)
        return;
    run(m_connectionName, QStringLiteral("ROLLBACK TO ") + m_name);
    run(m_connectionName, QStringLiteral("RELEASE ") + m_name);
    m_active = false;
    --g_depth;
}
