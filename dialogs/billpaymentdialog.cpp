#include "billpaymentdialog.h"
#include "ui_billpaymentdialog.h"

#include "amountentry.h"
#include "calendardialog.h"
#include "clock.h"
#include "datafile.h"
#include "dateentry.h"
#include "formatting.h"
#include "messagehelper.h"

#include <cmath>

BillPaymentDialog::BillPaymentDialog(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::BillPaymentDialogClass>()),
      m_dataFile(dataFile)
{
    m_ui->setupUi(this);
    AmountEntry::prepare(m_ui->amountLineEdit);
    DateEntry::prepare(m_ui->paymentDateTimeEdit);
    m_ui->paymentDateTimeEdit->setDate(Clock::today());
}

BillPaymentDialog::~BillPaymentDialog() = default;

void BillPaymentDialog::setBill(int billId)
{
    readBill(billId);
    m_payment.setBillId(billId);
}

void BillPaymentDialog::loadPayment(int paymentId)
{
    const std::optional<BillPayment> stored = BillPayment::findById(paymentId);
    if (!stored) {
        noteUnread(tr("The payment could not be read."));
        return;
    }
    m_payment = *stored;
    readBill(m_payment.billId());
    m_ui->paymentDateTimeEdit->setDateTime(m_payment.paymentDate());
    m_ui->amountLineEdit->setText(Formatting::amount(m_payment.amount()));
}

void BillPaymentDialog::readBill(int billId)
{
    if (const std::optional<Bill> stored = Bill::findById(billId))
        m_bill = *stored;
    else
        noteUnread(tr("The bill could not be read."));
}

void BillPaymentDialog::noteUnread(const QString &what)
{
    m_unreadWhat = what;
    m_unreadReason = DataFile::lastErrorText();
}

void BillPaymentDialog::on_okButton_clicked()
{
    if (!m_unreadWhat.isEmpty()) {
        MessageHelper::showFileError(m_unreadWhat, m_unreadReason, this);
        return;
    }
    if (!confirmOverpayment())
        return;
    if (!savePayment()) {
        MessageHelper::showFileError(tr("The payment could not be saved."), this);
        return;
    }
    accept();
}

// A payment beyond what is still owed is most often a typing slip; the user says it is meant.
bool BillPaymentDialog::confirmOverpayment()
{
    // The balance this payment pays into: an edited payment is already counted in it.
    const double owed = m_bill.balance() + (m_payment.isStored() ? m_payment.amount() : 0.0);
    // Whole cents, kept in doubles: the amount field takes any size of number.
    const double owedCents = std::round(owed * 100);
    const double excessCents =
        std::round(AmountEntry::parse(m_ui->amountLineEdit->text()) * 100) - owedCents;
    if (excessCents <= 0)
        return true;
    MessageRequest question;
    question.icon = MessageIcon::Question;
    question.title = windowTitle();
    question.text = tr("This payment is %1 more than the balance of %2. Record it anyway?")
                        .arg(Formatting::currency(excessCents / 100.0),
                             Formatting::currency(owedCents / 100.0));
    question.buttons = QStringList{tr("Yes"), tr("No")};
    question.defaultButton = 1;
    question.escapeButton = 1;
    question.windowIcon = QStringLiteral(":/images/Resources/money.png");
    return MessageHelper::ask(question, this) == 0;
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
