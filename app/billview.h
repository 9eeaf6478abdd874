#pragma once

#include "datafile.h"

#include <QDate>
#include <QList>
#include <QObject>

class QStatusBar;
class QTextBrowser;
class QTreeWidget;

// The window's bill list and summary panel for the open file: the current (unpaid) or the paid
// bills in the order the person chose, the bill of the selected row, the summary of the current
// bills, and a word in the status bar when bills could not be read.
class BillView : public QObject
{
    Q_OBJECT

public:
    BillView(DataFile *dataFile, QTreeWidget *list, QTextBrowser *panel, QStatusBar *statusBar);

    // Load the unpaid or the paid bills anew and list them; the current view also works out
    // the summary and shows it.
    void showCurrentBills();
    void showPaidBills();
    // Loads and lists again whichever of the two is showing.
    void refresh();
    // No file is open: nothing listed or selected, no summary, and the current view next.
    void clear();
    // The selection belonged to another file; commands must not reach into it.
    void forgetSelection();

    // The day the list and the summary were last worked out for.
    const QDate &viewDay() const;
    // Whether the status bar says that bills could not be read.
    bool loadFailureShown() const;
    // The bill of the last selected row, shared with the data file's collections, so it stays
    // valid however often the list is rebuilt; null when none is selected.
    const DataFile::BillPtr &selectedBill() const;

    // The last summary of the current bills, back in the panel.
    void showSummary();
    // The selected row's bill becomes the selected bill, with its payee in the panel.
    void selectionChanged();
    // The bills of the rows as they stand, in the order shown, whichever view that is.
    QList<DataFile::BillPtr> shownBills() const;
    // The unpaid bills, for the reminders and the calendar. The current view has just loaded
    // them. The paid view holds other bills, so the unpaid ones are loaded for the moment and
    // the paid view is then loaded and listed again.
    QList<DataFile::BillPtr> loadUnpaidBills();
    // Loads and lists again whichever view is showing, as refresh() does, and gives the unpaid
    // bills as they are stored now: the paid view reads them and its own bills once each.
    QList<DataFile::BillPtr> refreshWithUnpaidBills();

    // A click on a column header: the rows follow that column, the selection stays.
    void sort(int column, Qt::SortOrder order);

private:
    // Empties the list and the panel before a load, so that nothing stale shows meanwhile.
    void clearShown();
    // Loads the paid or the unpaid bills for today and lists them.
    void show(bool paid);
    void reportLoad(bool loaded);
    void fillList();
    void reselectBill();

    DataFile *m_dataFile = nullptr;
    QTreeWidget *m_list = nullptr;
    QTextBrowser *m_panel = nullptr;
    QStatusBar *m_statusBar = nullptr;
    DataFile::BillPtr m_selectedBill;
    QDate m_viewDay;
    QString m_summaryHtml;
    bool m_paidView = false;
    bool m_loadFailureShown = false;
    // The list's order, kept while the program runs: every refresh, view and file shows it.
    int m_sortColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
