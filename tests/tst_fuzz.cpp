#include "bill.h"
#include "billpayment.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "currentsql.h"
#include "datafile.h"
#include "filebytes.h"
#include "messagerecorder.h"
#include "norvoravarodozod.h"
#include "payee.h"
#include "testmain.h"
#include "windowsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <memory>

// Damaged and hostile data files, opened and loaded the way the window does. Every case is
// derived from one seed, printed at the start; NV_FUZZ_SEED=<number> runs the same cases again.
namespace {
const QDate today(2026, 5, 14);
// Enough cases to reach every kind of damage many times over, within about half a minute
// even in a sanitizer build.
const int maximumCases = 600;
const qint64 budgetMs = 25000;

// The tables and columns of a current data file, for picking damage.
const QList<QPair<QString, QStringList>> &schema()
{
    static const QList<QPair<QString, QStringList>> tables = {
        {"bills",
         {"id", "billscheduleid", "payeeid", "description", "amount", "insertdate", "duedate",
          "paiddate", "isunique", "paid", "note", "deleted"}},
        {"billpayment", {"id", "billid", "paymentdate", "amount"}},
        {"billschedule",
         {"id", "scheduletype", "dayofmonth", "dayofweek", "frequency", "frequencyvalue",
          "rangetype", "rangestartdate", "rangeenddate"}},
        {"payees", {"id", "payeename", "accountnumber", "mailingaddress", "note", "deleted"}},
        {"filedata", {"id", "firstname", "lastname", "address", "emailaddress", "version"}},
    };
    return tables;
}

// Values no column expects: wrong types, NULLs, huge texts and numbers, dates that do not
// parse, negative and out-of-range ids.
const QStringList &oddValues()
{
    static const QStringList values = {
        "NULL",
        "''",
        "'abc'",
        "X'00FF10'",
        "-1",
        "0",
        "2147483648",
        "4294967297",
        "9223372036854775807",
        "-9223372036854775808",
        "1e308",
        "-1e308",
        "9e999",
        "0.004",
        "'2026-13-45'",
        "'yesterday'",
        "'0000-00-00'",
        "'9999-12-31T23:59:59'",
        "' 2026-05-14'",
        "'2026-05-14T25:61:00'",
        "'1.1'",
        "'1.4'",
        "'<b>&amp;</b>'",
        "replace(hex(zeroblob(300000)), '00', 'ab')",
        "replace(hex(zeroblob(5000)), '00', char(10, 13))",
    };
    return values;
}

// A data file with a bit of everything: single and repeating bills, payments that cover
// some of them, a deleted bill and payee, a bill whose payee row is gone.
void buildBaseFile(const QString &path)
{
    DataFile file(nullptr);
    QVERIFY(file.open(path));
    QVERIFY(addBill("Power Co", "power", 80, today.addDays(3)));
    QVERIFY(addBill("Water Co", "water", 20, today.addDays(-2), 20));
    QVERIFY(addBill("Gas Co", "gas", 30, today, 12.5));
    QVERIFY(addBill("Phone", "phone", 45.99, today.addDays(40)));
    const int deleted = addBill("Old", "old", 5, today.addDays(-30));
    QVERIFY(deleted);
    QVERIFY(run(QStringLiteral("UPDATE bills SET deleted = 1 WHERE id = %1").arg(deleted)));
    QVERIFY(run("UPDATE payees SET deleted = 1 WHERE payeename = 'Old'"));

    BillSchedule schedule(QStringLiteral("MONTHLY"), 14, 0, 1, QStringLiteral("Monthly"),
                          QStringLiteral("ENDDATE"), today, today.addMonths(5));
    QVERIFY(schedule.save());
    Bill templateBill;
    templateBill.setPayee(Payee::findById(1).value());
    templateBill.setDescription("rent");
    templateBill.setAmount(450);
    QVERIFY(schedule.generateBills(templateBill));
    QVERIFY(BillPayment(schedule.bills().constFirst().id(), Clock::now(), 450).save());
    QVERIFY(run("UPDATE bills SET payeeid = 99 WHERE description = 'phone'"));
    Connections::close(Connections::current());
}

class Mutator
{
public:
    explicit Mutator(quint32 seed) : m_random(seed) {}

