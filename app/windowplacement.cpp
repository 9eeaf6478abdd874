#include "windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
// A little room between the two frames, so that they read as two windows.
const int gap = 8;
} // namespace

bool WindowPlacement::canPlaceWindows()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

std::optional<QPoint> WindowPlacement::besideOf(const QRect &main, const QSize &size,
                                                const QRect &area)
{
    if (size.width() > area.width())
        return std::nullopt;
    int x = main.right() + 1 + gap;
    if (x + size.width() - 1 > area.right()) {
        x = main.left() - gap - size.width();
        if (x < area.left())
            return std::nullopt;
    }
    const int lowest = area.bottom() + 1 - size.height();
    const int y = qMax(area.top(), qMin(main.top(), lowest));
    return QPoint(x, y);
}

// Before the window is first shown its frame is not known yet; the main window's frame is
// the best guess, as the same window system draws both.
void WindowPlacement::placeBeside(QWidget *window, const QWidget *main)
{
    if (!canPlaceWindows() || !main->isVisible() || !main->screen())
        return;
    const QRect mainFrame = main->frameGeometry();
    const QSize frame = mainFrame.size() - main->geometry().size();
    const std::optional<QPoint> place =
        besideOf(mainFrame, window->size() + frame, main->screen()->availableGeometry());
    if (place)
        window->move(*place);
}
