#pragma once

#include "csvmapping.h"
#include "datafile.h"
#include "qifreader.h"
#include "statement.h"
#include "statementformat.h"
#include "statementmatcher.h"

#include <QList>
#include <QString>

#include <optional>

// One transaction of a statement set beside the open data file.
struct ImportLine
{
    enum class Status
    {
        New,             // a debit not recorded before, matched or not
        AlreadyImported, // recorded by an earlier import
        Ignored,         // a credit or 0.00: never recorded
    };

    StatementTransaction transaction;
    QString importId;
    // What it would pay; a line recorded before is matched to nothing.
    TransactionMatch match;
    Status status = Status::New;
};

// The steps the window and nvimport share to bring a statement in: read it, set it beside the
// file's unpaid bills, and turn the lines a person chose into payments.
class StatementImport
{
public:
    // The statement at path. A CSV statement is read through the mapping; a QIF one takes its
    // date order and decimal mark from it when one is given. A CSV statement without a mapping,
    // or a file too large for a statement, is refused.
    static Statement read(const QString &path, StatementFormat format, const CsvMapping *mapping);
    // How a QIF file of a bank writes dates and amounts, as the person set up for it.
    static QifOptions qifOptions(const CsvMapping &mapping);

    // The lines of the statement in its order: those seen before by an earlier import, the
    // credits and the 0.00 lines as such, the other debits matched to the file's unpaid bills.
    // mappingName is the name the lines of a QIF or CSV statement are known under (see
    // StatementMatcher::importId). Nothing when the file cannot be read. bills, when given,
    // receives the unpaid bills the lines were matched against, by id.
    static std::optional<QList<ImportLine>> review(const DataFile &file, const Statement &statement,
                                                   const QString &mappingName,
                                                   QHash<int, DataFile::BillPtr> *bills = nullptr);

    // The payment that records the line for the bill. learnAlias: the line's name becomes an
    // alias of the bill's payee, as when a person confirms a likely match.
    static DataFile::StatementPayment payment(const ImportLine &line, int billId, bool learnAlias);
    // The payment of a new bill for the line, of a payee named as the line names it.
    static DataFile::StatementPayment newBillPayment(const ImportLine &line);
    // Every exact match that is new, as nvimport records them without asking.
    static QList<DataFile::StatementPayment> exactPayments(const QList<ImportLine> &lines);

    // What the statement calls the other party: its name, or its memo when it has none.
    static QString nameOf(const StatementTransaction &transaction);

    // Larger files are no bank statement a household gets.
    static constexpr qint64 largestFile = qint64(64) << 20;
};
