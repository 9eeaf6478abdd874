#pragma once

#include <QSqlDatabase>
#include <QString>

// The two named SQLite connections of the program: "current" on the open data file and
// "system" on system.db. Records look them up by name for every operation.
class Connections
{
public:
    static QString current() { return QStringLiteral("current"); }
    static QString system() { return QStringLiteral("system"); }

    // The connection of that name, opened on demand; invalid when it was never registered.
    static QSqlDatabase database(const QString &connectionName);

    // Registers connectionName anew (dropping an older registration of that name) and opens
    // it on path. A file held locked by another program makes statements fail after a short
    // wait instead of hanging the window. A read-only connection never creates the file and
    // refuses every write. Either way nothing stored in the file's schema is trusted to run
    // functions with side effects.
    static bool open(const QString &connectionName, const QString &path, bool readOnly = false);

    // Closes and unregisters the connection, if it exists.
    static void close(const QString &connectionName);
};

// While it lives, statements on the connection that find the file locked by another program
// fail at once instead of after the usual wait. For writes that may just as well happen
// another time, such as the paid states written back while bills are read: one wait per bill
// would freeze the window for minutes.
class LockWaitSuspension
{
public:
    explicit LockWaitSuspension(const QString &connectionName);
    ~LockWaitSuspension();

    LockWaitSuspension(const LockWaitSuspension &) = delete;
    LockWaitSuspension &operator=(const LockWaitSuspension &) = delete;

private:
    QString m_connectionName;
    int m_previousMs = -1;
};
