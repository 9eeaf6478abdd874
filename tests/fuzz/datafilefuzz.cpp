// Coverage-guided fuzzing of reading a data file: the input bytes are a data file, opened and
// loaded read-only as the command-line tool does it, then opened and loaded as the window does
// it, with the upgrade question answered "Upgrade" so that upgrades run too. Built with
// libFuzzer under NV_FUZZ (tools/fuzz.sh); the ordinary build runs the seed corpus through it
// once (replaymain.cpp).
//
// Besides what the sanitizers catch: reading a file read-only never changes it; a file read-only
// opening accepts is one the window opens without a question, and the other way round; a
// refused file is left byte for byte as it was (a failed upgrade puts the backup back); and a
// file that was opened, upgraded perhaps, opens again without a question, where loading it once
// more writes nothing (the paid states the first load settled stay settled). Anything else
// aborts, which the fuzzer reports.

#include "activedomainobject.h"
#include "clock.h"
#include "connections.h"
#include "datafile.h"
#include "messagehelper.h"
#include "systemdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
// Made once and kept to the end: Qt's own globals are gone by the time static objects would be
// destroyed, so nothing here is destroyed at exit; only the scratch folder is removed then.
struct Scratch
{
    QCoreApplication *app = nullptr;
    QTemporaryDir *dir = nullptr;
    SystemDatabase *system = nullptr;
};

int g_upgradeQuestions = 0;

Scratch &scratch()
{
    static Scratch instance;
    return instance;
}

void removeScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratch().dir->path().toStdString(), ignored);
}

// Thousands of inputs make thousands of warnings about damaged files; they would cost more
// time than the reading itself.
void dropMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything the run left beside system.db: the input, backups of upgrades, journals.
void removeLitter()
{
    QDir dir(scratch().dir->path());
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (name != SystemDatabase::fileName())
            dir.remove(name);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Scratch &s = scratch();
    s.app = new QCoreApplication(*argc, *argv);
    qInstallMessageHandler(&dropMessages);
    // Every input writes, syncs and removes a file; in memory where the system offers it.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    s.dir = new QTemporaryDir(base + QStringLiteral("/nvfuzz-XXXXXX"));
    if (!s.dir->isValid()) {
        std::fprintf(stderr, "No scratch folder\n");
        std::abort();
    }
    std::atexit(&removeScratchFolder);
    Clock::setFixed(QDateTime(QDate(2026, 5, 14), QTime(9, 0)));
    MessageHelper::setResponder([](const MessageRequest &request) {
        const int upgrade = int(request.buttons.indexOf(QStringLiteral("Upgrade")));
        if (upgrade < 0)
            return request.escapeButton;
        ++g_upgradeQuestions;
        return upgrade;
    });
    // The system store is made in the working directory; the fuzzer's own paths (corpus,
    // findings, log) are relative to the one it was started in.
    const QString started = QDir::currentPath();
    QDir::setCurrent(s.dir->path());
    s.system = new SystemDatabase;
    QDir::setCurrent(started);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = scratch().dir->filePath(QStringLiteral("input.nvbf"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            std::abort();
    }

    QString readVersion;
    const auto openAndLoad = [&path, &readVersion](bool readOnly = false) {
        DataFile file(scratch().system);
        const bool opened = readOnly ? file.openReadOnly(path) : file.open(path);
        if (opened && readOnly)
            readVersion = file.version();
        if (opened) {
            file.loadCurrentBills();
            file.loadPaidBills();
            file.reloadPayees();
        }
        Connections::close(Connections::current());
        return opened;
    };
    const auto fail = [](const char *what) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    };
    const bool readable = openAndLoad(true);
    if (fileBytes(path) != bytes)
        fail("Reading a file read-only changed it");
    const int questionsBefore = g_upgradeQuestions;
    const bool opened = openAndLoad();
    // Read-only opens take what the window opens without asking, and besides the older
    // layouts that read as they are, which the window offers to upgrade.
    const bool withoutQuestion = opened && g_upgradeQuestions == questionsBefore;
    if (withoutQuestion && !readable)
        fail("A file opened without a question is refused read-only");
    if (readable && !withoutQuestion &&
        (readVersion == currentVersion() || !DataFile::readsAsIs(readVersion)))
        fail("A file read-only opening accepts needs a question or is refused");
    if (!opened) {
        if (fileBytes(path) != bytes)
            fail("A refused file was changed");
    } else {
        const QByteArray loaded = fileBytes(path);
        const int questions = g_upgradeQuestions;
        if (!openAndLoad() || g_upgradeQuestions != questions)
            fail("A file that was opened is not accepted as it is the next time");
        if (fileBytes(path) != loaded)
            fail("Loading a file a second time changed it");
    }

    removeLitter();
    return 0;
}
