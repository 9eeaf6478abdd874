#include "csvstatementreader.h"

#include "csvtable.h"
#include "statementtext.h"

#include <algorithm>
#include <optional>

namespace {

class CsvRowReader
{
public:
    explicit CsvRowReader(const CsvMapping &mapping) : m_mapping(mapping) {}
    // The transaction of one row, or the reason it cannot be read.
    std::optional<StatementTransaction> read(const QStringList &row, QString *error) const;

private:
    std::optional<qint64> amount(const QStringList &row, QString *error) const;
    std::optional<qint64> debitAndCredit(const QStringList &row, QString *error) const;
    int lastColumn() const;

    const CsvMapping &m_mapping;
};

Statement refused(const QString &where, const QString &error);

Statement refused(const QString &where, const QString &error)
{
    Statement statement;
    statement.where = where;
    statement.error = error;
    return statement;
}

int CsvRowReader::lastColumn() const
{
    return std::max({m_mapping.dateColumn, m_mapping.amountColumn, m_mapping.debitColumn,
                     m_mapping.creditColumn, m_mapping.nameColumn, m_mapping.memoColumn});
}

std::optional<StatementTransaction> CsvRowReader::read(const QStringList &row, QString *error) const
{
    if (row.size() <= lastColumn()) {
        *error = QStringLiteral("The row has %1 columns where the mapping needs %2.")
                     .arg(row.size())
                     .arg(lastColumn() + 1);
        return std::nullopt;
    }
    StatementTransaction transaction;
    const QString dateText = row.at(m_mapping.dateColumn).trimmed();
    const std::optional<QDate> read = StatementText::date(dateText, m_mapping.dateFormat);
    if (!read) {
        *error = QStringLiteral("The date \"%1\" is not a real date in the format %2.")
                     .arg(dateText, m_mapping.dateFormat);
        return std::nullopt;
    }
    const std::optional<qint64> cents = amount(row, error);
    if (!cents)
        return std::nullopt;
    transaction.date = *read;
    transaction.cents = *cents;
    transaction.name = row.at(m_mapping.nameColumn).trimmed();
    if (m_mapping.memoColumn >= 0)
        transaction.memo = row.at(m_mapping.memoColumn).trimmed();
    return transaction;
}

std::optional<qint64> CsvRowReader::amount(const QStringList &row, QString *error) const
{
    if (m_mapping.amountColumn < 0)
        return debitAndCredit(row, error);
    const QString text = row.at(m_mapping.amountColumn);
    const std::optional<qint64> cents = StatementText::cents(text, m_mapping.decimalComma);
    if (!cents)
        *error = QStringLiteral("The amount \"%1\" is not a number.").arg(text.trimmed());
    return cents;
}

// A debit is money leaving the account whatever its sign, a credit money coming in; a row
// fills one of the two (the other empty or zero).
std::optional<qint64> CsvRowReader::debitAndCredit(const QStringList &row, QString *error) const
{
    const QString debitText = row.at(m_mapping.debitColumn).trimmed();
    const QString creditText = row.at(m_mapping.creditColumn).trimmed();
    std::optional<qint64> debit =
        debitText.isEmpty() ? 0 : StatementText::cents(debitText, m_mapping.decimalComma);
    std::optional<qint64> credit =
        creditText.isEmpty() ? 0 : StatementText::cents(creditText, m_mapping.decimalComma);
    if (!debit || !credit) {
        *error = QStringLiteral("The amount \"%1\" is not a number.")
                     .arg(debit ? creditText : debitText);
        return std::nullopt;
    }
    if (debitText.isEmpty() && creditText.isEmpty()) {
        *error = QStringLiteral("The row has neither a debit nor a credit.");
        return std::nullopt;
    }
    if (*debit != 0 && *credit != 0) {
        *error = QStringLiteral("The row has both a debit and a credit.");
        return std::nullopt;
    }
    return *debit != 0 ? -qAbs(*debit) : qAbs(*credit);
}

} // namespace

Statement CsvStatementReader::read(const QByteArray &bytes, const CsvMapping &mapping)
{
    const QString problem = mapping.problem();
    if (!problem.isEmpty()) {
        Statement statement;
        statement.where = QStringLiteral("mapping \"%1\"").arg(mapping.name);
        statement.error = problem;
        return statement;
    }
    QString where;
    QString error;
    const std::optional<CsvTable> table = CsvTable::read(bytes, mapping.separator, &where, &error);
    if (!table)
        return refused(where, error);
    Statement statement;
    const CsvRowReader reader(mapping);
    for (int index = mapping.skipRows; index < table->rows.size(); ++index) {
        if (CsvTable::isBlank(table->rows.at(index)))
            continue;
        std::optional<StatementTransaction> transaction =
            reader.read(table->rows.at(index), &error);
        if (!transaction)
            return refused(QStringLiteral("row %1").arg(index + 1), error);
        transaction->position = static_cast<int>(statement.transactions.size()) + 1;
        statement.transactions.append(*transaction);
    }
    statement.ok = true;
    return statement;
}

QList<QStringList> CsvStatementReader::preview(const QByteArray &bytes, QChar separator, int rows)
{
    const std::optional<QString> text = StatementText::decode(bytes);
    const CsvTable table = CsvTable::parse(text ? *text : QString::fromLatin1(bytes), separator);
    return table.rows.mid(0, qMax(0, rows));
}
