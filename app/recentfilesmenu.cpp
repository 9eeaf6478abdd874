#include "recentfilesmenu.h"

#include "formatting.h"
#include "messagehelper.h"
#include "systemrecentlist.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>

namespace {
const int folderWidth = 320;

// Control characters would end the text early or, as a tab, start a shortcut's; an ampersand
// would make the next letter a key.
QString menuText(const QString &text)
{
    return Formatting::oneLine(text).replace(QLatin1Char('&'), QLatin1String("&&"));
}
} // namespace

RecentFilesMenu::RecentFilesMenu(QMenu *menu, OpenFunction open)
    : QObject(menu), m_menu(menu), m_open(std::move(open))
{
}

// The entry chosen may be what brought the rebuild about, so the old entries go once the
// choice has been dealt with rather than at once.
void RecentFilesMenu::rebuild()
{
    for (QAction *old : m_menu->actions()) {
        m_menu->removeAction(old);
        old->deleteLater();
    }
    int number = 0;
    for (const QString &path : SystemRecentList::locations()) {
        if (!QFileInfo(path).isFile())
            continue;
        QAction *entry = m_menu->addAction(entryText(++number, path, folderWidth));
        entry->setData(path);
        entry->setStatusTip(Formatting::oneLine(QDir::toNativeSeparators(path)));
        connect(entry, &QAction::triggered, this, [this, path] { choose(path); });
    }
    m_menu->menuAction()->setEnabled(number > 0);
}

QString RecentFilesMenu::entryText(int number, const QString &path, int maxFolderWidth) const
{
    const QFileInfo file(path);
    const QString folder = QFontMetrics(m_menu->font())
                               .elidedText(QDir::toNativeSeparators(file.absolutePath()),
                                           Qt::ElideMiddle, maxFolderWidth);
    return tr("&%1 %2  (%3)").arg(number).arg(menuText(file.fileName()), menuText(folder));
}

void RecentFilesMenu::choose(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        MessageRequest notice;
        notice.icon = MessageIcon::Warning;
        notice.title = MessageHelper::fileErrorTitle();
        notice.text =
            tr("The data file %1 is no longer there.").arg(QDir::toNativeSeparators(path));
        notice.textFormat = Qt::PlainText;
        MessageHelper::ask(notice, m_menu->parentWidget());
        rebuild();
        return;
    }
    m_open(path);
}
