#include "bill.h"
#include "billpayment.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "messagerecorder.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstring>

// A load adds up the payments of all bills in one pass over the payment table, in the order
// stored, without making a single payment; a bill read on its own adds up its payments
// earliest first. Both must say the same of every bill: whether it can be read, what is left
// to pay to the last bit, and whether it is paid.
namespace {
const QDate today(2026, 5, 14);

// Payment amounts of every kind a file may hold, each on a bill of its own.
const QStringList numberAmounts = {
    "25",    "12.5",   "0.1",  "-7.25",   "1e308", "-1e308",           "1.7976931348623157e308",
    "9e999", "-9e999", "NULL", "x'3132'", "40",    "9007199254740993", "30.005"};
const QStringList textAmounts = {"'12abc'", "'inf'", "'nan'", "' 12 '", "''",   "'1e400'",
                                 "'0x10'",  "'+5'",  "'5.'",  "'.5'",   "'12'", "'1,5'"};

// A file with one bill of 1.00 per amount, paid by that amount and, every other bill, by
// the later payments too.
bool buildFile(const QString &path, const QStringList &amounts, const QStringList &later)
{
    DataFile file(nullptr);
    if (!file.open(path) ||
        !run("INSERT INTO payees (id, payeename, accountnumber, "
             "mailingaddress, note, deleted) VALUES (1, 'Power', '', '', '', 0)"))
        return false;
    for (int i = 0; i < amounts.size(); ++i) {
        const int id = i + 1;
        if (!run(QString("INSERT INTO bills VALUES (%1, 0, 1, 'bill', 1, '2026-01-01', "
                         "'2026-05-01', '2000-01-01', 1, 0, '', 0, 0)")
                     .arg(id)))
            return false;
        // Written before the earlier payment they follow: the sum goes by date, not by row.
        for (int k = 0; i % 2 == 0 && k < later.size(); ++k) {
            if (!run(
                    QString(
                        "INSERT INTO billpayment VALUES (NULL, %1, '2026-04-2%2T10:00:00', %3, '')")
                        .arg(id)
                        .arg(k)
                        .arg(later.at(k))))
                return false;
        }
        if (!run(
                QString("INSERT INTO billpayment VALUES (NULL, %1, '2026-04-0%2T10:00:00', %3, '')")
                    .arg(id)
                    .arg(1 + i % 9)
                    .arg(amounts.at(i))))
            return false;
    }
    return true;
}

// The file opened as the window opens it, an older one upgraded; false when it is refused.
bool openAsTheWindow(DataFile *file, const QString &path)
{
    MessageRecorder recorder;
    recorder.answer("Upgrade");
    return file->open(path) && file->loadCurrentBills();
}

QList<int> storedBillIds()
{
    QList<int> ids;
    QSqlQuery query(Connections::database(Connections::current()));
    if (query.exec("SELECT id FROM bills WHERE deleted = 0 AND typeof(id) = 'integer'"))
        while (query.next())
            ids.append(query.value(0).toInt());
    return ids;
}

QByteArray bits(double value)
{
    QByteArray bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes.toHex();
}
} // namespace

class TestLoadedBalances : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(QDateTime(today, QTime(9, 0))); }
    void cleanup()
    {
        Connections::close(Connections::current());
        Clock::reset();
    }

    void loadAgreesWithEachBillReadAlone_data();
    void loadAgreesWithEachBillReadAlone();

private:
    QTemporaryDir m_dir;
};

void TestLoadedBalances::loadAgreesWithEachBillReadAlone_data()
{
    QTest::addColumn<QString>("path");
    QVERIFY(m_dir.isValid());
    // Up to two payments a bill, which add up alike in any order, and three, which do not.
    QVERIFY(buildFile(m_dir.filePath("two.nvbf"), numberAmounts, {"0.3"}));
    QVERIFY(buildFile(m_dir.filePath("three.nvbf"), numberAmounts, {"0.2", "0.3"}));
    QVERIFY(buildFile(m_dir.filePath("texts.nvbf"), textAmounts, {"0.3"}));
    QTest::newRow("numbers, NULL and blobs, two payments") << m_dir.filePath("two.nvbf");
    QTest::newRow("numbers, NULL and blobs, three payments") << m_dir.filePath("three.nvbf");
    QTest::newRow("texts") << m_dir.filePath("texts.nvbf");
    // The corpus files the window opens with bills in them; the others are refused before any
    // bill is read.
    const QFileInfoList corpus =
        QDir(NV_CORPUS_DIR).entryInfoList({"*.nvbf"}, QDir::Files, QDir::Name);
    for (const QFileInfo &source : corpus) {
        const QString copy = m_dir.filePath("probe-" + source.fileName());
        DataFile probe(nullptr);
        if (QFile::copy(source.absoluteFilePath(), copy) && openAsTheWindow(&probe, copy) &&
            !storedBillIds().isEmpty())
            QTest::newRow(qPrintable(source.fileName())) << source.absoluteFilePath();
        Connections::close(Connections::current());
    }
}

void TestLoadedBalances::loadAgreesWithEachBillReadAlone()
{
    QFETCH(QString, path);
    const QString copy = m_dir.filePath(QString("copy-%1.nvbf").arg(QTest::currentDataTag()));
    QFile::remove(copy);
    QVERIFY(QFile::copy(path, copy));
    QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    DataFile file(nullptr);
    QVERIFY(openAsTheWindow(&file, copy));
    const QList<int> ids = storedBillIds();
    QVERIFY(!ids.isEmpty());
    int unreadable = 0;
    for (const int id : ids) {
        // Read alone as the commands read a bill, an estimate with its forecast.
        const DataFile::BillPtr alone = file.findBill(id);
        const DataFile::BillPtr loaded = file.billsById().value(id);
        const bool readable = alone && alone->isReadable();
        unreadable += !readable;
        QVERIFY2(readable == bool(loaded), qPrintable(QString("bill %1").arg(id)));
        if (!loaded)
            continue;
        QCOMPARE(bits(loaded->balance()), bits(alone->balance()));
        QCOMPARE(loaded->isPaid(), alone->isPaid());
        QCOMPARE(loaded->paidDate(), alone->paidDate());
        QCOMPARE(loaded->hasPayments(), alone->hasPayments());
    }
    QCOMPARE(file.unreadableBillCount(), unreadable);
}

NV_TEST_MAIN(TestLoadedBalances)
#include "tst_loadedbalances.moc"
