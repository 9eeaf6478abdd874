#pragma once

#include "bill.h"
#include "billpayment.h"

#include <QDialog>

#include <memory>

class DataFile;
class QLineEdit;

namespace Ui {
class BillPaymentDialogClass;
}

// Enters a new payment on a bill, or edits a stored one: its date, amount and reference. The
// bill being paid is shown above them, and the amount starts as the balance (or the stored
// amount), selected, so that Enter pays it and typing replaces it. Save stores the payment at
// once and closes; a payment of nothing, or a save that fails, is reported and the dialog stays
// open. A bill whose amount is an estimate is paid with its real amount: the dialog asks for
// the amount on the bill first, and Save confirms it together with the payment.
class BillPaymentDialog : public QDialog
{
    Q_OBJECT

public:
    // Payments are stored through the open data file.
    explicit BillPaymentDialog(DataFile *dataFile, QWidget *parent = nullptr,
                               Qt::WindowFlags flags = {});
    ~BillPaymentDialog() override;

    // For a new payment on the bill with that id.
    void setBill(int billId);
    // For editing the stored payment with that id.
    void loadPayment(int paymentId);

private slots:
    void on_okButton_clicked();
    void on_calendarPushButton_clicked();

private:
    void showBill();
    void showBillAmount();
    void followBillAmount();
    // The bill's amount as the payment will leave it: the one typed for an estimate.
    double billAmount() const;
    bool hasBillAmount();
    bool hasAmount();
    void askForAmount(const QString &text, QLineEdit *field);
    QString enteredReference() const;
    void readBill(int billId);
    void noteUnread(const QString &what);
    bool confirmOverpayment();
    bool savePayment();

    std::unique_ptr<Ui::BillPaymentDialogClass> m_ui;
    DataFile *m_dataFile = nullptr;
    BillPayment m_payment;
    Bill m_bill;
    // The payment's amount pays what is typed as the amount on the bill until the person
    // types an amount of their own.
    bool m_amountFollows = false;
    // What could not be read when the dialog was filled, and why: without the stored bill
    // neither its balance nor the payment's effect is known, so OK stores nothing.
    QString m_unreadWhat;
    QString m_unreadReason;
};
