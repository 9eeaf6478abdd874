#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Reads comma-separated values back as RFC 4180 has them: UTF-8, every record ended by CRLF,
// a quoted field may hold commas, doubled quotes and line breaks. ok turns false on anything
// else (a bare line break or a stray quote outside quotes, a quote left open, no final CRLF).
QList<QStringList> parseCsv(const QByteArray &bytes, bool *ok = nullptr);
