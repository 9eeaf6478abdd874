#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh SQLite file opened under a connection name ("current" unless told otherwise),
// closed and removed again when the object goes away.
class ScratchDatabase
{
public:
    explicit ScratchDatabase(const QString &connectionName = QStringLiteral("current"),
                             const QString &fileName = QStringLiteral("scratch.nvbf"));
    ~ScratchDatabase();

    ScratchDatabase(const ScratchDatabase &) = delete;
    ScratchDatabase &operator=(const ScratchDatabase &) = delete;

    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    QString directory() const { return m_dir.path(); }

    // Runs one statement, failing loudly when it does not succeed; for building test data.
    bool exec(const QString &statement) const;
    // First column of the first row of a query, invalid when there is none.
    QVariant scalar(const QString &statement) const;
    int count(const QString &table) const;

private:
    QTemporaryDir m_dir;
    QString m_connectionName;
    QString m_path;
    bool m_open = false;
};
