#include "exportfiles.h"

#include "messagehelper.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

namespace {

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// Spreadsheets read a field as a formula when it starts with one of these, and some of them
// after leading blanks too, which a control character turned into a space would be.
bool startsLikeFormula(const QString &value)
{
    if (value.startsWith(QLatin1Char('\t')) || value.startsWith(QLatin1Char('\r')))
        return true;
    for (const QChar c : value) {
        if (c.isSpace() || isControl(c))
            continue;
        return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') ||
               c == QLatin1Char('@');
    }
    return false;
}

QString csvField(const QString &value, ExportFiles::CsvKind kind)
{
    QString field = value;
    bool quoted = false;
    for (QChar &c : field) {
        if (isLineBreak(c))
            quoted = true;
        else if (isControl(c))
            c = QLatin1Char(' ');
        else if (c == QLatin1Char(',') || c == QLatin1Char('"'))
            quoted = true;
    }
    if (kind == ExportFiles::CsvKind::Text && startsLikeFormula(value))
        field.prepend(QLatin1Char('\''));
    if (!quoted)
        return field;
    field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

void appendRecord(QString &csv, const QStringList &fields,
                  const QList<ExportFiles::CsvColumn> &columns)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            csv += QLatin1Char(',');
        csv += csvField(fields.at(i), columns.value(i).kind);
    }
    csv += QStringLiteral("\r\n");
}

// A write may take only part of the bytes when the disk fills up; the next one then fails
// with the system's reason.
bool writeAll(QSaveFile &file, const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 now = file.write(bytes.constData() + written, bytes.size() - written);
        if (now <= 0)
            return false;
        written += now;
    }
    return true;
}

} // namespace

namespace ExportFiles {

QByteArray csvDocument(const QList<CsvColumn> &columns, const QList<QStringList> &rows)
{
    QStringList header;
    for (const CsvColumn &column : columns)
        header.append(column.title);
    QString csv;
    appendRecord(csv, header, {});
    for (const QStringList &row : rows)
        appendRecord(csv, row, columns);
    return csv.toUtf8();
}

QString csvDate(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString csvBool(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *errorText)
{
    QSaveFile file(path);
    // Unbuffered, so that a write the disk refuses fails here, with the system's reason: a
    // buffered one would fail in commit(), which tells no reason and commits what it has.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(file, bytes) &&
        file.commit())
        return true;
    if (errorText) {
        *errorText =
            file.error() == QFileDevice::NoError
                ? QCoreApplication::translate("ExportFiles", "Not everything could be written.")
                : file.errorString();
    }
    return false;
}

bool writeFileOrTell(const QString &path, const QByteArray &bytes, QObject *parent,
                     const QString &what)
{
    QString reason;
    if (writeFile(path, bytes, &reason))
        return true;
    tellWriteFailure(path, reason, parent, what);
    return false;
}

void tellWriteFailure(const QString &path, const QString &reason, QObject *parent,
                      const QString &what)
{
    MessageRequest notice;
    notice.icon = MessageIcon::Critical;
    notice.title = MessageHelper::fileErrorTitle();
    const QString first =
        what.isEmpty()
            ? QCoreApplication::translate("ExportFiles", "The file could not be written to")
            : what;
    notice.text =
        first + QLatin1Char('\n') + QDir::toNativeSeparators(path) + QLatin1Char('\n') + reason;
    notice.textFormat = Qt::PlainText;
    MessageHelper::ask(notice, parent);
}

} // namespace ExportFiles
