#include "transaction.h"

#include "recordsql.h"

namespace {
int g_depth = 0;
} // namespace

Transaction::Transaction(const QString &connectionName)
    : m_connectionName(connectionName), m_name(QStringLiteral("nv_savepoint_%1").arg(++g_depth))
{
    m_active = RecordSql::run(m_connectionName, QStringLiteral("SAVEPOINT ") + m_name);
    if (!m_active)
        --g_depth;
    else
        RecordSql::beginStatementReuse(m_connectionName);
}

Transaction::~Transaction()
{
    rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    const bool released = RecordSql::run(m_connectionName, QStringLiteral("RELEASE ") + m_name);
    if (!released) {
        rollback();
        return false;
    }
    m_active = false;
    --g_depth;
    RecordSql::endStatementReuse(m_connectionName);
    return true;
}

void Transaction::rollback()
{
    if (!m_active)
        return;
    RecordSql::run(m_connectionName, QStringLiteral("ROLLBACK TO ") + m_name);
    RecordSql::run(m_connectionName, QStringLiteral("RELEASE ") + m_name);
    m_active = false;
    --g_depth;
    RecordSql::endStatementReuse(m_connectionName);
}
