#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The rows of comma-separated text as RFC 4180 has them, with any of the separators banks use:
// a quoted field may hold separators, doubled quotes and line breaks. Rows end with CRLF or LF;
// the last may end with neither.
class CsvTable
{
public:
    static CsvTable parse(const QString &text, QChar separator);

    QList<QStringList> rows;
    // The row (from 1) where a quote was left open or text followed a closing quote; 0 when
    // every row was read. The rows before it are kept, for a preview.
    int badRow = 0;

private:
    bool readField(const QString &text, qsizetype &at, QChar separator, QString &field);
};
