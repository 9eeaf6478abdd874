#include "exportfiles.h"

#include "messagehelper.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

namespace ExportFiles {

QString csvField(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvRecord(const QStringList &fields)
{
    QString record;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += QLatin1Char(',');
        record += csvField(fields.at(i));
    }
    return record + QStringLiteral("\r\n");
}

QByteArray csvDocument(const QStringList &header, const QList<QStringList> &rows)
{
    QString csv = csvRecord(header);
    for (const QStringList &row : rows)
        csv += csvRecord(row);
    return csv.toUtf8();
}

QString csvDate(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString csvAmount(double amount)
{
    // Rounded first, so that a tiny negative remainder does not print as "-0.00".
    const double cents = qRound64(amount * 100.0) / 100.0;
    return QString::number(cents == 0.0 ? 0.0 : cents, 'f', 2);
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *errorText)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (errorText)
        *errorText = file.errorString();
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
