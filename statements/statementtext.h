#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

// The text of a statement file and the amounts in it, shared by the line-based readers.
namespace StatementText {

// The bytes as text: UTF-8 when they are valid UTF-8, otherwise Windows-1252, which many
// banks still write. A UTF-8 byte order mark is dropped. Nothing when the bytes are not text:
// a control character other than tab, carriage return and line feed, or a byte that
// Windows-1252 leaves undefined; badLine then holds the line it is on, from 1.
std::optional<QString> decode(const QByteArray &bytes, int *badLine = nullptr);

// An amount in whole cents: an optional sign, digits in groups of three when grouped, and up to
// two decimals. With a decimal point "," groups; with a decimal comma "." or a space groups.
// Nothing for anything else, so that a column read with the wrong decimal mark ("12,50" as
// grouping) is refused rather than read as another amount.
std::optional<qint64> cents(const QString &text, bool decimalComma);

// A date in a Qt date format such as "dd.MM.yyyy"; nothing when the text is no real date in
// that format.
std::optional<QDate> date(const QString &text, const QString &format);

} // namespace StatementText
