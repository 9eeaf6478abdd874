#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// The text of an OFX file, read by us without the library: each transaction's id, amount and
// posting date as the bank wrote them, and whether the file is whole. SGML (1.x) leaves a
// value's element open; XML (2.x) closes it; a value runs to the next tag either way.
class OfxText
{
public:
    struct Transaction
    {
        int position = 0;
        QString fitId;
        QDate date;
        qint64 cents = 0;
        // The name in a PAYEE aggregate, which the library does not hand over.
        QString payeeName;
        // The FITID, or the place in the statement when the bank gave none.
        QString where() const;
    };

    explicit OfxText(const QByteArray &bytes);

    bool ok() const;
    QString where() const;
    QString error() const;
    const QList<Transaction> &transactions() const;

    // A decimal amount in whole cents: a sign, digits, a point or comma and up to two decimals.
    static std::optional<qint64> centsOf(const QByteArray &text);
    // The calendar day of an OFX date and time (YYYYMMDD, then an optional time and zone),
    // when every part of it is real.
    static std::optional<QDate> dateOf(const QByteArray &text);

private:
    bool readTransaction(const QByteArray &block, int position);
    void fail(const QString &where, const QString &error);

    QList<Transaction> m_transactions;
    QString m_where;
    QString m_error;
};
