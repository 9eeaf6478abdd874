#include "ofxreader.h"

#include "libofxlibrary.h"
#include "ofxtext.h"

#include <QFile>

#include <cmath>

namespace {
// What libofx hands over while it reads, gathered for the checks after it has finished.
struct Gathered
{
    QList<StatementTransaction> transactions;
    QList<double> amounts;
    QList<bool> datesValid;
    QString bankError;
};

QString libraryText(const char *text, int valid)
{
    return valid ? QString::fromUtf8(text).trimmed() : QString();
}

int onTransaction(const OfxTransactionData data, void *user)
{
    auto *gathered = static_cast<Gathered *>(user);
    StatementTransaction transaction;
    transaction.position = int(gathered->transactions.size()) + 1;
    transaction.fitId = libraryText(data.fi_id, data.fi_id_valid);
    if (const OfxAccountData *account = data.account_ptr) {
        transaction.bankId = libraryText(account->bank_id, account->bank_id_valid);
        // The account's number as the bank writes it (ACCTID); the library's own account id
        // joins the bank id, branch and number with spaces, the bank id being kept apart.
        transaction.accountId = libraryText(account->account_number, account->account_number_valid);
        if (transaction.accountId.isEmpty())
            transaction.accountId = libraryText(account->account_id, account->account_id_valid);
    }
    transaction.name = libraryText(data.name, data.name_valid);
    transaction.memo = libraryText(data.memo, data.memo_valid);
    gathered->transactions.append(transaction);
    gathered->amounts.append(data.amount_valid ? data.amount : std::nan(""));
    gathered->datesValid.append(data.date_posted_valid != 0);
    return 0;
}

// A bank answers a request it could not serve with an error status in place of the statement.
int onStatus(const OfxStatusData data, void *user)
{
    auto *gathered = static_cast<Gathered *>(user);
    if (data.severity_valid && data.severity == OfxStatusData::ERROR &&
        gathered->bankError.isEmpty())
        gathered->bankError = libraryText(data.name, data.name != nullptr);
    return 0;
}

// Reads the file through libofx; false when the library reports that it failed.
bool readThroughLibrary(const LibofxLibrary &library, const QString &path, Gathered &gathered)
{
    library.silence();
    LibofxContextPtr context = library.getNewContext();
    library.setTransactionCallback(context, &onTransaction, &gathered);
    library.setStatusCallback(context, &onStatus, &gathered);
    const QByteArray name = QFile::encodeName(path);
    const int status = library.processFile(context, name.constData(), OFX);
    library.freeContext(context);
    return status == 0;
}

Statement refused(const QString &where, const QString &error)
{
    Statement statement;
    statement.where = where;
    statement.error = error;
    return statement;
}

// The library's reading of one transaction against the file's own text.
Statement compared(Gathered &gathered, const QList<OfxText::Transaction> &written)
{
    for (int i = 0; i < written.size(); ++i) {
        const OfxText::Transaction &text = written.at(i);
        StatementTransaction &read = gathered.transactions[i];
        const double amount = gathered.amounts.at(i);
        if (!std::isfinite(amount) || std::llround(amount * 100.0) != text.cents ||
            read.fitId != text.fitId)
            return refused(text.where(),
                           QStringLiteral("The OFX library read this transaction differently "
                                          "from what the file says."));
        if (!gathered.datesValid.at(i))
            return refused(text.where(), QStringLiteral("The OFX library found no date here."));
        // The bank's own calendar day: libofx turns the date into a moment, and a time zone
        // could move that moment to another day.
        read.date = text.date;
        if (read.name.isEmpty())
            read.name = text.payeeName;
        read.cents = text.cents;
    }
    Statement statement;
    statement.transactions = gathered.transactions;
    statement.ok = true;
    return statement;
}
} // namespace

Statement OfxReader::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(
            path, QStringLiteral("The statement cannot be opened: %1").arg(file.errorString()));
    const OfxText text(file.readAll());
    file.close();
    if (!text.ok())
        return refused(text.where(), text.error());

    const LibofxLibrary *library = LibofxLibrary::get();
    if (!library)
        return refused(path, LibofxLibrary::error());
    Gathered gathered;
    if (!readThroughLibrary(*library, path, gathered))
        return refused(QStringLiteral("<OFX>"),
                       QStringLiteral("The OFX library could not read the statement."));
    if (!gathered.bankError.isEmpty())
        return refused(QStringLiteral("<STATUS>"),
                       QStringLiteral("The bank reports an error: %1").arg(gathered.bankError));
    const QList<OfxText::Transaction> &written = text.transactions();
    if (gathered.transactions.size() != written.size())
        return refused(QStringLiteral("<STMTTRN>"),
                       QStringLiteral("The file holds %1 transactions; the OFX library read %2.")
                           .arg(written.size())
                           .arg(gathered.transactions.size()));
    return compared(gathered, written);
}
