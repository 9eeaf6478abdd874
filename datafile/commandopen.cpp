#include "commandopen.h"

#include "datafile.h"
#include "messagehelper.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {
bool openAs(DataFile &file, const QString &path, CommandAccess access)
{
    if (access == CommandAccess::ReadAsIs)
        return file.openReadOnly(path);
    return file.openCurrent(path, access == CommandAccess::ReadCurrent);
}
} // namespace

QString notARegularFile(const QString &path, const QString &notWhat)
{
    const QFileInfo info(path);
    const QString name = QDir::toNativeSeparators(path);
    if (info.isDir())
        return name + QStringLiteral(" is a folder");
    if (!info.exists())
        return name + QStringLiteral(": there is no such file");
    if (!info.isFile())
        return name + QStringLiteral(": ") + notWhat;
    return QString();
}

QString openForCommand(DataFile &file, const QString &path, CommandAccess access)
{
    const QString name = QDir::toNativeSeparators(path);
    // SQLite could wait for ever on a pipe or a device.
    if (QString problem = notARegularFile(path, QStringLiteral("not a data file of this program"));
        !problem.isEmpty())
        return problem;
    QStringList said;
    MessageHelper::setPresenter([&said](const MessageRequest &request, QObject *) {
        said.append(request.text);
        return request.escapeButton;
    });
    const bool opened = openAs(file, path, access);
    MessageHelper::setPresenter({});
    if (opened)
        return QString();
    const QString reason = said.value(0);
    if (reason == DataFile::invalidFileText())
        return name + QStringLiteral(": not a data file of this program");
    return name + QStringLiteral(": ") + reason;
}
