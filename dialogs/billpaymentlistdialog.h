#pragma once

#include "bill.h"
#include "billpayment.h"

#include <QDialog>

#include <memory>

class QTreeWidgetItem;

class DataFile;

namespace Ui {
class BillPaymentListDialogClass;
}

// Lists the payments of one bill, earliest first, with their references, and adds, edits and
// deletes them. Every change is stored at once; OK and Cancel only close the list.
class BillPaymentListDialog : public QDialog
{
    Q_OBJECT

public:
    // Payments are stored through the open data file.
    explicit BillPaymentListDialog(DataFile *dataFile, QWidget *parent = nullptr,
                                   Qt::WindowFlags flags = {});
    ~BillPaymentListDialog() override;

    void setBill(int billId);
    void fillPayments();
    // Reads the payment of the selected row into the working payment. False, with the
    // working payment left as it was, when no row is selected or its payment is gone.
    bool readSelectedPayment();

private slots:
    void on_paymentsTreeWidget_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_deletePushButton_clicked();
    void on_editPushButton_clicked();
    void on_addPushButton_clicked();

private:
    void editSelectedPayment();
    bool deletePayment();
    void reloadBill();

    std::unique_ptr<Ui::BillPaymentListDialogClass> m_ui;
    DataFile *m_dataFile = nullptr;
    Bill m_bill;
    BillPayment m_payment;
};
