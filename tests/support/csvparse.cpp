#include "csvparse.h"

QList<QStringList> parseCsv(const QByteArray &bytes, bool *ok)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool valid = true;
    bool quoted = false;      // inside a quoted field
    bool closedQuote = false; // a quoted field ended; only a separator may follow
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size() && valid; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != QLatin1Char('"')) {
                field += c;
            } else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else {
                quoted = false;
                closedQuote = true;
            }
        } else if (c == QLatin1Char(',')) {
            record.append(field);
            field.clear();
            closedQuote = fieldStarted = false;
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                   text.at(i + 1) == QLatin1Char('\n')) {
            record.append(field);
            records.append(record);
            record.clear();
            field.clear();
            closedQuote = fieldStarted = false;
            ++i;
        } else if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n') ||
                   closedQuote) {
            valid = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted || fieldStarted || !record.isEmpty())
        valid = false;
    if (ok)
        *ok = valid;
    return records;
}
