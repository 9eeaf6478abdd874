#pragma once

#include <QObject>
#include <QString>

class DataFile;
class QMenu;
class RecentFilesMenu;
class SystemDatabase;
class QWidget;

// The File menu's commands that choose a data file: New, Open, Open Recent and the sample
// file open it the same way, and the file used last opens at start-up. Backup is here too.
// The window shows what they opened: opened() after a successful open, fileClosed() when a
// failed one left no file open at all.
class FileCommands : public QObject
{
    Q_OBJECT

public:
    FileCommands(DataFile *dataFile, SystemDatabase *systemDatabase, QMenu *fileMenu,
                 QMenu *recentMenu, QWidget *window);

    void newFile();
    void openFile();
    // Writes a new sample household into the documents folder and opens it as Open would.
    void openSampleFile();
    void backup();
    // Opens the file used last, saying so when it has gone; its path, or empty when none is
    // open. Nothing is written to the recent list.
    QString openStartupFile();
    void open(const QString &path);
    // Puts the open file first in the recent list and the Open Recent menu.
    void rememberOpenFile();
    void rebuildRecentFiles();

signals:
    void opened(const QString &path);
    void fileClosed();

private:
    DataFile *m_dataFile = nullptr;
    SystemDatabase *m_systemDatabase = nullptr;
    QWidget *m_window = nullptr;
    RecentFilesMenu *m_recentFiles = nullptr;
};