    // Damages the file in place and describes what was done.
    QString mutate(const QString &path)
    {
        QStringList done;
        const int sqlSteps = int(m_random.bounded(4));
        if (sqlSteps > 0 && Connections::open(QStringLiteral("fuzz"), path)) {
            QSqlQuery query(Connections::database(QStringLiteral("fuzz")));
            for (int i = 0; i < sqlSteps; ++i) {
                const QString statement = damageStatement();
                done << (query.exec(statement) ? "" : "(failed) ") + statement.left(120);
                query.finish();
            }
        }
        Connections::close(QStringLiteral("fuzz"));
        if (sqlSteps == 0 || m_random.bounded(4) == 0)
            done << flipBytes(path);
        return done.join(QStringLiteral("; "));
    }

    bool chance(int percent) { return int(m_random.bounded(100)) < percent; }

private:
    QString pick(const QStringList &items) { return items.at(int(m_random.bounded(items.size()))); }

    QString damageStatement()
    {
        const auto &[table, columns] = schema().at(int(m_random.bounded(schema().size())));
        const QString column = pick(columns);
        const QString value = pick(oddValues());
        const QString someRow = QStringLiteral(" WHERE rowid = (SELECT rowid FROM %1 LIMIT 1 "
                                               "OFFSET %2)")
                                    .arg(table)
                                    .arg(m_random.bounded(8));
        switch (m_random.bounded(12)) {
        case 0:
            return QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(table, column);
        case 1:
            return QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %2x").arg(table, column);
        case 2:
            return QStringLiteral("DROP TABLE %1").arg(table);
        case 3:
            return QStringLiteral("ALTER TABLE %1 RENAME TO %1temp").arg(table);
        case 4:
            return QStringLiteral("UPDATE %1 SET %2 = %3").arg(table, column, value);
        case 5:
            return QStringLiteral("INSERT INTO %1(%2) VALUES (%3)").arg(table, column, value);
        case 6:
            return QStringLiteral("DELETE FROM %1").arg(table) + someRow;
        case 7:
            return QStringLiteral("UPDATE filedata SET version = %1").arg(value);
        default:
            return QStringLiteral("UPDATE %1 SET %2 = %3").arg(table, column, value) + someRow;
        }
    }

    QString flipBytes(const QString &path)
    {
        QByteArray bytes = fileBytes(path);
        if (bytes.isEmpty())
            return QStringLiteral("no bytes to flip");
        const int flips = 1 + int(m_random.bounded(16));
        QStringList where;
        for (int i = 0; i < flips; ++i) {
            // Now and then the header, which decides how everything else is read.
            const qsizetype at =
                m_random.bounded(4) == 0 ? m_random.bounded(100) : m_random.bounded(bytes.size());
            bytes[at] = char(bytes.at(at) ^ char(1 + m_random.bounded(255)));
            where << QString::number(at);
        }
        writeFileBytes(path, bytes);
        return QStringLiteral("bytes flipped at ") + where.join(QLatin1Char(','));
    }

    QRandomGenerator m_random;
};

// A digest of every row of every table, leaving out the two columns a load may write (a
// bill's paid flag and paid date); empty when the file cannot be read through.
QByteArray contentDigest(const QString &path)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    bool readable = Connections::open(QStringLiteral("inspector"), path);
    if (readable) {
        QSqlDatabase db = Connections::database(QStringLiteral("inspector"));
        const QStringList tables = db.tables(QSql::Tables);
        for (const QString &table : tables) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (!query.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table))) {
                readable = false;
                break;
            }
            digest.addData(table.toUtf8());
            while (query.next()) {
                const QSqlRecord row = query.record();
                for (int i = 0; i < row.count(); ++i) {
                    const QString column = row.fieldName(i);
                    if (table == QLatin1String("bills") &&
                        (column == QLatin1String("paid") || column == QLatin1String("paiddate")))
                        continue;
                    digest.addData(column.toUtf8());
                    digest.addData(row.value(i).toString().toUtf8());
                }
            }
            readable = readable && query.lastError().type() == QSqlError::NoError;
        }
    }
    Connections::close(QStringLiteral("inspector"));
    return readable ? digest.result() : QByteArray();
}

// Warnings about the damage are expected by the hundred; while this lives they are counted,
// not printed.
class QuietMessages
{
public:
    QuietMessages() : m_previous(qInstallMessageHandler(&QuietMessages::handle)) { s_count = 0; }
    ~QuietMessages() { qInstallMessageHandler(m_previous); }
    QuietMessages(const QuietMessages &) = delete;
    QuietMessages &operator=(const QuietMessages &) = delete;

