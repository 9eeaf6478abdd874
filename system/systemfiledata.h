#pragma once

#include "activedomainobject.h"

#include <QSqlRecord>
#include <QString>

class QSqlQuery;

// The header row of system.db (table systemfiledata), holding the store's schema version.
// Works on the connection of the system store. Unlike the data file's header, a new record's
// texts are null, so a record saved as it is writes NULL into them.
class SystemFileData final : public ActiveDomainObject
{
public:
    SystemFileData() = default;
    SystemFileData(const QString &firstName, const QString &lastName, const QString &address,
                   const QString &emailAddress, const QString &version);
    explicit SystemFileData(const QSqlRecord &record);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    QString firstName() const { return m_firstName; }
    void setFirstName(const QString &firstName) { m_firstName = firstName; }
    QString lastName() const { return m_lastName; }
    void setLastName(const QString &lastName) { m_lastName = lastName; }
    QString address() const { return m_address; }
    void setAddress(const QString &address) { m_address = address; }
    QString emailAddress() const { return m_emailAddress; }
    void setEmailAddress(const QString &emailAddress) { m_emailAddress = emailAddress; }
    QString version() const { return m_version; }
    void setVersion(const QString &version) { m_version = version; }

    // Fills the id and the owner texts; the version is left as it is.
    void setFromRecord(const QSqlRecord &record);
    // Reads the header row (id 1); false when there is none.
    bool load();

    bool save() override;
    bool remove() override;
    // Inserts the record under its own id, for a copy that must keep the row's id.
    bool insertKeepingId();

    static SystemFileData findById(int id);
    static bool createTable();
    // The store's version: from the old header table filedata or from systemfiledata,
    // whichever the file lists first; empty when there is neither or no row.
    static QString readVersion();

    // Upgrade of the table from an older store version (see TableUpgrade).
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
    // Fills this default-constructed record from one row of the version's layout.
    void convertRecord(const QSqlRecord &row, const QString &version);

private:
    void bindTexts(QSqlQuery &query) const;

    int m_id = 0;
    QString m_firstName;
    QString m_lastName;
    QString m_address;
    QString m_emailAddress;
    QString m_version;
};
