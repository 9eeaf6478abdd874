#include "payeelistdialog.h"
#include "ui_payeelistdialog.h"

#include "htmltext.h"
#include "messagehelper.h"
#include "payee.h"
#include "payeedialog.h"
#include "payeeorder.h"
#include "rowenter.h"

#include <QTreeWidgetItem>

#include <utility>

PayeeListDialog::PayeeListDialog(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::PayeeListDialogClass>()),
      m_dataFile(dataFile)
{
    m_ui->setupUi(this);
    m_ui->PayeesTreeWidget->setHeaderLabels({tr("Payee Name"), tr("Account Number")});
    // Names are what a person scans the list for; they get the wider column.
    m_ui->PayeesTreeWidget->setColumnWidth(0, 170);
    RowEnter::install(m_ui->PayeesTreeWidget, [this] { on_EditPushButton_clicked(); });
    fillPayeeList();
}

PayeeListDialog::~PayeeListDialog() = default;

void PayeeListDialog::fillPayeeList()
{
    QTreeWidget *list = m_ui->PayeesTreeWidget;
    list->clear();
    // An unreadable payee table must not pass for an empty one.
    if (!m_dataFile->reloadPayees())
        MessageHelper::showFileError(tr("The payees could not be read from the file."), this);
    const DataFile::PayeePtr selected = std::exchange(m_selectedPayee, nullptr);
    for (const DataFile::PayeePtr &payee : payeesByName(m_dataFile->payeesById())) {
        auto *item = new QTreeWidgetItem(list);
        item->setText(0, payee->payeeName());
        item->setText(1, payee->accountNumber());
        item->setTextAlignment(0, Qt::AlignHCenter);
        item->setTextAlignment(1, Qt::AlignHCenter);
        item->setData(0, Qt::UserRole, payee->id());
        // The reload made new payee objects; Edit and Delete act on the current one, and the
        // row stays selected so that what they act on is what the user sees.
        if (selected && selected->id() == payee->id()) {
            m_selectedPayee = payee;
            list->setCurrentItem(item);
        }
    }
}

void PayeeListDialog::readSelectedPayee()
{
    const QList<QTreeWidgetItem *> selected = m_ui->PayeesTreeWidget->selectedItems();
    for (const QTreeWidgetItem *item : selected) {
        const int id = item->data(0, Qt::UserRole).toInt();
        // A payee the reload no longer holds is not one to act on.
        m_selectedPayee = m_dataFile->payeesById().value(id);
    }
}

void PayeeListDialog::on_PayeesTreeWidget_itemDoubleClicked(QTreeWidgetItem *, int)
{
    on_EditPushButton_clicked();
}

void PayeeListDialog::on_DeletePushButton_clicked()
{
    readSelectedPayee();
    if (!m_selectedPayee)
        return;

    MessageRequest question;
    question.icon = MessageIcon::Warning;
    question.title = QStringLiteral("Payee Delete");
    question.text = QStringLiteral("Deleting <b>") + htmlText(m_selectedPayee->payeeName()) +
                    QStringLiteral("</b><br>Are you sure you want to delete this Payee?<br><br>"
                                   "*Note: This will delete all associated bills");
    question.buttons = QStringList{QStringLiteral("Delete"), QStringLiteral("Cancel")};
    question.defaultButton = 0;
    question.escapeButton = 1;
    question.windowIcon = QStringLiteral(":/images/Resources/payee_delete.png");
    question.textFormat = Qt::RichText;
    if (MessageHelper::ask(question, this) != 0)
        return;

    m_selectedPayee->setDeleted(true);
    if (!m_dataFile->deletePayee(m_selectedPayee.get())) {
        // Nothing was written, so the payee is still an active one.
        m_selectedPayee->setDeleted(false);
        MessageHelper::showFileError(tr("The payee could not be deleted."), this);
    }
    m_selectedPayee.reset();
    fillPayeeList();
}

void PayeeListDialog::on_EditPushButton_clicked()
{
    readSelectedPayee();
    if (!m_selectedPayee)
        return;
    PayeeDialog dialog(m_dataFile, this);
    dialog.setPayee(m_selectedPayee);
    if (dialog.exec() == QDialog::Accepted)
        fillPayeeList();
}

void PayeeListDialog::on_AddPushButton_clicked()
{
    PayeeDialog dialog(m_dataFile, this);
    if (dialog.exec() == QDialog::Accepted)
        fillPayeeList();
}
