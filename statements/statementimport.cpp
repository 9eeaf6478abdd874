#include "statementimport.h"

#include "bill.h"
#include "csvstatementreader.h"
#include "importedtransaction.h"
#include "ofxreader.h"
#include "payeealias.h"

#include <QFile>

namespace {

Statement refused(const QString &where, const QString &error)
{
    Statement statement;
    statement.where = where;
    statement.error = error;
    return statement;
}

} // namespace

Statement StatementImport::read(const QString &path, StatementFormat format,
                                const CsvMapping *mapping)
{
    if (format == StatementFormat::Csv && !mapping)
        return refused(path, QStringLiteral("A CSV statement needs a mapping of its columns."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(
            path, QStringLiteral("The statement cannot be opened: %1").arg(file.errorString()));
    if (file.size() > largestFile)
        return refused(path, QStringLiteral("The file is too large for a bank statement."));
    if (format == StatementFormat::Ofx) {
        file.close();
        return OfxReader::read(path);
    }
    const QByteArray bytes = file.read(largestFile + 1);
    if (bytes.size() > largestFile)
        return refused(path, QStringLiteral("The file is too large for a bank statement."));
    if (format == StatementFormat::Qif)
        return QifReader::read(bytes, mapping ? qifOptions(*mapping) : QifOptions());
    return CsvStatementReader::read(bytes, *mapping);
}

QifOptions StatementImport::qifOptions(const CsvMapping &mapping)
{
    QifOptions options;
    options.decimalComma = mapping.decimalComma;
    // The order the date format names day, month and year in.
    const qsizetype day = mapping.dateFormat.indexOf(QLatin1Char('d'));
    const qsizetype month = mapping.dateFormat.indexOf(QLatin1Char('M'));
    const qsizetype year = mapping.dateFormat.indexOf(QLatin1Char('y'));
    if (day >= 0 && month >= 0 && year >= 0) {
        if (year < month && year < day)
            options.order = QifOptions::DateOrder::YearMonthDay;
        else if (day < month)
            options.order = QifOptions::DateOrder::DayMonthYear;
    }
    return options;
}

std::optional<QList<ImportLine>> StatementImport::review(const DataFile &file,
                                                         const Statement &statement,
                                                         const QString &mappingName,
                                                         QHash<int, DataFile::BillPtr> *bills)
{
    const QStringList ids = StatementMatcher::importIds(statement.transactions, mappingName);
    QList<ImportLine> lines;
    QList<StatementTransaction> unseen;
    for (qsizetype i = 0; i < statement.transactions.size(); ++i) {
        ImportLine line;
        line.transaction = statement.transactions.at(i);
        line.importId = ids.at(i);
        line.match.position = line.transaction.position;
        const std::optional<bool> known = ImportedTransaction::isKnown(line.importId);
        if (!known)
            return std::nullopt;
        if (*known)
            line.status = ImportLine::Status::AlreadyImported;
        else
            unseen.append(line.transaction);
        lines.append(line);
    }
    const std::optional<QList<DataFile::BillPtr>> unpaid = file.readUnpaidBills();
    const std::optional<QHash<int, QStringList>> aliases = PayeeAlias::all();
    if (!unpaid || !aliases)
        return std::nullopt;
    // Lines recorded before take no bill: the bill they paid is paid, or paid in part by them.
    const QList<TransactionMatch> matches = StatementMatcher::match(unseen, *unpaid, *aliases);
    if (bills) {
        bills->clear();
        for (const DataFile::BillPtr &bill : *unpaid)
            bills->insert(bill->id(), bill);
    }
    qsizetype next = 0;
    for (ImportLine &line : lines) {
        if (line.status == ImportLine::Status::AlreadyImported)
            continue;
        line.match = matches.at(next++);
        if (line.match.kind == TransactionMatch::Credit ||
            line.match.kind == TransactionMatch::Zero)
            line.status = ImportLine::Status::Ignored;
    }
    return lines;
}

DataFile::StatementPayment StatementImport::payment(const ImportLine &line, int billId,
                                                    bool learnAlias)
{
    const StatementTransaction &t = line.transaction;
    DataFile::StatementPayment payment;
    payment.importId = line.importId;
    // The bank's own id of the line when it has one; otherwise the identity it is known by.
    payment.reference = t.fitId.isEmpty() ? line.importId : t.fitId;
    payment.date = t.date;
    payment.cents = -t.cents;
    payment.billId = billId;
    if (learnAlias)
        payment.alias = nameOf(t);
    return payment;
}

DataFile::StatementPayment StatementImport::newBillPayment(const ImportLine &line)
{
    DataFile::StatementPayment payment = StatementImport::payment(line, 0, false);
    const StatementTransaction &t = line.transaction;
    payment.newPayeeName = nameOf(t);
    // A line that names nobody still becomes a bill: a payee needs a name.
    if (payment.newPayeeName.isEmpty())
        payment.newPayeeName = QStringLiteral("Unnamed payee");
    payment.newDescription = t.memo.isEmpty() ? t.name : t.memo;
    return payment;
}

QList<DataFile::StatementPayment> StatementImport::exactPayments(const QList<ImportLine> &lines)
{
    QList<DataFile::StatementPayment> payments;
    for (const ImportLine &line : lines) {
        if (line.status == ImportLine::Status::New && line.match.kind == TransactionMatch::Exact)
            payments.append(payment(line, line.match.billId, false));
    }
    return payments;
}

QString StatementImport::nameOf(const StatementTransaction &transaction)
{
    const QString name = transaction.name.simplified();
    return name.isEmpty() ? transaction.memo.simplified() : name;
}
