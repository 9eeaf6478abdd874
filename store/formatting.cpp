#include "formatting.h"

#include <QLocale>

#include <cmath>

namespace {

const QLocale &usEnglish()
{
    static const QLocale us(QLocale::English, QLocale::UnitedStates);
    return us;
}

QString formatWithPattern(const QString &pattern, double value)
{
    // Amounts are always shown in US notation, and the rest of the program relies on that
    // locale being the default once any amount has been formatted. It is replaced only when
    // it differs: a list of many thousand amounts would otherwise replace it for each one.
    if (QLocale() != usEnglish())
        QLocale::setDefault(usEnglish());
    return pattern.arg(value, 0, 'f', 2, QLatin1Char(' '));
}

// A value that rounds to zero cents has no sign to show.
QString signedText(const QString &pattern, double value)
{
    const QString shown = formatWithPattern(pattern, std::abs(value));
    if (value < 0 && shown != formatWithPattern(pattern, 0.0))
        return QLatin1Char('-') + shown;
    return shown;
}

} // namespace

namespace Formatting {

QString currency(double value)
{
    return signedText(QStringLiteral("$%L1"), value);
}

QString currency(double value, bool estimate)
{
    return estimate ? QChar(0x2248) + currency(value) : currency(value);
}

QString amount(double value)
{
    return signedText(QStringLiteral("%L1"), value);
}

QString plainAmount(double value)
{
    return QString::number(roundedToCents(value), 'f', 2);
}

QString roundedCurrency(double value)
{
    return currency(roundedToCents(value));
}

QString roundedCurrency(double value, bool estimate)
{
    return currency(roundedToCents(value), estimate);
}

double roundedToCents(double value)
{
    // Beyond 2^52 cents a value times 100 loses its last digits, or becomes infinite; such a
    // value is left as it is, and printing it with two decimals rounds it as well.
    constexpr double countableCents = 4503599627370496.0;
    if (!(std::abs(value) < countableCents / 100.0))
        return value;
    return std::round(value * 100.0) / 100.0 + 0.0;
}

QString monthName(const QDate &day)
{
    return usEnglish().monthName(day.month());
}

QString shortMonthName(const QDate &day)
{
    return usEnglish().monthName(day.month(), QLocale::ShortFormat);
}

QString monthAndYear(const QDate &day)
{
    return monthName(day) + QLatin1Char(' ') + QString::number(day.year());
}

QString shortMonthAndYear(const QDate &day)
{
    return usEnglish().toString(day, QStringLiteral("MMM yyyy"));
}

QString shortDate(const QDate &day)
{
    return day.toString(QStringLiteral("MM/dd/yyyy"));
}

QString oneLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return line;
}

QString shortLine(const QString &text, int width)
{
    // Characters outside the basic plane are two QChars and count as one.
    const auto end = [&text](int characters) {
        qsizetype at = 0;
        for (int i = 0; i < characters && at < text.size(); ++i)
            at += text.at(at).isHighSurrogate() && at + 1 < text.size() &&
                          text.at(at + 1).isLowSurrogate()
                      ? 2
                      : 1;
        return at;
    };
    if (end(width) == text.size())
        return oneLine(text);
    return oneLine(text.left(end(width - 1))) + QChar(0x2026);
}

QByteArray escapedJsonControls(const QByteArray &json)
{
    QByteArray escaped;
    escaped.reserve(json.size());
    for (qsizetype i = 0; i < json.size(); ++i) {
        const uchar byte = uchar(json.at(i));
        const uchar next = i + 1 < json.size() ? uchar(json.at(i + 1)) : 0;
        if (byte == 0x7f) {
            escaped += "\\u007f";
        } else if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) {
            escaped += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            escaped += char(byte);
        }
    }
    return escaped;
}

} // namespace Formatting
