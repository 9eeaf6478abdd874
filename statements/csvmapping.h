#pragma once

#include <QChar>
#include <QString>

// Which columns of one bank's CSV statement hold what, and how its dates and amounts are
// written; a person sets it up once per bank in a preview and it is remembered under its name.
// Columns count from 0; -1 is "none".
//
// The same mapping reads a spreadsheet of bills: the payee is in nameColumn, the description
// in memoColumn, the due date in dateColumn, the amount in amountColumn and the paid date, when
// the sheet has one, in paidDateColumn.
struct CsvMapping
{
    QString name;
    int dateColumn = 0;
    // -1 when the bank writes debits and credits in columns of their own.
    int amountColumn = -1;
    int debitColumn = -1;
    int creditColumn = -1;
    int nameColumn = -1;
    int memoColumn = -1;
    // Bills only: an empty cell there is a bill still to be paid.
    int paidDateColumn = -1;
    // A Qt date format such as "dd.MM.yyyy"; a two-digit year is a year after 2000.
    QString dateFormat;
    bool decimalComma = false;
    // Rows at the top before the first transaction: a title, the account, the column names.
    int skipRows = 0;
    // ',', ';' or a tab.
    QChar separator = QLatin1Char(',');

    bool operator==(const CsvMapping &other) const;
    // A sentence on what makes the mapping unusable, empty when it can be used.
    QString problem() const;
};
