#include "csvbillreader.h"

#include "csvtable.h"
#include "statementtext.h"

#include <algorithm>
#include <optional>

namespace {

BillRows refused(const QString &where, const QString &error)
{
    BillRows rows;
    rows.where = where;
    rows.error = error;
    return rows;
}

QString mappingProblem(const CsvMapping &mapping)
{
    const QString problem = mapping.problem();
    if (!problem.isEmpty())
        return problem;
    if (mapping.amountColumn < 0)
        return QStringLiteral("The mapping needs an amount column for bills.");
    return QString();
}

int lastColumn(const CsvMapping &mapping)
{
    return std::max({mapping.dateColumn, mapping.amountColumn, mapping.nameColumn,
                     mapping.memoColumn, mapping.paidDateColumn});
}

std::optional<QDate> dateIn(const QString &text, const CsvMapping &mapping, const QString &what,
                            QString *error)
{
    const std::optional<QDate> date = StatementText::date(text, mapping.dateFormat);
    if (!date)
        *error = QStringLiteral("The %1 \"%2\" is not a real date in the format %3.")
                     .arg(what, text, mapping.dateFormat);
    return date;
}

std::optional<qint64> amountIn(const QString &text, const CsvMapping &mapping, QString *error)
{
    const std::optional<qint64> cents = StatementText::cents(text, mapping.decimalComma);
    if (!cents)
        *error = QStringLiteral("The amount \"%1\" is not a number.").arg(text);
    else if (*cents <= 0)
        *error = QStringLiteral("The amount \"%1\" is not above zero.").arg(text);
    return cents && *cents > 0 ? cents : std::nullopt;
}

std::optional<DataFile::NewBill> billOf(const QStringList &row, const CsvMapping &mapping,
                                        QString *error)
{
    if (row.size() <= lastColumn(mapping)) {
        *error = QStringLiteral("The row has %1 columns where the mapping needs %2.")
                     .arg(row.size())
                     .arg(lastColumn(mapping) + 1);
        return std::nullopt;
    }
    DataFile::NewBill bill;
    bill.payeeName = row.at(mapping.nameColumn).simplified();
    if (bill.payeeName.isEmpty()) {
        *error = QStringLiteral("The row names no payee.");
        return std::nullopt;
    }
    if (mapping.memoColumn >= 0)
        bill.description = row.at(mapping.memoColumn).simplified();
    const std::optional<QDate> due =
        dateIn(row.at(mapping.dateColumn).trimmed(), mapping, QStringLiteral("due date"), error);
    const std::optional<qint64> cents =
        due ? amountIn(row.at(mapping.amountColumn).trimmed(), mapping, error) : std::nullopt;
    if (!cents)
        return std::nullopt;
    bill.dueDate = *due;
    bill.cents = *cents;
    const QString paid =
        mapping.paidDateColumn >= 0 ? row.at(mapping.paidDateColumn).trimmed() : QString();
    if (!paid.isEmpty()) {
        const std::optional<QDate> paidDate =
            dateIn(paid, mapping, QStringLiteral("paid date"), error);
        if (!paidDate)
            return std::nullopt;
        bill.paidDate = *paidDate;
    }
    return bill;
}

} // namespace

BillRows CsvBillReader::read(const QByteArray &bytes, const CsvMapping &mapping)
{
    const QString problem = mappingProblem(mapping);
    if (!problem.isEmpty())
        return refused(QStringLiteral("mapping \"%1\"").arg(mapping.name), problem);
    QString where;
    QString error;
    const std::optional<CsvTable> table = CsvTable::read(bytes, mapping.separator, &where, &error);
    if (!table)
        return refused(where, error);
    BillRows rows;
    for (int index = mapping.skipRows; index < table->rows.size(); ++index) {
        if (CsvTable::isBlank(table->rows.at(index)))
            continue;
        const std::optional<DataFile::NewBill> bill =
            billOf(table->rows.at(index), mapping, &error);
        if (!bill)
            return refused(QStringLiteral("row %1").arg(index + 1), error);
        rows.bills.append(*bill);
    }
    rows.ok = true;
    return rows;
}
