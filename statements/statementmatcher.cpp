#include "statementmatcher.h"

#include "amountforecast.h"
#include "bill.h"

#include <QCryptographicHash>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>

namespace {
// The importid column is VARCHAR(200).
constexpr qsizetype longestImportId = 200;

// Lower case without accents: "Électricité" and "ELECTRICITE" read the same.
QString folded(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString kept;
    kept.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing &&
            c.category() != QChar::Mark_SpacingCombining && c.category() != QChar::Mark_Enclosing)
            kept.append(c);
    }
    return kept.toCaseFolded();
}

// The words of folded text. Spaces always separate words; other punctuation either separates
// them too ("PAYPAL*STREAMCO" holds "paypal" and "streamco") or is dropped ("O'Neill" is
// "oneill").
QStringList wordsOf(const QString &foldedText, bool punctuationSeparates)
{
    QStringList words;
    QString word;
    for (const QChar c : foldedText) {
        if (c.isLetterOrNumber()) {
            word.append(c);
        } else if ((punctuationSeparates || c.isSpace()) && !word.isEmpty()) {
            words.append(word);
            word.clear();
        }
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

// Every word a statement's text holds, read either way, so that "AT&T" and "ATT" find each
// other and so do "Smith-Jones" and "SMITH JONES".
QSet<QString> statementWordsOf(const QString &text)
{
    const QString f = folded(text);
    QSet<QString> words;
    for (const QString &word : wordsOf(f, true) + wordsOf(f, false))
        words.insert(word);
    return words;
}

bool allIn(const QStringList &words, const QSet<QString> &in)
{
    return !words.isEmpty() && std::all_of(words.cbegin(), words.cend(),
                                           [&in](const QString &w) { return in.contains(w); });
}

// A bill that a transaction could pay, with what the rules need worked out once.
struct Candidate
{
    int billId = 0;
    QDate dueDate;
    qint64 balanceCents = 0;
    bool estimate = false;
    QStringList payeeSeparated;
    QStringList payeeJoined;
    QStringList aliases;
};

std::optional<Candidate> candidateOf(const Bill &bill, const QHash<int, QStringList> &aliases)
{
    if (bill.id() <= 0 || bill.isPaid() || bill.isDeleted() || !bill.isReadable() ||
        !bill.dueDate().isValid())
        return std::nullopt;
    const std::optional<qint64> balance = AmountForecast::toCents(bill.balance());
    if (!balance)
        return std::nullopt;
    const Payee payee = bill.payee();
    const QString name = folded(payee.payeeName());
    return Candidate{bill.id(),
                     bill.dueDate(),
                     *balance,
                     bill.isEstimate(),
                     wordsOf(name, true),
                     wordsOf(name, false),
                     aliases.value(payee.id())};
}

// A debit as the rules see it: its text read once.
struct Debit
{
    int index = 0;
    int position = 0;
    QDate date;
    // In 128 bits: the negation of the smallest qint64 does not fit in one.
    __int128 cents = 0;
    QString name;
    QString memo;
    QSet<QString> nameWords;
    QSet<QString> memoWords;
};

Debit debitOf(const StatementTransaction &t, int index)
{
    return Debit{index,
                 t.position,
                 t.date,
                 -static_cast<__int128>(t.cents),
                 t.name,
                 t.memo,
                 statementWordsOf(t.name),
                 statementWordsOf(t.memo)};
}

bool sameText(const QString &alias, const QString &text)
{
    const QString a = alias.simplified();
    return !a.isEmpty() && a.compare(text.simplified(), Qt::CaseInsensitive) == 0;
}

bool namesPayee(const Debit &debit, const Candidate &bill)
{
    for (const QString &alias : bill.aliases) {
        if (sameText(alias, debit.name) || sameText(alias, debit.memo))
            return true;
    }
    for (const QSet<QString> *words : {&debit.nameWords, &debit.memoWords}) {
        if (allIn(bill.payeeJoined, *words) || allIn(bill.payeeSeparated, *words))
            return true;
    }
    return false;
}

// The amount agrees when it is the balance to the cent or, for an estimate whose balance is
// above zero, no further from it than a quarter of it (a quarter exactly still agrees).
bool amountAgrees(__int128 debit, const Candidate &bill)
{
    if (debit == bill.balanceCents)
        return true;
    if (!bill.estimate || bill.balanceCents <= 0)
        return false;
    const __int128 difference =
        debit > bill.balanceCents ? debit - bill.balanceCents : bill.balanceCents - debit;
    return difference * 4 <= bill.balanceCents;
}

// One way a debit could be paired with a bill.
struct Pairing
{
    TransactionMatch::Kind kind = TransactionMatch::None;
    int distance = 0;
    QDate dueDate;
    int billId = 0;
    int position = 0;
    int debitIndex = 0;

    bool operator<(const Pairing &other) const
    {
        return std::tie(kind, distance, dueDate, billId, position, debitIndex) <
               std::tie(other.kind, other.distance, other.dueDate, other.billId, other.position,
                        other.debitIndex);
    }
};

std::optional<Pairing> pairingOf(const Debit &debit, const Candidate &bill)
{
    if (!debit.date.isValid() || !amountAgrees(debit.cents, bill))
        return std::nullopt;
    const qint64 distance = std::abs(debit.date.daysTo(bill.dueDate));
    if (distance > StatementMatcher::dateWindowDays)
        return std::nullopt;
    const bool exact = debit.cents == bill.balanceCents && namesPayee(debit, bill);
    return Pairing{exact ? TransactionMatch::Exact : TransactionMatch::Likely,
                   int(distance),
                   bill.dueDate,
                   bill.billId,
                   debit.position,
                   debit.index};
}

QList<Candidate> candidatesOf(const QList<std::shared_ptr<Bill>> &bills,
                              const QHash<int, QStringList> &aliases)
{
    QList<Candidate> candidates;
    for (const std::shared_ptr<Bill> &bill : bills) {
        if (!bill)
            continue;
        if (std::optional<Candidate> candidate = candidateOf(*bill, aliases))
            candidates.append(std::move(*candidate));
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate &a, const Candidate &b) { return a.dueDate < b.dueDate; });
    return candidates;
}

// The pairings of a debit with the bills due near its date; byDueDate is sorted by due date.
void addPairings(const Debit &debit, const QList<Candidate> &byDueDate, QList<Pairing> &pairings)
{
    if (!debit.date.isValid())
        return;
    const QDate first = debit.date.addDays(-StatementMatcher::dateWindowDays);
    const QDate last = debit.date.addDays(StatementMatcher::dateWindowDays);
    auto it = byDueDate.cbegin();
    if (first.isValid() && last.isValid()) {
        it = std::lower_bound(byDueDate.cbegin(), byDueDate.cend(), first,
                              [](const Candidate &c, const QDate &d) { return c.dueDate < d; });
    }
    for (; it != byDueDate.cend() && (!last.isValid() || it->dueDate <= last); ++it) {
        if (const std::optional<Pairing> pairing = pairingOf(debit, *it))
            pairings.append(*pairing);
    }
}

// The kind of a transaction before any bill is looked at.
TransactionMatch::Kind kindBeforeMatching(const StatementTransaction &t)
{
    if (t.cents > 0)
        return TransactionMatch::Credit;
    if (t.cents == 0)
        return TransactionMatch::Zero;
    return TransactionMatch::None;
}

// Each pairing that is still possible is taken, best first.
void assign(QList<Pairing> pairings, QList<TransactionMatch> &matches)
{
    std::sort(pairings.begin(), pairings.end());
    QSet<int> takenBills;
    for (const Pairing &pairing : pairings) {
        TransactionMatch &match = matches[pairing.debitIndex];
        if (match.billId != 0 || takenBills.contains(pairing.billId))
            continue;
        match.billId = pairing.billId;
        match.kind = pairing.kind;
        takenBills.insert(pairing.billId);
    }
}

QString percentEncoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Text with its length in front, so that no two different lists of fields read the same.
void appendField(QByteArray &to, const QString &field)
{
    const QByteArray bytes = field.toUtf8();
    to += QByteArray::number(bytes.size()) + ':' + bytes + '\n';
}

QByteArray rowKey(const StatementTransaction &t)
{
    QByteArray key;
    appendField(key, t.date.toString(Qt::ISODate));
    appendField(key, QString::number(t.cents));
    appendField(key, t.name);
    appendField(key, t.memo);
    return key;
}

// The id as it is, or, when it would not fit the column, a hash of it under its own prefix.
QString fitted(const QString &kind, const QString &body)
{
    const QString id = kind + QLatin1Char(':') + body;
    if (id.size() <= longestImportId)
        return id;
    return kind + QLatin1String("-sha256:") + sha256Hex(body.toUtf8());
}
} // namespace

