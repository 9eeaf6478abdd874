#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The rows of comma-separated text as RFC 4180 has them, with any of the separators banks use:
// a quoted field may hold separators, doubled quotes and line breaks. Rows end with CRLF or LF;
// the last may end with neither.
class CsvTable
{
public:
    static CsvTable parse(const QString &text, QChar separator);
    // The rows of a file's bytes as StatementText::decode reads them; nothing when the bytes are
    // not text or a row cannot be split, with where reading stopped ("line 3", "row 5") and why.
    static std::optional<CsvTable> read(const QByteArray &bytes, QChar separator, QString *where,
                                        QString *error);
    // Whether every field of the row is empty or blanks: a row that holds nothing.
    static bool isBlank(const QStringList &row);

    QList<QStringList> rows;
    // The row (from 1) where a quote was left open or text followed a closing quote; 0 when
    // every row was read. The rows before it are kept, for a preview.
    int badRow = 0;

private:
    bool readField(const QString &text, qsizetype &at, QChar separator, QString &field);
};
