#pragma once

#include "activedomainobject.h"

#include <QSqlRecord>
#include <QString>

class QSqlQuery;

// A remembered data file location in system.db (table recentfiles); the store uses row 1 for
// the most recently used file. Works on the connection of the system store.
class SystemRecentFiles final : public ActiveDomainObject
{
public:
    SystemRecentFiles() = default;
    explicit SystemRecentFiles(const QString &recentFileLocation);
    explicit SystemRecentFiles(const QSqlRecord &record);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    QString recentFileLocation() const { return m_recentFileLocation; }
    void setRecentFileLocation(const QString &location) { m_recentFileLocation = location; }

    void setFromRecord(const QSqlRecord &record);
    // Reads row 1; false when there is none.
    bool load();

    bool save() override;
    bool remove() override;
    // Inserts the record under its own id, for a copy that must keep the row's id.
    bool insertKeepingId();

    static SystemRecentFiles findById(int id);
    static QString createStatement();
    static bool createTable();

    // Upgrade of the table from an older store version (see TableUpgrade).
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
    // Fills this default-constructed record from one row of the version's layout.
    void convertRecord(const QSqlRecord &row, const QString &version);

private:
    void bindLocation(QSqlQuery &query) const;

    int m_id = 0;
    QString m_recentFileLocation = QStringLiteral("");
};
