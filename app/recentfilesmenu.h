#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMenu;

// File > Open Recent: the data files used last that are still there, newest first. Choosing
// one hands its path to the window's own open function, as New and Open do; a file that went
// away since the menu was filled is not made again but said to be gone.
class RecentFilesMenu : public QObject
{
    Q_OBJECT

public:
    using OpenFunction = std::function<void(const QString &)>;

    RecentFilesMenu(QMenu *menu, OpenFunction open);

    // Fills the menu from system.db again; without an entry it is disabled.
    void rebuild();

private:
    // What an entry shows for the n-th file (from 1): its number as the key, the file's name
    // and its folder, the folder shortened in the middle to maxFolderWidth pixels. Stored text
    // is shown as it is: an ampersand does not become a key, nor a tab a shortcut.
    QString entryText(int number, const QString &path, int maxFolderWidth) const;
    void choose(const QString &path);

    QMenu *m_menu = nullptr;
    OpenFunction m_open;
};
