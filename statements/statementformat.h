#pragma once

#include <QString>

#include <optional>

// The formats a statement comes in.
enum class StatementFormat
{
    Ofx, // OFX and QFX, 1.x SGML and 2.x XML
    Qif,
    Csv,
};

// "ofx" (or "qfx"), "qif" or "csv", in any case; nothing for another name.
std::optional<StatementFormat> statementFormatNamed(const QString &name);
// The format a file's name says (its suffix), or what its first bytes look like when the
// suffix names none; nothing when neither tells.
std::optional<StatementFormat> statementFormatOf(const QString &fileName, const QByteArray &start);
