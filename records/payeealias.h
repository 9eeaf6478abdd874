#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// A name under which a payee appears on bank statements, learned when a person confirms a
// statement line as that payee's bill, so that the same name matches at once the next time.
class PayeeAlias
{
public:
    // Every learned alias by payee id; nothing when they cannot be read.
    static std::optional<QHash<int, QStringList>> all();
    // Learns the alias for the payee unless it knows it already (ignoring case).
    static bool add(int payeeId, const QString &alias);

    static QString createStatement();
    static bool createTable();

    // Upgrade of the table from an older file version (see TableUpgrade): older versions have
    // none, so the upgrade creates it empty.
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
};
