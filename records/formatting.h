#pragma once

#include <QDate>
#include <QString>

// How the program shows money, months and days: always in US English notation, whatever the
// system's locale, in the list, the summary, the dialogs and the reports alike.
namespace Formatting {

// "$1,234.50": two decimals, thousands grouped, a minus before the dollar ("-$12.00").
// Like amount(), it makes US English the default locale, which the rest of the program relies
// on once any amount has been shown.
QString currency(double value);
// "1,234.50", as an amount field shows it.
QString amount(double value);
// The value rounded to whole cents, never -0. A value so large that a double holds no cents
// of it is whole already and stays exactly as it is.
double roundedToCents(double value);

// The full English name of the day's month ("March").
QString monthName(const QDate &day);
// "03/07/2024": a day as the bill list, the payment list and the reports show it.
QString shortDate(const QDate &day);

} // namespace Formatting
