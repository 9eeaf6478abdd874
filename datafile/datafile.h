#pragma once

#include "amountforecast.h"
#include "recordloader.h"
#include "upgraderunner.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class Bill;
class BillPayment;
class BillSchedule;
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
    // Opens an existing file for reading only: loads work out the paid state as usual but
    // write nothing back, and every save or delete fails. A missing file is not created. Files
    // of the current version and of the older layouts that read as they are (see readsAsIs)
    // are opened unchanged; older ones are refused rather than upgraded.
    bool openReadOnly(const QString &path);
    // Opens an existing file of the current version, as a tool without a window does: a missing
    // file is not created, and an older one is refused (with a message that says to open it once
    // in the program) rather than upgraded. readOnly: as openReadOnly, otherwise for writing.
    bool openCurrent(const QString &path, bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // The versions a read-only open takes as they stand: "1.4" (a file without estimates,
    // whose bills are all confirmed) up to the current one. A timer that reads the file keeps
    // working before the window has upgraded it.
    static bool readsAsIs(const QString &version);
    // The version of the open file, as its header says.
    const QString &version() const { return m_version; }
    bool openConnection(const QString &path);
    // Tables and header row of a new file, all or nothing.
    bool createFile();
    // Whether every table has the layout of the file's version, holds no id beyond the range
    // the records keep ids in and (in the current layout) declares its columns as ours do.
    bool isValid();
    // Upgrades an older file to the current version and tells the user the outcome; true
    // when the file now reads the current version. A failed upgrade leaves the file as it was.
    bool upgrade();

    // Reload billsById and payeesById; billList then holds the unpaid or the paid bills in
    // ascending due-date order. A bill whose amount or due date cannot be read is left out,
    // and left as stored.
    bool loadCurrentBills();
    bool loadPaidBills();
    bool reloadPayees();

    // A new series: the schedule and one bill per due date, copied from the template.
    bool addSeries(const Bill &templateBill, BillSchedule &schedule);
    // The bill on its own, on a "SINGLE" schedule: a new bill with a new schedule, or a
    // stored bill taken out of its series (on a new schedule when its own has no row yet).
    bool saveSingleBill(Bill &bill, BillSchedule &schedule);
    // The bill's payee, amount, description and note for every bill of the series that
    // still follows it.
    bool saveSeries(Bill &bill, BillSchedule &schedule);
    // The whole-series edit: the bill's payee, amount, description and note for the bills of
    // the series due on or after from that still follow it, and the series ending on newEnd.
    // A later end adds the bills the rule gives up to it, copied from the bill; an earlier end
    // deletes the bills of the series after it that nothing was paid on and that still follow
    // it (see seriesCutBy). Refused for an end before the range starts. The schedule then
    // lists its bills as read before the edit, and the new ones.
    bool saveSeriesChange(Bill &bill, BillSchedule &schedule, const QDate &from,
                          const QDate &newEnd);
    // The bill's own row alone.
    bool saveBill(Bill &bill);
    // The payment, its bill's paid state, and the bill leaving its series: a paid bill is
    // no longer changed by edits of the whole series. bill is the payment's bill, and
    // receives it as stored.
    bool savePayment(BillPayment &payment, Bill &bill);
    // The payment, and its bill's paid state as the payments left make it.
    bool deletePayment(BillPayment &payment);

    // The real amount of a bill that was an estimate: stored as its amount, and its paid state
    // brought up to date, while it stays in its series. bill receives it as stored.
    bool confirmAmount(Bill &bill, double amount);
    // The payment, with the real amount of its bill confirmed first, all in one.
    bool savePaymentConfirming(BillPayment &payment, Bill &bill, double confirmedAmount);
    // A bill brought in from elsewhere (a spreadsheet, a statement line no bill took): a bill
    // on its own for the payee of that name, and paid in full on paidDate when that is valid.
    struct NewBill
    {
        // The payee that is not deleted and has this name (ignoring case and the spaces around
        // it), or a new payee of that name.
        QString payeeName;
        QString description;
        QDate dueDate;
        qint64 cents = 0; // above zero
        QDate paidDate;
        QString reference; // the paid payment's
    };
    // Adds the bills in one transaction; added, when given, receives how many. On false
    // nothing was added.
    bool addBills(const QList<NewBill> &bills, int *added = nullptr);

    // A statement line a person (or nvimport) chose to record as the payment of a bill.
    struct StatementPayment
    {
        QString importId;  // the line's identity among every statement's lines
        QString reference; // what the payment keeps of it: the bank's id of the line
        QDate date;
        qint64 cents = 0; // what the bank took, a positive amount
        // The bill it pays; 0 for a new bill of newPayeeName, due and paid on the line's date.
        int billId = 0;
        // The name the line gave, learned as the payee's alias when not empty.
        QString alias;
        QString newPayeeName;
        QString newDescription;
    };
    // Records the lines in one transaction: each as a payment of its bill on the line's date,
    // confirming an estimate at what its payments then come to, and remembered under its
    // identity. Lines recorded before are passed over. recorded, when given, receives how many
    // were recorded. On false nothing was.
    bool recordStatementPayments(const QList<StatementPayment> &lines, int *recorded = nullptr);

    // The unpaid bills that are not deleted, as stored now, estimates with their forecasts,
    // without touching what was loaded (the window may be showing other bills); nothing when
    // they cannot be read. Bills with a value that cannot be read are left out.
    std::optional<QList<BillPtr>> readUnpaidBills() const;

    // The confirmed amounts of the series, in the order of their due dates: the history its
    // estimates are forecast from.
    std::optional<QList<AmountForecast::Confirmed>> confirmedAmounts(int scheduleId) const;

    // The stored payments of the bill, earliest first; nothing when they cannot be read. A
    // loaded bill holds only what they come to.
    std::optional<QList<BillPayment>> payments(int billId) const;
    // Every stored payment of the file, earliest first.
    std::optional<QList<BillPayment>> payments() const;

    // The bill with that id as stored now, an estimate with its forecast; null when there is
    // none or it is deleted.
    BillPtr findBill(int id) const;
    // The type of the schedule the bill belongs to, empty when there is none.
    QString scheduleTypeOf(const Bill &bill) const;

    // Saves the payee, then reloads the current bills and the payees.
    bool savePayee(const PayeePtr &payee);
    // Deletes the bill with its payments, and its schedule when no other bill uses it.
    bool deleteBill(Bill *bill);
    // Some bills of one series: how many, and the earliest and latest due date.
    struct SeriesBills
    {
        int count = 0;
        QDate first;
        QDate last;
    };
    // What deleteSeriesFrom(bill) deletes: the bill itself and the later bills of its series
    // that nothing was paid on and that still follow the series.
    SeriesBills seriesRestFrom(const Bill &bill) const;
    // Deletes those, and ends the schedule before the bill so that a later extension starts
    // after the bills that are left; the schedule goes when no bill refers to it any more.
    bool deleteSeriesFrom(Bill *bill);
    // The bills an earlier end of the schedule's series deletes in saveSeriesChange.
    SeriesBills seriesCutBy(const BillSchedule &schedule, const QDate &newEnd) const;
    // Marks the payee and every bill of that payee deleted; nothing is destroyed.
    bool deletePayee(Payee *payee);

    // The database's reason for the last operation that failed.
    static QString lastErrorText();
    // What an open says of a file that is no data file of ours, or one damaged past reading.
    static QString invalidFileText();

    QString formatCurrency(double value) const;
    QString formatAmount(double value) const;

    const QString &path() const { return m_path; }
    const QHash<int, BillPtr> &billsById() const { return m_billsById; }
    const QHash<int, PayeePtr> &payeesById() const { return m_payeesById; }
    const QList<BillPtr> &billList() const { return m_billList; }
    // The bills of the last load left out because a value of theirs cannot be read.
    int unreadableBillCount() const { return m_unreadableBillCount; }

private:
    enum class BillSelection
    {
        Unpaid,  // those whose payments do not cover them
        Paid,    // every bill the statement reads
        PaidNow, // those whose payments cover them
    };

    enum class Access
    {
        ReadWrite,
        ReadOnly,
        // Files of the current version only, never upgraded.
        CurrentReadWrite,
        CurrentReadOnly,
    };
    static bool readsOnly(Access access);

    bool open(const QString &path, Access access, bool reopening);
    bool openNew(const QString &path);
    bool openExisting(const QString &path, Access access);
    bool checkVersion(const QString &version, Access access);
    bool openFailed(bool reopening);
    // False, with the reason as the last error, when the file was opened read-only.
    bool writable() const;
    bool offerUpgrade(const QString &version);
    // Deletes the schedule's row when no bill refers to it any more; removed says whether it did.
    bool dropScheduleIfUnused(int scheduleId, bool *removed = nullptr);
    // The new bill inside the caller's transaction; payeeIds caches the payees by folded name.
    // paymentId receives the id of its payment when it was paid.
    bool addBill(const NewBill &entry, QHash<QString, int> *payeeIds, int *paymentId = nullptr);
    bool loadBills(const QString &statement, BillSelection selection);
    // Reads the readable bills of the statement with their payees and what their payments come
    // to; unreadable counts those left out.
    static bool readBills(const QString &statement, const RecordLoader::PayeeSnapshots &payees,
                          QHash<int, BillPtr> *billsById, QList<BillPtr> *bills, int *unreadable);
    // What one read of the bills gives: the bills with their payees, and the payees the lists
    // show.
    struct BillRead
    {
        QHash<int, PayeePtr> listedPayees;
        QHash<int, BillPtr> billsById;
        QList<BillPtr> bills;
        int unreadable = 0;
    };
    // The bills of the statement with every payee they may name, estimates with their
    // forecasts (see forecastEstimates for everyBill), in the caller's transaction.
    bool readForecastBills(const QString &statement, bool everyBill, BillRead *read) const;
    // Orders readable bills by due date, then id, as SQLite orders "yyyy-MM-dd" texts.
    static void sortByDueDate(QList<BillPtr> *bills);
    // Every payee of the file as the bills' snapshots, and those the lists show.
    static bool readPayees(RecordLoader::PayeeSnapshots *all, QHash<int, PayeePtr> *listed);
    // Gives every estimate among the bills its forecast, worked out from the file's confirmed
    // amounts each time, so that nothing derived is kept that could go stale. everyBill says
    // that bills holds every bill of the file that is not deleted: the series are then read
    // from it rather than from the file again.
    bool forecastEstimates(const QList<BillPtr> &bills, bool everyBill = false) const;
    // The confirmed amounts of each series, earliest first, by schedule id.
    using History = QHash<int, QList<AmountForecast::Confirmed>>;
    // The rules of the schedules whose amounts vary (of the one schedule when scheduleId is
    // not 0), by schedule id.
    bool readRules(int scheduleId, QHash<int, QString> *rules) const;
    static History historyOf(const QList<BillPtr> &bills, const QHash<int, QString> &rules);
    bool readHistory(int scheduleId, const QHash<int, QString> &rules, History *history) const;
    void clearCollections();

    // The system store the window opened beside this file; nothing here reads it yet.
    [[maybe_unused]] SystemDatabase *m_systemDatabase = nullptr;
    QString m_path;
    QString m_version;
    bool m_readOnly = false;
    int m_unreadableBillCount = 0;
    QHash<int, BillPtr> m_billsById;
    QHash<int, PayeePtr> m_payeesById;
    QList<BillPtr> m_billList;
};
