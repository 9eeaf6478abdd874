#pragma once

#include "activedomainobject.h"
#include "billpayment.h"
#include "payee.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <utility>

class ColumnReader;
class QSqlQuery;
class QSqlRecord;

// One amount owed to a payee on one due date. A bill carries a copy of its payee and the sum
// of its payments, which decides whether it is paid; the payments themselves are read when
// they are shown or changed (BillPayment::ofBill). The payee copy is read-only and shared
// between copies of the bill and between the bills of one load.
class Bill final : public ActiveDomainObject
{
public:
    Bill();
    Bill(int billScheduleId, const Payee &payee, const QString &description, double amount,
         const QDate &insertDate, const QDate &dueDate, const QDate &paidDate, bool paid,
         bool unique, const QString &note, bool deleted);
    explicit Bill(const QSqlRecord &record);

    bool save() override;
    // Deletes the bill's stored payments and its row, all or nothing.
    bool remove() override;
    // Inserts the bill's row under its own id, exactly as the fields are: its paid state is
    // not recomputed. For a copy that must keep the ids payments hold.
    bool insertKeepingId();

    // Fills the bill from one row, sums its payments and refreshes its paid state. The row
    // is written back only when that state changed. False when the payments could not be
    // read: the bill then counts as unreadable and is not settled.
    bool setFromRecord(const QSqlRecord &record);

    // The stored bill, or nothing when it has no row or it (or its payments) could not be
    // read; the last error text then says which.
    static std::optional<Bill> findById(int id);
    // The statement that creates the table in the current layout.
    static QString createStatement();
    static bool createTable();

    // Upgrade of the table from an older file version (see TableUpgrade). The statements of
    // upgradePrepare write their error texts to the debug output.
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    // Bills of an older layout each get a "SINGLE" schedule of their own; bills of the
    // current layout keep their ids and schedules.
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
    // Fills this default-constructed bill from one row of the version's layout, looking its
    // payee up through the payee link; it is left not stored and its payments are not read.
    // False when a lookup failed.
    bool convertRecord(const QSqlRecord &row, const QString &version);
    // The id that the payee with oldId received in the copy, 0 when it has none. ok, when
    // given, is false when the lookup itself failed.
    static int newPayeeId(int oldId, const QString &version, bool *ok = nullptr);

    // Counts the payment towards what is paid on the bill, in memory only.
    void addPayment(const BillPayment &payment);
    // Sums the stored payments of the bill anew, earliest first.
    bool loadPayments();
    // Whether any payment was counted, readable or not.
    bool hasPayments() const { return m_paymentCount > 0; }
    // What the payments counted so far come to.
    double paidSoFar() const { return m_paidSoFar; }

    // What the bill is expected to come to: for an estimate the forecast worked out at load
    // when there is one, otherwise the stored amount.
    double expectedAmount() const;
    // The expected amount less the payments.
    double balance() const;

    // False when the row's amount is not a finite number, its due date not a date, or the
    // amount of one of its payments cannot be read (then what is left to pay is not known):
    // such a bill is left exactly as stored, never settled or written back.
    bool isReadable() const;
    // The amount and the due date alone could be read, whatever the payments hold.
    bool hasReadableValues() const { return m_readable; }

