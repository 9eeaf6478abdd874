// Coverage-guided fuzzing of reading bank statements: the input bytes are a statement file,
// handed to every statement reader in turn. Built with libFuzzer under NV_FUZZ
// (NV_FUZZ_TARGET=statements tools/fuzz.sh); the ordinary build replays the seed corpus
// through it once (replaymain.cpp).
//
// Besides what the sanitizers catch: a reader never changes the file; a statement it takes has
// real dates and no word of refusal, and one it refuses says where and why and hands over no
// transaction; reading the same bytes again gives the same answer. Anything else aborts, which
// the fuzzer reports.

#include "csvstatementreader.h"
#include "ofxreader.h"
#include "qifreader.h"
#include "statement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
struct Reader
{
    const char *name;
    // Some readers go by the file's suffix.
    const char *fileName;
    Statement (*read)(const QString &path);
};

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// QIF as most banks in the United States write it.
Statement readQif(const QString &path)
{
    return QifReader::read(bytesOf(path), QifOptions());
}

// CSV under a mapping of a common shape: a header row, then date, amount, name and memo.
Statement readCsv(const QString &path)
{
    CsvMapping mapping;
    mapping.name = QStringLiteral("fuzz");
    mapping.dateColumn = 0;
    mapping.amountColumn = 1;
    mapping.nameColumn = 2;
    mapping.memoColumn = 3;
    mapping.dateFormat = QStringLiteral("MM/dd/yyyy");
    mapping.skipRows = 1;
    return CsvStatementReader::read(bytesOf(path), mapping);
}

// Every reader that takes a statement from a file.
const QList<Reader> &readers()
{
    static const QList<Reader> all = {
        {"OFX", "input.ofx", &OfxReader::read},
        {"QIF", "input.qif", &readQif},
        {"CSV", "input.csv", &readCsv},
    };
    return all;
}

// Made once and kept to the end: Qt's own globals are gone by the time static objects would be
// destroyed, so nothing here is destroyed at exit; only the scratch folder is removed then.
QTemporaryDir *g_scratch = nullptr;

void removeScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_scratch->path().toStdString(), ignored);
}

void fail(const Reader &reader, const char *what)
{
    std::fprintf(stderr, "%s reader: %s\n", reader.name, what);
    std::abort();
}

bool sameAnswer(const Statement &a, const Statement &b)
{
    if (a.ok != b.ok || a.where != b.where || a.error != b.error ||
        a.transactions.size() != b.transactions.size())
        return false;
    for (qsizetype i = 0; i < a.transactions.size(); ++i) {
        const StatementTransaction &x = a.transactions.at(i);
        const StatementTransaction &y = b.transactions.at(i);
        if (x.position != y.position || x.fitId != y.fitId || x.bankId != y.bankId ||
            x.accountId != y.accountId || x.date != y.date || x.cents != y.cents ||
            x.name != y.name || x.memo != y.memo)
            return false;
    }
    return true;
}

void check(const Reader &reader, const QByteArray &bytes)
{
    const QString path = g_scratch->filePath(QString::fromLatin1(reader.fileName));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            std::abort();
    }
    const Statement statement = reader.read(path);
    if (bytesOf(path) != bytes)
        fail(reader, "Reading a statement changed its file");
    if (statement.ok) {
        if (!statement.where.isEmpty() || !statement.error.isEmpty())
            fail(reader, "A statement taken carries a refusal");
        for (const StatementTransaction &transaction : statement.transactions) {
            if (!transaction.date.isValid())
                fail(reader, "A statement taken has a transaction without a real date");
        }
    } else if (statement.error.isEmpty() || statement.where.isEmpty() ||
               !statement.transactions.isEmpty()) {
        fail(reader, "A refused statement does not say where and why, or hands over transactions");
    }
    if (!sameAnswer(statement, reader.read(path)))
        fail(reader, "The same statement read twice gives two answers");
    QFile::remove(path);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    // Every input is written to a file and read back; in memory where the system offers it.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    g_scratch = new QTemporaryDir(base + QStringLiteral("/nvstatementfuzz-XXXXXX"));
    if (!g_scratch->isValid()) {
        std::fprintf(stderr, "No scratch folder\n");
        std::abort();
    }
    std::atexit(&removeScratchFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const Reader &reader : readers())
        check(reader, bytes);
    return 0;
}
