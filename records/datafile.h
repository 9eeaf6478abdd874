#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

class Bill;
class Payee;
class SystemDatabase;

// The open data file (.nvbf): opens or creates it on the connection "current", checks and
// upgrades its version, and holds what was last loaded from it. Loaded records are shared:
// a record lives as long as this manager or anyone else (the window's selected bill) still
// refers to it, so a reload never leaves a holder with a dangling record and never keeps
// records nobody needs.
class DataFile
{
public:
    using BillPtr = std::shared_ptr<Bill>;
    using PayeePtr = std::shared_ptr<Payee>;

    explicit DataFile(SystemDatabase *systemDatabase);
    ~DataFile();

    DataFile(const DataFile &) = delete;
    DataFile &operator=(const DataFile &) = delete;

    // Opens the file at path, creating it when there is none. On false the file that was
    // open before (if any) is the open one again.
    bool open(const QString &path);
    bool openConnection(const QString &path);
    // Tables and header row of a new file, all or nothing.
    bool createFile();
    // Whether every table has the layout of the file's version and holds no id beyond the
    // range the records keep ids in.
    bool isValid();
    // Upgrades an older file to the current version and tells the user the outcome; true
    // when the file now reads the current version. A failed upgrade leaves the file as it was.
    bool upgrade();

    // Reload billsById and payeesById; billList then holds the unpaid or the paid bills in
    // ascending due-date order.
    bool loadCurrentBills();
    bool loadPaidBills();
    bool reloadPayees();

    // Saves the payee, then reloads the current bills and the payees.
    bool savePayee(const PayeePtr &payee);
    // Deletes the bill with its payments, and its schedule when no other bill uses it.
    bool deleteBill(Bill *bill);
    // Marks the payee and every bill of that payee deleted; nothing is destroyed.
    bool deletePayee(Payee *payee);

    QString formatCurrency(double value) const;
    QString formatAmount(double value) const;

    const QString &path() const { return m_path; }
    const QHash<int, BillPtr> &billsById() const { return m_billsById; }
    const QHash<int, PayeePtr> &payeesById() const { return m_payeesById; }
    const QList<BillPtr> &billList() const { return m_billList; }

private:
    enum class BillSelection
    {
        Unpaid,
        Paid
    };

    bool open(const QString &path, bool reopening);
    bool openNew(const QString &path);
    bool openExisting(const QString &path);
    bool openFailed(bool reopening);
    bool offerUpgrade(const QString &version);
    bool loadBills(const QString &statement, BillSelection selection);
    bool loadPayees(const QString &statement);
    void clearCollections();

    SystemDatabase *m_systemDatabase = nullptr;
    QString m_path;
    QHash<int, BillPtr> m_billsById;
    QHash<int, PayeePtr> m_payeesById;
    QList<BillPtr> m_billList;
};
