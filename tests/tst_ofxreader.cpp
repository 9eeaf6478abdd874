#include "ofxreader.h"
#include "ofxtext.h"
#include "testmain.h"

#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

// OFX and QFX statements as banks write them, and damaged ones, read from files.
class TestOfxReader : public QObject
{
    Q_OBJECT

private slots:
    void readsStatement_data();
    void readsStatement();
    void refusesDamagedStatement_data();
    void refusesDamagedStatement();
    void readsAmountInCents_data();
    void readsAmountInCents();
    void readsCalendarDay_data();
    void readsCalendarDay();
    void keepsLibraryOffStderr();
};

namespace {
QString statementPath(const QString &name)
{
    return QStringLiteral(NV_STATEMENTS_DIR "/") + name;
}

// One of the statements the developers keep with one piece of its text changed: edit is
// "from=>to", which replaces the first "from", and "from=>..." cuts the file there. The
// changed file is written into dir; an empty edit leaves the statement as it is.
QString edited(const QTemporaryDir &dir, const QString &name, const QByteArray &edit)
{
    if (edit.isEmpty())
        return statementPath(name);
    QFile file(statementPath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no statement %s", qPrintable(name));
    QByteArray text = file.readAll();
    const qsizetype split = edit.indexOf("=>");
    const QByteArray from = edit.left(split);
    const QByteArray to = edit.mid(split + 2);
    const qsizetype at = text.indexOf(from);
    if (split < 0 || at < 0)
        qFatal("bad edit of %s: %s", qPrintable(name), edit.constData());
    text = to == "..." ? text.left(at) : text.replace(at, from.size(), to);
    const QString path = dir.filePath("edited-" + name);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// One line per transaction, every field, in the statement's order.
QStringList described(const Statement &statement)
{
    QStringList lines;
    for (const StatementTransaction &t : statement.transactions)
        lines << QString("%1|%2|%3|%4|%5|%6|%7|%8")
                     .arg(QString::number(t.position), t.fitId, t.bankId, t.accountId,
                          t.date.toString(Qt::ISODate), QString::number(t.cents), t.name, t.memo);
    return lines;
}
} // namespace

void TestOfxReader::readsStatement_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("edit");
    QTest::addColumn<QStringList>("expected");

    const QString account = "|30004000|11223344|";
    const QString power =
        "1|A-1001" + account + "2026-05-03|-8420|City Power Works|Direct debit May";
    const QString salary = "2|A-1002" + account + "2026-05-05|150000|Salary|";
    const QString bakery = "3|A-1003" + account + "2026-05-12|-700|Bakery|";
    const QString rent = "1|X2026-0410-1|55500011|998877|2026-04-10|-125005|Riverside Rentals|"
                         "Rent April";
    const QString music = "|55500011|998877|2026-04-28|-99|Music Box Monthly|";
    QTest::newRow("1.x SGML") << "checking-1x.ofx" << QByteArray()
                              << QStringList{power, salary, bakery};
    QTest::newRow("name in the declared code page")
        << "checking-1x.ofx" << QByteArray("<NAME>Bakery=><NAME>Caf\xe9 M\xfcller")
        << QStringList{power, salary, "3|A-1003" + account + "2026-05-12|-700|Café Müller|"};
    QTest::newRow("payee aggregate in place of a name")
        << "checking-1x.ofx"
        << QByteArray("<NAME>Salary=><PAYEE>\n<NAME>Acme Payroll &amp; Sons\n<ADDR1>1 Main "
                      "St\n<CITY>Town\n<STATE>XX\n<POSTALCODE>1000\n<PHONE>555\n</PAYEE>")
        << QStringList{power, "2|A-1002" + account + "2026-05-05|150000|Acme Payroll & Sons|",
                       bakery};
    QTest::newRow("2.x XML, the bank's day whatever the zone")
        << "checking-2x.ofx" << QByteArray() << QStringList{rent, "2|X2026-0428-2" + music};
    QTest::newRow("entity in a FITID")
        << "checking-2x.ofx" << QByteArray("X2026-0428-2=>X&amp;Y-0428-2")
        << QStringList{rent, "2|X&Y-0428-2" + music};
    QTest::newRow("QFX, decimal comma, no whole digits")
        << "checking.qfx" << QByteArray()
        << QStringList{"1|20260519-CHK-0042|121000358|000123456789|2026-05-19|-6250|"
                       "Lakeside Water Co-op|",
                       "2|20260527-FEE|121000358|000123456789|2026-05-27|-75|Service "
                       "charge|"};
    QTest::newRow("credit card")
        << "creditcard.ofx" << QByteArray()
        << QStringList{"1|CC-77001||4000111122223333|2026-05-02|-3999|Streamly|Subscription",
                       "2|CC-77002||4000111122223333|2026-05-20|25000|Payment received|"};
    QTest::newRow("two accounts, one FITID in each")
        << "checking-2x.ofx"
        << QByteArray("    </STMTTRNRS>\n=>    </STMTTRNRS>\n    <STMTTRNRS>\n      "
                      "<TRNUID>8</TRNUID>\n      <STATUS><CODE>0</CODE><SEVERITY>INFO</SEVERITY>"
                      "</STATUS>\n      <STMTRS>\n        <CURDEF>EUR</CURDEF>\n        "
                      "<BANKACCTFROM>\n          <BANKID>55500011</BANKID>\n          "
                      "<ACCTID>998878</ACCTID>\n          <ACCTTYPE>SAVINGS</ACCTTYPE>\n        "
                      "</BANKACCTFROM>\n        <BANKTRANLIST>\n          <DTSTART>20260401"
                      "</DTSTART>\n          <DTEND>20260430</DTEND>\n          <STMTTRN>\n     "
                      "       <TRNTYPE>DEBIT</TRNTYPE>\n            <DTPOSTED>20260415</DTPOSTED>"
                      "\n            <TRNAMT>-20.00</TRNAMT>\n            <FITID>X2026-0410-1"
                      "</FITID>\n            <NAME>Transfer to savings</NAME>\n          "
                      "</STMTTRN>\n        </BANKTRANLIST>\n        <LEDGERBAL><BALAMT>100.00"
                      "</BALAMT><DTASOF>20260430</DTASOF></LEDGERBAL>\n      </STMTRS>\n    "
                      "</STMTTRNRS>\n")
        << QStringList{rent, "2|X2026-0428-2" + music,
                       "3|X2026-0410-1|55500011|998878|2026-04-15|-2000|Transfer to savings|"};
}

void TestOfxReader::readsStatement()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, edit);
    QFETCH(QStringList, expected);

    const QTemporaryDir dir;
    const Statement statement = OfxReader::read(edited(dir, file, edit));
    QVERIFY2(statement.ok, qPrintable(statement.where + ": " + statement.error));
    QCOMPARE(described(statement), expected);
}

