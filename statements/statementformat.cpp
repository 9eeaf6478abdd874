#include "statementformat.h"

#include <QByteArray>
#include <QFileInfo>

std::optional<StatementFormat> statementFormatNamed(const QString &name)
{
    const QString lower = name.toLower();
    if (lower == QLatin1String("ofx") || lower == QLatin1String("qfx"))
        return StatementFormat::Ofx;
    if (lower == QLatin1String("qif"))
        return StatementFormat::Qif;
    if (lower == QLatin1String("csv"))
        return StatementFormat::Csv;
    return std::nullopt;
}

std::optional<StatementFormat> statementFormatOf(const QString &fileName, const QByteArray &start)
{
    if (const auto named = statementFormatNamed(QFileInfo(fileName).suffix()))
        return named;
    const QByteArray head = start.left(512).trimmed().toUpper();
    if (head.startsWith("OFXHEADER") || head.startsWith("<?XML") || head.contains("<OFX>"))
        return StatementFormat::Ofx;
    if (head.startsWith("!TYPE:") || head.startsWith("!ACCOUNT"))
        return StatementFormat::Qif;
    return std::nullopt;
}
