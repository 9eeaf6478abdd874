#include "csvmapping.h"

#include <tuple>

namespace {

auto fields(const CsvMapping &mapping)
{
    return std::tie(mapping.name, mapping.dateColumn, mapping.amountColumn, mapping.debitColumn,
                    mapping.creditColumn, mapping.nameColumn, mapping.memoColumn,
                    mapping.paidDateColumn, mapping.dateFormat, mapping.decimalComma,
                    mapping.skipRows, mapping.separator);
}

bool hasYearMonthAndDay(const QString &format)
{
    return format.contains(QLatin1String("yy")) && format.contains(QLatin1Char('M')) &&
           format.contains(QLatin1Char('d'));
}

} // namespace

bool CsvMapping::operator==(const CsvMapping &other) const
{
    return fields(*this) == fields(other);
}

QString CsvMapping::problem() const
{
    const int columns[] = {dateColumn, amountColumn, debitColumn,   creditColumn,
                           nameColumn, memoColumn,   paidDateColumn};
    for (const int column : columns)
        if (column < -1 || column > 999)
            return QStringLiteral("A column number is out of range.");
    if (dateColumn < 0 || nameColumn < 0)
        return QStringLiteral("The mapping needs a date column and a name column.");
    if (amountColumn < 0 && (debitColumn < 0 || creditColumn < 0))
        return QStringLiteral(
            "The mapping needs an amount column, or a debit and a credit column.");
    if (!hasYearMonthAndDay(dateFormat))
        return QStringLiteral("The date format needs a year, a month and a day.");
    if (skipRows < 0)
        return QStringLiteral("The rows to skip cannot be fewer than none.");
    if (skipRows > 999)
        return QStringLiteral("At most 999 rows can be skipped.");
    if (separator != QLatin1Char(',') && separator != QLatin1Char(';') &&
        separator != QLatin1Char('\t'))
        return QStringLiteral("The separator must be a comma, a semicolon or a tab.");
    return QString();
}
