#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>

// Clocks and memory gauges for the benchmark.
namespace BenchProbe {

// The shortest of runs timings, in milliseconds. Each call of timedRun does its own set-up
// and returns the milliseconds of the part that counts; the shortest run is the one least
// disturbed by whatever else the machine was doing.
double bestOf(int runs, const std::function<double()> &timedRun);

// The shortest timings of a figure and of its floor, taken in turns so that both see the same
// spells of load from other programs.
struct Pair
{
    double ms = 0;
    double floorMs = 0;
};
Pair bestOfPairs(int runs, const std::function<double()> &timedRun,
                 const std::function<double()> &timedFloorRun);

// Milliseconds that work takes.
double time(const std::function<void()> &work);

// Gives free memory the allocator still holds back to the system, so that the resident
// set that follows counts only what is in use.
void releaseFreeMemory();

// Bytes the allocator has handed out and not yet been given back.
qint64 heapInUse();
// Bytes the allocator has taken from the system, in use or free.
qint64 heapHeld();
// Resident set of the process now, and its high-water mark since the last resetPeak().
qint64 residentBytes();
qint64 peakResidentBytes();
// Starts a new high-water mark; false where the system does not allow it (then the peak is
// that of the whole run so far).
bool resetPeak();

// Runs this program again with arguments, in a process of its own so that nothing measured
// here counts there, its errors passed through; what it wrote, or none when it failed.
std::optional<QByteArray> runSelf(const QStringList &arguments);

// The slope of the least-squares line through values taken at equal steps: the growth per step.
double slope(const QList<qint64> &values);

} // namespace BenchProbe
