#include "billpaymentlistdialog.h"
#include "ui_billpaymentlistdialog.h"

#include "billpaymentdialog.h"
#include "datafile.h"
#include "formatting.h"
#include "messagehelper.h"
#include "rowenter.h"

#include <QTreeWidgetItem>

namespace {
// A bill that cannot be read lists no payments; the list stays on its id all the same, so
// that a payment added from here is for that bill and no other.
Bill storedOrEmpty(int billId)
{
    if (std::optional<Bill> stored = Bill::findById(billId))
        return *stored;
    Bill empty;
    empty.setId(billId);
    return empty;
}
} // namespace

BillPaymentListDialog::BillPaymentListDialog(DataFile *dataFile, QWidget *parent,
                                             Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::BillPaymentListDialogClass>()),
      m_dataFile(dataFile)
{
    m_ui->setupUi(this);
    m_ui->paymentsTreeWidget->setHeaderLabels({tr("Payment Date"), tr("Amount"), tr("Reference")});
    RowEnter::install(m_ui->paymentsTreeWidget, [this] { editSelectedPayment(); });
}

BillPaymentListDialog::~BillPaymentListDialog() = default;

void BillPaymentListDialog::setBill(int billId)
{
    m_bill = storedOrEmpty(billId);
    fillPayments();
}

void BillPaymentListDialog::fillPayments()
{
    QTreeWidget *list = m_ui->paymentsTreeWidget;
    list->clear();
    // The payments of a bill that could not be read are not listed either.
    const std::optional<QList<BillPayment>> payments =
        m_bill.isStored() && m_dataFile ? m_dataFile->payments(m_bill.id()) : std::nullopt;
    for (const BillPayment &payment : payments.value_or(QList<BillPayment>())) {
        auto *item = new QTreeWidgetItem(list);
        item->setText(0, Formatting::shortDate(payment.paymentDate().date()));
        item->setText(1, Formatting::currency(payment.amount()));
        // A reference comes from a file like any stored text: one line, nothing that acts.
        item->setText(2, Formatting::oneLine(payment.reference()));
        item->setTextAlignment(0, Qt::AlignHCenter);
        item->setTextAlignment(1, Qt::AlignHCenter);
        item->setData(0, Qt::UserRole, payment.id());
    }
}

bool BillPaymentListDialog::readSelectedPayment()
{
    const QList<QTreeWidgetItem *> selected = m_ui->paymentsTreeWidget->selectedItems();
    if (selected.isEmpty())
        return false;
    const std::optional<BillPayment> payment =
        BillPayment::findById(selected.first()->data(0, Qt::UserRole).toInt());
    if (!payment)
        return false;
    m_payment = *payment;
    return true;
}

void BillPaymentListDialog::on_paymentsTreeWidget_itemDoubleClicked(QTreeWidgetItem *, int)
{
    editSelectedPayment();
}

void BillPaymentListDialog::on_editPushButton_clicked()
{
    editSelectedPayment();
}

void BillPaymentListDialog::editSelectedPayment()
{
    // Acting on a payment chosen earlier, which may have been deleted since, would be a guess.
    if (!readSelectedPayment())
        return;
    BillPaymentDialog dialog(m_dataFile, this);
    dialog.loadPayment(m_payment.id());
    dialog.exec();
    reloadBill();
}

void BillPaymentListDialog::on_addPushButton_clicked()
{
    BillPaymentDialog dialog(m_dataFile, this);
    dialog.setBill(m_bill.id());
    dialog.exec();
    reloadBill();
}

void BillPaymentListDialog::on_deletePushButton_clicked()
{
    if (!readSelectedPayment())
        return;
    MessageRequest request;
    request.icon = MessageIcon::Warning;
    request.title = tr("Payment Delete");
    request.text = tr("Are you sure you want to delete this Payment?");
    request.buttons = QStringList{tr("Delete"), tr("Cancel")};
    request.defaultButton = 0;
    request.escapeButton = 1;
    request.windowIcon = QStringLiteral(":/images/Resources/money.png");
    if (MessageHelper::ask(request, this) != 0)
        return;
    if (!deletePayment())
        MessageHelper::showFileError(tr("The payment could not be deleted."), this);
    reloadBill();
}

bool BillPaymentListDialog::deletePayment()
{
    return m_dataFile && m_dataFile->deletePayment(m_payment);
}

void BillPaymentListDialog::reloadBill()
{
    // The whole bill, not only its payments: the payment dialog may have changed it.
    m_bill = storedOrEmpty(m_bill.id());
    fillPayments();
}
