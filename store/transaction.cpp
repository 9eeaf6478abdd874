#include "transaction.h"

#include "recordsql.h"

#include <QHash>

namespace {
int g_depth = 0;

// Open savepoints per connection: the outermost one is the whole transaction.
QHash<QString, int> &openOn()
{
    static QHash<QString, int> depths;
    return depths;
}
} // namespace

Transaction::Transaction(const QString &connectionName)
    : m_connectionName(connectionName), m_name(QStringLiteral("nv_savepoint_%1").arg(++g_depth))
{
    m_active = RecordSql::run(m_connectionName, QStringLiteral("SAVEPOINT ") + m_name);
    if (!m_active) {
        --g_depth;
    } else {
        ++openOn()[m_connectionName];
        RecordSql::beginStatementReuse(m_connectionName);
    }
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
    finish();
    return true;
}

void Transaction::rollback()
{
    if (!m_active)
        return;
    // What the user is told is why the group failed, not what the rollback met: on a full
    // disk SQLite has rolled the whole transaction back itself, and the rollback then fails
    // with "no transaction is active".
    const QString reason = RecordSql::lastErrorText();
    if (openOn().value(m_connectionName) == 1) {
        // The outermost savepoint is the whole transaction, so it is ended outright. Releasing
        // it instead would commit the empty transaction (the file's change counter moves), and
        // a RELEASE that fails (another program holds a lock) would leave it open: every later
        // save would then sit in it, never reach the disk and keep the file locked.
        RecordSql::run(m_connectionName, QStringLiteral("ROLLBACK"));
    } else {
        RecordSql::run(m_connectionName, QStringLiteral("ROLLBACK TO ") + m_name);
        RecordSql::run(m_connectionName, QStringLiteral("RELEASE ") + m_name);
    }
    RecordSql::setLastErrorText(reason);
    finish();
}

void Transaction::finish()
{
    m_active = false;
    --g_depth;
    if (--openOn()[m_connectionName] <= 0)
        openOn().remove(m_connectionName);
    RecordSql::endStatementReuse(m_connectionName);
}
