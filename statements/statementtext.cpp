#include "statementtext.h"

#include <QStringDecoder>

namespace {

// Windows-1252 from 0x80 to 0x9f; 0 where the code page defines no character.
const char16_t windows1252High[32] = {
    0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017d, 0,      0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};

std::optional<QString> fromWindows1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        const char16_t unit = value >= 0x80 && value < 0xa0 ? windows1252High[value - 0x80] : value;
        if (unit == 0 && value != 0)
            return std::nullopt;
        text.append(QChar(unit));
    }
    return text;
}

bool isControl(QChar c)
{
    const char16_t unit = c.unicode();
    if (unit == u'\t' || unit == u'\r' || unit == u'\n')
        return false;
    return unit < 0x20 || (unit >= 0x7f && unit < 0xa0);
}

// The line of the first control character, from 1; 0 when there is none.
int controlLine(const QString &text)
{
    int line = 1;
    for (const QChar c : text) {
        if (isControl(c))
            return line;
        if (c == QLatin1Char('\n'))
            ++line;
    }
    return 0;
}

int lineOfOffset(const QByteArray &bytes, qsizetype offset)
{
    return static_cast<int>(bytes.left(offset).count('\n')) + 1;
}

// Where Windows-1252 gives up: the first undefined byte.
int undefinedByteLine(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto value = static_cast<unsigned char>(bytes.at(i));
        if (value >= 0x80 && value < 0xa0 && windows1252High[value - 0x80] == 0)
            return lineOfOffset(bytes, i);
    }
    return 1;
}

bool isGroupMark(QChar c, bool decimalComma)
{
    if (!decimalComma)
        return c == QLatin1Char(',');
    return c == QLatin1Char('.') || c == QLatin1Char(' ') || c == QChar(0x00a0) ||
           c == QChar(0x202f);
}

// The digits of the whole part with their grouping checked: the first group one to three
// digits, every further group exactly three. Empty when the grouping is wrong.
QString wholeDigits(const QString &whole, bool decimalComma)
{
    QString digits;
    int groupLength = 0;
    bool grouped = false;
    for (const QChar c : whole) {
        if (isGroupMark(c, decimalComma)) {
            if (groupLength == 0 || groupLength > 3 || (grouped && groupLength != 3))
                return QString();
            grouped = true;
            groupLength = 0;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits.append(c);
            ++groupLength;
        } else {
            return QString();
        }
    }
    if (grouped && groupLength != 3)
        return QString();
    return digits;
}

bool allDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

std::optional<QString> StatementText::decode(const QByteArray &bytes, int *badLine)
{
    QByteArray body = bytes;
    if (body.startsWith("\xef\xbb\xbf"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    std::optional<QString> text = QString(utf8.decode(body));
    if (utf8.hasError())
        text = fromWindows1252(body);
    const int line = text ? controlLine(*text) : undefinedByteLine(body);
    if (line == 0)
        return text;
    if (badLine)
        *badLine = line;
    return std::nullopt;
}

std::optional<qint64> StatementText::cents(const QString &text, bool decimalComma)
{
    QString body = text.trimmed();
    bool negative = false;
    if (body.startsWith(QLatin1Char('-')) || body.startsWith(QChar(0x2212)))
        negative = true;
    if (negative || body.startsWith(QLatin1Char('+')))
        body.remove(0, 1);
    const QChar mark = decimalComma ? QLatin1Char(',') : QLatin1Char('.');
    const qsizetype markAt = body.indexOf(mark);
    const QString decimals = markAt < 0 ? QString() : body.mid(markAt + 1);
    const QString whole = wholeDigits(body.left(markAt < 0 ? body.size() : markAt), decimalComma);
    const bool decimalsFit = markAt < 0 || (!decimals.isEmpty() && decimals.size() <= 2);
    // Twelve digits of whole units keep every amount far inside 64 bits of cents.
    if (!decimalsFit || !allDigits(decimals) || (whole.isEmpty() && decimals.isEmpty()) ||
        whole.size() > 12)
        return std::nullopt;
    if (body.left(markAt < 0 ? body.size() : markAt).isEmpty() != whole.isEmpty())
        return std::nullopt;
    const qint64 units = whole.isEmpty() ? 0 : whole.toLongLong();
    const qint64 fraction =
        decimals.isEmpty() ? 0 : decimals.leftJustified(2, QLatin1Char('0')).toLongLong();
    const qint64 value = units * 100 + fraction;
    return negative ? -value : value;
}

// Qt reads a two-digit year as one of the 1900s; a statement or a bill means this century.
std::optional<QDate> StatementText::date(const QString &text, const QString &format)
{
    QDate date = QDate::fromString(text, format);
    if (!date.isValid())
        return std::nullopt;
    if (!format.contains(QLatin1String("yyyy")))
        date = date.addYears(100);
    return date;
}
