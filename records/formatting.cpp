#include "formatting.h"

#include <QLocale>

#include <cmath>

namespace {

const QLocale &usEnglish()
{
    static const QLocale us(QLocale::English, QLocale::UnitedStates);
    return us;
}

QString formatWithPattern(const QString &pattern, double value)
{
    // Amounts are always shown in US notation, and the rest of the program relies on that
    // locale being the default once any amount has been formatted. It is replaced only when
    // it differs: a list of many thousand amounts would otherwise replace it for each one.
    if (QLocale() != usEnglish())
        QLocale::setDefault(usEnglish());
    return pattern.arg(value, 0, 'f', 2, QLatin1Char(' '));
}

} // namespace

namespace Formatting {

QString currency(double value)
{
    const QString shown = formatWithPattern(QStringLiteral("$%L1"), std::abs(value));
    // A value that rounds to zero cents has no sign to show.
    if (value < 0 && shown != QLatin1String("$0.00"))
        return QLatin1Char('-') + shown;
    return shown;
}

QString amount(double value)
{
    return formatWithPattern(QStringLiteral("%L1"), value);
}

QString monthName(const QDate &day)
{
    return usEnglish().monthName(day.month());
}

QString shortDate(const QDate &day)
{
    return day.toString(QStringLiteral("MM/dd/yyyy"));
}

} // namespace Formatting
