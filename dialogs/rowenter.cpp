#include "rowenter.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <utility>

RowEnter::RowEnter(QAbstractItemView *view, std::function<void()> open)
    : QObject(view), m_view(view), m_open(std::move(open))
{
}

void RowEnter::install(QAbstractItemView *view, std::function<void()> open)
{
    view->installEventFilter(new RowEnter(view, std::move(open)));
}

bool RowEnter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // With a modifier the key means something else to whoever handles it.
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return true;
    // The list may show its frame on a row that the keyboard reached without selecting it
    // (focus arriving in a list that had no selection); the commands act on the selection, so
    // the row is selected first and the user sees what is being opened.
    QItemSelectionModel *selection = m_view->selectionModel();
    if (!selection->isSelected(current))
        selection->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_open();
    return true;
}
