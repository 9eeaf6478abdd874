#pragma once

#include <QString>

// A user's own text (a payee name, an address, a description) made safe for the rich-text
// documents of the window and the reports: markup characters are shown as typed and the line
// breaks of a multi-line text stay line breaks.
QString htmlText(const QString &text);
