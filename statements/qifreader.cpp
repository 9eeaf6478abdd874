#include "qifreader.h"

#include "statementtext.h"

#include <QRegularExpression>
#include <QStringList>

#include <optional>

namespace {

// The transaction being gathered between two "^" lines.
struct QifRecord
{
    std::optional<QDate> date;
    std::optional<qint64> total;
    std::optional<qint64> amount;
    QString name;
    QString memo;
};

class QifParser
{
public:
    explicit QifParser(const QifOptions &options) : m_options(options) {}
    Statement parse(const QString &text);

private:
    bool readLine(const QString &line);
    bool readHeader(const QString &line);
    bool readField(QChar code, const QString &value);
    bool finishRecord();
    bool refuse(const QString &error);
    Statement refuseAtEnd(const QString &error);

    QifOptions m_options;
    Statement m_statement;
    int m_line = 0;
    int m_lastLine = 0;
    bool m_typed = false;
    bool m_bankType = false;
    std::optional<QifRecord> m_record;
};

bool isBankType(const QString &type)
{
    static const QStringList bankTypes = {"bank", "ccard", "cash", "oth a", "oth l"};
    return bankTypes.contains(type.trimmed().toLower());
}

// Splits "1/15'26", "15.01.2026" or "2026-01-15" into its three numbers; a "'" before the year
// marks a year after 2000.
std::optional<QDate> qifDate(const QString &text, QifOptions::DateOrder order)
{
    QString body = text;
    body.remove(QLatin1Char(' '));
    const bool apostrophe = body.contains(QLatin1Char('\''));
    static const QRegularExpression parts(
        QStringLiteral("^([0-9]{1,4})[/.'-]([0-9]{1,4})[/.'-]([0-9]{1,4})$"));
    const QRegularExpressionMatch match = parts.match(body);
    if (!match.hasMatch())
        return std::nullopt;
    QStringList fields = {match.captured(1), match.captured(2), match.captured(3)};
    if (order == QifOptions::DateOrder::YearMonthDay)
        fields = {fields.at(1), fields.at(2), fields.at(0)};
    else if (order == QifOptions::DateOrder::DayMonthYear)
        fields = {fields.at(1), fields.at(0), fields.at(2)};
    const QString &yearText = fields.at(2);
    if (yearText.size() == 3 || fields.at(0).size() > 2 || fields.at(1).size() > 2)
        return std::nullopt;
    int year = yearText.toInt();
    if (yearText.size() <= 2)
        year += apostrophe || year < 70 ? 2000 : 1900;
    const QDate date(year, fields.at(0).toInt(), fields.at(1).toInt());
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

Statement QifParser::parse(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(lineEnd);
    for (const QString &line : lines) {
        ++m_line;
        if (!readLine(line))
            return m_statement;
    }
    if (m_record)
        return refuseAtEnd(QStringLiteral("The file ends inside a transaction."));
    if (!m_typed)
        return refuseAtEnd(
            QStringLiteral("The file has no !Type line: it is not a QIF statement."));
    m_statement.ok = true;
    return m_statement;
}

bool QifParser::readLine(const QString &line)
{
    if (line.trimmed().isEmpty())
        return true;
    m_lastLine = m_line;
    const QChar code = line.at(0);
    if (code == QLatin1Char('!'))
        return readHeader(line);
    if (!m_typed)
        return refuse(QStringLiteral("The file does not begin with a !Type line: it is not a QIF "
                                     "statement."));
    if (code == QLatin1Char('^'))
        return finishRecord();
    if (!m_record)
        m_record = QifRecord();
    if (!m_bankType)
        return true;
    if (!code.isLetter() && code != QLatin1Char('$'))
        return refuse(QStringLiteral("The line does not begin with a QIF field letter."));
    return readField(code, line.mid(1));
}

bool QifParser::readHeader(const QString &line)
{
    if (m_record)
        return refuse(QStringLiteral("A new section begins inside a transaction."));
    const QString header = line.mid(1).trimmed();
    if (header.startsWith(QLatin1String("Option:"), Qt::CaseInsensitive) ||
        header.startsWith(QLatin1String("Clear:"), Qt::CaseInsensitive))
        return true;
    m_typed = true;
    m_bankType =
        header.startsWith(QLatin1String("Type:"), Qt::CaseInsensitive) && isBankType(header.mid(5));
    return true;
}

bool QifParser::readField(QChar code, const QString &value)
{
    switch (code.unicode()) {
    case u'D':
        if (m_record->date)
            return refuse(QStringLiteral("The transaction has a second date."));
        m_record->date = qifDate(value, m_options.order);
        return m_record->date
                   ? true
                   : refuse(QStringLiteral("The date \"%1\" is not a real date.").arg(value));
    case u'T':
    case u'U': {
        auto &slot = code == QLatin1Char('T') ? m_record->total : m_record->amount;
        if (slot)
            return refuse(QStringLiteral("The transaction has a second amount."));
        slot = StatementText::cents(value, m_options.decimalComma);
        return slot ? true
                    : refuse(QStringLiteral("The amount \"%1\" is not a number.").arg(value));
    }
    case u'P':
        m_record->name = value.trimmed();
        return true;
    case u'M':
        m_record->memo = value.trimmed();
        return true;
    default:
        return true;
    }
}

bool QifParser::finishRecord()
{
    if (!m_record)
        return true;
    const QifRecord record = *m_record;
    m_record.reset();
    if (!m_bankType)
        return true;
    if (!record.date)
        return refuse(QStringLiteral("The transaction has no date."));
    if (!record.total && !record.amount)
        return refuse(QStringLiteral("The transaction has no amount."));
    if (record.total && record.amount && *record.total != *record.amount)
        return refuse(QStringLiteral("The transaction's two amounts differ."));
    StatementTransaction transaction;
    transaction.position = static_cast<int>(m_statement.transactions.size()) + 1;
    transaction.date = *record.date;
    transaction.cents = record.total ? *record.total : *record.amount;
    transaction.name = record.name;
    transaction.memo = record.memo;
    m_statement.transactions.append(transaction);
    return true;
}

Statement QifParser::refuseAtEnd(const QString &error)
{
    m_line = qMax(1, m_lastLine);
    refuse(error);
    return m_statement;
}

bool QifParser::refuse(const QString &error)
{
    m_statement.ok = false;
    m_statement.transactions.clear();
    m_statement.where = QStringLiteral("line %1").arg(m_line);
    m_statement.error = error;
    return false;
}

} // namespace

Statement QifReader::read(const QByteArray &bytes, const QifOptions &options)
{
    int badLine = 0;
    const std::optional<QString> text = StatementText::decode(bytes, &badLine);
    if (!text) {
        Statement refused;
        refused.where = QStringLiteral("line %1").arg(badLine);
        refused.error = QStringLiteral("The file holds bytes that are not text.");
        return refused;
    }
    return QifParser(options).parse(*text);
}
