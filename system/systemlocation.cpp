#include "systemlocation.h"

#include "logging.h"
#include "systemdatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString inWorkingDirectory()
{
    return QDir::current().absoluteFilePath(SystemDatabase::fileName());
}

// The store the user's data folder takes over, or the one to go on with when that fails.
QString takeOver(const QString &earlier, const QString &folder, const QString &store)
{
    if (!QDir().mkpath(folder)) {
        qCWarning(lcStore).noquote() << "Cannot make the folder" << folder;
        return earlier.isEmpty() ? store : earlier;
    }
    if (earlier.isEmpty())
        return store;
    // QFile::copy names the copy only once it is whole, so one cut short leaves no store.
    if (QFile::copy(earlier, store))
        return store;
    qCWarning(lcStore).noquote() << "Cannot copy" << earlier << "to" << store;
    return earlier;
}
} // namespace

QCommandLineOption SystemLocation::userDataOption()
{
    return QCommandLineOption(QStringLiteral("user-data"),
                              QStringLiteral("Keep system.db in the user's data folder instead of "
                                             "the working directory."));
}

QString SystemLocation::path(bool userData)
{
    if (!userData)
        return inWorkingDirectory();
    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataFolder.isEmpty())
        return inWorkingDirectory();
    // Named after the package rather than either program, since both share it.
    const QString folder = QDir(dataFolder).absoluteFilePath(QStringLiteral("norvo-rava-rodozod"));
    const QString store = QDir(folder).absoluteFilePath(SystemDatabase::fileName());
    if (QFileInfo::exists(store))
        return store;
    const QString earlier = QDir::home().absoluteFilePath(SystemDatabase::fileName());
    return takeOver(QFileInfo(earlier).isFile() ? earlier : QString(), folder, store);
}
