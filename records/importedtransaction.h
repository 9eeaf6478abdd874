#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// A statement line that was recorded as a payment, under the identity that tells it apart from
// every other line of every statement (see StatementMatcher::importId). Importing the same
// statement again finds it here and records nothing twice; deleting the payment deletes this
// record with it, so that a later import offers the line again.
class ImportedTransaction
{
public:
    // Whether the line was recorded before; nothing when that cannot be read.
    static std::optional<bool> isKnown(const QString &importId);
    // Records that the line became the payment; false when it could not be stored (a line
    // recorded before included).
    static bool add(const QString &importId, int paymentId, const QDateTime &importDate);
    // Forgets the lines recorded as the payment, or as any payment of the bill.
    static bool removeOfPayment(int paymentId);
    static bool removeOfBill(int billId);

    static QString createStatement();
    static bool createTable();

    // Upgrade of the table from an older file version (see TableUpgrade): older versions have
    // none, so the upgrade creates it empty.
    static QString layoutColumns(const QString &version);
    static bool layoutMatches(const QString &version);
    static bool upgradePrepare(const QString &version);
    static bool upgradeCopy(const QString &version);
    static bool upgradeDrop(const QString &version);
};
