#include "htmltext.h"

QString htmlText(const QString &text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    escaped.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return escaped;
}
