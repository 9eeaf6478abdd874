#include "connections.h"
#include "csvstatementreader.h"
#include "messagerecorder.h"
#include "qifreader.h"
#include "scopedworkdir.h"
#include "systemcsvmappings.h"
#include "systemdatabase.h"
#include "systemfiledata.h"
#include "systemsettings.h"
#include "testmain.h"

#include <QSqlQuery>

Q_DECLARE_METATYPE(QifOptions)
Q_DECLARE_METATYPE(CsvMapping)

namespace {

using Order = QifOptions::DateOrder;

// One line per transaction: position, date, cents, name and memo.
QStringList described(const Statement &statement)
{
    QStringList lines;
    for (const StatementTransaction &t : statement.transactions)
        lines.append(QStringLiteral("%1 %2 %3 %4 | %5")
                         .arg(t.position)
                         .arg(t.date.toString(Qt::ISODate))
                         .arg(t.cents)
                         .arg(t.name, t.memo));
    return lines;
}

QVariant qif(Order order, bool decimalComma = false)
{
    return QVariant::fromValue(QifOptions{order, decimalComma});
}

// Date and name in the first two columns; the amount's column, or, when amount is -1, debits
// and credits in the third and fourth.
QVariant csvOf(const QString &format, QChar separator, int skipRows, int amount,
               bool decimalComma = false)
{
    const bool split = amount < 0;
    return QVariant::fromValue(CsvMapping{"Bank", 0, amount, split ? 2 : -1, split ? 3 : -1, 1,
                                          split ? -1 : 3, -1, format, decimalComma, skipRows,
                                          separator});
}

// A row's reader is told by what it is given.
Statement read(const QByteArray &bytes, const QVariant &options)
{
    if (options.metaType() == QMetaType::fromType<QifOptions>())
        return QifReader::read(bytes, options.value<QifOptions>());
    return CsvStatementReader::read(bytes, options.value<CsvMapping>());
}

const QByteArray bankQif = "!Type:Bank\r\n"
                           "D1/15/2026\r\nT-84.50\r\nN1001\r\nPCity Power\r\nMJanuary\r\n"
                           "LUtilities\r\nCX\r\n^\r\n"
                           "D01/20'26\r\nT1,250.00\r\nPEmployer\r\n^\r\n";

} // namespace

class TestStatementReaders : public QObject
{
    Q_OBJECT

private slots:
    // QIF and CSV
    void statementIsRead_data();
    void statementIsRead();
    void damagedStatementIsRefused_data();
    void damagedStatementIsRefused();
    void previewShowsTheRowsAsSplit_data();
    void previewShowsTheRowsAsSplit();

    // Mappings in system.db
    void mappingsAreRememberedByName();
    void unusableMappingIsNotLoaded_data();
    void unusableMappingIsNotLoaded();
};

