#include "activedomainobject.h"
#include "duecommand.h"
#include "logging.h"
#include "systemlocation.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {
// With --user-data the file used last comes from the store in the user's data folder, which
// only a run without a FILE needs. False when --system names another store.
bool useUserData(bool userData, bool systemGiven, DueOptions *options)
{
    if (!userData)
        return true;
    if (systemGiven) {
        printError(QStringLiteral("--system and --user-data name two places for system.db; give "
                                  "one of them."));
        return false;
    }
    if (options->file.isEmpty())
        options->systemPath = SystemLocation::path(true);
    return true;
}

// What is wrong with the options, each in its own words; empty when nothing is. Fills in the
// days and the day to count from.
QString optionProblem(const QCommandLineParser &parser, const QStringList &files,
                      const QCommandLineOption &days, const QCommandLineOption &today,
                      DueOptions *options)
{
    if (files.size() > 1)
        return QStringLiteral("'%1': only one FILE can be given").arg(files.at(1));
    bool number = false;
    const QString daysText = parser.value(days);
    options->days = daysText.toInt(&number);
    if (!number)
        return QStringLiteral("--days: '%1' is not a whole number of days").arg(daysText);
    if (options->days < 0 || options->days > 3660)
        return QStringLiteral("--days: '%1' is not between 0 and 3660").arg(daysText);
    if (!QStringList({"text", "csv", "json", "ics"}).contains(options->format))
        return QStringLiteral("--format: '%1' is not one of text, csv, json and ics")
            .arg(options->format);
    if (parser.isSet(today)) {
        options->today = QDate::fromString(parser.value(today), Qt::ISODate);
        if (!options->today.isValid())
            return QStringLiteral("--today: '%1' is not a day written YYYY-MM-DD")
                .arg(parser.value(today));
    }
    return QString();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nvdue"));
    QCoreApplication::setApplicationVersion(currentVersion());
    installCommandLineLog();
    // No presenter: what is wrong is one line on stderr, and a question (to upgrade, say) is
    // answered no.

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists the unpaid bills of a Norvo Rava Rodozod data file that are overdue "
                       "or due soon, without changing the file.\n\nExit status: 0 nothing due, 1 "
                       "something overdue, 2 something due within the period, 3 the file cannot "
                       "be read, 64 wrong options."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("The data file; without it, the one used last according to system.db."));
    const QCommandLineOption days(QStringLiteral("days"),
                                  QStringLiteral("List bills due within N days (default 7)."),
                                  QStringLiteral("N"), QStringLiteral("7"));
    const QCommandLineOption all(QStringLiteral("all"),
                                 QStringLiteral("List every unpaid bill, however far off."));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Output: text (default), csv, json or ics."),
                                    QStringLiteral("FORMAT"), QStringLiteral("text"));
    const QCommandLineOption notify(
        QStringLiteral("notify"),
        QStringLiteral("Show a desktop notification instead of printing."));
    const QCommandLineOption today(QStringLiteral("today"),
                                   QStringLiteral("Count from this day instead of today."),
                                   QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption system(
        QStringLiteral("system"),
        QStringLiteral("The system.db that remembers the file used last (default: ./system.db)."),
        QStringLiteral("PATH"));
    const QCommandLineOption userData = SystemLocation::userDataOption();
    parser.addOptions({days, all, format, notify, today, system, userData});
    // process() would end the program with status 1 on an unknown option, which a script
    // reads as "something overdue"; a parse error is a wrong option like any other.
    if (!parser.parse(app.arguments())) {
        printError(parser.errorText() + QStringLiteral(" See nvdue --help."));
        return BadUsage;
    }
    parser.process(app); // --help and --version

    DueOptions options;
    const QStringList files = parser.positionalArguments();
    options.file = files.value(0);
    options.systemPath = parser.value(system);
    options.all = parser.isSet(all);
    options.format = parser.value(format);
    options.notify = parser.isSet(notify);
    const QString problem = optionProblem(parser, files, days, today, &options);
    if (!problem.isEmpty()) {
        printError(problem);
        return BadUsage;
    }
    if (!useUserData(parser.isSet(userData), parser.isSet(system), &options))
        return BadUsage;
    return runDueCommand(options);
}
