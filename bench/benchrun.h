#pragma once

#include "benchfiles.h"

#include <QDate>
#include <QList>
#include <QString>

class BillSchedule;
class DataFile;
class QAction;
class QElapsedTimer;
class QSqlDatabase;
class QTextStream;
class QTreeWidget;
class QTreeWidgetItem;
class ReportDialog;

// One benchmark run on files of one size: builds them, takes every measurement and prints
// the table. Each figure is set against a floor taken in the same process.
class BenchRun
{
public:
    // What the scaling run compares across sizes.
    struct Summary
    {
        int bills = 0;
        double loadMs = 0;
        double loadFloorMs = 0;
        double heldBytesPerBill = 0;
        double peakLoadBytes = 0;
        double upgradeMs = 0;
        double upgradeFloorMs = 0;
        double slowestReportMs = 0;
        double refreshGrowthBytes = 0;
        double listBytesPerBill = 0;
        double windowPeakBytes = 0;
    };

    // How the memory moves over a run of Current Bills commands on a window, read after each
    // one as a person's process has it (the allocator not trimmed). The slopes are those of the
    // least-squares lines after the first warmUp refreshes, which fill caches kept for good
    // (SQLite's pages, fonts, styles).
    struct RefreshGrowth
    {
        static constexpr int warmUp = 3;
        int refreshes = 0;
        qint64 residentBefore = 0; // before the first refresh
        qint64 residentWarm = 0;   // after the warm-up
        qint64 residentLast = 0;
        double residentSlope = 0; // VmRSS per refresh
        double heapSlope = 0;     // handed out and not given back
        double heldSlope = 0;     // taken from the system by the allocator
    };
    static RefreshGrowth refreshGrowth(QAction *current, int refreshes);
    // In a process of its own: starts the window on the data file and prints refreshGrowth
    // for so many refreshes; false on failure.
    static bool refreshRun(const QString &dataFile, int refreshes, QTextStream &out);

    BenchRun(const QString &directory, const BenchFiles::Shape &shape);

    bool prepare();
    void measureAll();
    // The upgrade of the "1.1" file and its floor only.
    void measureUpgradeAlone();
    // Only the reports, on the current file.
    void measureReportsOnly();
    bool failed() const { return m_failed; }

    void print(QTextStream &out) const;
    static Summary parseSummary(const QString &text);
    static void printScaling(QTextStream &out, const QList<Summary> &summaries);

    // What a person waits for when the program starts on a file, and what it takes.
    struct StartFigures
    {
        // From the start of the process to the window drawn with its list, the reminder of
        // bills due up and nothing left to do; 0 on failure.
        double readyMs = 0;
        // The processor time the process took by then, which other programs on a busy machine
        // lengthen less than readyMs.
        double cpuMs = 0;
        // The process's peak resident set by then.
        qint64 peakBytes = 0;
    };
    // In a process of its own: starts the window on the data file, as the program starts on
    // the file used last. sinceStart runs from the start of main().
    static StartFigures windowStart(const QString &dataFile, const QElapsedTimer &sinceStart);

private:
    struct Row
    {
        QString name;
        double ms = 0;
        double floorMs = 0;
        QString target; // empty when there is none
        bool met = true;
    };

    void measureLoadMemory();
    void measureLoad();
    void measureDueCommand();
    void measurePaidLoad();
    void measureSeries();
    // The upgrade of a file of that version ("1.1" or "1.4") against its floor.
    void measureUpgrade(const QString &version);
    // In benchwindow.cpp: the main window's list and the reports.
    void measureWindow();
    void measureRefreshMemory(QAction *current);
    void measureListMemory(QTreeWidget *list, QAction *current);
    void measureWindowPeak();
    void measureReports();
    void measureReportPdf(ReportDialog &dialog, QTreeWidgetItem *pastDue);

    double generateSeries(const BillSchedule &rule, bool *ok) const;
    double insertSeriesRows(const QList<QDate> &dueDates, bool *ok) const;
    double extendSeries(DataFile &file, int count, bool *ok) const;
    double upgradeCopy(const QString &source, bool *ok);
    double copyOldRows(const QString &source, const QStringList &statements, bool *ok);
    void measureForecast();

    void addRow(const QString &name, double ms, double floorMs, double maxRatio = 0);
    // A figure with a time limit of its own instead of a floor.
    void addAbsoluteRow(const QString &name, double ms, double maxMs);
    // The floor of a load of the current bills: their rows, payees and payments read plainly.
    bool scanCurrentBills(const QSqlDatabase &db) const;
    void fail(const QString &what);
    QString scratchCopy(const QString &source, const QString &name) const;
    int runs() const;

    QString m_directory;
    BenchFiles::Shape m_shape;
    QString m_currentPath;
    QString m_version11Path;
    QString m_version14Path;
    QString m_varyingPath;
    QList<Row> m_rows;
    QStringList m_notes;
    Summary m_summary;
    int m_scratchFiles = 0;
    bool m_failed = false;
};