namespace {
void addQifRows()
{
    QTest::newRow("QIF: bank export") << bankQif << qif(Order::MonthDayYear)
                                      << QStringList{"1 2026-01-15 -8450 City Power | January",
                                                     "2 2026-01-20 125000 Employer | "};
    QTest::newRow("QIF: credit card, padded apostrophe years")
        << QByteArray("!Type:CCard \nD 1/ 5'26\nU-19.99\nT-19.99\nPBook Shop\n^\nD12/31' 5\n"
                      "T+5\nPRefund\n^\n")
        << qif(Order::MonthDayYear)
        << QStringList{"1 2026-01-05 -1999 Book Shop | ", "2 2005-12-31 500 Refund | "};
    QTest::newRow("QIF: decimal comma, day first")
        << QByteArray("!Type:Bank\nD15.01.2026\nT-1.234,56\nPStadtwerke\n^\nD16.01.26\n"
                      "T-12,5\nPB\xc3\xa4"
                      "ckerei\n^\nD17.1.2026\nT2 000\nPLohn\n^\n")
        << qif(Order::DayMonthYear, true)
        << QStringList{"1 2026-01-15 -123456 Stadtwerke | ", "2 2026-01-16 -1250 Bäckerei | ",
                       "3 2026-01-17 200000 Lohn | "};
    QTest::newRow("QIF: carriage returns alone end the lines")
        << QByteArray("!Type:Bank\rD1/15/2026\rT-1.00\rPOld Mac\r^\r") << qif(Order::MonthDayYear)
        << QStringList{"1 2026-01-15 -100 Old Mac | "};
    QTest::newRow("QIF: year first, splits skipped")
        << QByteArray("!Type:Bank\nD2026-02-28\nT-60.00\nPMarket\nSFood\nEweek\n$-40.00\n"
                      "SHome\n$-20.00\n^\n")
        << qif(Order::YearMonthDay) << QStringList{"1 2026-02-28 -6000 Market | "};
    QTest::newRow("QIF: other types skipped whole")
        << QByteArray("!Option:AutoSwitch\n!Account\nNChecking\nTBank\n^\n!Clear:AutoSwitch\n"
                      "!Type:Cat\nNUtilities\nE\n^\n!Type:Invst\nD2026-02-31\nNBuy\nYACME\n"
                      "Tabc\n^\n!Type:Cash\nD3/1/2026\nT-3.20\nPKiosk\n^\n")
        << qif(Order::MonthDayYear) << QStringList{"1 2026-03-01 -320 Kiosk | "};
    QTest::newRow("QIF: Windows-1252 text, a blank line")
        << QByteArray("!Type:Bank\n\nD3/2/2026\nT-4.10\nPCaf\xe9 \x80 Bar\n^\n")
        << qif(Order::MonthDayYear) << QStringList{"1 2026-03-02 -410 Café € Bar | "};
}

void addDamagedQifRows()
{
    const QVariant us = qif(Order::MonthDayYear);
    QTest::newRow("QIF: amount abc")
        << QByteArray("!Type:Bank\nD1/15/2026\nTabc\n^\n") << us << "line 3";
    QTest::newRow("QIF: date that does not exist")
        << QByteArray("!Type:Bank\nD2026/1/2\nT1\n^\nD2026-02-31\nT-1.00\n^\n")
        << qif(Order::YearMonthDay) << "line 5";
    QTest::newRow("QIF: year in other digits")
        << QByteArray("!Type:Bank\nD1/15/\xd9\xa2\xd9\xa6\nT-1\n^\n") << us << "line 2";
    QTest::newRow("QIF: truncated") << bankQif.left(bankQif.size() - 3) << us << "line 12";
    QTest::newRow("QIF: no date") << QByteArray("!Type:Bank\nT-1.00\nPX\n^\n") << us << "line 4";
    QTest::newRow("QIF: no amount") << QByteArray("!Type:Bank\nD1/1/2026\n^\n") << us << "line 3";
    QTest::newRow("QIF: not text")
        << QByteArray("!Type:Bank\nD1/1/2026\nP\x01\n^\n") << us << "line 3";
    QTest::newRow("QIF: not QIF") << QByteArray("\nDate,Amount\n") << us << "line 2";
    QTest::newRow("QIF: empty") << QByteArray() << us << "line 1";
    QTest::newRow("QIF: three decimals")
        << QByteArray("!Type:Bank\nD1/1/2026\nT12.345\n^\n") << us << "line 3";
    QTest::newRow("QIF: decimal comma read as grouping")
        << QByteArray("!Type:Bank\nD1/1/2026\nT-12,50\n^\n") << us << "line 3";
    QTest::newRow("QIF: two amounts differ")
        << QByteArray("!Type:Bank\nD1/1/2026\nT-1.00\nU-2.00\n^\n") << us << "line 5";
    QTest::newRow("QIF: section inside a transaction")
        << QByteArray("!Type:Bank\nD1/1/2026\n!Type:Bank\nT1\n^\n") << us << "line 3";
    QTest::newRow("QIF: second date")
        << QByteArray("!Type:Bank\nD1/1/2026\nD1/2/2026\nT1\n^\n") << us << "line 3";
}

void addCsvRows()
{
    QTest::newRow("CSV: bank export")
        << QByteArray("Date,Name,Amount,Memo\n2026-01-15,City Power,-84.50,January\n"
                      "2026-01-20,Employer,\"1,250.00\",\n")
        << csvOf("yyyy-MM-dd", ',', 1, 2)
        << QStringList{"1 2026-01-15 -8450 City Power | January",
                       "2 2026-01-20 125000 Employer | "};
    QTest::newRow("CSV: decimal comma, title rows")
        << QByteArray("Konto;123\n\nDatum;Name;Betrag;Zweck\n15.01.26;Stadtwerke;-1.234,56;"
                      "Strom\n16.01.26;B\xe4"
                      "ckerei;-2,5;\n")
        << csvOf("dd.MM.yy", ';', 3, 2, true)
        << QStringList{"1 2026-01-15 -123456 Stadtwerke | Strom", "2 2026-01-16 -250 Bäckerei | "};
    QTest::newRow("CSV: debit and credit columns")
        << QByteArray("01/15/2026\tCity Power\t84.50\t\n01/16/2026\tRefund\t0.00\t12.00\n"
                      "01/17/2026\tFee\t-1.00\t\n")
        << csvOf("MM/dd/yyyy", '\t', 0, -1)
        << QStringList{"1 2026-01-15 -8450 City Power | ", "2 2026-01-16 1200 Refund | ",
                       "3 2026-01-17 -100 Fee | "};
    QTest::newRow("CSV: quoted names, BOM, CRLF, empty lines at the end")
        << QByteArray("\xef\xbb\xbf"
                      "2026-03-01,\"Smith, Jones \"\"& Co\"\"\",-10.00,\"two\r\n"
                      "lines\"\r\n\r\n2026-03-02,\"Plain\",-1,\"\"\r\n\r\n\r\n")
        << csvOf("yyyy-MM-dd", ',', 0, 2)
        << QStringList{"1 2026-03-01 -1000 Smith, Jones \"& Co\" | two\r\nlines",
                       "2 2026-03-02 -100 Plain | "};
    QTest::newRow("CSV: every line ends in a separator, the last without a line end")
        << QByteArray("2026-03-01;City Power;-10,00;;\n2026-03-02;Water Co;-3,00;;")
        << csvOf("yyyy-MM-dd", ';', 0, 2, true)
        << QStringList{"1 2026-03-01 -1000 City Power | ", "2 2026-03-02 -300 Water Co | "};
}

void addDamagedCsvRows()
{
    const QVariant iso = csvOf("yyyy-MM-dd", ',', 1, 2);
    const QByteArray head = "Date,Name,Amount,Memo\n2026-01-15,A,-1.00,\n";
    QTest::newRow("CSV: amount abc") << head + "2026-01-16,B,abc,\n" << iso << "row 3";
    QTest::newRow("CSV: date that does not exist") << head + "2026-02-31,B,-1.00,\n"
                                                   << iso << "row 3";
    QTest::newRow("CSV: too few columns") << head + "\n2026-01-16,B,-1.00\n" << iso << "row 4";
    QTest::newRow("CSV: quote left open") << head + "2026-01-16,\"B,-1.00,\n" << iso << "row 3";
    QTest::newRow("CSV: text after a closing quote") << head + "2026-01-16,\"B\"x,-1,\n"
                                                     << iso << "row 3";
    QTest::newRow("CSV: decimal comma read as grouping") << head + "2026-01-16,B,\"-1,50\",\n"
                                                         << iso << "row 3";
    QTest::newRow("CSV: not text") << head + "2026-01-16,B\x7f,-1,\n" << iso << "line 3";
    const QVariant split = csvOf("yyyy-MM-dd", ',', 0, -1);
    QTest::newRow("CSV: debit and credit both")
        << QByteArray("2026-01-16,B,1.00,2.00\n") << split << "row 1";
    QTest::newRow("CSV: neither debit nor credit")
        << QByteArray("2026-01-16,B,,\n") << split << "row 1";
    QTest::newRow("CSV: mapping without a date format")
        << head << csvOf(QString(), ',', 1, 2) << "mapping \"Bank\"";
}

} // namespace

