#pragma once

#include "activedomainobject.h"

#include <QString>

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
    // Payees are hidden through their deleted flag, never removed; nothing to do.
    bool remove() override;

    void setFromRecord(const QSqlRecord &record);

    // Reads the payee with that id. A missing row gives an empty payee that is marked
    // stored, so that a bill pointing at a vanished payee still shows and saves.
    static Payee findById(int id);
    static bool createTable();

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
    int m_id = 0;
    QString m_payeeName;
    QString m_accountNumber;
    QString m_mailingAddress;
    QString m_note;
    bool m_deleted = false;
};
