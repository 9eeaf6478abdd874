#include "datafile.h"

#include "activedomainobject.h"
#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "connections.h"
#include "filedata.h"
#include "formatting.h"
#include "importedtransaction.h"
#include "logging.h"
#include "messagehelper.h"
#include "payee.h"
#include "payeealias.h"
#include "recordloader.h"
#include "recordsql.h"
#include "schemacheck.h"
#include "transaction.h"
#include "upgraderunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>

namespace {
void showInvalidFile()
{
    MessageHelper::show(MessageIcon::Critical, MessageHelper::fileErrorTitle(),
                        DataFile::invalidFileText());
}

// An older file that only the window's open upgrades. A tool without a window cannot ask, so
// it names the program that can.
void showOlderRefused(const QString &version, bool readOnly)
{
    MessageHelper::show(MessageIcon::Critical, MessageHelper::fileErrorTitle(),
                        QStringLiteral("The file version (") + version +
                            QStringLiteral(") is older than the current file version (") +
                            currentVersion() + QStringLiteral(").\n") +
                            (readOnly ? QStringLiteral("It cannot be read before Norvo Rava "
                                                       "Rodozod has upgraded it.")
                                      : QStringLiteral("Open it once in Norvo Rava Rodozod, "
                                                       "which upgrades it, and try again.")));
}

// A file that cannot be opened or created at all, with the system's reason; without it New
// or Open would simply do nothing.
void showCannotUse(const QString &what, const QString &path, const QString &reason = QString())
{
    if (!reason.isEmpty())
        RecordSql::setLastErrorText(reason);
    MessageHelper::showFileError(what + QStringLiteral("\n") + path);
}

// Every table a data file of any version may hold.
QStringList ownTables()
{
    return {QStringLiteral("bills"),
            QStringLiteral("billpayment"),
            QStringLiteral("billschedule"),
            QStringLiteral("payees"),
            QStringLiteral("filedata"),
            QStringLiteral("reg"),
            QStringLiteral("importedtransactions"),
            QStringLiteral("payeealiases")};
}

// The tables in the order the upgrade works on them: referenced tables before the tables
// that refer to them.
QList<UpgradeRunner::Table> upgradeTables()
{
    return {
        {QStringLiteral("payees"), &Payee::layoutMatches, &Payee::upgradePrepare,
         &Payee::upgradeCopy, &Payee::upgradeDrop},
        {QStringLiteral("billschedule"), &BillSchedule::layoutMatches,
         &BillSchedule::upgradePrepare, &BillSchedule::upgradeCopy, &BillSchedule::upgradeDrop},
        {QStringLiteral("bills"), &Bill::layoutMatches, &Bill::upgradePrepare, &Bill::upgradeCopy,
         &Bill::upgradeDrop},
        {QStringLiteral("billpayment"), &BillPayment::layoutMatches, &BillPayment::upgradePrepare,
         &BillPayment::upgradeCopy, &BillPayment::upgradeDrop},
        {QStringLiteral("filedata"), &FileData::layoutMatches, &FileData::upgradePrepare,
         &FileData::upgradeCopy, &FileData::upgradeDrop},
        {QStringLiteral("importedtransactions"), &ImportedTransaction::layoutMatches,
         &ImportedTransaction::upgradePrepare, &ImportedTransaction::upgradeCopy,
         &ImportedTransaction::upgradeDrop},
        {QStringLiteral("payeealiases"), &PayeeAlias::layoutMatches, &PayeeAlias::upgradePrepare,
         &PayeeAlias::upgradeCopy, &PayeeAlias::upgradeDrop},
    };
}

// Runs a query that takes no values and hands back all its rows, so that nothing is still
// reading while the rows are turned into records (which may write).
bool readAll(const QString &statement, QList<QSqlRecord> *rows)
{
    QSqlQuery query(Connections::database(Connections::current()));
    query.setForwardOnly(true);
    if (!RecordSql::prepare(query, statement) || !RecordSql::exec(query))
        return false;
    while (query.next())
        rows->append(query.record());
    return true;
}

// The columns of a version's layout whose ids the records keep: in the current layout every id
// and every reference; in the older ones the payees' ids and the bills' references to them, by
// which the upgrade finds each bill's payee (all else gets new ids there).
QList<QPair<QString, QStringList>> idColumns(const QString &version)
{
    if (version == QLatin1String("1.0") || version == QLatin1String("1.1"))
        return {{QStringLiteral("payees"), {QStringLiteral("payeeid")}},
                {QStringLiteral("bills"), {QStringLiteral("payeeid")}}};
    QList<QPair<QString, QStringList>> columns = {
        {QStringLiteral("bills"),
         {QStringLiteral("id"), QStringLiteral("billscheduleid"), QStringLiteral("payeeid")}},
        {QStringLiteral("billpayment"), {QStringLiteral("id"), QStringLiteral("billid")}},
        {QStringLiteral("billschedule"), {QStringLiteral("id")}},
        {QStringLiteral("payees"), {QStringLiteral("id")}}};
    if (version == currentVersion())
        columns +=
            {{QStringLiteral("importedtransactions"),
              {QStringLiteral("id"), QStringLiteral("paymentid")}},
             {QStringLiteral("payeealiases"), {QStringLiteral("id"), QStringLiteral("payeeid")}}};
    return columns;
}

// Records hold their ids, and the ids they refer to, as int. A larger id would be cut to the
// id of another row, so that every write meant for its row (and, since SQLite numbers new rows
// after the largest, every row added later) would land on another one, and an upgrade would
// give a bill another payee or series.
bool idsFitTheRecords(const QString &version)
{
    const QList<QPair<QString, QStringList>> columnsOfTables = idColumns(version);
    for (const auto &[table, columns] : columnsOfTables) {
        QStringList outOfRange;
        for (const QString &column : columns)
            // The range test first: it is cheaper than typeof() and fails for nearly every
            // row, so that typeof() is asked of the few whose value lies outside it.
            outOfRange.append(QStringLiteral("(%1 NOT BETWEEN -2147483648 AND 2147483647 AND "
                                             "typeof(%1) IN ('integer', 'real'))")
                                  .arg(column));
        QList<QSqlRecord> rows;
        if (!readAll(QStringLiteral("SELECT COUNT(*) FROM ") + table + QStringLiteral(" WHERE ") +
                         outOfRange.join(QStringLiteral(" OR ")),
                     &rows) ||
            rows.isEmpty() || rows.constFirst().value(0).toInt() != 0) {
            qCWarning(lcStore).noquote()
                << "The table" << table << "holds ids beyond the range of int";
            return false;
        }
    }
    return true;
}

// Files of the current layout are written as they are, and a version 1.2 file is copied row
// by row: their tables must declare the columns as this program does, so that none of them
// keys, refuses or fills in a value otherwise. Older layouts are only read by the upgrade.
bool declaredAsOurs(const QString &version)
{
    if (!hasLayout14(version) && !hasLayout15(version))
        return true;
    return SchemaCheck::matchesDeclarations(
        Connections::current(),
        {Bill::createStatement(), BillPayment::createStatement(), BillSchedule::createStatement(),
         FileData::createStatement(), Payee::createStatement(),
         ImportedTransaction::createStatement(), PayeeAlias::createStatement()});
}

bool layoutsMatch(const QString &version)
{
    return Bill::layoutMatches(version) && BillPayment::layoutMatches(version) &&
           BillSchedule::layoutMatches(version) && FileData::layoutMatches(version) &&
           Payee::layoutMatches(version) && ImportedTransaction::layoutMatches(version) &&
           PayeeAlias::layoutMatches(version);
}
} // namespace

