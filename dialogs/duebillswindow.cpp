#include "duebillswindow.h"
#include "ui_duebillswindow.h"

#include "bill.h"
#include "billpaymentdialog.h"
#include "clock.h"
#include "datafile.h"
#include "formatting.h"
#include "messagehelper.h"
#include "payee.h"
#include "remindersettings.h"

#include <QLocale>
#include <QTreeWidgetItem>

namespace {
// Years of overdue bills would otherwise mean tens of thousands of rows, built on every
// refresh, in a window meant to be read at a glance.
constexpr qsizetype listedRows = 200;
} // namespace

DueBillsWindow::DueBillsWindow(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::DueBillsWindowClass>()),
      m_dataFile(dataFile)
{
    m_ui->setupUi(this);
    m_ui->payButton->setEnabled(false);
}

DueBillsWindow::~DueBillsWindow() = default;

void DueBillsWindow::setBills(const QList<DueBill> &bills)
{
    const int selected = selectedBillId();
    QTreeWidget *list = m_ui->dueTreeWidget;
    list->clear();
    QTreeWidgetItem *current = nullptr;
    const qsizetype listed = qMin(bills.size(), listedRows);
    for (qsizetype i = 0; i < listed; ++i) {
        const DueBill &due = bills.at(i);
        // Item texts are never read as markup, so names such as "<b>Acme</b>" show as typed.
        auto *row = new QTreeWidgetItem(
            list, QStringList{due.bill->payee().payeeName(), due.bill->description(),
                              Formatting::shortDate(due.bill->dueDate()),
                              Formatting::currency(due.bill->balance(), due.bill->isEstimate()),
                              DueBills::reminderText(due.days)});
        row->setData(0, Qt::UserRole, due.bill->id());
        if (due.bill->id() == selected)
            current = row;
    }
    if (!current)
        current = list->topLevelItem(0);
    list->setCurrentItem(current);
    m_ui->payButton->setEnabled(current != nullptr);
    showRest(bills, listed);
}

// The bills past the listed ones are still due, so they are counted and added up.
void DueBillsWindow::showRest(const QList<DueBill> &bills, qsizetype listed)
{
    const qsizetype rest = bills.size() - listed;
    m_ui->moreDueLabel->setVisible(rest > 0);
    if (rest <= 0)
        return;
    double balance = 0.0;
    bool estimated = false;
    for (qsizetype i = listed; i < bills.size(); ++i) {
        balance += bills.at(i).bill->balance();
        estimated |= bills.at(i).bill->isEstimate();
    }
    const QString total = Formatting::currency(balance, estimated);
    if (rest == 1) {
        m_ui->moreDueLabel->setText(tr("and 1 more bill due, %1").arg(total));
        return;
    }
    const QString count = QLocale(QLocale::English, QLocale::UnitedStates).toString(rest);
    m_ui->moreDueLabel->setText(tr("and %1 more bills due, %2 in all").arg(count, total));
}

int DueBillsWindow::selectedBillId() const
{
    const QTreeWidgetItem *row = m_ui->dueTreeWidget->currentItem();
    return row ? row->data(0, Qt::UserRole).toInt() : 0;
}

void DueBillsWindow::on_payButton_clicked()
{
    const int id = selectedBillId();
    if (id == 0)
        return;
    BillPaymentDialog dialog(m_dataFile, this);
    dialog.setBill(id);
    if (dialog.exec() == QDialog::Accepted)
        emit paymentSaved();
}

void DueBillsWindow::on_remindTomorrowButton_clicked()
{
    if (!ReminderSettings::putOff(m_dataFile->path(), Clock::today())) {
        MessageHelper::showFileError(tr("The reminder could not be put off."), this);
        return;
    }
    hide();
}

void DueBillsWindow::on_dueTreeWidget_itemSelectionChanged()
{
    m_ui->payButton->setEnabled(m_ui->dueTreeWidget->currentItem() != nullptr);
}
