#pragma once

#include "activedomainobject.h"

#include <QSqlRecord>
#include <QString>

class QSqlQuery;

// The data file and the system store each keep one header row of the same five texts (the
// owner's names, address and e-mail address, and the schema version), saved, read and upgraded
// alike. What sets the two header tables apart is described here.
struct HeaderTable
{
    // Names the record in the warning about a missing row and in its debug lines.
    const char *recordName;
    QString (*connectionName)();
    // The version of the layout the store is written in.
    QString (*currentVersion)();
    const char *table;
    // The placeholder that stands for the id in the statements.
    const char *idPlaceholder;
    // The header table of older files; readVersion reads it as well.
    const char *olderHeader;
    // The layout of the header table of a "1.1" file (see TableUpgrade).
    const char *layout11;
    // A "1.0" file keeps its header in olderHeader, which the upgrade replaces with a new
    // header row in one transaction. Otherwise a "1.0" file has no header table at all.
    bool version10HasHeader;
    // The header rows of older files carry the owner texts; otherwise a converted older row
    // gets empty ones.
    bool olderRowsHaveTexts;
    // A new record's texts are "" rather than null; so does a column read that a current-layout
    // row being converted lacks.
    bool textsStartEmpty;
    // save() writes debug lines.
    bool logsSaves;
};

// The header row of one of the two tables. The record classes derive from HeaderRecordOf
// below, which gives them the static operations on their own table.
class HeaderRecord : public ActiveDomainObject
{
public:
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
    // The header row is never deleted.
    bool remove() override;
    // Inserts the record under its own id, for a copy that must keep the row's id.
    bool insertKeepingId();

    // Fills this default-constructed record from one row of the version's layout (for a "1.0"
    // file with a header: a row of the older header table).
    void convertRecord(const QSqlRecord &row, const QString &version);

protected:
    explicit HeaderRecord(const HeaderTable &table);
    HeaderRecord(const HeaderTable &table, const QString &firstName, const QString &lastName,
                 const QString &address, const QString &emailAddress, const QString &version);
    HeaderRecord(const HeaderTable &table, const QSqlRecord &record);
    HeaderRecord(const HeaderRecord &) = default;
    HeaderRecord &operator=(const HeaderRecord &) = default;
    ~HeaderRecord() = default;

    // Fills the record from the row with that id; false when there is none (the id is then 0).
    bool readRow(int id);

    static QString createStatement(const HeaderTable &table);
    static bool createTable(const HeaderTable &table);
    // The version of the file on the table's connection: from olderHeader or from the table,
    // whichever the file lists first; empty when there is neither or no row.
    static QString readVersion(const HeaderTable &table);
    // Upgrade of the table from an older version (see TableUpgrade).
    static QString layoutColumns(const HeaderTable &table, const QString &version);
    static bool layoutMatches(const HeaderTable &table, const QString &version);
    static bool upgradePrepare(const HeaderTable &table, const QString &version);
    static bool upgradeCopy(const HeaderTable &table, const QString &version);
    static bool upgradeDrop(const HeaderTable &table, const QString &version);

private:
    static bool replaceVersion10Header(const HeaderTable &table);
    QString newText() const;
    // Takes the owner texts from the row; a column it lacks reads as missing.
    void takeTexts(const QSqlRecord &row, const QString &missing);
    void bindTexts(QSqlQuery &query) const;

    const HeaderTable *m_table;
    int m_id = 0;
    QString m_firstName;
    QString m_lastName;
    QString m_address;
    QString m_emailAddress;
    QString m_version;
};

// Record is the class of one header table; it describes the table in a static member
// headerTable, which this template may read.
template <class Record> class HeaderRecordOf : public HeaderRecord
{
public:
    HeaderRecordOf() : HeaderRecord(Record::headerTable) {}
    HeaderRecordOf(const QString &firstName, const QString &lastName, const QString &address,
                   const QString &emailAddress, const QString &version)
        : HeaderRecord(Record::headerTable, firstName, lastName, address, emailAddress, version)
    {
    }
    explicit HeaderRecordOf(const QSqlRecord &record) : HeaderRecord(Record::headerTable, record) {}

    static Record findById(int id)
    {
        Record record;
        record.readRow(id);
        return record;
    }
    static QString createStatement() { return HeaderRecord::createStatement(Record::headerTable); }
    static bool createTable() { return HeaderRecord::createTable(Record::headerTable); }
    static QString readVersion() { return HeaderRecord::readVersion(Record::headerTable); }

    static QString layoutColumns(const QString &version)
    {
        return HeaderRecord::layoutColumns(Record::headerTable, version);
    }
    static bool layoutMatches(const QString &version)
    {
        return HeaderRecord::layoutMatches(Record::headerTable, version);
    }
    static bool upgradePrepare(const QString &version)
    {
        return HeaderRecord::upgradePrepare(Record::headerTable, version);
    }
    static bool upgradeCopy(const QString &version)
    {
        return HeaderRecord::upgradeCopy(Record::headerTable, version);
    }
    static bool upgradeDrop(const QString &version)
    {
        return HeaderRecord::upgradeDrop(Record::headerTable, version);
    }
};
