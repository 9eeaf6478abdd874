// Times what a person waits for on a big data file and what it costs in memory, each figure
// next to a floor measured in the same process: the same rows read or written with plain
// QSqlQuery calls, which no record layer can beat.
//
// Usage: nvbench [--bills N]       one table for a file of N bills (default 10,000); --keep
//                                  leaves the files it builds in place; --upgrade times
//                                  only the upgrade of a 1.1 file, --reports only the reports
//        nvbench --scaling [SIZES] one run per size (default 1000,10000,100000), each in a
//                                  process of its own, then time and memory per bill
//        nvbench --start           starts the program on a file of N bills in fresh processes
//                                  (--runs, default 5) and tells when it was ready and its
//                                  peak memory; --past puts every due date in the past
//        nvbench --sample PATH     writes the sample household of Help > Open Sample File to
//                                  PATH and tells how long that took
//        nvbench --refresh N [--count K]  the window on a file of N bills: the resident set
//                                  over K Current Bills commands, untrimmed
#include "benchfiles.h"
#include "benchprobe.h"
#include "benchrun.h"

#include "datafile.h"
#include "heapsettings.h"
#include "messagehelper.h"
#include "samplehousehold.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {
QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// The word after name among the arguments; empty when name is not there.
QString argumentText(const QStringList &arguments, const QString &name)
{
    const qsizetype at = arguments.indexOf(name);
    return at < 0 ? QString() : arguments.value(at + 1);
}

int argumentValue(const QStringList &arguments, const QString &name, int fallback)
{
    bool ok = false;
    const int value = argumentText(arguments, name).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

// Boxes would wait for a person; the only ones expected (an upgrade's question and its
// outcome) are answered with their first button.
void answerFirstButtons()
{
    MessageHelper::setResponder([](const MessageRequest &) { return 0; });
}

// The upgrade logs every statement's outcome at debug level; only warnings matter here.
void quietDebugOutput(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // The off-screen platform says this of every window it shows.
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

enum class Part
{
    All,
    UpgradeAlone,
    ReportsOnly
};

BenchFiles::Shape shapeOf(const QStringList &arguments)
{
    BenchFiles::Shape shape =
        BenchFiles::Shape::forBills(argumentValue(arguments, QStringLiteral("--bills"), 10000));
    shape.allPast = arguments.contains(QStringLiteral("--past"));
    return shape;
}

int runOneSize(const BenchFiles::Shape &shape, bool keepFiles, Part part)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    if (keepFiles) {
        dir.setAutoRemove(false);
        out() << "nvbench: the data files stay in " << dir.path() << "\n";
    }
    answerFirstButtons();

    BenchRun run(dir.path(), shape);
    if (!run.prepare()) {
        out() << "nvbench: cannot build the data files\n";
        return 1;
    }
    if (part == Part::UpgradeAlone)
        run.measureUpgradeAlone();
    else if (part == Part::ReportsOnly)
        run.measureReportsOnly();
    else
        run.measureAll();
    run.print(out());
    out().flush();
    return run.failed() ? 1 : 0;
}

// The child of a run: the window started on one file, when it was ready and its peak memory.
int runWindowStart(const QStringList &arguments, const QElapsedTimer &sinceStart)
{
    const QString path = argumentText(arguments, QStringLiteral("--window-peak"));
    answerFirstButtons();
    const BenchRun::StartFigures figures = BenchRun::windowStart(path, sinceStart);
    out() << "@peak " << figures.peakBytes << "\n@ready " << figures.readyMs << "\n@cpu "
          << figures.cpuMs << "\n";
    out().flush();
    return figures.peakBytes > 0 ? 0 : 1;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// The program started on a file of the shape, each time in a fresh process: the time until it
// is ready and its peak resident set, every run and the medians.
int runStart(const BenchFiles::Shape &shape, int runs)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/start.nvbf");
    if (!dir.isValid() || !BenchFiles::buildCurrent(path, shape)) {
        out() << "nvbench: cannot build the data file\n";
        return 1;
    }
    static const QRegularExpression figure(QStringLiteral("^@(peak|ready|cpu) ([0-9.e+]+)$"),
                                           QRegularExpression::MultilineOption);
    QList<double> ready;
    QList<double> cpu;
    QList<double> peak;
    for (int run = 0; run < runs; ++run) {
        const std::optional<QByteArray> output =
            BenchProbe::runSelf({QStringLiteral("--window-peak"), path});
        if (!output) {
            out() << "nvbench: the start on the file failed\n";
            return 1;
        }
        auto matches = figure.globalMatch(QString::fromUtf8(*output));
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            const QString name = match.captured(1);
            (name == QLatin1String("peak")  ? peak
             : name == QLatin1String("cpu") ? cpu
                                            : ready)
                .append(match.captured(2).toDouble());
        }
        out() << "start " << run + 1 << ": ready " << ready.value(run) << " ms (processor "
              << cpu.value(run) << " ms), peak "
              << QString::number(peak.value(run) / (1024.0 * 1024.0), 'f', 1) << " MiB\n";
        out().flush();
    }
    out() << "start on " << shape.bills << " bills" << (shape.allPast ? " (all dates past)" : "")
          << ", median of " << runs << ": ready " << QString::number(median(ready), 'f', 0)
          << " ms (processor " << QString::number(median(cpu), 'f', 0) << " ms), peak "
          << QString::number(median(peak) / (1024.0 * 1024.0), 'f', 1) << " MiB\n";
    return 0;
}

