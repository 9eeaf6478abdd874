#include "activedomainobject.h"
#include "importcommand.h"
#include "logging.h"
#include "systemlocation.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {
struct ImportParser
{
    QCommandLineParser parser;
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("The statement's format: auto (default; told by its "
                                             "name or first lines), ofx (or qfx), qif or csv."),
                              QStringLiteral("FORMAT"), QStringLiteral("auto")};
    QCommandLineOption csvMap{
        QStringLiteral("csv-map"),
        QStringLiteral("The saved mapping a CSV statement is read with (a QIF one takes its date "
                       "order and decimal mark from it)."),
        QStringLiteral("NAME")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("Record nothing; the data file is only read.")};
    QCommandLineOption system{
        QStringLiteral("system"),
        QStringLiteral("The system.db that holds the mappings (default: ./system.db)."),
        QStringLiteral("PATH")};
    QCommandLineOption userData = SystemLocation::userDataOption();

    ImportParser();
};

ImportParser::ImportParser()
{
    parser.setApplicationDescription(QStringLiteral(
        "Sets a bank statement beside the unpaid bills of a Norvo Rava Rodozod data file, prints "
        "its transactions as JSON and records the exact matches as payments.\n\nExit status: 0 "
        "every debit matched or imported before, 1 unmatched debits remain, 3 the data file or "
        "the statement cannot be read, 64 wrong options."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The data file."));
    parser.addPositionalArgument(QStringLiteral("STATEMENT"),
                                 QStringLiteral("The bank statement: OFX, QFX, QIF or CSV."));
    parser.addOptions({format, csvMap, dryRun, system, userData});
}

// The synopsis, on the one line that says what is wrong with the options.
QString usage()
{
    return QStringLiteral(". Usage: nvimport FILE STATEMENT [--format auto|ofx|qif|csv] "
                          "[--csv-map NAME] [--dry-run]; see nvimport --help.");
}

// What is wrong with the options, each in its own words; empty when nothing is. Fills in the
// options.
QString optionProblem(const ImportParser &p, ImportOptions *options)
{
    const QStringList arguments = p.parser.positionalArguments();
    if (arguments.size() < 2)
        return QStringLiteral("FILE and STATEMENT must both be given");
    if (arguments.size() > 2)
        return QStringLiteral("'%1': only FILE and STATEMENT can be given").arg(arguments.at(2));
    options->file = arguments.at(0);
    options->statement = arguments.at(1);
    const QString format = p.parser.value(p.format);
    if (format.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0) {
        options->format = statementFormatNamed(format);
        if (!options->format)
            return QStringLiteral("--format: '%1' is not one of auto, ofx, qfx, qif and csv")
                .arg(format);
    }
    if (p.parser.isSet(p.csvMap) && p.parser.value(p.csvMap).trimmed().isEmpty())
        return QStringLiteral("--csv-map: the name of a saved mapping is missing");
    options->mappingName = p.parser.value(p.csvMap);
    if (options->format == StatementFormat::Csv && options->mappingName.isEmpty())
        return QStringLiteral("--format csv needs --csv-map NAME, the mapping of its columns");
    if (p.parser.isSet(p.system) && p.parser.isSet(p.userData))
        return QStringLiteral("--system and --user-data name two places for system.db; give "
                              "one of them");
    options->systemPath = p.parser.value(p.system);
    // The user's data folder is looked up (and made) only when a mapping is read from it.
    if (p.parser.isSet(p.userData) && !options->mappingName.isEmpty())
        options->systemPath = SystemLocation::path(true);
    options->dryRun = p.parser.isSet(p.dryRun);
    return QString();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nvimport"));
    QCoreApplication::setApplicationVersion(currentVersion());
    installCommandLineLog();
    // No presenter: what is wrong is one line on stderr, and a question is answered no.

    ImportParser p;
    // process() would end the program with status 1 on an unknown option, which a script
    // reads as "unmatched debits"; a parse error is a wrong option like any other.
    if (!p.parser.parse(app.arguments())) {
        // Qt's text ends in a full stop of its own.
        QString error = p.parser.errorText();
        if (error.endsWith(QLatin1Char('.')))
            error.chop(1);
        printError(error + usage());
        return BadUsage;
    }
    p.parser.process(app); // --help and --version

    ImportOptions options;
    const QString problem = optionProblem(p, &options);
    if (!problem.isEmpty()) {
        printError(problem + usage());
        return BadUsage;
    }
    return runImportCommand(options);
}
