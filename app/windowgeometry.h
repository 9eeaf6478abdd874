#pragma once

#include "systemsettings.h"

#include <QObject>
#include <QPoint>
#include <QSize>

#include <functional>
#include <optional>

class QScreen;
class QWidget;

// Keeps a top-level window's size, position and maximised state in system.db's settings:
// restore() puts them back before the window is first shown, and closing the window stores
// them, together with whatever else the window wants kept. The position is kept only where
// the platform lets a program place its windows. What the store holds is checked like any
// input: a size that does not fit the screen shrinks to it, a place off every screen is left
// to the window system, and a value that cannot be read counts as none.
class WindowGeometry : public QObject
{
    Q_OBJECT

public:
    WindowGeometry(QWidget *window, const QSize &firstSize);

    void restore();
    // Further values stored at the same time, in the same write.
    void keepAlso(std::function<SystemSettings::Values()> values);
    // The values as they stand; closing the window stores them.
    SystemSettings::Values values() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSize restoredSize(const QScreen *screen) const;
    std::optional<QPoint> restoredPosition(const std::optional<QPoint> &stored,
                                           const QSize &size) const;

    QWidget *m_window = nullptr;
    QSize m_firstSize;
    std::function<SystemSettings::Values()> m_also;
};