DataFile::DataFile(SystemDatabase *systemDatabase) : m_systemDatabase(systemDatabase) {}

DataFile::~DataFile() = default;

bool DataFile::open(const QString &path)
{
    return open(path, Access::ReadWrite, false);
}

bool DataFile::openReadOnly(const QString &path)
{
    return open(path, Access::ReadOnly, false);
}

bool DataFile::openCurrent(const QString &path, bool readOnly)
{
    return open(path, readOnly ? Access::CurrentReadOnly : Access::CurrentReadWrite, false);
}

bool DataFile::readsOnly(Access access)
{
    return access == Access::ReadOnly || access == Access::CurrentReadOnly;
}

// What was loaded from the open file stays until another file has been opened: after a
// refused open the previous file is open again and the window still lists its records.
bool DataFile::open(const QString &path, Access access, bool reopening)
{
    // An empty name would give a private in-memory database that keeps nothing.
    if (path.isEmpty())
        return openFailed(reopening);
    // The path is remembered as the recent file and reopened after a failed open, so it must
    // not depend on the working directory of the moment.
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    bool opened = false;
    if (QFileInfo::exists(fullPath))
        opened = openExisting(fullPath, access);
    else if (reopening) // a file that vanished meanwhile is not created afresh in its place
        opened = false;
    else if (access != Access::ReadWrite)
        showCannotUse(QStringLiteral("The file could not be opened:"), fullPath,
                      QStringLiteral("There is no such file."));
    else
        opened = openNew(fullPath);
    if (!opened)
        return openFailed(reopening);
    if (!reopening)
        clearCollections();
    m_path = fullPath;
    m_version = FileData::readVersion();
    m_readOnly = readsOnly(access);
    return true;
}