    int count() const { return s_count; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type == QtDebugMsg || type == QtWarningMsg || type == QtInfoMsg) {
            ++s_count;
            return;
        }
        std::fprintf(stderr, "%s\n", qPrintable(text.left(2000)));
    }

    static inline int s_count = 0;
    QtMessageHandler m_previous;
};

// Reads everything a view or a report would read from the loaded bills.
void touch(const DataFile &file)
{
    double sum = 0;
    for (const auto &bill : file.billList()) {
        sum += bill->balance();
        (void)file.formatCurrency(bill->balance());
        (void)bill->payee().payeeName().size();
        (void)bill->dueDate().toString(QStringLiteral("MM/dd/yyyy"));
    }
    for (const auto &payee : file.payeesById())
        (void)payee->payeeName().size();
    (void)file.formatAmount(sum);
}
} // namespace

class TestFuzz : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { Clock::setFixed(QDateTime(today, QTime(9, 0))); }
    void cleanup()
    {
        Connections::close(Connections::current());
        Clock::reset();
    }

    void damagedFilesAreRefusedUntouchedOrLoaded();

private:
    quint32 m_seed = 20260514;
    QTemporaryDir m_dir;
    QByteArray m_base;
};

void TestFuzz::initTestCase()
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("NV_FUZZ_SEED").toUInt(&ok);
    if (ok)
        m_seed = seed;
    qInfo("Fuzz seed %u (NV_FUZZ_SEED=%u reproduces this run)", m_seed, m_seed);
    Clock::setFixed(QDateTime(today, QTime(9, 0)));
    const QString base = m_dir.filePath("base.nvbf");
    buildBaseFile(base);
    Clock::reset();
    m_base = fileBytes(base);
    QVERIFY(!m_base.isEmpty());
}

void TestFuzz::damagedFilesAreRefusedUntouchedOrLoaded()
{
    Mutator mutator(m_seed);
    FileAnswers answers;
    NorvoRavaRodozod window;
    auto quiet = std::make_unique<QuietMessages>();
    QElapsedTimer timer;
    timer.start();
    int refused = 0;
    int cases = 0;
    for (; cases < maximumCases && timer.elapsed() < budgetMs; ++cases) {
        const QString folder = m_dir.filePath(QStringLiteral("case%1").arg(cases));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/damaged.nvbf");
        QVERIFY(writeFileBytes(path, m_base));
        const QString damage = mutator.mutate(path);
        const QByteArray before = fileHash(path);
        const QByteArray contentBefore = contentDigest(path);
        const QString context =
            QStringLiteral("seed %1, case %2: %3").arg(m_seed).arg(cases).arg(damage);
        // An older version is offered for upgrade; half the time the user takes it.
        MessageRecorder messages;
        if (mutator.chance(50))
            messages.answer(QStringLiteral("Upgrade"));

        bool opened = false;
        if (cases % 4 == 0) {
            // Through the window: Open, then both views.
            answers.paths.append(path);
            trigger(window, "actionOpen");
            opened = window.windowTitle().endsWith(path);
            trigger(window, "action_Paid_Bills_Menu");
            trigger(window, "action_Current_Bills_Menu");
            if (billList(window)->topLevelItemCount() > 0)
                selectRow(window, 0);
        } else {
            DataFile file(nullptr);
            opened = file.open(path);
            if (opened) {
                file.loadCurrentBills();
                touch(file);
                file.loadPaidBills();
                touch(file);
                file.reloadPayees();
            }
        }
        const bool upgraded = !messages.messages().isEmpty() &&
                              messages.messages().constFirst().answer == QLatin1String("Upgrade");
        if (!opened) {
            ++refused;
            QVERIFY2(fileHash(path) == before, qPrintable(context));
        } else if (!upgraded && !contentBefore.isEmpty()) {
            // Reading writes paid states at most: no row is lost, added or otherwise changed.
            QVERIFY2(contentDigest(path) == contentBefore, qPrintable(context));
        }
        Connections::close(Connections::current());
        QDir(folder).removeRecursively();
    }
    const int warnings = quiet->count();
    quiet.reset();
    qInfo("%d damaged files, %d refused, %d warnings, in %lld ms", cases, refused, warnings,
          timer.elapsed());
    QVERIFY(cases >= 100);
    QVERIFY(refused > 0 && refused < cases);
}

NV_TEST_MAIN(TestFuzz)
#include "tst_fuzz.moc"
