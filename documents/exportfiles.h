#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class QObject;

// What the program writes for other programs to read: comma-separated values a spreadsheet
// opens as they are (UTF-8, CRLF line ends, fields quoted only where they must be) and cannot
// be made to run, text a terminal shows as text, and the one way such a file reaches the disk.
namespace ExportFiles {

// What a CSV column holds. Text comes from a person or a file and may begin like a formula,
// which a spreadsheet would run when the file is opened; a value the program makes itself (an
// id, an amount, a count of days, a date) is written as it is, minus sign and all.
enum class CsvKind
{
    Text,
    Value
};

struct CsvColumn
{
    QString title;
    CsvKind kind = CsvKind::Text;
};

// A header record of the column titles, then one record per row, as UTF-8 (RFC 4180). A field
// is quoted when it holds a comma, a quote or a line break; quotes are doubled and line breaks
// stay inside the quotes. Every other control character becomes a space. A text field that
// begins with a tab or a carriage return, or whose first character after any blanks is =, +,
// - or @, gets a leading ', which a spreadsheet reads as "this is text".
QByteArray csvDocument(const QList<CsvColumn> &columns, const QList<QStringList> &rows);

// Dates as yyyy-MM-dd, an invalid date as an empty field; amounts go in as
// Formatting::plainAmount writes them.
QString csvDate(const QDate &date);
// "true" or "false", as a flag column holds it.
QString csvBool(bool value);

// Writes the whole file or nothing: the bytes go to a temporary file beside the target, which
// replaces the target only once everything is written. On failure the system's reason (the
// disk is full, say) is in errorText and no partial file is left.
bool writeFile(const QString &path, const QByteArray &bytes, QString *errorText);

// writeFile, and on failure the file error box: what could not be written ("The file could not
// be written to" unless told otherwise), the file and the reason.
bool writeFileOrTell(const QString &path, const QByteArray &bytes, QObject *parent,
                     const QString &what = QString());
void tellWriteFailure(const QString &path, const QString &reason, QObject *parent,
                      const QString &what = QString());

} // namespace ExportFiles
