#pragma once

#include <QString>

// Scope guard for a group of writes that must land together. It opens a savepoint, so it
// nests inside a caller's own transaction; leaving the scope without commit() rolls the
// group back. While one is open, writes on its connection reuse their compiled statements.
class Transaction
{
public:
    explicit Transaction(const QString &connectionName);
    ~Transaction();

    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // False when the savepoint could not be opened; then nothing is guarded.
    bool isActive() const { return m_active; }
    bool commit();
    void rollback();

private:
    void finish();

    QString m_connectionName;
    QString m_name;
    bool m_active = false;
};
