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

QString openForCommand(DataFile &file, const QString &path, CommandAccess access)
{
    const QFileInfo info(path);
    const QString name = QDir::toNativeSeparators(path);
    if (info.isDir())
        return name + QStringLiteral(" is a folder");
    if (!info.exists())
        return name + QStringLiteral(": there is no such file");
    // Not a file (a pipe, a device): SQLite could wait on it for ever.
    if (!info.isFile())
        return name + QStringLiteral(": not a data file of this program");
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