void TestOfxReader::refusesDamagedStatement_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("edit");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("error");

    const auto row = [](const char *name, const char *file, const QByteArray &edit,
                        const QString &where, const char *error) {
        QTest::newRow(name) << file << edit << where << error;
    };
    const char *sgml = "checking-1x.ofx";
    const char *xml = "checking-2x.ofx";
    row("truncated", sgml, "<NAME>Bakery=>...", "</OFX>", "incomplete");
    row("amount not a number", sgml, "1500.00=>abc", "FITID A-1002", "\"abc\" is not a number");
    row("date that does not exist", xml, "20260428235959[+2:CEST]=>20260231", "FITID X2026-0428-2",
        "\"20260231\" is not a real date");
    row("missing closing tag", xml, "          </STMTTRN>\n=>", "<OFX>", "could not read");
    row("transaction the library did not read", xml,
        "        </BANKTRANLIST>=><!-- <STMTTRN><TRNTYPE>DEBIT</TRNTYPE><DTPOSTED>20260429"
        "</DTPOSTED><TRNAMT>-5.00</TRNAMT><FITID>X2026-0429-3</FITID></STMTTRN> -->\n"
        "        </BANKTRANLIST>",
        "<STMTTRN>", "holds 3 transactions; the OFX library read 2");
    row("no FITID, three decimals", sgml, "1500.00\n<FITID>A-1002=>1500.005", "transaction 2",
        "\"1500.005\" is not a number");
    row("no amount", sgml, "<TRNAMT>-7\n=>", "FITID A-1003", "needs one amount");
    row("bank's error in place of the statement", "damaged-bank-error.ofx", "", "<STATUS>",
        "bank reports an error");
    row("no such file", "missing.ofx", "", statementPath("missing.ofx"), "opened");
}

