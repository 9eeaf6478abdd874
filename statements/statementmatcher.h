#pragma once

#include "statement.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class Bill;

// What one transaction of a statement was matched to.
struct TransactionMatch
{
    enum Kind
    {
        // Amount to the cent, date and payee name all agree.
        Exact,
        // Amount (or an estimate's tolerance) and date agree, whatever the name.
        Likely,
        // A debit that no bill takes.
        None,
        // Money coming in: listed, never matched.
        Credit,
        // 0.00: listed, never matched.
        Zero,
    };

    int position = 0;
    // 0 when the transaction goes to no bill.
    int billId = 0;
    Kind kind = None;
};

// Pairs the debits of a statement with the bills they pay. Nothing is read or written: the
// caller hands over the bills and the learned aliases and decides what to record.
class StatementMatcher
{
public:
    // One match per transaction, in the statement's order. bills are the candidates (paid,
    // deleted, unreadable and never stored ones are passed over); aliases are the names a
    // statement has used for each payee, by payee id.
    //
    // Every debit is paired with every bill it could pay. The pairs are then ranked: exact
    // before likely, then the fewest days between the transaction's date and the due date, then
    // the earlier due date, the lower bill id, the earlier position. Walking down that ranking,
    // a pair is taken when neither its transaction nor its bill was taken by a pair above it;
    // the others are dropped. So a transaction gets its best bill still free, and a taken pair
    // is never undone to free its bill for a transaction that had no other.
    static QList<TransactionMatch> match(const QList<StatementTransaction> &transactions,
                                         const QList<std::shared_ptr<Bill>> &bills,
                                         const QHash<int, QStringList> &aliases);

    // How a transaction is recognised when the same statement is imported again, at most 200
    // characters. An OFX transaction is known by its bank, account and FITID; one without a
    // FITID (QIF, CSV) by the mapping it was read with, its date, amount, name and memo, and
    // duplicateIndex: how many identical transactions came before it in the statement.
    static QString importId(const StatementTransaction &t, const QString &mappingName,
                            int duplicateIndex);
    // The duplicateIndex of each transaction, in the statement's order.
    static QList<int> duplicateIndexes(const QList<StatementTransaction> &transactions);
    // The importId of each transaction, in the statement's order.
    static QStringList importIds(const QList<StatementTransaction> &transactions,
                                 const QString &mappingName);

    // Transactions dated further than this from a bill's due date, either way, do not pay it.
    static constexpr int dateWindowDays = 10;
};