bool DataFile::openNew(const QString &path)
{
    RecordSql::setLastErrorText(QString());
    if (!openConnection(path)) {
        showCannotUse(QStringLiteral("The file could not be created:"), path);
        return false;
    }
    if (createFile())
        return true;
    showCannotUse(QStringLiteral("The file could not be created:"), path);
    // The file did not exist before; a half made one is not left behind.
    Connections::close(Connections::current());
    QFile::remove(path);
    return false;
}

bool DataFile::openExisting(const QString &path, Access access)
{
    RecordSql::setLastErrorText(QString());
    if (!Connections::open(Connections::current(), path, readsOnly(access))) {
        showCannotUse(QStringLiteral("The file could not be opened:"), path);
        return false;
    }
    // Anything that is not an SQLite database (a text file, a zero-byte file, random bytes)
    // is refused before a single statement could change it, and so is a schema that could
    // act on its own once written to.
    if (QFileInfo(path).size() == 0 || !UpgradeRunner::isReadableDatabase(Connections::current())) {
        if (UpgradeRunner::isLockedByAnother(Connections::current()))
            MessageHelper::show(MessageIcon::Critical, MessageHelper::fileErrorTitle(),
                                QStringLiteral("The file is in use by another program.\nPlease "
                                               "close it there and try again."));
        else
            showInvalidFile();
        return false;
    }
    // Each statement line is recorded once; the file declares that as we do.
    if (!UpgradeRunner::isInertSchema(
            Connections::current(), ownTables(),
            {{QStringLiteral("importedtransactions"), QStringLiteral("importid")}})) {
        showInvalidFile();
        return false;
    }
    if (!checkVersion(FileData::readVersion(), access))
        return false;
    if (!isValid()) {
        showInvalidFile();
        return false;
    }
    return true;
}

// True when the file reads the current version, or now does after an upgrade the user chose,
// or is read as it stands.
bool DataFile::checkVersion(const QString &version, Access access)
{
    if (version == currentVersion() || (access == Access::ReadOnly && readsAsIs(version)))
        return true;
    if (UpgradeRunner::isNewerThanCurrent(version)) {
        MessageHelper::show(MessageIcon::Critical, MessageHelper::fileErrorTitle(),
                            QStringLiteral("The file version (") + version +
                                QStringLiteral(") is newer than the current file version (") +
                                currentVersion() +
                                QStringLiteral(").\nPlease use a newer version of Norvo Rava "
                                               "Rodozod."));
        return false;
    }
    // An empty or unknown version is no older file that an upgrade could carry forward.
    if (!UpgradeRunner::isKnownOlder(version)) {
        showInvalidFile();
        return false;
    }
    if (access != Access::ReadWrite) {
        showOlderRefused(version, access == Access::ReadOnly);
        return false;
    }
    // A file the upgrade could carry over but for such ids or tables is refused before the
    // question, as the same file of the current version is.
    if (layoutsMatch(version) && (!idsFitTheRecords(version) || !declaredAsOurs(version))) {
        showInvalidFile();
        return false;
    }
    return offerUpgrade(version);
}

bool DataFile::offerUpgrade(const QString &version)
{
    const bool wanted = MessageHelper::confirm(
        MessageIcon::Warning, MessageHelper::fileUpgradeTitle(),
        QStringLiteral("The file version (") + version +
            QStringLiteral(") you are opening is older than the current file version (") +
            currentVersion() + QStringLiteral(").\nWould you like to upgrade the file?"),
        QStringLiteral("Upgrade"), QStringLiteral("Cancel"));
    if (wanted)
        return upgrade();
    MessageHelper::show(MessageIcon::Information, MessageHelper::fileUpgradeTitle(),
                        QStringLiteral("You cannot open the file if you do not upgrade.\nIf you "
                                       "want to open the file please use Norvo Rava Rodozod ") +
                            version + QStringLiteral("."));
    return false;
}

