#include "importcommand.h"

#include "commandopen.h"
#include "connections.h"
#include "csvmapping.h"
#include "datafile.h"
#include "formatting.h"
#include "messagehelper.h"
#include "statementimport.h"
#include "systemcsvmappings.h"
#include "systemdatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {
// Why the command stops: the exit status and the one line that says it.
struct Refusal
{
    int status = Unreadable;
    QString line;
};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The format the options name, or the one the statement's name or first bytes tell.
std::optional<StatementFormat> formatOf(const ImportOptions &options, Refusal *refusal)
{
    if (options.format)
        return options.format;
    QFile file(options.statement);
    if (!file.open(QIODevice::ReadOnly)) {
        refusal->line = shown(options.statement) +
                        QStringLiteral(": the statement cannot be opened: ") + file.errorString();
        return std::nullopt;
    }
    const std::optional<StatementFormat> format =
        statementFormatOf(options.statement, file.read(512));
    if (!format)
        refusal->line = shown(options.statement) +
                        QStringLiteral(": neither its name nor its first lines say whether it "
                                       "is OFX, QIF or CSV; --format names the format");
    return format;
}

// The mapping of that name, from the system store, which is only read.
std::optional<CsvMapping> loadMapping(const ImportOptions &options, Refusal *refusal)
{
    const QString path = options.systemPath.isEmpty()
                             ? QDir::current().absoluteFilePath(SystemDatabase::fileName())
                             : QFileInfo(options.systemPath).absoluteFilePath();
    if (!QFileInfo(path).isFile()) {
        refusal->line = QStringLiteral("There is no system file %1 that holds the CSV mapping "
                                       "\"%2\".")
                            .arg(shown(path), options.mappingName);
        return std::nullopt;
    }
    std::optional<CsvMapping> mapping;
    QString error;
    if (Connections::open(Connections::system(), path, true))
        mapping = SystemCsvMappings::load(options.mappingName, &error);
    Connections::close(Connections::system());
    if (!mapping)
        refusal->line =
            shown(path) + QStringLiteral(": ") +
            (error.isEmpty()
                 ? QStringLiteral("there is no CSV mapping named \"%1\"").arg(options.mappingName)
                 : error);
    return mapping;
}

// Where reading stopped and why; the reader names the file itself only when it could not
// open it, and that name is not said twice.
QString statementProblem(const QString &path, const Statement &statement)
{
    QString line = shown(path) + QStringLiteral(": ");
    if (!statement.where.isEmpty() && statement.where != path)
        line += statement.where + QStringLiteral(": ");
    return line + statement.error;
}

// The statement read whole, with the name of the mapping its lines are known under; nothing,
// with the refusal, when it cannot be read. An OFX statement needs no mapping and ignores one.
std::optional<Statement> readStatement(const ImportOptions &options, QString *mappingName,
                                       Refusal *refusal)
{
    refusal->line = notARegularFile(options.statement, QStringLiteral("not a statement file"));
    if (!refusal->line.isEmpty())
        return std::nullopt;
    const std::optional<StatementFormat> format = formatOf(options, refusal);
    if (!format)
        return std::nullopt;
    if (*format == StatementFormat::Csv && options.mappingName.isEmpty()) {
        *refusal = {BadUsage, shown(options.statement) +
                                  QStringLiteral(": a CSV statement needs --csv-map NAME, the "
                                                 "saved mapping of its columns")};
        return std::nullopt;
    }
    std::optional<CsvMapping> mapping;
    if (*format != StatementFormat::Ofx && !options.mappingName.isEmpty()) {
        mapping = loadMapping(options, refusal);
        if (!mapping)
            return std::nullopt;
        *mappingName = mapping->name;
    }
    const Statement statement =
        StatementImport::read(options.statement, *format, mapping ? &*mapping : nullptr);
    if (!statement.ok) {
        refusal->line = statementProblem(options.statement, statement);
        return std::nullopt;
    }
    return statement;
}

