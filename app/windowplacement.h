#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

// Where the program's windows go on the screen.
namespace WindowPlacement {

// Whether the platform lets a program choose where its windows go: X11 does, while a Wayland
// compositor places every window itself and reports no position back.
bool canPlaceWindows();

// The top left corner for a window frame of the given size beside the frame main, within
// area: to the right of main when it fits there, else to the left, at main's height as far as
// area allows. None when neither side has room.
std::optional<QPoint> besideOf(const QRect &main, const QSize &size, const QRect &area);

// Moves window beside main, on main's screen, when the platform and the screen allow;
// otherwise where it appears is left to the window system. Called before window is shown.
void placeBeside(QWidget *window, const QWidget *main);

} // namespace WindowPlacement