void TestStatementReaders::statementIsRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVariant>("options"); // QifOptions or a CsvMapping
    QTest::addColumn<QStringList>("expected");
    addQifRows();
    addCsvRows();
}

void TestStatementReaders::statementIsRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVariant, options);
    QFETCH(QStringList, expected);
    const Statement statement = read(bytes, options);
    QVERIFY2(statement.ok, qPrintable(statement.where + ": " + statement.error));
    QCOMPARE(described(statement), expected);
}

void TestStatementReaders::damagedStatementIsRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVariant>("options");
    QTest::addColumn<QString>("where");
    addDamagedQifRows();
    addDamagedCsvRows();
}

void TestStatementReaders::damagedStatementIsRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVariant, options);
    QFETCH(QString, where);
    const Statement statement = read(bytes, options);
    QVERIFY(!statement.ok);
    QVERIFY(statement.transactions.isEmpty());
    QCOMPARE(statement.where, where);
    QVERIFY(!statement.error.isEmpty());
}

void TestStatementReaders::previewShowsTheRowsAsSplit_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<QStringList>>("expected");
    const QByteArray text = "Konto;\"a;b\"\r\n\r\n15.01.2026;-1,00;\n";
    QTest::newRow("all") << text << 10
                         << QList<QStringList>{{"Konto", "a;b"}, {""}, {"15.01.2026", "-1,00", ""}};
    QTest::newRow("first two") << text << 2 << QList<QStringList>{{"Konto", "a;b"}, {""}};
    QTest::newRow("quote left open")
        << QByteArray("a;b\nc;\"d\n") << 10 << QList<QStringList>{{"a", "b"}};
}

