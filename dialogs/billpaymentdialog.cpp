#include "billpaymentdialog.h"
#include "ui_billpaymentdialog.h"

#include "amountentry.h"
#include "calendardialog.h"
#include "clock.h"
#include "datafile.h"
#include "formatting.h"
#include "messagehelper.h"

BillPaymentDialog::BillPaymentDialog(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::BillPaymentDialogClass>()),
      m_dataFile(dataFile)
{
    m_ui->setupUi(this);
    AmountEntry::prepare(m_ui->amountLineEdit);
    m_ui->paymentDateTimeEdit->setDate(Clock::today());
}

BillPaymentDialog::~BillPaymentDialog() = default;

void BillPaymentDialog::setBill(int billId)
{
    m_bill = Bill::findById(billId);
    m_payment.setBillId(billId);
}

void BillPaymentDialog::loadPayment(int paymentId)
{
    m_payment = BillPayment::findById(paymentId);
    m_bill = Bill::findById(m_payment.billId());
    m_ui->paymentDateTimeEdit->setDateTime(m_payment.paymentDate());
    m_ui->amountLineEdit->setText(Formatting::amount(m_payment.amount()));
}

void BillPaymentDialog::on_okButton_clicked()
{
    if (!savePayment()) {
        MessageHelper::showFileError(tr("The payment could not be saved."), this);
        return;
    }
    accept();
}

bool BillPaymentDialog::savePayment()
{
    if (!m_dataFile)
        return false;
    BillPayment payment = m_payment;
    payment.setAmount(AmountEntry::parse(m_ui->amountLineEdit->text()));
    payment.setPaymentDate(m_ui->paymentDateTimeEdit->dateTime());
    if (!m_dataFile->savePayment(payment, m_bill))
        return false;
    m_payment = payment;
    return true;
}

void BillPaymentDialog::on_amountLineEdit_textChanged(const QString &text)
{
    AmountEntry::rewrite(m_ui->amountLineEdit, text);
}

void BillPaymentDialog::on_calendarPushButton_clicked()
{
    CalendarDialog calendar;
    calendar.setDateTime(m_payment.paymentDate());
    calendar.exec();
    const QDateTime picked = calendar.dateTime();
    if (!picked.isValid())
        return;
    m_payment.setPaymentDate(picked);
    m_ui->paymentDateTimeEdit->setDate(picked.date());
}