    // Paid once the payments cover the amount. The paid date records the day the bill
    // turned paid and is kept while it stays paid, so that reading a file on a later day
    // does not move it. Writes the row only when the paid flag or date changed (or an
    // earlier change could not be written); returns false when that write failed.
    bool refreshPaidState();

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    int billScheduleId() const { return m_billScheduleId; }
    void setBillScheduleId(int billScheduleId) { m_billScheduleId = billScheduleId; }
    Payee payee() const;
    // The payee's name without a copy of the whole payee, for lists that sort by it.
    QString payeeName() const;
    void setPayee(const Payee &payee);
    QString description() const { return m_description; }
    void setDescription(const QString &description) { m_description = description; }
    double amount() const { return m_amount; }
    void setAmount(double amount);
    QDate insertDate() const { return m_insertDate; }
    void setInsertDate(const QDate &insertDate) { m_insertDate = insertDate; }
    QDate dueDate() const { return m_dueDate; }
    void setDueDate(const QDate &dueDate);
    bool isPaid() const { return m_paid; }
    void setPaid(bool paid) { m_paid = paid; }
    QDate paidDate() const { return m_paidDate; }
    void setPaidDate(const QDate &paidDate) { m_paidDate = paidDate; }
    bool isUnique() const { return m_unique; }
    void setUnique(bool unique) { m_unique = unique; }
    QString note() const { return m_note; }
    void setNote(const QString &note) { m_note = note; }
    bool isDeleted() const { return m_deleted; }
    void setDeleted(bool deleted) { m_deleted = deleted; }
    // The stored amount is a placeholder until the real one is known (a bill of a series whose
    // amount varies).
    bool isEstimate() const { return m_estimate; }
    void setEstimate(bool estimate) { m_estimate = estimate; }
    // The forecast of an estimate, worked out from its series when loaded. Never stored.
    std::optional<double> forecast() const { return m_forecast; }
    void setForecast(std::optional<double> forecast) { m_forecast = forecast; }

    // The paid date of a bill that has never been paid.
    static QDate neverPaidDate() { return QDate(2000, 1, 1); }

private:
    // Loads whole files by reading rows straight into bills (see RecordLoader).
    friend class RecordLoader;

    enum class PaidStateWrite
    {
        WholeRow,
        PaidColumns
    };
    bool refreshPaidState(PaidStateWrite write);
    bool writePaidColumns();
    bool removeRow();
    bool removePayments();
    void clearPayments();
    // Counts one payment as addPayment() does; returns how many were counted.
    int countPayment(double amount, bool readable);
    void readColumns(const QSqlRecord &record);
    void readColumns(const ColumnReader &row);
    // Notes which of the two values the bill cannot be read without could not be read.
    void keepUnread(const QVariant &amount, const QVariant &dueDate);
    // Reads the rows of a query on the table by column position.
    static ColumnReader columnReader(const QSqlQuery &query);
    // Keeps the payee's snapshot but makes sure it names payeeId.
    void setPayeeOfRow(const std::shared_ptr<const Payee> &payee, int payeeId);
    // The in-memory half of refreshPaidState(): true when the row needs writing.
    bool settlePaidState();
    void bindColumns(QSqlQuery &query) const;
    // The copied payees of an upgrade by their old ids, each looked up once: an old file names
    // a few payees from thousands of bills.
    using CopiedPayees = QHash<int, std::shared_ptr<const Payee>>;
    bool convertOldRecord(const QSqlRecord &row, const QString &version,
                          CopiedPayees *copiedPayees);
    bool lookUpCopiedPayee(int oldId, const QString &version, CopiedPayees *copiedPayees);
    static bool copyCurrentRows(const QString &layout);
    static bool copyOldRows(const QString &version);
    static bool copyPlainOldRows(const QString &version, int scheduleBase);
    static bool convertOtherOldRows(const QString &version,
                                    QList<std::pair<Bill, QVariant>> *others);
    // Older files marked a bill paid by its flag alone; oldPaidDate is the old row's paid date.
    bool carryOverPaidState(const QVariant &oldPaidDate);

    int m_id = 0;
    int m_billScheduleId = 0;
    double m_paidSoFar = 0.0;
    int m_paymentCount = 0;
    // False once a payment whose amount cannot be read was counted.
    bool m_paymentsReadable = true;
    // Never null.
    std::shared_ptr<const Payee> m_payee;
    QString m_description;
    QDate m_insertDate;
    double m_amount = 0.0;
    QDate m_dueDate;
    bool m_paid = false;
    QDate m_paidDate;
    bool m_unique = false;
    QString m_note;
    bool m_deleted = false;
    bool m_estimate = false;
    std::optional<double> m_forecast;
    bool m_readable = true;
    // An amount or due date as stored when it could not be read: a write puts back what the
    // file held, not what reading it made of it, until the bill is given a value of its own.
    std::optional<QVariant> m_storedAmount;
    std::optional<QVariant> m_storedDueDate;
    // A paid state computed in memory that has not reached the row yet.
    bool m_paidStateUnwritten = false;
};
