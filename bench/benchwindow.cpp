// The window and report measurements of BenchRun: what the person sees, built on the records.
#include "benchrun.h"

#include "benchprobe.h"

#include "clock.h"
#include "connections.h"
#include "datafile.h"
#include "norvoravarodozod.h"
#include "paymentsbymonth.h"
#include "reportdialog.h"
#include "reportdocuments.h"
#include "systemdatabase.h"
#include "systemrecentlist.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>

#include <ctime>
#include <functional>
#include <memory>

namespace {
// The window and the reports see the file's own day, so that the same rows are overdue, due
// this month or paid this month on whatever day the benchmark runs.
class FileDay
{
public:
    FileDay() { Clock::setFixed(QDateTime(BenchFiles::today(), QTime(9, 0))); }
    ~FileDay() { Clock::reset(); }
};

// The window keeps system.db in the folder it starts in; this one points it at the file.
class WindowFolder
{
public:
    WindowFolder(const QString &folder, const QString &dataFile) : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(folder);
        // The store is made as the window makes it, and the file put first in the recent list
        // as the window's Open does.
        const SystemDatabase system;
        m_ok = SystemRecentList::add(dataFile);
    }
    ~WindowFolder()
    {
        Connections::close(Connections::system());
        QDir::setCurrent(m_previous);
    }
    bool ok() const { return m_ok; }

private:
    QString m_previous;
    bool m_ok = false;
};

// Runs an action of the window and lets it draw what follows.
double triggerAndDraw(QAction *action)
{
    return BenchProbe::time([action] {
        action->trigger();
        QApplication::processEvents();
    });
}

QTreeWidgetItem *reportItem(QTreeWidget *reports, const QString &key)
{
    for (int i = 0; i < reports->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = reports->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toString() == key)
            return item;
    }
    return nullptr;
}
} // namespace

void BenchRun::measureWindow()
{
    const FileDay day;
    WindowFolder folder(m_directory, m_currentPath);
    if (!folder.ok())
        return fail(QStringLiteral("the window's system.db"));
    std::unique_ptr<NorvoRavaRodozod> window;
    const double startMs = BenchProbe::time([&] {
        window = std::make_unique<NorvoRavaRodozod>();
        window->show();
        QApplication::processEvents();
    });
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("BillsTreeWidget"));
    auto *current = window->findChild<QAction *>(QStringLiteral("action_Current_Bills_Menu"));
    if (!list || !current || list->topLevelItemCount() == 0)
        return fail(QStringLiteral("the window's bill list"));
    const qsizetype rows = list->topLevelItemCount();
    bool ok = true;
    const BenchProbe::Pair best = BenchProbe::bestOfPairs(
        runs(), [&] { return triggerAndDraw(current); },
        [&] {
            const double ms = BenchProbe::time([&] {
                ok = ok && Connections::open(QStringLiteral("nvbench_floor"), m_currentPath) &&
                     scanCurrentBills(Connections::database(QStringLiteral("nvbench_floor")));
            });
            Connections::close(QStringLiteral("nvbench_floor"));
            return ms;
        });
    if (!ok || list->topLevelItemCount() != rows)
        return fail(QStringLiteral("the window's Current Bills"));
    addRow(QStringLiteral("window start-up on the file, list drawn"), startMs, best.floorMs);
    addRow(QStringLiteral("window Current Bills (reload, list, summary)"), best.ms, best.floorMs,
           4.0);
    measureRefreshMemory(current);
    measureListMemory(list, current);
    measureWindowPeak();
}

// What the list's rows hold beyond the loaded bills: the heap with the list filled against
// the same with the list emptied, the bills still loaded.
void BenchRun::measureListMemory(QTreeWidget *list, QAction *current)
{
    triggerAndDraw(current);
    const qsizetype rows = list->topLevelItemCount();
    BenchProbe::releaseFreeMemory();
    const qint64 filled = BenchProbe::heapInUse();
    list->clear();
    QApplication::processEvents();
    BenchProbe::releaseFreeMemory();
    const qint64 cleared = BenchProbe::heapInUse();
    triggerAndDraw(current);
    if (rows == 0 || list->topLevelItemCount() != rows)
        return fail(QStringLiteral("the list's memory"));
    m_summary.listBytesPerBill = double(filled - cleared) / double(rows);
    m_notes.append(QStringLiteral("memory: the window's list of %1 bills holds %2 KiB = %3 B per "
                                  "listed bill beside the load's (target < 1024)%4")
                       .arg(rows)
                       .arg((filled - cleared) / 1024)
                       .arg(m_summary.listBytesPerBill, 0, 'f', 0)
                       .arg(m_summary.listBytesPerBill < 1024 ? QStringLiteral(" ok")
                                                              : QStringLiteral(" MISSED")));
}

