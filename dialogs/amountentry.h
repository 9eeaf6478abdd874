#pragma once

#include <QString>

class QLineEdit;

// Amount fields in which the last two digits typed are always the cents: typing 1, 2, 3, 4
// shows .1, .12, 1.23 and 12.34, and deleting the last digit shifts them back.
namespace AmountEntry {

// Gives the field a validator that lets only numbers, and the beginnings of numbers, be typed.
void prepare(QLineEdit *field);

// The text with every "." removed and one put before its last two characters; an empty
// text stays empty.
QString withCentsPoint(const QString &text);

// Puts text back into the field in its cents form, unless it is in that form already, so
// that the field's own change signal comes back at most once. For the field's textChanged
// slot.
void rewrite(QLineEdit *field, const QString &text);

// The amount a field's text stands for: "," group separators are ignored and a text that is
// not a number gives 0.
double parse(const QString &text);

} // namespace AmountEntry
