#pragma once

#include <QString>

#include <functional>

class QSqlQuery;

// Base of every stored record. A record remembers whether it has a row already, so that
// save() knows whether to insert or update.
class ActiveDomainObject
{
public:
    // Both return whether every statement succeeded; a failure is also logged with the
    // database's own error text.
    virtual bool save() = 0;
    virtual bool remove() = 0;

    bool isStored() const { return m_stored; }
    void setStored(bool stored) { m_stored = stored; }
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Row id of the last INSERT on the data file connection, 0 when there is none.
    static int lastInsertId();
    static int lastInsertId(const QString &connectionName);

    // Formatting::currency and Formatting::amount.
    static QString formatCurrency(double value);
    static QString formatAmount(double value);

protected:
    ActiveDomainObject() = default;
    ActiveDomainObject(const ActiveDomainObject &) = default;
    ActiveDomainObject &operator=(const ActiveDomainObject &) = default;
    // Records are always destroyed through their own class, never through this base.
    ~ActiveDomainObject() = default;

    enum class WriteKind
    {
        Update,          // the record's own row, found by its id
        InsertNewId,     // a new row whose id the database chooses (the statement says NULL)
        InsertKeepingId, // a new row under the record's own id
    };

    // Prepares statement on the named connection, binds id to idPlaceholder (not for
    // InsertNewId) and the other columns through bindColumns, and runs it. A failed INSERT
    // leaves id at 0, as the id the record held may belong to another row; InsertNewId takes
    // the new row's id. With missingRowName, an UPDATE that changes no row fails as well and
    // is logged under that name. On success the record is stored and unmodified.
    bool writeRecord(WriteKind kind, const QString &connectionName, const QString &statement,
                     const QString &idPlaceholder, int &id,
                     const std::function<void(QSqlQuery &)> &bindColumns,
                     const char *missingRowName = nullptr);

    // False, with the reason as the last error text, for a record that has no row: a delete
    // meant for it must not reach whichever row happens to have its id (0, say).
    bool hasRow(const char *recordName) const;

private:
    bool m_stored = false;
    bool m_modified = false;
};

// The layout version of the data files this program writes, which is also its own version.
QString currentVersion();
// The layout version of system.db. It moves separately from the data files, so that an older
// program can still use the store after a data file was upgraded.
QString systemVersion();
// "1.2" and "1.4" files share one layout, which later versions extend.
bool hasLayout14(const QString &version);
// "1.5" and the current version share the layout of bills, schedules, payments, payees and the
// header; the current one adds the tables of imported statements.
bool hasLayout15(const QString &version);
QString productTitle();
