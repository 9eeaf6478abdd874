#include "ofxtext.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {
// Beyond this, cents no longer fit the range a double carries exactly, and no household's
// statement comes near it.
const int maximumWholeDigits = 13;

// Where each element's value starts: just past "<NAME>", in upper case as OFX writes tags.
QList<qsizetype> valueStarts(const QByteArray &upperBlock, const QByteArray &name)
{
    const QByteArray tag = '<' + name + '>';
    QList<qsizetype> starts;
    for (qsizetype at = upperBlock.indexOf(tag); at >= 0; at = upperBlock.indexOf(tag, at + 1))
        starts.append(at + tag.size());
    return starts;
}

QByteArray valueAt(const QByteArray &block, qsizetype start)
{
    const qsizetype end = block.indexOf('<', start);
    return block.mid(start, end < 0 ? -1 : end - start).trimmed();
}

// The end of the transaction that opens at start: its closing tag, or the next one to open,
// or the end of the list (SGML may leave an aggregate's end to be implied). Each later tag is
// looked for only before the nearest end found so far, so that a long statement is read in one
// pass rather than once for every transaction.
qsizetype blockEnd(const QByteArray &upper, qsizetype start)
{
    qsizetype end = upper.size();
    for (const char *tag : {"</STMTTRN>", "<STMTTRN>", "</BANKTRANLIST>"}) {
        const qsizetype at = QByteArrayView(upper).sliced(start, end - start).indexOf(tag);
        if (at >= 0)
            end = start + at;
    }
    return end;
}

// Element text as written: UTF-8 where it is valid, otherwise the single-byte code page that
// OFX 1.x files declare, with XML's character entities resolved.
QString decoded(const QByteArray &value)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(value);
    if (utf8.hasError())
        text = QString::fromLatin1(value);
    text.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&apos;"), QLatin1String("'"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

QString payeeNameIn(const QByteArray &block, const QByteArray &upperBlock)
{
    const qsizetype payee = upperBlock.indexOf("<PAYEE>");
    if (payee < 0)
        return QString();
    const qsizetype name = upperBlock.indexOf("<NAME>", payee);
    const qsizetype close = upperBlock.indexOf("</PAYEE>", payee);
    if (name < 0 || (close >= 0 && name > close))
        return QString();
    return decoded(valueAt(block, name + 6));
}

QString shown(const QByteArray &value)
{
    return QString::fromUtf8(value.left(40));
}
} // namespace

QString OfxText::Transaction::where() const
{
    return fitId.isEmpty() ? QStringLiteral("transaction %1").arg(position)
                           : QStringLiteral("FITID %1").arg(fitId);
}

OfxText::OfxText(const QByteArray &bytes)
{
    const QByteArray upper = bytes.toUpper();
    // A file cut off anywhere lacks its last closing tag; the library would read it as far as it
    // goes and report the failure only after handing over what it had.
    if (!upper.trimmed().endsWith("</OFX>")) {
        fail(QStringLiteral("</OFX>"), QStringLiteral("The statement ends before its closing "
                                                      "</OFX>: the file is incomplete."));
        return;
    }
    const QByteArray open("<STMTTRN>");
    int position = 0;
    for (qsizetype at = upper.indexOf(open); at >= 0; at = upper.indexOf(open, at + 1)) {
        const qsizetype start = at + open.size();
        const qsizetype end = blockEnd(upper, start);
        if (!readTransaction(bytes.mid(start, end - start), ++position))
            return;
    }
}

bool OfxText::readTransaction(const QByteArray &block, int position)
{
    const QByteArray upper = block.toUpper();
    Transaction transaction;
    transaction.position = position;
    const QList<qsizetype> fitIds = valueStarts(upper, "FITID");
    if (!fitIds.isEmpty())
        transaction.fitId = decoded(valueAt(block, fitIds.first()));
    const QList<qsizetype> amounts = valueStarts(upper, "TRNAMT");
    const QList<qsizetype> dates = valueStarts(upper, "DTPOSTED");
    if (amounts.size() != 1 || dates.size() != 1 || fitIds.size() > 1) {
        fail(transaction.where(), QStringLiteral("A transaction needs one amount, one posting "
                                                 "date and at most one FITID."));
        return false;
    }
    const QByteArray amount = valueAt(block, amounts.first());
    const QByteArray date = valueAt(block, dates.first());
    const std::optional<qint64> cents = centsOf(amount);
    if (!cents) {
        fail(transaction.where(),
             QStringLiteral("The amount \"%1\" is not a number.").arg(shown(amount)));
        return false;
    }
    const std::optional<QDate> day = dateOf(date);
    if (!day) {
        fail(transaction.where(),
             QStringLiteral("The date \"%1\" is not a real date.").arg(shown(date)));
        return false;
    }
    transaction.cents = *cents;
    transaction.date = *day;
    transaction.payeeName = payeeNameIn(block, upper);
    m_transactions.append(transaction);
    return true;
}

std::optional<qint64> OfxText::centsOf(const QByteArray &text)
{
    static const QRegularExpression amount(QStringLiteral("^([+-]?)(\\d*)(?:[.,](\\d{0,2}))?$"));
    const QRegularExpressionMatch match = amount.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return std::nullopt;
    const QString whole = match.captured(2);
    const QString decimals = match.captured(3);
    if ((whole.isEmpty() && decimals.isEmpty()) || whole.size() > maximumWholeDigits)
        return std::nullopt;
    qint64 cents = 0;
    for (const QChar digit : whole)
        cents = cents * 10 + digit.digitValue();
    cents *= 100;
    if (!decimals.isEmpty())
        cents += decimals.size() == 1 ? decimals.toInt() * 10 : decimals.toInt();
    return match.captured(1) == QLatin1String("-") ? -cents : cents;
}

std::optional<QDate> OfxText::dateOf(const QByteArray &text)
{
    // YYYYMMDD, then HHMM, SS and milliseconds, then a zone such as [-5:EST], each optional.
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})(?:(\\d{2})(\\d{2})(?:(\\d{2})(?:\\.\\d{1,3})?)?)?"
                       "(?:\\[[+-]?\\d{1,2}(?:\\.\\d{1,2})?(?::[A-Za-z]{0,8})?\\])?$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day(match.captured(1).toInt(), match.captured(2).toInt(),
                    match.captured(3).toInt());
    if (!day.isValid())
        return std::nullopt;
    if (!match.captured(4).isEmpty() &&
        (match.captured(4).toInt() > 23 || match.captured(5).toInt() > 59 ||
         match.captured(6).toInt() > 60))
        return std::nullopt;
    return day;
}

void OfxText::fail(const QString &where, const QString &error)
{
    m_where = where;
    m_error = error;
    m_transactions.clear();
}

bool OfxText::ok() const
{
    return m_error.isEmpty();
}

QString OfxText::where() const
{
    return m_where;
}

QString OfxText::error() const
{
    return m_error;
}

const QList<OfxText::Transaction> &OfxText::transactions() const
{
    return m_transactions;
}
