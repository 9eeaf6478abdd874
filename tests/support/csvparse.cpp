#include "csvparse.h"

QList<QStringList> parseCsv(const QByteArray &bytes, bool *ok)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool valid = true;
    qsizetype i = 0;
    while (valid && i < text.size()) {
        if (text.at(i) == QLatin1Char('"')) {
            // A quoted field runs to the quote that is not doubled.
            for (++i; i < text.size() && !(text.at(i) == QLatin1Char('"') &&
                                           text.mid(i + 1, 1) != QLatin1String("\""));
                 ++i)
                field += text.at(i) == QLatin1Char('"') ? text.at(i++) : text.at(i);
            valid = i++ < text.size();
        } else {
            for (; i < text.size() && !QStringLiteral(",\r\n\"").contains(text.at(i)); ++i)
                field += text.at(i);
        }
        record.append(field);
        field.clear();
        if (text.mid(i, 1) == QLatin1String(",")) {
            ++i;
        } else if (text.mid(i, 2) == QLatin1String("\r\n")) {
            records.append(record);
            record.clear();
            i += 2;
        } else {
            valid = false;
        }
    }
    if (ok)
        *ok = valid && record.isEmpty();
    return records;
}