// The file that was open before is opened again, once; with none before (or when that fails
// too) no file is left open, so nothing can write into a file that was refused.
bool DataFile::openFailed(bool reopening)
{
    if (!reopening && !m_path.isEmpty() &&
        open(m_path, m_readOnly ? Access::ReadOnly : Access::ReadWrite, true))
        return false;
    Connections::close(Connections::current());
    m_path.clear();
    m_version.clear();
    m_readOnly = false;
    clearCollections();
    return false;
}

bool DataFile::writable() const
{
    if (!m_readOnly)
        return true;
    RecordSql::setLastErrorText(
        QStringLiteral("The file was opened for reading only; nothing can be written to it."));
    return false;
}

bool DataFile::openConnection(const QString &path)
{
    return Connections::open(Connections::current(), path);
}

bool DataFile::createFile()
{
    Transaction transaction(Connections::current());
    if (!transaction.isActive())
        return false;
    if (!Bill::createTable() || !BillPayment::createTable() || !BillSchedule::createTable() ||
        !FileData::createTable() || !Payee::createTable() || !ImportedTransaction::createTable() ||
        !PayeeAlias::createTable())
        return false;
    FileData header;
    header.setVersion(currentVersion());
    return header.save() && transaction.commit();
}

bool DataFile::readsAsIs(const QString &version)
{
    return hasLayout15(version) || version == QLatin1String("1.4");
}

bool DataFile::isValid()
{
    const QString version = FileData::readVersion();
    return layoutsMatch(version) && idsFitTheRecords(version) && declaredAsOurs(version);
}

bool DataFile::upgrade()
{
    UpgradeRunner runner(Connections::current(), &FileData::readVersion, upgradeTables());
    return runner.runAndReport(QStringLiteral("file"));
}

bool DataFile::loadCurrentBills()
{
    return loadBills(QStringLiteral("SELECT * FROM bills WHERE deleted = 0"),
                     BillSelection::Unpaid);
}

bool DataFile::loadPaidBills()
{
    // Read-only, a paid state that changed since it was stored is never written down, so the
    // stored flag cannot pick the paid bills: every bill is read and its payments decide.
    if (m_readOnly)
        return loadBills(QStringLiteral("SELECT * FROM bills WHERE deleted = 0"),
                         BillSelection::PaidNow);
    return loadBills(QStringLiteral("SELECT * FROM bills WHERE deleted = 0 AND paid = 1"),
                     BillSelection::Paid);
}

bool DataFile::reloadPayees()
{
    m_payeesById.clear();
    RecordLoader::PayeeSnapshots payees;
    return readPayees(&payees, &m_payeesById);
}

bool DataFile::readForecastBills(const QString &statement, bool everyBill, BillRead *read) const
{
    RecordLoader::PayeeSnapshots payees;
    return readPayees(&payees, &read->listedPayees) &&
           readBills(statement, payees, &read->billsById, &read->bills, &read->unreadable) &&
           forecastEstimates(read->bills, everyBill);
}

// Reads the bills of the statement with three queries in all (payees, bills, payments) rather
// than two more per bill, inside one transaction, so that they see one state of the file. The
// one read of the payees also gives the payees the lists show.
// Bills whose paid state changed since they were stored are written back once the reading is
// over, together. Every payee a bill may name is read, deleted ones included: a bill keeps
// showing the payee it was entered for.
bool DataFile::loadBills(const QString &statement, BillSelection selection)
{
    m_billsById.clear();
    m_billList.clear();
    m_unreadableBillCount = 0;

    Transaction transaction(Connections::current());
    BillRead read;
    if (!readForecastBills(statement, selection != BillSelection::Paid, &read))
        return false;
    QHash<int, BillPtr> &billsById = read.billsById;
    int unreadable = read.unreadable;
    // A write-back that finds the file locked or read-only fails at once rather than after a
    // wait per bill; the bills are shown as read, and a later load writes their paid states.
    const LockWaitSuspension noWaiting(Connections::current());
    QList<BillPtr> billList;
    for (const BillPtr &bill : std::as_const(read.bills)) {
        // A payment whose amount cannot be read leaves the balance unknown.
        if (!bill->isReadable()) {
            ++unreadable;
            billsById.remove(bill->id());
            continue;
        }
        if (RecordLoader::settlePaidState(*bill) && !m_readOnly)
            RecordLoader::writePaidColumns(*bill);
        const bool listed = selection == BillSelection::Paid ||
                            (selection == BillSelection::PaidNow) == bill->isPaid();
        if (listed)
            billList.append(bill);
    }
    m_billsById.swap(billsById);
    m_billList.swap(billList);
    m_payeesById.swap(read.listedPayees);
    m_unreadableBillCount = unreadable;
    // The bills were read; a write-back that cannot be committed does not make them unread.
    transaction.commit();
    return true;
}

