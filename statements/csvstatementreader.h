#pragma once

#include "csvmapping.h"
#include "statement.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// Reads a bank's CSV statement through the mapping a person chose for that bank. A statement
// with a row it cannot read for certain is refused whole, naming the row as a spreadsheet
// numbers it (from 1, the skipped rows included).
class CsvStatementReader
{
public:
    static Statement read(const QByteArray &bytes, const CsvMapping &mapping);
    // The first rows as they are split, for the window where the mapping is chosen: whatever
    // can be read, even of a file that read() would refuse.
    static QList<QStringList> preview(const QByteArray &bytes, QChar separator, int rows);
};
