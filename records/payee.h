#pragma once

#include "activedomainobject.h"

#include <QString>

#include <optional>

class ColumnReader;
class QSqlQuery;
class QSqlRecord;

// The party a bill is paid to. Payees are never deleted from the table: the deleted flag
// hides them from every list, and bills that name them keep loading them by id.
class Payee final : public ActiveDomainObject
{
public:
    Payee();
    Payee(int id, const QString &payeeName, const QString &accountNumber,
          const QString &mailingAddress, const QString &note, bool deleted);
    explicit Payee(const QSqlRecord &record);

    bool save() override;
    // Inserts the payee under its own id, for a copy that must keep the ids bills hold.
    bool insertKeepingId();
    // Payees are hidden through their deleted flag, never removed; nothing to do.
    bool remove() override;

    void setFromRecord(const QSqlRecord &record);

    // The stored payee, or nothing when it has no row or could not be read (the last error
    // text says which). A bill whose payee has gone shows the empty payee under the same id.
    static std::optional<Payee> findById(int id);
    // The statement that creates the table in the current layout.
    static QString createStatement();
    static bool createTable();

    // Upgrade of the table from an older file version (see TableUpgrade).
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    // Every copied payee records its old id in the link table, for the bills copied after it.
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
    // Fills this default-constructed payee from one row of the version's layout; it is left
    // not stored.
    void convertRecord(const QSqlRecord &row, const QString &version);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    QString payeeName() const { return m_payeeName; }
    void setPayeeName(const QString &payeeName) { m_payeeName = payeeName; }
    QString accountNumber() const { return m_accountNumber; }
    void setAccountNumber(const QString &accountNumber) { m_accountNumber = accountNumber; }
    QString mailingAddress() const { return m_mailingAddress; }
    void setMailingAddress(const QString &mailingAddress) { m_mailingAddress = mailingAddress; }
    QString note() const { return m_note; }
    void setNote(const QString &note) { m_note = note; }
    bool isDeleted() const { return m_deleted; }
    void setDeleted(bool deleted) { m_deleted = deleted; }

private:
    // Loads read rows straight into payees (see RecordLoader).
    friend class RecordLoader;

    void bindColumns(QSqlQuery &query) const;
    static bool copyCurrentRows(const QString &layout);
    void readColumns(const ColumnReader &row);
    // Reads the rows of a query on the table by column position.
    static ColumnReader columnReader(const QSqlQuery &query);

    int m_id = 0;
    QString m_payeeName;
    QString m_accountNumber;
    QString m_mailingAddress;
    QString m_note;
    bool m_deleted = false;
};