void TestStatementReaders::previewShowsTheRowsAsSplit()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QFETCH(QList<QStringList>, expected);
    QCOMPARE(CsvStatementReader::preview(bytes, ';', rows), expected);
}

// Names are any text; each keeps its own key, and one that looks the same is the same.
void TestStatementReaders::mappingsAreRememberedByName()
{
    ScopedWorkDir dir;
    MessageRecorder recorder;
    CsvMapping first = csvOf("dd.MM.yyyy", ';', 2, 2, true).value<CsvMapping>();
    first.name = QStringLiteral("csvmap/Sparkasse \"Giro\"; DROP TABLE settings");
    CsvMapping second = csvOf("MM/dd/yy", '\t', 0, -1).value<CsvMapping>();
    second.name = QString::fromUtf8("Cre\xcc\x81"
                                    "dit");
    {
        SystemDatabase db;
        QVERIFY(SystemCsvMappings::save(first));
        QVERIFY(SystemCsvMappings::save(second));
        second.skipRows = 4;
        second.name = QString::fromUtf8("Cr\xc3\xa9"
                                        "dit");
        QVERIFY(SystemCsvMappings::save(second));
    }
    Connections::close(Connections::system());
    SystemDatabase reopened;
    QCOMPARE(SystemFileData::readVersion(), QString("1.4"));
    QSqlQuery query(Connections::database(Connections::system()));
    QVERIFY(query.exec("SELECT COUNT(*) FROM settings WHERE key LIKE 'csvmap/%'") && query.next());
    QCOMPARE(query.value(0).toInt(), 2);
    QCOMPARE(SystemCsvMappings::names(), QStringList({second.name, first.name}));
    QVERIFY(SystemCsvMappings::load(first.name) == first);
    QVERIFY(SystemCsvMappings::load(QString::fromUtf8("Cre\xcc\x81"
                                                      "dit")) == second);
    QVERIFY(!SystemCsvMappings::load("Sparkasse").has_value());
    QVERIFY(SystemCsvMappings::remove(first.name));
    QCOMPARE(SystemCsvMappings::names(), QStringList({second.name}));
    first.name = QStringLiteral(" \t");
    QVERIFY(!SystemCsvMappings::save(first));
    QCOMPARE(SystemCsvMappings::names(), QStringList({second.name}));
    QCOMPARE(recorder.count(), 0);
}

void TestStatementReaders::unusableMappingIsNotLoaded_data()
{
    QTest::addColumn<QString>("stored");
    const QString good = QStringLiteral(
        "{\"amountColumn\":2,\"creditColumn\":-1,\"dateColumn\":0,\"dateFormat\":\"yyyy-MM-dd\","
        "\"debitColumn\":-1,\"decimalComma\":false,\"memoColumn\":3,\"nameColumn\":1,"
        "\"separator\":\",\",\"skipRows\":1}");
    QTest::newRow("not JSON") << QStringLiteral("date=0");
    QTest::newRow("member missing") << QString(good).remove("\"skipRows\":1").replace(",}", "}");
    QTest::newRow("column as text")
        << QString(good).replace("\"nameColumn\":1", "\"nameColumn\":\"1\"");
    QTest::newRow("fractional column")
        << QString(good).replace("\"nameColumn\":1", "\"nameColumn\":1.5");
    QTest::newRow("no name column")
        << QString(good).replace("\"nameColumn\":1", "\"nameColumn\":-1");
    QTest::newRow("pipe separator") << QString(good).replace("\",\"", "\"|\"");
}

// What another program left under the key is reported and left as it is.
void TestStatementReaders::unusableMappingIsNotLoaded()
{
    QFETCH(QString, stored);
    ScopedWorkDir dir;
    SystemDatabase db;
    QVERIFY(SystemSettings::setValue("csvmap/Bank", stored));
    QString error;
    QVERIFY(!SystemCsvMappings::load("Bank", &error).has_value());
    QVERIFY(!error.isEmpty());
    QCOMPARE(SystemSettings::value("csvmap/Bank"), stored);
}

NV_TEST_MAIN(TestStatementReaders)
#include "tst_statementreaders.moc"