QJsonValue matchValue(const ImportLine &line)
{
    if (line.status != ImportLine::Status::New)
        return QJsonValue::Null;
    if (line.match.kind == TransactionMatch::Exact)
        return QJsonObject{{QStringLiteral("bill"), line.match.billId},
                           {QStringLiteral("kind"), QStringLiteral("exact")}};
    if (line.match.kind == TransactionMatch::Likely)
        return QJsonObject{{QStringLiteral("bill"), line.match.billId},
                           {QStringLiteral("kind"), QStringLiteral("likely")}};
    return QJsonValue::Null;
}

QString statusText(ImportLine::Status status)
{
    switch (status) {
    case ImportLine::Status::AlreadyImported:
        return QStringLiteral("already imported");
    case ImportLine::Status::Ignored:
        return QStringLiteral("ignored");
    case ImportLine::Status::New:
        break;
    }
    return QStringLiteral("new");
}

// One object per transaction, in the statement's order. A line this run recorded still says
// "new": what the statement brought; the next run says "already imported".
QByteArray document(const QList<ImportLine> &lines)
{
    QJsonArray array;
    for (const ImportLine &line : lines) {
        const StatementTransaction &t = line.transaction;
        array.append(QJsonObject{{QStringLiteral("id"), line.importId},
                                 {QStringLiteral("date"), t.date.toString(Qt::ISODate)},
                                 // Whole cents divided once: -6237 is written -62.37.
                                 {QStringLiteral("amount"), double(t.cents) / 100.0},
                                 {QStringLiteral("name"), t.name},
                                 {QStringLiteral("memo"), t.memo},
                                 {QStringLiteral("match"), matchValue(line)},
                                 {QStringLiteral("status"), statusText(line.status)}});
    }
    return Formatting::escapedJsonControls(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

// A likely match is not recorded without a person's word, so its debit is still unmatched.
int statusOf(const QList<ImportLine> &lines)
{
    for (const ImportLine &line : lines) {
        if (line.status == ImportLine::Status::New && line.match.kind != TransactionMatch::Exact)
            return UnmatchedDebits;
    }
    return EverythingMatched;
}

void writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// The lines set beside the file's bills, with the exact matches recorded unless it is a dry
// run; nothing when the file could not be read or written.
std::optional<QList<ImportLine>> importInto(DataFile &file, const ImportOptions &options,
                                            const Statement &statement, const QString &mappingName)
{
    const std::optional<QList<ImportLine>> lines =
        StatementImport::review(file, statement, mappingName);
    if (!lines) {
        printError(shown(options.file) + QStringLiteral(": the bills could not be read: ") +
                   DataFile::lastErrorText());
        return std::nullopt;
    }
    const QList<DataFile::StatementPayment> payments = StatementImport::exactPayments(*lines);
    if (options.dryRun || payments.isEmpty())
        return lines;
    if (!file.recordStatementPayments(payments)) {
        printError(shown(options.file) +
                   QStringLiteral(": nothing was recorded; the payments could not be written: ") +
                   DataFile::lastErrorText());
        return std::nullopt;
    }
    return lines;
}
} // namespace

void printError(const QString &text)
{
    MessageHelper::show(MessageIcon::Critical, MessageHelper::fileErrorTitle(), text);
}

int runImportCommand(const ImportOptions &options)
{
    // The statement first: the data file is not even opened for one that cannot be read.
    Refusal refusal;
    QString mappingName;
    const std::optional<Statement> statement = readStatement(options, &mappingName, &refusal);
    if (!statement) {
        printError(refusal.line);
        return refusal.status;
    }
    DataFile file(nullptr);
    const QString problem =
        openForCommand(file, options.file,
                       options.dryRun ? CommandAccess::ReadCurrent : CommandAccess::WriteCurrent);
    if (!problem.isEmpty()) {
        printError(problem);
        return Unreadable;
    }
    const std::optional<QList<ImportLine>> lines =
        importInto(file, options, *statement, mappingName);
    if (!lines)
        return Unreadable;
    writeOut(document(*lines));
    return statusOf(*lines);
}
