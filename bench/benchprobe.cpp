#include "benchprobe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <limits>

#if defined(__GLIBC__)
#include <malloc.h>
#if __GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33)
#define NV_MALLINFO2
#endif
#endif

namespace {
// A "Vm...:   1234 kB" line of /proc/self/status, in bytes; 0 where there is none.
qint64 statusField(const QByteArray &name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

#if defined(NV_MALLINFO2)
// One figure of the allocator's, in bytes, with the blocks it maps apart added: they count
// both as handed out and as taken from the system.
qint64 allocatorBytes(std::size_t mallinfo2::*figure)
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.*figure) + qint64(info.hblkhd);
}
#endif
} // namespace

namespace BenchProbe {

double bestOf(int runs, const std::function<double()> &timedRun)
{
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < qMax(runs, 1); ++run)
        best = qMin(best, timedRun());
    return best;
}

Pair bestOfPairs(int runs, const std::function<double()> &timedRun,
                 const std::function<double()> &timedFloorRun)
{
    Pair best{std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    for (int run = 0; run < qMax(runs, 1); ++run) {
        best.floorMs = qMin(best.floorMs, timedFloorRun());
        best.ms = qMin(best.ms, timedRun());
    }
    return best;
}

double time(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void releaseFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

qint64 heapInUse()
{
#if defined(NV_MALLINFO2)
    return allocatorBytes(&mallinfo2::uordblks);
#else
    return residentBytes();
#endif
}

qint64 heapHeld()
{
#if defined(NV_MALLINFO2)
    return allocatorBytes(&mallinfo2::arena);
#else
    return residentBytes();
#endif
}

qint64 residentBytes()
{
    return statusField("VmRSS");
}

qint64 peakResidentBytes()
{
    return statusField("VmHWM");
}

bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

std::optional<QByteArray> runSelf(const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return std::nullopt;
    return child.readAllStandardOutput();
}

double slope(const QList<qint64> &values)
{
    const qsizetype count = values.size();
    if (count < 2)
        return 0;
    const double meanStep = double(count - 1) / 2.0;
    double meanValue = 0;
    for (const qint64 value : values)
        meanValue += double(value) / double(count);
    double covariance = 0;
    double variance = 0;
    for (qsizetype step = 0; step < count; ++step) {
        covariance += (double(step) - meanStep) * (double(values.at(step)) - meanValue);
        variance += (double(step) - meanStep) * (double(step) - meanStep);
    }
    return covariance / variance;
}

} // namespace BenchProbe
