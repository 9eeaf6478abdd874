#pragma once

#include "systemsettings.h"

#include <QList>
#include <QObject>

class QTreeWidget;

// The widths of the bill list's columns. The columns always fill the list's width, so no
// scroll bar runs across it: when the list grows or shrinks, the payee and description take
// the difference between them and the date and amount keep their width; dragging the edge
// between two columns moves that edge alone. The widths are kept in system.db's settings.
class BillColumns : public QObject
{
    Q_OBJECT

public:
    explicit BillColumns(QTreeWidget *list);

    // The stored widths, or widths that fit the dates and amounts with the payee wider than
    // the description when none are stored (or they cannot be read).
    void restore();
    SystemSettings::Values values() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<int> defaultWidths() const;
    // Sets the widths that fill width, starting from the ones last chosen.
    void fit(int width);
    void apply(const QList<int> &widths);
    void sectionResized(int column, int oldWidth, int newWidth);
    QList<int> currentWidths() const;

    QTreeWidget *m_list = nullptr;
    QWidget *m_viewport = nullptr;
    // The widths as restored or last set by the user; every fit starts from them, so that
    // passing through a small size loses nothing.
    QList<int> m_chosen;
    bool m_applying = false;
};