QList<TransactionMatch> StatementMatcher::match(const QList<StatementTransaction> &transactions,
                                                const QList<std::shared_ptr<Bill>> &bills,
                                                const QHash<int, QStringList> &aliases)
{
    const QList<Candidate> candidates = candidatesOf(bills, aliases);
    QList<TransactionMatch> matches;
    QList<Pairing> pairings;
    for (int i = 0; i < transactions.size(); ++i) {
        const StatementTransaction &t = transactions.at(i);
        matches.append({t.position, 0, kindBeforeMatching(t)});
        if (matches.last().kind != TransactionMatch::None)
            continue;
        addPairings(debitOf(t, i), candidates, pairings);
    }
    assign(std::move(pairings), matches);
    return matches;
}

QString StatementMatcher::importId(const StatementTransaction &t, const QString &mappingName,
                                   int duplicateIndex)
{
    // Percent-encoding keeps "/" out of every part, so the parts are read back unambiguously,
    // and keeps the id plain ASCII wherever it is shown.
    if (!t.fitId.isEmpty()) {
        return fitted(QStringLiteral("ofx"), percentEncoded(t.bankId) + QLatin1Char('/') +
                                                 percentEncoded(t.accountId) + QLatin1Char('/') +
                                                 percentEncoded(t.fitId));
    }
    return fitted(QStringLiteral("row"), percentEncoded(mappingName) + QLatin1Char('/') +
                                             sha256Hex(rowKey(t)) + QLatin1Char('/') +
                                             QString::number(duplicateIndex));
}