void TestOfxReader::refusesDamagedStatement()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, edit);
    QFETCH(QString, where);
    QFETCH(QString, error);

    const QTemporaryDir dir;
    const Statement statement = OfxReader::read(edited(dir, file, edit));
    QVERIFY(!statement.ok);
    QCOMPARE(statement.where, where);
    QVERIFY2(statement.error.contains(error), qPrintable(statement.error));
    QVERIFY(statement.transactions.isEmpty());
}

void TestOfxReader::readsAmountInCents_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("cents"); // "none" when the text is not an amount

    const auto row = [](const char *name, const char *text, const char *cents) {
        QTest::newRow(name) << QByteArray(text) << QString(cents);
    };
    row("debit", "-84.20", "-8420");
    row("plus sign, one decimal", "+3.5", "350");
    row("decimal comma", "12,07", "1207");
    row("whole", "19", "1900");
    row("mark without decimals", "19.", "1900");
    row("cents only", "-.05", "-5");
    row("beyond a double's exact cents", "9999999999999.99", "999999999999999");
    row("three decimals", "1.005", "none");
    row("word", "abc", "none");
    row("empty", "", "none");
    row("sign alone", "-", "none");
    row("exponent", "1e3", "none");
    row("thousands separator", "1,234.00", "none");
    row("too many digits", "99999999999999", "none");
}

void TestOfxReader::readsAmountInCents()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, cents);

    const std::optional<qint64> read = OfxText::centsOf(text);
    QCOMPARE(read ? QString::number(*read) : QString("none"), cents);
}

void TestOfxReader::readsCalendarDay_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QDate>("day");

    QTest::newRow("day") << QByteArray("20260503") << QDate(2026, 5, 3);
    QTest::newRow("leap day") << QByteArray("20240229") << QDate(2024, 2, 29);
    QTest::newRow("time and zone")
        << QByteArray("20260410000000.000[-5:EST]") << QDate(2026, 4, 10);
    QTest::newRow("minutes, zone without name")
        << QByteArray("202604102359[+2]") << QDate(2026, 4, 10);
    QTest::newRow("31 February") << QByteArray("20260231") << QDate();
    QTest::newRow("not a leap year") << QByteArray("20260229") << QDate();
    QTest::newRow("month 13") << QByteArray("20261301") << QDate();
    QTest::newRow("hour 25") << QByteArray("20260503250000") << QDate();
    QTest::newRow("short") << QByteArray("202605") << QDate();
    QTest::newRow("dashes") << QByteArray("2026-05-03") << QDate();
    QTest::newRow("trailing text") << QByteArray("20260503 noon") << QDate();
}

void TestOfxReader::readsCalendarDay()
{
    QFETCH(QByteArray, text);
    QFETCH(QDate, day);

    QCOMPARE(OfxText::dateOf(text).value_or(QDate()), day);
}

// A file only the library can find fault with: it would tell stderr, which a script running
// the command-line tool reads as ours.
void TestOfxReader::keepsLibraryOffStderr()
{
    QTemporaryDir dir;
    const QString unclosed = edited(dir, "checking-2x.ofx", "          </STMTTRN>\n=>");
    const QString capturePath = dir.filePath(QStringLiteral("stderr"));
    const int capturing = open(qPrintable(capturePath), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY(capturing >= 0);
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(capturing, STDERR_FILENO);
    const Statement statement = OfxReader::read(unclosed);
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    close(capturing);

    QVERIFY(!statement.ok);
    QFile capture(capturePath);
    QVERIFY(capture.open(QIODevice::ReadOnly));
    QCOMPARE(capture.readAll(), QByteArray());
}

NV_TEST_MAIN(TestOfxReader)
#include "tst_ofxreader.moc"
