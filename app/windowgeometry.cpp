#include "windowgeometry.h"

#include "windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace {
const QString sizeKey = QStringLiteral("window/size");
const QString positionKey = QStringLiteral("window/position");
const QString maximizedKey = QStringLiteral("window/maximized");
// Far beyond any screen, and far inside what an int holds whatever is added to it.
const int largestCoordinate = 1000000;

// Two whole numbers between separator, each within the bounds; none for anything else.
std::optional<std::pair<int, int>> readPair(const QString &text, QChar separator, int least)
{
    const QStringList parts = text.split(separator);
    if (parts.size() != 2)
        return std::nullopt;
    bool firstOk = false;
    bool secondOk = false;
    const int first = parts.at(0).toInt(&firstOk);
    const int second = parts.at(1).toInt(&secondOk);
    if (!firstOk || !secondOk || qMin(first, second) < least ||
        qMax(first, second) > largestCoordinate)
        return std::nullopt;
    return std::make_pair(first, second);
}

std::optional<QSize> readSize(const QString &text)
{
    const auto pair = readPair(text, QLatin1Char('x'), 1);
    return pair ? std::optional<QSize>(QSize(pair->first, pair->second)) : std::nullopt;
}

std::optional<QPoint> readPoint(const QString &text)
{
    const auto pair = readPair(text, QLatin1Char(','), -largestCoordinate);
    return pair ? std::optional<QPoint>(QPoint(pair->first, pair->second)) : std::nullopt;
}

QScreen *screenHolding(const QPoint &point)
{
    for (QScreen *screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(point))
            return screen;
    return nullptr;
}

int boundedStart(int start, int length, int areaStart, int areaLength)
{
    return length >= areaLength ? areaStart
                                : qBound(areaStart, start, areaStart + areaLength - length);
}
} // namespace

WindowGeometry::WindowGeometry(QWidget *window, const QSize &firstSize)
    : QObject(window), m_window(window), m_firstSize(firstSize)
{
    window->installEventFilter(this);
}

void WindowGeometry::restore()
{
    const std::optional<QPoint> stored = readPoint(SystemSettings::value(positionKey));
    QScreen *screen = stored ? screenHolding(*stored) : nullptr;
    const QSize size = restoredSize(screen ? screen : QGuiApplication::primaryScreen());
    m_window->resize(size);
    if (const std::optional<QPoint> place = restoredPosition(stored, size))
        m_window->move(*place);
    if (SystemSettings::value(maximizedKey) == QLatin1String("1"))
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
}

void WindowGeometry::keepAlso(std::function<SystemSettings::Values()> values)
{
    m_also = std::move(values);
}

// A maximised window is kept at the size and place it goes back to.
SystemSettings::Values WindowGeometry::values() const
{
    const QRect normal = m_window->normalGeometry();
    SystemSettings::Values values{
        {sizeKey, QStringLiteral("%1x%2").arg(normal.width()).arg(normal.height())},
        {maximizedKey, m_window->isMaximized() ? QStringLiteral("1") : QStringLiteral("0")}};
    if (WindowPlacement::canPlaceWindows()) {
        // The place is that of the frame, as move() takes it.
        const QPoint frame = normal.topLeft() - (m_window->geometry().topLeft() - m_window->pos());
        values.append({positionKey, QStringLiteral("%1,%2").arg(frame.x()).arg(frame.y())});
    }
    if (m_also)
        values += m_also();
    return values;
}

bool WindowGeometry::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        SystemSettings::setValues(values());
    return QObject::eventFilter(watched, event);
}

QSize WindowGeometry::restoredSize(const QScreen *screen) const
{
    QSize size = readSize(SystemSettings::value(sizeKey)).value_or(m_firstSize);
    if (screen)
        size = size.boundedTo(screen->availableGeometry().size());
    return size.expandedTo(m_window->minimumSize());
}

// The window's top edge, where its title bar is, must be on a screen, or the user could not
// take hold of it; the rest of it is brought onto that screen as far as it fits.
std::optional<QPoint> WindowGeometry::restoredPosition(const std::optional<QPoint> &stored,
                                                       const QSize &size) const
{
    if (!WindowPlacement::canPlaceWindows() || !stored)
        return std::nullopt;
    const QScreen *screen = screenHolding(*stored + QPoint(size.width() / 2, 0));
    if (!screen)
        return std::nullopt;
    const QRect area = screen->availableGeometry();
    return QPoint(boundedStart(stored->x(), size.width(), area.left(), area.width()),
                  boundedStart(stored->y(), size.height(), area.top(), area.height()));
}