QList<int> StatementMatcher::duplicateIndexes(const QList<StatementTransaction> &transactions)
{
    QHash<QByteArray, int> seen;
    QList<int> indexes;
    indexes.reserve(transactions.size());
    for (const StatementTransaction &t : transactions)
        indexes.append(seen[rowKey(t)]++);
    return indexes;
}

QStringList StatementMatcher::importIds(const QList<StatementTransaction> &transactions,
                                        const QString &mappingName)
{
    const QList<int> indexes = duplicateIndexes(transactions);
    QStringList ids;
    ids.reserve(transactions.size());
    // Some banks give one FITID to several lines of an account (even "0" to all of them); the
    // second and later lines of one id are told apart by their place among them, so that each
    // is recorded, and the same statement read again gives the same ids. "/" is kept out of
    // every part, so the place cannot be mistaken for a part.
    QHash<QString, int> repeats;
    for (qsizetype i = 0; i < transactions.size(); ++i) {
        const QString id = importId(transactions.at(i), mappingName, indexes.at(i));
        const int repeat = repeats[id]++;
        if (repeat == 0) {
            ids.append(id);
            continue;
        }
        const QString numbered = id + QLatin1Char('/') + QString::number(repeat);
        ids.append(numbered.size() <= longestImportId
                       ? numbered
                       : QStringLiteral("ofx-sha256:") + sha256Hex(numbered.toUtf8()));
    }
    return ids;
}
