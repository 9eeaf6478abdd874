#include "csvtable.h"

#include "statementtext.h"

#include <algorithm>

namespace {

bool isLineEnd(const QString &text, qsizetype at)
{
    return at < text.size() &&
           (text.at(at) == QLatin1Char('\n') || text.at(at) == QLatin1Char('\r'));
}

qsizetype skipLineEnd(const QString &text, qsizetype at)
{
    if (text.at(at) == QLatin1Char('\r') && at + 1 < text.size() &&
        text.at(at + 1) == QLatin1Char('\n'))
        return at + 2;
    return at + 1;
}

} // namespace

CsvTable CsvTable::parse(const QString &text, QChar separator)
{
    CsvTable table;
    QStringList row;
    qsizetype at = 0;
    while (at < text.size()) {
        QString field;
        if (!table.readField(text, at, separator, field)) {
            table.badRow = static_cast<int>(table.rows.size()) + 1;
            return table;
        }
        row.append(field);
        if (at < text.size() && text.at(at) == separator) {
            ++at;
            if (at == text.size())
                row.append(QString());
            continue;
        }
        table.rows.append(row);
        row.clear();
        if (at < text.size())
            at = skipLineEnd(text, at);
    }
    // A last row that ends in a separator, with no line end after it.
    if (!row.isEmpty())
        table.rows.append(row);
    return table;
}

// Reads one field from at, leaving at on the separator or line end after it.
bool CsvTable::readField(const QString &text, qsizetype &at, QChar separator, QString &field)
{
    if (text.at(at) != QLatin1Char('"')) {
        while (at < text.size() && text.at(at) != separator && !isLineEnd(text, at))
            field.append(text.at(at++));
        return true;
    }
    for (++at; at < text.size(); ++at) {
        if (text.at(at) != QLatin1Char('"')) {
            field.append(text.at(at));
        } else if (at + 1 < text.size() && text.at(at + 1) == QLatin1Char('"')) {
            field.append(QLatin1Char('"'));
            ++at;
        } else {
            ++at;
            return at == text.size() || text.at(at) == separator || isLineEnd(text, at);
        }
    }
    return false;
}

std::optional<CsvTable> CsvTable::read(const QByteArray &bytes, QChar separator, QString *where,
                                       QString *error)
{
    int badLine = 0;
    const std::optional<QString> text = StatementText::decode(bytes, &badLine);
    if (!text) {
        *where = QStringLiteral("line %1").arg(badLine);
        *error = QStringLiteral("The file holds bytes that are not text.");
        return std::nullopt;
    }
    CsvTable table = parse(*text, separator);
    if (table.badRow > 0) {
        *where = QStringLiteral("row %1").arg(table.badRow);
        *error = QStringLiteral("A quoted field is not closed where it should be.");
        return std::nullopt;
    }
    return table;
}

bool CsvTable::isBlank(const QStringList &row)
{
    return std::all_of(row.cbegin(), row.cend(),
                       [](const QString &field) { return field.trimmed().isEmpty(); });
}
