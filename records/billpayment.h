#pragma once

#include "activedomainobject.h"

#include <QDateTime>
#include <QList>
#include <QVariant>

#include <optional>

class ColumnReader;
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

    // The stored payment, or nothing when it has no row or could not be read (the last error
    // text says which).
    static std::optional<BillPayment> findById(int id);
    // The stored payments of one bill, earliest first, or nothing when they could not be read.
    static std::optional<QList<BillPayment>> ofBill(int billId);
    // Every stored payment, earliest first.
    static std::optional<QList<BillPayment>> all();
    // The statement that creates the table in the current layout.
    static QString createStatement();
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
    QDateTime paymentDate() const;
    // The day of the payment, without the cost of making the moment a local date and time.
    QDate paymentDay() const;
    void setPaymentDate(const QDateTime &paymentDate);
    double amount() const { return m_amount; }
    void setAmount(double amount);
    // False when the stored amount is not a finite number; amount() then says 0, which is
    // not what was paid.
    bool isReadable() const { return !m_storedAmount.has_value(); }
    // A confirmation or cheque number, or the bank's id of the transaction.
    QString reference() const { return m_reference; }
    void setReference(const QString &reference) { m_reference = reference; }

private:
    // Loads read rows straight into payments (see RecordLoader); a bill whose paid state is
    // settled already writes its new payment's row alone.
    friend class RecordLoader;
    friend class Bill;

    bool writeRow();
    void bindColumns(QSqlQuery &query) const;
    static bool copyCurrentRows(const QString &layout);
    void readColumns(const ColumnReader &row);
    void keepUnread(const QVariant &amount);
    // Reads the rows of a query on the table by column position.
    static ColumnReader columnReader(const QSqlQuery &query);
    // Runs the prepared query and reads every payment it gives.
    static std::optional<QList<BillPayment>> readPayments(QSqlQuery &query);

    int m_id = 0;
    int m_billId = 0;
    // A moment read from a row is kept as its local date and time until someone asks for it:
    // a local QDateTime costs a look at the system's time zone (a file system call), and a
    // load reads tens of thousands of payments whose moments the bill list never shows.
    mutable QDateTime m_paymentDate;
    // The local date and time of such a moment as milliseconds from the start of Julian day 0;
    // -1 once m_paymentDate holds the moment.
    mutable qint64 m_pendingLocalMsecs = -1;
    double m_amount = 0.0;
    // The amount as stored when it could not be read, which a write puts back as it was.
    std::optional<QVariant> m_storedAmount;
    QString m_reference = QStringLiteral("");
};
