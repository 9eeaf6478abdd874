#pragma once

#include <QDate>
#include <QList>
#include <QString>

// One line of a bank statement, as every reader hands it over: checked, never guessed.
struct StatementTransaction
{
    // Its place in the statement, from 1.
    int position = 0;
    // OFX: the bank's transaction id (FITID), and the bank and account it is unique within.
    // Empty for QIF and CSV, which name no account.
    QString fitId;
    QString bankId;
    QString accountId;
    QDate date;
    // Whole cents; negative for a debit (money leaving the account).
    qint64 cents = 0;
    QString name;
    QString memo;
};

// A statement read whole, or the reason it was refused: nothing of a refused statement is
// used. where names the line, element or transaction (its FITID or position) reading stopped at.
struct Statement
{
    QList<StatementTransaction> transactions;
    bool ok = false;
    QString where;
    QString error;
};
