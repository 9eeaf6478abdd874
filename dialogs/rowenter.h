#pragma once

#include <QObject>

#include <functional>

class QAbstractItemView;

// Return and the keypad's Enter on a list open the row that has the keyboard's frame, as a
// double-click on it does. The key stays with the list: inside a dialog it must not also press
// the default button, and without a current row it does nothing at all.
class RowEnter : public QObject
{
    Q_OBJECT

public:
    // The filter is the view's child and goes with it.
    static void install(QAbstractItemView *view, std::function<void()> open);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    RowEnter(QAbstractItemView *view, std::function<void()> open);

    QAbstractItemView *m_view;
    std::function<void()> m_open;
};
