#include "filecommands.h"

#include "backupdialog.h"
#include "datafile.h"
#include "filedialoghelper.h"
#include "messagehelper.h"
#include "recentfilesmenu.h"
#include "samplehousehold.h"
#include "systemdatabase.h"
#include "systemrecentlist.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {
QString dataFileFilter()
{
    return QStringLiteral("Norvo Rava Rodozod (*.nvbf)");
}
} // namespace

FileCommands::FileCommands(DataFile *dataFile, SystemDatabase *systemDatabase, QMenu *fileMenu,
                           QMenu *recentMenu, QWidget *window)
    : QObject(window), m_dataFile(dataFile), m_systemDatabase(systemDatabase), m_window(window)
{
    m_recentFiles = new RecentFilesMenu(recentMenu, [this](const QString &path) { open(path); });
    // A file may have gone since the list was made; the menu is made afresh each time.
    connect(fileMenu, &QMenu::aboutToShow, m_recentFiles, &RecentFilesMenu::rebuild);
}

void FileCommands::newFile()
{
    QString path = FileDialogHelper::getSaveFileName(
        m_window, tr("Create a new file..."), FileDialogHelper::startDirectory(), dataFileFilter());
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".nvbf")))
        path += QLatin1String(".nvbf");
    if (QFileInfo::exists(path)) {
        MessageHelper::show(MessageIcon::Critical, tr("File Create Error"),
                            tr("You cannot overwrite an existing file.\nPlease use a different "
                               "file name."),
                            m_window);
        return;
    }
    open(path);
}

void FileCommands::openFile()
{
    const QString path =
        FileDialogHelper::getOpenFileName(m_window, tr("Open an existing file..."),
                                          FileDialogHelper::startDirectory(), dataFileFilter());
    if (path.isEmpty())
        return;
    open(path);
}

void FileCommands::openSampleFile()
{
    const QString folder = SampleHousehold::folder();
    const QString path = folder.isEmpty() ? QString() : SampleHousehold::writeNew(folder);
    // The file that was open stays open; nothing of a sample that failed is left behind.
    if (path.isEmpty()) {
        // Without a folder the reason names the one that could not be made.
        MessageHelper::showFileError(
            folder.isEmpty()
                ? tr("The sample file could not be written.")
                : tr("The sample file could not be written in the folder:\n%1").arg(folder),
            m_window);
        return;
    }
    open(path);
}

void FileCommands::backup()
{
    BackupDialog dialog(m_window);
    dialog.exec();
}

QString FileCommands::openStartupFile()
{
    const QString path = m_systemDatabase->recentFileLocation();
    if (path.isEmpty())
        return QString();
    // Opening a path that holds no file makes a new one there: a file moved or deleted since
    // the last run would come back empty, as if its bills were gone.
    if (!QFileInfo::exists(path)) {
        MessageRequest notice;
        notice.icon = MessageIcon::Warning;
        notice.title = MessageHelper::fileErrorTitle();
        notice.text = tr("The data file used last, %1, is no longer there.\nOpen it where it is "
                         "now with File > Open..., or make a new one with File > New...")
                          .arg(QDir::toNativeSeparators(path));
        notice.textFormat = Qt::PlainText;
        MessageHelper::ask(notice, m_window);
        return QString();
    }
    return m_dataFile->open(path) ? path : QString();
}

// On failure the data file manager has said why, and the file that was open before is normally
// open again and nothing changes. Should it have vanished meanwhile, no file is open any more.
void FileCommands::open(const QString &path)
{
    if (m_dataFile->open(path))
        emit opened(path);
    else if (m_dataFile->path().isEmpty())
        emit fileClosed();
}

void FileCommands::rememberOpenFile()
{
    SystemRecentList::add(m_dataFile->path());
    m_recentFiles->rebuild();
}

void FileCommands::rebuildRecentFiles()
{
    m_recentFiles->rebuild();
}
