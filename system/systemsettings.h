#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// Small named values of the program kept in system.db (table settings, one row per key), such
// as the reminder period or where a calendar is kept up to date. The table is made by the first
// value stored, so a store that never needed one keeps exactly the tables it had; until then
// every key reads as its fallback. Only a store that is open and of the current version is
// written: an older store whose upgrade failed, a newer one or a foreign file stays as it is.
// Works on the connection "system".
class SystemSettings
{
public:
    using Values = QList<std::pair<QString, QString>>;

    static QString value(const QString &key, const QString &fallback = QString());
    // False when the value could not be stored.
    static bool setValue(const QString &key, const QString &value);
    // Stores those of the values that differ from what is stored, all or none, in one write
    // to the disk; nothing is written when none differs.
    static bool setValues(const Values &values);
    // The stored keys that begin with prefix (compared exactly, case included).
    static QStringList keys(const QString &prefix);
    // Forgets the key; true when it is gone (or was never there).
    static bool remove(const QString &key);

    static QString createStatement();
    static bool createTable();

private:
    static bool hasTable();
};
