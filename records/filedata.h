#pragma once

#include "activedomainobject.h"

#include <QSqlRecord>
#include <QString>

class QSqlQuery;

// The header row of a data file (table filedata): the owner's texts and the file's schema
// version. Works on the connection of the open data file.
class FileData final : public ActiveDomainObject
{
public:
    FileData() = default;
    FileData(const QString &firstName, const QString &lastName, const QString &address,
             const QString &emailAddress, const QString &version);
    explicit FileData(const QSqlRecord &record);

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
    // Inserts the record under its own id, for a copy that must keep the ids other rows hold.
    bool insertKeepingId();

    static FileData findById(int id);
    static bool createTable();
    // The open data file's version: from the legacy table reg or from filedata, whichever
    // the file lists first; empty when there is neither or no row.
    static QString readVersion();

    // Upgrade of the table from an older file version (see TableUpgrade).
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    // A "1.0" file has no filedata table but the legacy header reg: the copy writes the new
    // header row from it and drops reg, in one transaction.
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
    // Fills this default-constructed record from one row of the version's layout ("1.0": a
    // row of reg).
    void convertRecord(const QSqlRecord &row, const QString &version);

private:
    static bool replaceLegacyHeader();
    void bindTexts(QSqlQuery &query) const;

    int m_id = 0;
    QString m_firstName = QStringLiteral("");
    QString m_lastName = QStringLiteral("");
    QString m_address = QStringLiteral("");
    QString m_emailAddress = QStringLiteral("");
    QString m_version = QStringLiteral("");
};