// The bills come in the order of their due dates, and of their ids within a day. SQLite's own
// sort of a file's bills costs more than a fifth of a load; when every due date is stored as
// "yyyy-MM-dd" text the bills are sorted here instead, which gives the same order, and only a
// file holding other forms is read again sorted by SQLite, by the stored values as before.
bool DataFile::readBills(const QString &statement, const RecordLoader::PayeeSnapshots &payees,
                         QHash<int, BillPtr> *billsById, QList<BillPtr> *bills, int *unreadable)
{
    const auto takeBill = [&](const BillPtr &bill) {
        // A bill we cannot read is neither shown nor settled: a missing amount would read as
        // 0 and turn it paid.
        if (!bill->isReadable()) {
            ++*unreadable;
            return;
        }
        billsById->insert(bill->id(), bill);
        bills->append(bill);
    };
    bool plainDueDates = false;
    if (!RecordLoader::readBills(statement, payees, takeBill, &plainDueDates))
        return false;
    if (plainDueDates) {
        sortByDueDate(bills);
    } else {
        billsById->clear();
        bills->clear();
        *unreadable = 0;
        if (!RecordLoader::readBills(statement + QStringLiteral(" ORDER BY duedate ASC, id ASC"),
                                     payees, takeBill))
            return false;
    }
    return RecordLoader::readPaymentSums(*billsById);
}

void DataFile::sortByDueDate(QList<BillPtr> *bills)
{
    // Sorted by one key per bill, which keeps the bills themselves out of the comparisons.
    // Every listed bill has a valid due date, so its day number is positive and far below 2^31.
    QList<QPair<quint64, qsizetype>> keys;
    keys.reserve(bills->size());
    for (qsizetype i = 0; i < bills->size(); ++i) {
        const Bill &bill = *bills->at(i);
        const quint64 day = quint64(bill.dueDate().toJulianDay());
        keys.append({(day << 32) | quint64(quint32(bill.id()) ^ 0x80000000u), i});
    }
    std::sort(keys.begin(), keys.end());
    QList<BillPtr> sorted;
    sorted.reserve(bills->size());
    for (const auto &key : std::as_const(keys))
        sorted.append(std::move((*bills)[key.second]));
    bills->swap(sorted);
}

std::optional<QList<BillPayment>> DataFile::payments(int billId) const
{
    return BillPayment::ofBill(billId);
}

std::optional<QList<BillPayment>> DataFile::payments() const
{
    return BillPayment::all();
}

// The bills' copies are read-only snapshots; the listed payees are copies of their own, which
// the dialogs may change before a save.
bool DataFile::readPayees(RecordLoader::PayeeSnapshots *all, QHash<int, PayeePtr> *listed)
{
    return RecordLoader::readPayees([all, listed](Payee &&payee, bool isListed) {
        const int id = payee.id();
        const auto snapshot = std::make_shared<const Payee>(std::move(payee));
        if (isListed)
            listed->insert(id, std::make_shared<Payee>(*snapshot));
        all->insert(id, snapshot);
    });
}

void DataFile::clearCollections()
{
    m_billsById.clear();
    m_payeesById.clear();
    m_billList.clear();
}

DataFile::BillPtr DataFile::findBill(int id) const
{
    std::optional<Bill> bill = Bill::findById(id);
    if (!bill || bill->isDeleted())
        return nullptr;
    auto found = std::make_shared<Bill>(std::move(*bill));
    if (!forecastEstimates({found}))
        return nullptr;
    return found;
}

QString DataFile::scheduleTypeOf(const Bill &bill) const
{
    const std::optional<BillSchedule> schedule = BillSchedule::findById(bill.billScheduleId());
    return schedule ? schedule->scheduleType() : QString();
}

QString DataFile::lastErrorText()
{
    return RecordSql::lastErrorText();
}

QString DataFile::invalidFileText()
{
    return QStringLiteral("The file you are trying to open is invalid.\nPlease check the file you "
                          "are opening.");
}

QString DataFile::formatCurrency(double value) const
{
    return Formatting::currency(value);
}

QString DataFile::formatAmount(double value) const
{
    return Formatting::amount(value);
}
