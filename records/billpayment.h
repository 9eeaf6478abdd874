#pragma once

#include "activedomainobject.h"

#include <QDateTime>

class QSqlQuery;
class QSqlRecord;

// One amount paid against one bill at one moment. Saving a payment brings the paid state
// of its bill up to date; removing one touches only its own row.
class BillPayment final : public ActiveDomainObject
{
public:
    BillPayment();
    BillPayment(int billId, const QDateTime &paymentDate, double amount);
    explicit BillPayment(const QSqlRecord &record);

    // Writes the payment and its bill's paid state together, or neither.
    bool save() override;
    bool remove() override;
    // Inserts the payment's row under its own id and nothing else: the bill's paid state is
    // left as it is stored. For a copy that must keep ids and paid states.
    bool insertKeepingId();

    void setFromRecord(const QSqlRecord &record);

    // A missing row gives a payment with id 0, a null date and amount 0, marked stored.
    static BillPayment findById(int id);
    static bool createTable();

    // Upgrade of the table from an older file version (see TableUpgrade).
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
    // Fills this default-constructed payment from one row of the version's layout; it is
    // left not stored.
    void convertRecord(const QSqlRecord &row, const QString &version);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    int billId() const { return m_billId; }
    void setBillId(int billId) { m_billId = billId; }
    QDateTime paymentDate() const { return m_paymentDate; }
    void setPaymentDate(const QDateTime &paymentDate) { m_paymentDate = paymentDate; }
    double amount() const { return m_amount; }
    void setAmount(double amount) { m_amount = amount; }

private:
    bool writeRow();
    void bindColumns(QSqlQuery &query) const;

    int m_id = 0;
    int m_billId = 0;
    QDateTime m_paymentDate;
    double m_amount = 0.0;
};
