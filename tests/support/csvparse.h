#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Reads comma-separated values back as RFC 4180 has them: UTF-8, every record ended by CRLF,
// a field in quotes may hold commas, doubled quotes and line breaks. ok turns false on what
// such a file may not hold (a bare line feed between records, a quote inside an unquoted field,
// text after a closing quote, a last record without its CRLF, a quote left open).
QList<QStringList> parseCsv(const QByteArray &bytes, bool *ok = nullptr);
