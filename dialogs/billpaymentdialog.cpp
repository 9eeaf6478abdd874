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

namespace {
// Stored names and descriptions can be of any length and hold line breaks; the window shows
// one line of each, cut short.
QString oneLine(const QString &text)
{
    return Formatting::shortLine(text.simplified(), 60);
}
} // namespace

BillPaymentDialog::BillPaymentDialog(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::BillPaymentDialogClass>()),
      m_dataFile(dataFile)
{
    m_ui->setupUi(this);
    AmountEntry::prepare(m_ui->amountLineEdit);
    DateEntry::prepare(m_ui->paymentDateTimeEdit);
    m_ui->paymentDateTimeEdit->setDate(Clock::today());
    m_ui->amountLineEdit->setFocus();
}

BillPaymentDialog::~BillPaymentDialog() = default;

void BillPaymentDialog::setBill(int billId)
{
    readBill(billId);
    m_payment.setBillId(billId);
    showBill();
    // Nothing is offered when nothing is owed.
    if (m_bill.balance() > 0)
        AmountEntry::fill(m_ui->amountLineEdit, m_bill.balance());
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
    showBill();
    AmountEntry::fill(m_ui->amountLineEdit, m_payment.amount());
}

void BillPaymentDialog::showBill()
{
    m_ui->payeeValueLabel->setText(oneLine(m_bill.payeeName()));
    m_ui->descriptionValueLabel->setText(oneLine(m_bill.description()));
    m_ui->dueDateValueLabel->setText(Formatting::shortDate(m_bill.dueDate()));
    m_ui->balanceValueLabel->setText(Formatting::currency(m_bill.balance()));
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
    if (!hasAmount() || !confirmOverpayment())
        return;
    if (!savePayment()) {
        MessageHelper::showFileError(tr("The payment could not be saved."), this);
        return;
    }
    accept();
}

// A payment of nothing would still be stored as a payment, and take the bill out of its series.
bool BillPaymentDialog::hasAmount()
{
    if (AmountEntry::parse(m_ui->amountLineEdit->text()) > 0)
        return true;
    MessageRequest request;
    request.icon = MessageIcon::Warning;
    request.title = windowTitle();
    request.text = tr("Please enter the amount of the payment.");
    request.windowIcon = QStringLiteral(":/images/Resources/money.png");
    MessageHelper::ask(request, this);
    m_ui->amountLineEdit->setFocus();
    return false;
}

// A payment beyond what is still owed is most often a typing slip; the user says it is meant.
bool BillPaymentDialog::confirmOverpayment()
{
    // The balance this payment pays into: an edited payment is already counted in it.
    const double owed = m_bill.balance() + (m_payment.isStored() ? m_payment.amount() : 0.0);
    // Whole cents, kept in doubles: a stored balance can be of any size.
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
