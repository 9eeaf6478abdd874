#include "billview.h"

#include "bill.h"
#include "billlist.h"
#include "billsummary.h"
#include "clock.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {
// The status bar's words belong with the window's other status texts.
QString statusText(const char *text)
{
    return QCoreApplication::translate("NorvoRavaRodozod", text);
}
} // namespace

BillView::BillView(DataFile *dataFile, QTreeWidget *list, QTextBrowser *panel,
                   QStatusBar *statusBar)
    : m_dataFile(dataFile), m_list(list), m_panel(panel), m_statusBar(statusBar),
      m_sortColumn(DueDateColumn)
{
    // The list sorts itself only when asked: sorting on every insertion would make filling a
    // list of many thousand rows slow. The rows come in sorted, and a header click re-sorts.
    QHeaderView *header = m_list->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(m_sortColumn, m_sortOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &BillView::sort);
}

void BillView::showCurrentBills()
{
    show(false);
    m_summaryHtml = summaryDocument(billTotals(m_dataFile->billList(), m_viewDay), m_viewDay);
    m_panel->setHtml(m_summaryHtml);
}

void BillView::showPaidBills()
{
    show(true);
}

void BillView::show(bool paid)
{
    m_paidView = paid;
    clearShown();
    reportLoad(paid ? m_dataFile->loadPaidBills() : m_dataFile->loadCurrentBills());
    reselectBill();
    m_viewDay = Clock::today();
    fillList();
}

void BillView::refresh()
{
    if (m_paidView)
        showPaidBills();
    else
        showCurrentBills();
}

void BillView::clear()
{
    m_selectedBill.reset();
    m_paidView = false;
    m_summaryHtml.clear();
    m_list->clear();
}

void BillView::forgetSelection()
{
    m_selectedBill.reset();
}

const QDate &BillView::viewDay() const
{
    return m_viewDay;
}

bool BillView::loadFailureShown() const
{
    return m_loadFailureShown;
}

const DataFile::BillPtr &BillView::selectedBill() const
{
    return m_selectedBill;
}

void BillView::showSummary()
{
    m_panel->setHtml(m_summaryHtml);
}

void BillView::selectionChanged()
{
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    for (QTreeWidgetItem *row : selected) {
        const int id = row->data(0, Qt::UserRole).toInt();
        m_selectedBill = m_dataFile->billsById().value(id);
        // A row whose bill is no longer loaded shows nothing rather than an empty payee.
        if (!m_selectedBill)
            continue;
        m_panel->setHtml(payeeDocument(m_selectedBill->payee()));
    }
}

QList<DataFile::BillPtr> BillView::shownBills() const
{
    QList<DataFile::BillPtr> shown;
    shown.reserve(m_list->topLevelItemCount());
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        if (const auto *item = dynamic_cast<const BillListItem *>(m_list->topLevelItem(row)))
            shown.append(item->bill());
    return shown;
}

QList<DataFile::BillPtr> BillView::loadUnpaidBills()
{
    if (!m_paidView)
        return m_dataFile->billList();
    m_dataFile->loadCurrentBills();
    const QList<DataFile::BillPtr> bills = m_dataFile->billList();
    showPaidBills();
    return bills;
}

QList<DataFile::BillPtr> BillView::refreshWithUnpaidBills()
{
    // The paid view is listed again by the load of the unpaid bills itself.
    if (!m_paidView)
        showCurrentBills();
    return loadUnpaidBills();
}

void BillView::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= BillColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    m_list->sortItems(column, order);
    if (QTreeWidgetItem *current = m_list->currentItem())
        m_list->scrollToItem(current);
}

void BillView::clearShown()
{
    m_panel->setHtml(QString());
    m_list->clear();
}

// A list that could not be read must not pass for a list of nothing owed; once a reload
// succeeds again the warning goes.
void BillView::reportLoad(bool loaded)
{
    const int unreadable = m_dataFile->unreadableBillCount();
    if (loaded && unreadable == 0) {
        if (m_loadFailureShown)
            m_statusBar->clearMessage();
        m_loadFailureShown = false;
        return;
    }
    QString reason = m_dataFile->lastErrorText();
    if (loaded)
        reason = unreadable == 1
                     ? statusText("1 bill has an amount, due date or payment that cannot be "
                                  "read and is left as stored")
                     : statusText("%1 bills have an amount, due date or payment that cannot "
                                  "be read and are left as stored")
                           .arg(unreadable);
    m_statusBar->showMessage(
        statusText("The bills could not be read from the file: %1").arg(reason));
    m_loadFailureShown = true;
}

// All rows go in with one call, already in order, while the list does not repaint, which keeps
// a file of many thousand bills quick to show.
void BillView::fillList()
{
    QList<DataFile::BillPtr> bills = m_dataFile->billList();
    sortBills(bills, m_sortColumn, m_sortOrder);
    m_list->setUpdatesEnabled(false);
    m_list->addTopLevelItems(billRows(bills, m_viewDay));
    m_list->setUpdatesEnabled(true);
}

// The selected bill follows the reload: the commands then act on the bill as it is stored
// now, and on none once it is gone from the file. The paid view loads only paid bills, so a
// bill it does not hold is looked up on its own.
void BillView::reselectBill()
{
    if (!m_selectedBill)
        return;
    const int id = m_selectedBill->id();
    if (DataFile::BillPtr loaded = m_dataFile->billsById().value(id)) {
        m_selectedBill = loaded;
        return;
    }
    m_selectedBill = m_dataFile->findBill(id);
}