// The program's whole footprint as a person starts it: a fresh process, so that nothing this
// one measured before counts.
void BenchRun::measureWindowPeak()
{
    const std::optional<QByteArray> output =
        BenchProbe::runSelf({QStringLiteral("--window-peak"), m_currentPath});
    if (!output)
        return fail(QStringLiteral("the window's start in a process of its own"));
    static const QRegularExpression line(QStringLiteral("^@peak (\\d+)$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromUtf8(*output));
    if (!match.hasMatch())
        return fail(QStringLiteral("the window's peak"));
    m_summary.windowPeakBytes = match.captured(1).toDouble();
    m_notes.append(QStringLiteral("memory: the program from its start to the drawn list of %1 "
                                  "bills peaks at %2 MiB resident")
                       .arg(m_shape.bills)
                       .arg(m_summary.windowPeakBytes / (1024.0 * 1024.0), 0, 'f', 1));
}

BenchRun::StartFigures BenchRun::windowStart(const QString &dataFile,
                                             const QElapsedTimer &sinceStart)
{
    const FileDay day;
    WindowFolder folder(QFileInfo(dataFile).absolutePath(), dataFile);
    if (!folder.ok())
        return {};
    NorvoRavaRodozod window;
    window.show();
    // The reminder comes up once the event loop runs, and is then drawn in its turn.
    for (int round = 0; round < 3; ++round)
        QApplication::processEvents();
    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("BillsTreeWidget"));
    if (!list || list->topLevelItemCount() == 0)
        return {};
    StartFigures figures;
    figures.readyMs = double(sinceStart.nsecsElapsed()) / 1e6;
    figures.cpuMs = double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
    figures.peakBytes = BenchProbe::peakResidentBytes();
    return figures;
}

void BenchRun::measureRefreshMemory(QAction *current)
{
    // Several dozen on the default file; fewer on big ones, where each takes most of a second.
    const RefreshGrowth growth = refreshGrowth(current, m_shape.bills <= 10000 ? 60 : 30);
    m_summary.refreshGrowthBytes = growth.residentSlope;
    m_notes.append(
        QStringLiteral("memory: %1 window refreshes: resident set %2 B, heap in use %3 "
                       "B, heap taken from the system %4 B per refresh (target < 1024)%5")
            .arg(growth.refreshes)
            .arg(growth.residentSlope, 0, 'f', 0)
            .arg(growth.heapSlope, 0, 'f', 0)
            .arg(growth.heldSlope, 0, 'f', 0)
            .arg(growth.residentSlope < 1024 ? QStringLiteral(" ok") : QStringLiteral(" MISSED")));
}

BenchRun::RefreshGrowth BenchRun::refreshGrowth(QAction *current, int refreshes)
{
    RefreshGrowth growth;
    growth.refreshes = qMax(refreshes, RefreshGrowth::warmUp + 2);
    growth.residentBefore = BenchProbe::residentBytes();
    QList<qint64> resident;
    QList<qint64> heap;
    QList<qint64> held;
    // Room for every reading up front, so that the readings themselves do not count as growth.
    for (QList<qint64> *readings : {&resident, &heap, &held})
        readings->reserve(growth.refreshes);
    for (int i = 0; i < growth.refreshes; ++i) {
        triggerAndDraw(current);
        if (i < RefreshGrowth::warmUp)
            continue;
        resident.append(BenchProbe::residentBytes());
        heap.append(BenchProbe::heapInUse());
        held.append(BenchProbe::heapHeld());
    }
    growth.residentWarm = resident.constFirst();
    growth.residentLast = resident.constLast();
    growth.residentSlope = BenchProbe::slope(resident);
    growth.heapSlope = BenchProbe::slope(heap);
    growth.heldSlope = BenchProbe::slope(held);
    return growth;
}

bool BenchRun::refreshRun(const QString &dataFile, int refreshes, QTextStream &out)
{
    const FileDay day;
    WindowFolder folder(QFileInfo(dataFile).absolutePath(), dataFile);
    if (!folder.ok())
        return false;
    NorvoRavaRodozod window;
    window.show();
    QApplication::processEvents();
    auto *current = window.findChild<QAction *>(QStringLiteral("action_Current_Bills_Menu"));
    if (!current)
        return false;
    const RefreshGrowth growth = refreshGrowth(current, refreshes);
    out << QStringLiteral("%1 refreshes: resident set %2 KiB after start-up, %3 KiB after %4, "
                          "%5 KiB after the last\n"
                          "  per refresh from start-up to the last: %6 B\n"
                          "  slopes per refresh after the first %4: resident set %7 B, heap in "
                          "use %8 B, heap taken from the system %9 B\n")
               .arg(growth.refreshes)
               .arg(growth.residentBefore / 1024)
               .arg(growth.residentWarm / 1024)
               .arg(RefreshGrowth::warmUp)
               .arg(growth.residentLast / 1024)
               .arg(double(growth.residentLast - growth.residentBefore) / growth.refreshes, 0, 'f',
                    0)
               .arg(growth.residentSlope, 0, 'f', 0)
               .arg(growth.heapSlope, 0, 'f', 0)
               .arg(growth.heldSlope, 0, 'f', 0);
    return true;
}

void BenchRun::measureReports()
{
    const FileDay day;
    DataFile file(nullptr);
    if (!file.open(m_currentPath) || !file.loadCurrentBills())
        return fail(QStringLiteral("loading the bills for the reports"));
    ReportDialog dialog(&file);
    auto *reports = dialog.findChild<QTreeWidget *>(QStringLiteral("reportsTreeWidget"));
    if (!reports)
        return fail(QStringLiteral("the report list"));
    dialog.show();
    QApplication::processEvents();
    const QDate today = Clock::today();
    const struct
    {
        const char *key;
        std::function<ReportContent()> build;
    } reportList[] = {
        {"PastDue", [&] { return ReportDocuments::pastDue(file.billsById(), today); }},
        {"CurrentMonth", [&] { return ReportDocuments::currentMonth(file.billsById(), today); }},
        {"CurrentMonthBillsDue",
         [&] { return ReportDocuments::currentMonthBillsDue(file.billsById(), today); }},
        {"CurrentMonthBillsPaid",
         [&] { return ReportDocuments::currentMonthBillsPaid(file.billsById(), today); }},
        {"LastMonthBills",
         [&] { return ReportDocuments::lastMonthBills(file.billsById(), today); }},
        {"PayeeList", [&] { return ReportDocuments::payeeList(file.payeesById(), today); }},
        {"PaymentsByMonth",
         [&] {
             return PaymentsByMonth::content(file.billsById(),
                                             file.payments().value_or(QList<BillPayment>()), today);
         }},
    };
    auto *browser = dialog.findChild<QTextBrowser *>(QStringLiteral("reportTextBrowser"));
    // The first page within 0.1 s up to 10,000 bills; the whole document, as printing lays it
    // out, within 0.5 s there and 3 s at 100,000.
    const bool big = m_shape.bills > 10000;
    for (const auto &report : reportList) {
        QTreeWidgetItem *item = reportItem(reports, QLatin1String(report.key));
        if (!item || !browser)
            return fail(QStringLiteral("the report %1").arg(QLatin1String(report.key)));
        // The dialog's own path: a click on the report, the document built and the first page
        // laid out and drawn.
        const double shownMs = BenchProbe::bestOf(big ? 3 : runs(), [&] {
            return BenchProbe::time([&] {
                emit reports->itemClicked(item, 0);
                browser->viewport()->repaint();
                QApplication::processEvents();
                // The window's event loop deletes the report shown before; without one it
                // would stay, and go on laying itself out in the background.
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            });
        });
        // The rest of the document is laid out while the window waits for input; printing
        // lays it all out at once, from the rows to the last page.
        const double wholeMs = BenchProbe::bestOf(big ? 3 : runs(), [&] {
            return BenchProbe::time([&] {
                QTextDocument document;
                document.setDefaultFont(browser->font());
                ReportContents::buildDocument(report.build(), &document,
                                              browser->viewport()->width());
                document.setPageSize(browser->viewport()->size());
                document.documentLayout()->documentSize();
            });
        });
        const double documentMs =
            BenchProbe::bestOf(runs(), [&] { return BenchProbe::time([&] { report.build(); }); });
        addAbsoluteRow(QStringLiteral("%1 report shown (rows %2 ms)")
                           .arg(QLatin1String(report.key))
                           .arg(documentMs, 0, 'f', documentMs < 10 ? 2 : 1),
                       shownMs, big ? 2000.0 : 100.0);
        addAbsoluteRow(QStringLiteral("%1 report laid out whole").arg(QLatin1String(report.key)),
                       wholeMs, big ? 3000.0 : 500.0);
        m_summary.slowestReportMs = qMax(m_summary.slowestReportMs, shownMs);
    }
    measureReportPdf(dialog, reportItem(reports, QStringLiteral("PastDue")));
}

// The longest report exported as a PDF, as a person gets it from Export: laid out for the
// printer's pages, drawn and written.
void BenchRun::measureReportPdf(ReportDialog &dialog, QTreeWidgetItem *pastDue)
{
    auto *reports = dialog.findChild<QTreeWidget *>(QStringLiteral("reportsTreeWidget"));
    emit reports->itemClicked(pastDue, 0);
    const QString path = QDir(m_directory).filePath(QStringLiteral("past due.pdf"));
    bool written = false;
    const double ms = BenchProbe::time([&] { written = dialog.exportReport(path); });
    if (!written)
        return fail(QStringLiteral("exporting the Past Due report as a PDF"));
    m_notes.append(QStringLiteral("reports: Past Due exported as a PDF of %1 KiB in %2 ms")
                       .arg(QFileInfo(path).size() / 1024)
                       .arg(ms, 0, 'f', 0));
    QFile::remove(path);
}
