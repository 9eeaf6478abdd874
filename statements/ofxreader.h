#pragma once

#include "statement.h"

#include <QString>

// OFX and QFX statements, 1.x SGML and 2.x XML, read through libofx. The library lets some
// damage through (a missing amount read as 0.00, an impossible date moved to the next month,
// a cut-off file read as far as it goes), so every transaction is checked against the file's
// own text as well, and the statement is refused whole at the first thing that does not hold.
class OfxReader
{
public:
    static Statement read(const QString &path);
};
