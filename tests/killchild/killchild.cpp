// The writer that tst_killedwrite kills: it opens a data file and does one write task, under a
// thin layer below SQLite that counts every step by which the file and its rollback journal
// change on disk. Asked to stop at step N, it announces that step on stdout instead of taking
// it and waits to be killed, so the test kills at an exact place in the write, on any machine
// at any speed.
//
//   nvkillchild series|upgrade FILE N     (N = 0: run through and print the number of steps)

#include "bill.h"
#include "billschedule.h"
#include "clock.h"
#include "connections.h"
#include "datafile.h"
#include "messagehelper.h"
#include "payee.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
sqlite3_vfs *g_real = nullptr;
int g_steps = 0;
int g_stopAt = 0;

void step(const char *what, const char *fileName)
{
    if (++g_steps != g_stopAt)
        return;
    std::printf("stopped at %d: %s %s\n", g_steps, what, fileName ? fileName : "");
    std::fflush(stdout);
    // Killed here. A test that died meanwhile is not waited for forever.
    sleep(60);
    _exit(3);
}

// Our file handle, with SQLite's own handle right behind it in the same allocation.
struct StepFile
{
    sqlite3_file base;
    const char *name;
    bool counted; // the data file or its journal, not temporary files
    sqlite3_file *real() { return reinterpret_cast<sqlite3_file *>(this + 1); }
};

sqlite3_file *real(sqlite3_file *file)
{
    return reinterpret_cast<StepFile *>(file)->real();
}

void countStep(sqlite3_file *file, const char *what)
{
    const auto *self = reinterpret_cast<StepFile *>(file);
    if (self->counted)
        step(what, self->name);
}

int stepClose(sqlite3_file *f)
{
    return real(f)->pMethods->xClose(real(f));
}
int stepRead(sqlite3_file *f, void *buffer, int amount, sqlite3_int64 offset)
{
    return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int stepWrite(sqlite3_file *f, const void *buffer, int amount, sqlite3_int64 offset)
{
    countStep(f, "write");
    return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int stepTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    countStep(f, "truncate");
    return real(f)->pMethods->xTruncate(real(f), size);
}
int stepSync(sqlite3_file *f, int flags)
{
    countStep(f, "sync");
    return real(f)->pMethods->xSync(real(f), flags);
}
int stepFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int stepLock(sqlite3_file *f, int lock)
{
    return real(f)->pMethods->xLock(real(f), lock);
}
int stepUnlock(sqlite3_file *f, int lock)
{
    return real(f)->pMethods->xUnlock(real(f), lock);
}
int stepCheckReservedLock(sqlite3_file *f, int *out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int stepFileControl(sqlite3_file *f, int op, void *arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int stepSectorSize(sqlite3_file *f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int stepDeviceCharacteristics(sqlite3_file *f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

// Version 1: no shared memory and no memory mapping, which a rollback journal does not use.
const sqlite3_io_methods stepMethods = {1,
                                        stepClose,
                                        stepRead,
                                        stepWrite,
                                        stepTruncate,
                                        stepSync,
                                        stepFileSize,
                                        stepLock,
                                        stepUnlock,
                                        stepCheckReservedLock,
                                        stepFileControl,
                                        stepSectorSize,
                                        stepDeviceCharacteristics,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};

int stepOpen(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *self = reinterpret_cast<StepFile *>(file);
    self->name = name;
    self->counted = flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL);
    const int rc = g_real->xOpen(g_real, name, self->real(), flags, outFlags);
    file->pMethods = rc == SQLITE_OK ? &stepMethods : nullptr;
    return rc;
}

int stepDelete(sqlite3_vfs *, const char *name, int syncDir)
{
    step("delete", name);
    return g_real->xDelete(g_real, name, syncDir);
}

bool installStepCounter()
{
    static sqlite3_vfs vfs;
    g_real = sqlite3_vfs_find(nullptr);
    if (!g_real)
        return false;
    vfs = *g_real;
    vfs.pNext = nullptr;
    vfs.zName = "nvstep";
    vfs.szOsFile = int(sizeof(StepFile)) + g_real->szOsFile;
    vfs.xOpen = &stepOpen;
    vfs.xDelete = &stepDelete;
    return sqlite3_vfs_register(&vfs, 1) == SQLITE_OK;
}

// A weekly series of 520 bills, stored as the bill dialog stores a new recurring bill.
bool writeSeries(DataFile &file)
{
    BillSchedule schedule;
    schedule.setScheduleType(QStringLiteral("WEEKLY"));
    schedule.setDayOfWeek(1);
    schedule.setRangeType(QStringLiteral("ENDON"));
    const QDate monday(2026, 5, 18);
    schedule.setRangeStartDate(monday);
    schedule.setRangeEndDate(monday.addDays(7 * 519));
    Bill bill;
    bill.setPayee(Payee::findById(1).value_or(Payee()));
    bill.setDescription(QStringLiteral("rent"));
    bill.setAmount(450);
    return file.addSeries(bill, schedule) && schedule.bills().size() == 520;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4 || !installStepCounter()) {
        std::fprintf(stderr, "usage: %s series|upgrade FILE STEP\n", argv[0]);
        return 2;
    }
    const QString task = QString::fromLocal8Bit(argv[1]);
    g_stopAt = std::atoi(argv[3]);
    Clock::setFixed(QDateTime(QDate(2026, 5, 14), QTime(9, 0)));
    MessageHelper::setResponder([](const MessageRequest &request) {
        const int upgrade = int(request.buttons.indexOf(QStringLiteral("Upgrade")));
        return upgrade >= 0 ? upgrade : request.escapeButton;
    });
    bool done = false;
    {
        DataFile file(nullptr);
        done = file.open(QString::fromLocal8Bit(argv[2])) &&
               (task == QLatin1String("upgrade") || writeSeries(file));
    }
    Connections::close(Connections::current());
    std::printf("steps %d\n", g_steps);
    return done ? 0 : 1;
}
