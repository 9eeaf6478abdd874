#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class QObject;

// What the program writes for other programs to read: comma-separated values a spreadsheet
// opens as they are (UTF-8, CRLF line ends, fields quoted only where they must be), and the
// one way such a file reaches the disk.
namespace ExportFiles {

// One field, quoted when it holds a comma, a quote or a line break; quotes are doubled and
// line breaks stay inside the quotes.
QString csvField(const QString &value);
// One record: the fields joined by commas, ended by CRLF.
QString csvRecord(const QStringList &fields);
// A header record and the rows, as UTF-8.
QByteArray csvDocument(const QStringList &header, const QList<QStringList> &rows);

// Dates as yyyy-MM-dd, an invalid date as an empty field; amounts as plain decimals with two
// places and no currency sign or grouping.
QString csvDate(const QDate &date);
QString csvAmount(double amount);

// Writes the whole file or nothing: the bytes go to a temporary file beside the target, which
// replaces the target only once everything is written. On failure the system's reason is in
// errorText and no partial file is left.
bool writeFile(const QString &path, const QByteArray &bytes, QString *errorText);

// writeFile, and on failure the file error box: what could not be written ("The file could not
// be written to" unless told otherwise), the file and the reason.
bool writeFileOrTell(const QString &path, const QByteArray &bytes, QObject *parent,
                     const QString &what = QString());
void tellWriteFailure(const QString &path, const QString &reason, QObject *parent,
                      const QString &what = QString());

} // namespace ExportFiles
