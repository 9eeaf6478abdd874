#include "bill.h"
#include "billpayment.h"
#include "payee.h"
#include "statementmatcher.h"
#include "testmain.h"

#include <QMap>
#include <QRegularExpression>

namespace {
QStringList items(const QString &text)
{
    return text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

qint64 centsOf(const QString &amount)
{
    // Every amount in these tables is written with two decimals.
    bool ok = false;
    const qint64 cents = QString(amount).remove(QLatin1Char('.')).toLongLong(&ok);
    if (!ok || amount.section(QLatin1Char('.'), 1).size() != 2)
        qFatal("bad amount in test table: %s", qPrintable(amount));
    return cents;
}

// "date|amount|name|memo", the memo optional.
StatementTransaction transactionOf(const QStringList &f)
{
    StatementTransaction t;
    t.date = QDate::fromString(f.at(0), Qt::ISODate);
    t.cents = centsOf(f.at(1));
    t.name = f.at(2);
    t.memo = f.value(3);
    return t;
}

// Positions count from 1.
QList<StatementTransaction> transactionsOf(const QStringList &rows)
{
    QList<StatementTransaction> transactions;
    for (const QString &row : rows) {
        transactions.append(transactionOf(row.split(QLatin1Char('|'))));
        transactions.last().position = int(transactions.size());
    }
    return transactions;
}

// One flag of a bill row: "estimate", "forecast=X", "payment=X", "paid" or "deleted".
void applyFlag(Bill &bill, const QString &flag)
{
    const QString value = flag.section(QLatin1Char('='), 1);
    if (flag == QLatin1String("estimate"))
        bill.setEstimate(true);
    else if (flag.startsWith(QLatin1String("forecast=")))
        bill.setForecast(value.toDouble());
    else if (flag.startsWith(QLatin1String("payment=")))
        bill.addPayment(
            BillPayment(bill.id(), QDateTime(bill.dueDate(), QTime(12, 0)), value.toDouble()));
    else if (flag == QLatin1String("paid"))
        bill.setPaid(true);
    else if (flag == QLatin1String("deleted"))
        bill.setDeleted(true);
    else
        qFatal("bad flag in test table: %s", qPrintable(flag));
}

// "billId|payeeId|payee name|due date|amount|flag|flag...".
QList<std::shared_ptr<Bill>> billsOf(const QStringList &rows)
{
    QList<std::shared_ptr<Bill>> bills;
    for (const QString &row : rows) {
        const QStringList f = row.split(QLatin1Char('|'));
        const Payee payee(f.at(1).toInt(), f.at(2), QString(), QString(), QString(), false);
        auto bill =
            std::make_shared<Bill>(0, payee, QStringLiteral("bill"), f.at(4).toDouble(),
                                   QDate(2026, 1, 1), QDate::fromString(f.at(3), Qt::ISODate),
                                   Bill::neverPaidDate(), false, true, QString(), false);
        bill->setId(f.at(0).toInt());
        for (const QString &flag : f.mid(5))
            applyFlag(*bill, flag);
        bills.append(bill);
    }
    return bills;
}

// "payeeId=alias".
QHash<int, QStringList> aliasesOf(const QStringList &rows)
{
    QHash<int, QStringList> aliases;
    for (const QString &row : rows)
        aliases[row.section(QLatin1Char('='), 0, 0).toInt()].append(
            row.section(QLatin1Char('='), 1));
    return aliases;
}

// "exact 10", "likely 10", "none", "credit" or "zero" for each transaction, joined by ";".
QString described(const QList<TransactionMatch> &matches)
{
    static const QStringList kinds = {"exact", "likely", "none", "credit", "zero"};
    QStringList items;
    for (const TransactionMatch &match : matches) {
        const QString bill = match.billId ? QLatin1Char(' ') + QString::number(match.billId) : "";
        items.append(kinds.at(match.kind) + bill);
    }
    return items.join(QLatin1Char(';'));
}

// "statement|mapping|fitid|bank|account|date|amount|name|memo": the ids of the rows, each
// statement's rows read as one statement in their order.
QStringList importIdsOf(const QStringList &rows)
{
    QMap<int, QList<int>> statements;
    for (int i = 0; i < rows.size(); ++i)
        statements[rows.at(i).section(QLatin1Char('|'), 0, 0).toInt()].append(i);
    QStringList ids(rows.size());
    for (const QList<int> &at : std::as_const(statements)) {
        QList<StatementTransaction> transactions;
        QString mapping;
        for (const int i : at) {
            const QStringList f = rows.at(i).split(QLatin1Char('|'));
            if (f.size() != 9)
                qFatal("bad row in test table: %s", qPrintable(rows.at(i)));
            mapping = f.at(1);
            transactions.append(transactionOf(f.mid(5)));
            transactions.last().fitId = f.at(2);
            transactions.last().bankId = f.at(3);
            transactions.last().accountId = f.at(4);
        }
        const QStringList statementIds = StatementMatcher::importIds(transactions, mapping);
        for (int k = 0; k < at.size(); ++k)
            ids[at.at(k)] = statementIds.at(k);
    }
    return ids;
}

} // namespace

class TestStatementMatcher : public QObject
{
    Q_OBJECT

private slots:
    void matchRules_data();
    void matchRules();
    void importIdentity_data();
    void importIdentity();
};

namespace {
const QString power = "10|1|City Power|2026-03-15|84.20";
const QString powerEstimate = "10|1|City Power|2026-03-15|80.00|estimate";

// Each row: the transactions, what each is matched to, then the bills and the aliases; items
// are separated by ";". Without bills, the one City Power bill above.
void addRow(const char *name, const QString &transactions, const QString &expected,
            const QString &bills = power, const QString &aliases = QString())
{
    QTest::newRow(name) << transactions << bills << aliases << expected;
}

// A debit of 84.20 a day before the bill is due, under this name and memo.
QString debit(const QString &nameAndMemo)
{
    return "2026-03-14|-84.20|" + nameAndMemo;
}

void addNameRows()
{
    addRow("exact", debit("CITY POWER BILLPAY"), "exact 10");
    addRow("likely without the name", debit("ONLINE PAYMENT"), "likely 10");
    addRow("name in the memo", debit("DEBIT|city power 12"), "exact 10");
    addRow("words split between name and memo", debit("CITY|POWER"), "likely 10");
    addRow("a word missing", debit("CITY PWR"), "likely 10");
    addRow("a word only inside another", debit("CITYPOWERCO"), "likely 10");
    addRow("alias as the whole name", debit("cp*util  4471"), "exact 10", power, "1=CP*UTIL 4471");
    addRow("alias as the whole memo", debit("POS 993|CP*UTIL 4471"), "exact 10", power,
           "1=CP*UTIL 4471");
    addRow("alias only part of the name", debit("CP*UTIL 4471 REF 9"), "likely 10", power,
           "1=CP*UTIL 4471");
    addRow("alias of another payee", debit("CP*UTIL 4471"), "likely 10", power, "2=CP*UTIL 4471");
    addRow("accents and punctuation", debit("ELECTRICITE DE L EST, S.A."), "exact 10",
           "10|1|Électricité de l'Est|2026-03-15|84.20");
    addRow("punctuation dropped inside a word", debit("ATT*BILL PAYMENT"), "exact 10",
           "10|1|AT&T|2026-03-15|84.20");
    addRow("punctuation between words", debit("PAYPAL*SMITH-JONES"), "exact 10",
           "10|1|Smith Jones|2026-03-15|84.20");
    addRow("payee name without words", debit("- -"), "likely 10", "10|1|-|2026-03-15|84.20");
}

void addAmountRows()
{
    addRow("a cent off", "2026-03-14|-84.21|CITY POWER", "none");
    addRow("balance after a payment", "2026-03-14|-44.20|CITY POWER", "exact 10",
           power + "|payment=40.00");
    addRow("balance rounded to the cent", debit("CITY POWER"), "exact 10",
           "10|1|City Power|2026-03-15|84.2049");
    addRow("estimate to the cent", "2026-03-14|-80.00|CITY POWER", "exact 10", powerEstimate);
    addRow("estimate a quarter above", "2026-03-14|-100.00|CITY POWER", "likely 10", powerEstimate);
    addRow("estimate just over a quarter above", "2026-03-14|-100.01|CITY POWER", "none",
           powerEstimate);
    addRow("estimate a quarter below", "2026-03-14|-60.00|CITY POWER", "likely 10", powerEstimate);
    addRow("estimate just over a quarter below", "2026-03-14|-59.99|CITY POWER", "none",
           powerEstimate);
    addRow("estimate's forecast", "2026-03-14|-95.00|CITY POWER", "exact 10",
           powerEstimate + "|forecast=95.00");
    addRow("estimate paid in full", "2026-03-14|-0.01|CITY POWER", "none",
           powerEstimate + "|payment=80.00");
    addRow("fixed amount within a quarter", "2026-03-14|-90.00|CITY POWER", "none");
    addRow("the largest debit", "2026-03-14|-92233720368547758.08|X", "none");
}

void addDateRows()
{
    addRow("10 days after the due date", "2026-03-25|-84.20|CITY POWER", "exact 10");
    addRow("10 days before the due date", "2026-03-05|-84.20|CITY POWER", "exact 10");
    addRow("11 days after the due date", "2026-03-26|-84.20|CITY POWER", "none");
    addRow("11 days before the due date", "2026-03-04|-84.20|CITY POWER", "none");
    addRow("among bills due months apart", debit("CITY POWER"), "exact 10",
           "13|1|City Power|2026-05-15|84.20;" + power + ";12|1|City Power|2026-01-15|84.20");
}

void addAssignmentRows()
{
    const QString power11 = "11|1|City Power|2026-03-";
    addRow("two bills: the nearer due date", "2026-03-17|-84.20|CITY POWER", "exact 12",
           power11 + "08|84.20;12|1|City Power|2026-03-20|84.20");
    addRow("two bills as near: the earlier due date", "2026-03-15|-84.20|CITY POWER", "exact 12",
           power11 + "18|84.20;12|1|City Power|2026-03-12|84.20");
    addRow("two bills due the same day: the lower id", "2026-03-15|-84.20|CITY POWER", "exact 11",
           "12|1|City Power|2026-03-18|84.20;" + power11 + "18|84.20");
    addRow("exact wins over a nearer likely", "2026-03-15|-84.20|CITY POWER", "exact 12",
           "11|2|Water Works|2026-03-15|84.20;12|1|City Power|2026-03-22|84.20");
    addRow("two transactions for one bill", "2026-03-10|-84.20|CITY POWER;" + debit("CITY POWER"),
           "none;exact 10");
    addRow("two transactions as near: the earlier position",
           "2026-03-17|-84.20|CITY POWER;2026-03-13|-84.20|CITY POWER", "exact 10;none");
    addRow("exact transaction wins over a nearer likely one",
           "2026-03-15|-84.20|TRANSFER;2026-03-20|-84.20|CITY POWER", "none;exact 10");
    addRow("two transactions, two bills", debit("CITY POWER;2026-04-13|-84.20|CITY POWER"),
           "exact 10;exact 13", power + ";13|1|City Power|2026-04-15|84.20");
    addRow("a credit", "2026-03-14|84.20|CITY POWER REFUND", "credit");
    addRow("a zero", "2026-03-14|0.00|CITY POWER", "zero");
    addRow("a paid bill", debit("CITY POWER"), "none", power + "|paid");
    addRow("a deleted bill", debit("CITY POWER"), "none", power + "|deleted");
}
} // namespace

void TestStatementMatcher::matchRules_data()
{
    QTest::addColumn<QString>("transactions");
    QTest::addColumn<QString>("bills");
    QTest::addColumn<QString>("aliases");
    QTest::addColumn<QString>("expected");
    addNameRows();
    addAmountRows();
    addDateRows();
    addAssignmentRows();
}

void TestStatementMatcher::matchRules()
{
    QFETCH(QString, transactions);
    QFETCH(QString, bills);
    QFETCH(QString, aliases);
    QFETCH(QString, expected);

    const QList<TransactionMatch> matches = StatementMatcher::match(
        transactionsOf(items(transactions)), billsOf(items(bills)), aliasesOf(items(aliases)));
    QCOMPARE(described(matches), expected);
    for (int i = 0; i < matches.size(); ++i)
        QCOMPARE(matches.at(i).position, i + 1);
}

namespace {
const QString longText(300, QLatin1Char('7'));

void addOfxIdentityRows()
{
    QTest::newRow("OFX separators inside the parts")
        << QStringList{"1||F1/2|B|A|2026-03-01|-1.00|x|", "1||2|B|A/F1|2026-03-01|-1.00|x|",
                       "1||2|B/A|F1|2026-03-01|-1.00|x|", "1||2|B|A%2FF1|2026-03-01|-1.00|x|"}
        << QList<int>{1, 2, 3, 4};
    QTest::newRow("OFX: one FITID in two accounts")
        << QStringList{"1||F1|B|A1|2026-03-01|-1.00|x|", "1||F1|B|A2|2026-03-01|-1.00|x|",
                       "1||F1|B2|A1|2026-03-01|-1.00|x|"}
        << QList<int>{1, 2, 3};
    QTest::newRow("OFX: the triple alone identifies")
        << QStringList{"1||F1|B|A|2026-03-01|-1.00|x|", "2|map|F1|B|A|2026-03-02|-2.00|y|z"}
        << QList<int>{1, 1};
    QTest::newRow("OFX: one FITID for every line of an account, read twice")
        << QStringList{"1||0|B|A|2026-03-01|-1.00|x|", "1||0|B|A|2026-03-02|-2.00|y|",
                       "1||0|B|A|2026-03-03|-3.00|z|", "2||0|B|A|2026-03-01|-1.00|x|",
                       "2||0|B|A|2026-03-02|-2.00|y|", "2||0/1|B|A|2026-03-02|-2.00|y|"}
        << QList<int>{1, 2, 3, 1, 2, 4};
    QTest::newRow("OFX: long FITIDs") << QStringList{"1||" + longText + "1|B|A|2026-03-01|-1.00|x|",
                                                     "1||" + longText + "2|B|A|2026-03-01|-1.00|x|",
                                                     "2||" + longText + "1|B|A|2026-03-01|-1.00|x|"}
                                      << QList<int>{1, 2, 1};
}

void addRowIdentityRows()
{
    QTest::newRow("identical rows counted apart")
        << QStringList{"1|bank||||2026-03-01|-5.00|COFFEE|", "1|bank||||2026-03-01|-5.00|COFFEE|",
                       "1|bank||||2026-03-01|-5.00|COFFEE|"}
        << QList<int>{1, 2, 3};
    QTest::newRow("identical rows in a later statement")
        << QStringList{"1|bank||||2026-03-01|-5.00|COFFEE|", "1|bank||||2026-03-01|-5.00|COFFEE|",
                       "2|bank||||2026-02-28|-9.00|LUNCH|",  "2|bank||||2026-03-01|-5.00|COFFEE|",
                       "2|bank||||2026-03-01|-5.00|COFFEE|", "2|bank||||2026-03-01|-5.00|COFFEE|"}
        << QList<int>{1, 2, 3, 1, 2, 4};
    QTest::newRow("rows differing in one field")
        << QStringList{"1|bank||||2026-03-01|-5.00|COFFEE|",  "1|bank||||2026-03-02|-5.00|COFFEE|",
                       "1|bank||||2026-03-01|-5.01|COFFEE|",  "1|bank||||2026-03-01|5.00|COFFEE|",
                       "1|bank||||2026-03-01|-5.00|COFFEE|a", "1|bank||||2026-03-01|-5.00|COFFEEa|",
                       "1|bank||||2026-03-01|-5.00|COFFE|Ea"}
        << QList<int>{1, 2, 3, 4, 5, 6, 7};
    QTest::newRow("the same row under two mappings")
        << QStringList{"1|bank||||2026-03-01|-5.00|COFFEE|", "2|bank/2||||2026-03-01|-5.00|COFFEE|",
                       "3|" + longText + "||||2026-03-01|-5.00|COFFEE|",
                       "4|" + longText + "1||||2026-03-01|-5.00|COFFEE|"}
        << QList<int>{1, 2, 3, 4};
    QTest::newRow("control characters in the parts")
        << QStringList{"1||F\n1|B|A\t|2026-03-01|-1.00|x|", "2|map\x1b[31m||||2026-03-01|-1.00|x|"}
        << QList<int>{1, 2};
}
} // namespace

void TestStatementMatcher::importIdentity_data()
{
    // "statement|mapping|fitid|bank|account|date|amount|name|memo", each statement's rows read
    // as one statement in their order.
    QTest::addColumn<QStringList>("rows");
    // Rows with the same label must be known as the same transaction, others never.
    QTest::addColumn<QList<int>>("same");
    addOfxIdentityRows();
    addRowIdentityRows();
}

void TestStatementMatcher::importIdentity()
{
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, same);

    const QStringList ids = importIdsOf(rows);
    for (int i = 0; i < ids.size(); ++i) {
        QVERIFY2(ids.at(i).size() <= 200, qPrintable(ids.at(i)));
        // Printable ASCII only, no space.
        QVERIFY2(!ids.at(i).contains(QRegularExpression("[^!-~]")), qPrintable(ids.at(i)));
        for (int j = i + 1; j < ids.size(); ++j) {
            QVERIFY2((ids.at(i) == ids.at(j)) == (same.at(i) == same.at(j)),
                     qPrintable(QStringLiteral("rows %1 and %2: %3, %4")
                                    .arg(i + 1)
                                    .arg(j + 1)
                                    .arg(ids.at(i), ids.at(j))));
        }
    }
}

NV_TEST_MAIN(TestStatementMatcher)
#include "tst_statementmatcher.moc"