// The open and load of an existing file alone, best of five, for comparing ways of loading.
int runLoad(const QStringList &arguments)
{
    const QString path = argumentText(arguments, QStringLiteral("--load"));
    answerFirstButtons();
    bool ok = true;
    const double ms = BenchProbe::bestOf(5, [&] {
        return BenchProbe::time([&] {
            DataFile file(nullptr);
            ok = ok && file.open(path) && file.loadCurrentBills();
        });
    });
    out() << "open + loadCurrentBills " << path << ": " << ms << " ms\n";
    return ok ? 0 : 1;
}

// The window on a fresh file of so many bills, refreshed again and again, in this process alone.
int runRefresh(const QStringList &arguments)
{
    const int bills = argumentValue(arguments, QStringLiteral("--refresh"), 10000);
    const int refreshes = argumentValue(arguments, QStringLiteral("--count"), 60);
    QTemporaryDir dir;
    if (arguments.contains(QStringLiteral("--keep"))) {
        dir.setAutoRemove(false);
        out() << "nvbench: the data file and its system.db stay in " << dir.path() << "\n";
    }
    const QString path = dir.filePath(QStringLiteral("bench.nvbf"));
    if (!dir.isValid() || !BenchFiles::buildCurrent(path, BenchFiles::Shape::forBills(bills))) {
        out() << "nvbench: cannot build the data file\n";
        return 1;
    }
    answerFirstButtons();
    out() << bills << " bills: ";
    const bool ok = BenchRun::refreshRun(path, refreshes, out());
    out().flush();
    return ok ? 0 : 1;
}

// The sample is written on the user's command while the window waits, so it has to be quick.
int runSample(const QStringList &arguments)
{
    const QString path = argumentText(arguments, QStringLiteral("--sample"));
    if (path.isEmpty() || path.startsWith(QLatin1Char('-')) || QFileInfo::exists(path)) {
        out() << "nvbench: --sample needs the path of a file that does not exist yet\n";
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    if (!SampleHousehold::write(path)) {
        out() << "nvbench: the sample could not be written: " << DataFile::lastErrorText() << "\n";
        return 1;
    }
    out() << "sample household " << path << " written in " << timer.elapsed() << " ms\n";
    return 0;
}

int runScaling(const QStringList &arguments)
{
    QString sizesText = argumentText(arguments, QStringLiteral("--scaling"));
    if (sizesText.isEmpty() || sizesText.startsWith(QLatin1Char('-')))
        sizesText = QStringLiteral("1000,10000,100000");
    QList<BenchRun::Summary> summaries;
    for (const QString &size : sizesText.split(QLatin1Char(','))) {
        QStringList childArguments{QStringLiteral("--bills"), size.trimmed()};
        if (arguments.contains(QStringLiteral("--past")))
            childArguments.append(QStringLiteral("--past"));
        const std::optional<QByteArray> output = BenchProbe::runSelf(childArguments);
        if (!output) {
            out() << "nvbench: the run of " << size << " bills failed\n";
            return 1;
        }
        const QString text = QString::fromUtf8(*output);
        out() << text << "\n";
        summaries.append(BenchRun::parseSummary(text));
    }
    BenchRun::printScaling(out(), summaries);
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    // The allocator works as in the program, so that its memory figures are the program's.
    HeapSettings::keepLargeBlocksApart();
    // The window and the reports are drawn off screen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler(quietDebugOutput);
    const QStringList arguments = app.arguments();
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out() << "Usage: nvbench [--bills N] [--past] [--keep] [--upgrade | --reports]\n"
                 "       nvbench --scaling [1000,10000,100000] [--past]\n"
                 "       nvbench --start [--bills N] [--past] [--runs 5]\n"
                 "       nvbench --refresh N [--count K]\n"
                 "       nvbench --sample PATH | nvbench --load PATH\n"
                 "  --keep leaves the data files it builds in place, for a profiler\n"
                 "  --past puts every due date before the day the files are built around\n"
                 "  --upgrade times only the upgrade of a 1.1 file against its floor\n"
                 "  --reports times only the reports: first page shown, whole document laid\n"
                 "            out, and the longest exported as a PDF\n"
                 "  --start starts the program on the file in fresh processes and gives the\n"
                 "          time until it is ready and its peak memory\n"
                 "  --refresh starts the window on a file of N bills and follows its resident\n"
                 "            set over K Current Bills commands (60 unless told)\n"
                 "  --sample writes the sample household to PATH and times it\n"
                 "  --load times the open and load of the data file at PATH\n";
        return 0;
    }
    if (arguments.contains(QStringLiteral("--window-peak")))
        return runWindowStart(arguments, sinceStart);
    if (arguments.contains(QStringLiteral("--start")))
        return runStart(shapeOf(arguments), argumentValue(arguments, QStringLiteral("--runs"), 5));
    if (arguments.contains(QStringLiteral("--scaling")))
        return runScaling(arguments);
    if (arguments.contains(QStringLiteral("--refresh")))
        return runRefresh(arguments);
    if (arguments.contains(QStringLiteral("--sample")))
        return runSample(arguments);
    if (arguments.contains(QStringLiteral("--load")))
        return runLoad(arguments);
    return runOneSize(shapeOf(arguments), arguments.contains(QStringLiteral("--keep")),
                      arguments.contains(QStringLiteral("--upgrade"))   ? Part::UpgradeAlone
                      : arguments.contains(QStringLiteral("--reports")) ? Part::ReportsOnly
                                                                        : Part::All);
}
