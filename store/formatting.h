#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// How the program shows money, months and days: always in US English notation, whatever the
// system's locale, in the list, the summary, the dialogs and the reports alike.
namespace Formatting {

// "$1,234.50": two decimals, thousands grouped, a minus before the dollar ("-$12.00").
// Like amount(), it makes US English the default locale, which the rest of the program relies
// on once any amount has been shown.
QString currency(double value);
// currency(), marked "≈" before it ("≈$86.40") when the value is an estimate rather than a
// bill's real amount; a sum that rests on any estimate is one too.
QString currency(double value, bool estimate);
// "1,234.50", as an amount field shows it.
QString amount(double value);
// "1234.50": the value rounded to whole cents, two decimals, no grouping and no currency sign,
// as files for other programs hold amounts; never "-0.00", and every digit of a large amount.
QString plainAmount(double value);
// currency() of the value rounded to whole cents first, so that a list showing this text
// agrees cent for cent with the plainAmount() and roundedToCents() figures written beside it.
QString roundedCurrency(double value);
// roundedCurrency(), marked as currency(value, estimate) marks it.
QString roundedCurrency(double value, bool estimate);
// The value rounded to whole cents, never -0. A value so large that a double holds no cents
// of it is whole already and stays exactly as it is.
double roundedToCents(double value);

// The full English name of the day's month ("March").
QString monthName(const QDate &day);
// Its short English name ("Mar").
QString shortMonthName(const QDate &day);
// "March 2024".
QString monthAndYear(const QDate &day);
// "Mar 2024".
QString shortMonthAndYear(const QDate &day);
// "03/07/2024": a day as the bill list, the payment list and the reports show it.
QString shortDate(const QDate &day);

// Text for one line of a terminal or a notification: every control character, line breaks
// included, becomes a space, so that a stored name can neither break the line nor send the
// terminal a command.
QString oneLine(const QString &text);
// oneLine, cut to at most width characters, the last of them "…" when anything was cut.
QString shortLine(const QString &text, int width);
// UTF-8 JSON as QJsonDocument writes it, with DEL and the C1 controls (U+0080 to U+009F, which
// some terminals obey) written as \u escapes too: QJsonDocument escapes only those below a
// space. The escapes read back as the same text.
QByteArray escapedJsonControls(const QByteArray &json);

} // namespace Formatting
