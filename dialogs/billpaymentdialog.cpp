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
    AmountEntry::prepare(m_ui->billAmountLineEdit);
    DateEntry::prepare(m_ui->paymentDateTimeEdit);
    m_ui->paymentDateTimeEdit->setDate(Clock::today());
    m_ui->billAmountLabel->hide();
    m_ui->billAmountLineEdit->hide();
    m_ui->amountLineEdit->setFocus();
    connect(m_ui->billAmountLineEdit, &QLineEdit::textEdited, this,
            &BillPaymentDialog::followBillAmount);
    // Only the person's own edits end the following; the dialog's fills are no edits.
    connect(m_ui->amountLineEdit, &QLineEdit::textEdited, this,
            [this] { m_amountFollows = false; });
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
    m_amountFollows = m_bill.isEstimate();
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
    m_ui->referenceLineEdit->setText(Formatting::oneLine(m_payment.reference()));
}

void BillPaymentDialog::showBill()
{
    m_ui->payeeValueLabel->setText(oneLine(m_bill.payeeName()));
    m_ui->descriptionValueLabel->setText(oneLine(m_bill.description()));
    m_ui->dueDateValueLabel->setText(Formatting::shortDate(m_bill.dueDate()));
    m_ui->balanceValueLabel->setText(Formatting::currency(m_bill.balance(), m_bill.isEstimate()));
    showBillAmount();
}

// The amount of an estimate is a guess until the bill itself is at hand; the person starts
// there, and typing replaces the guess.
void BillPaymentDialog::showBillAmount()
{
    const bool estimate = m_bill.isEstimate();
    m_ui->billAmountLabel->setVisible(estimate);
    m_ui->billAmountLineEdit->setVisible(estimate);
    if (!estimate)
        return;
    AmountEntry::fill(m_ui->billAmountLineEdit, m_bill.expectedAmount());
    m_ui->billAmountLineEdit->setFocus();
}

void BillPaymentDialog::followBillAmount()
{
    const double owed = Formatting::roundedToCents(billAmount() - m_bill.paidSoFar());
    m_ui->balanceValueLabel->setText(Formatting::currency(owed));
    if (!m_amountFollows)
        return;
    if (owed > 0)
        AmountEntry::fill(m_ui->amountLineEdit, owed);
    else
        m_ui->amountLineEdit->clear();
}

double BillPaymentDialog::billAmount() const
{
    if (m_bill.isEstimate())
        return AmountEntry::parse(m_ui->billAmountLineEdit->text());
    return m_bill.expectedAmount();
}

void BillPaymentDialog::readBill(int billId)
{
    const std::optional<Bill> stored = Bill::findById(billId);
    if (!stored) {
        noteUnread(tr("The bill could not be read."));
        return;
    }
    m_bill = *stored;
    // The forecast is only what the amount on the bill starts as; without it the stored
    // amount is offered, and the person types the real one either way.
    if (m_bill.isEstimate() && m_dataFile)
        if (const DataFile::BillPtr forecast = m_dataFile->findBill(billId))
            m_bill = *forecast;
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
    if (!hasBillAmount() || !hasAmount() || !confirmOverpayment())
        return;
    if (!savePayment()) {
        MessageHelper::showFileError(tr("The payment could not be saved."), this);
        return;
    }
    accept();
}

// A bill of nothing would be paid by any payment, and its series forecast from the nothing.
bool BillPaymentDialog::hasBillAmount()
{
    if (!m_bill.isEstimate() || billAmount() > 0)
        return true;
    askForAmount(tr("Please enter the amount on the bill."), m_ui->billAmountLineEdit);
    return false;
}

// A payment of nothing would still be stored as a payment, and take the bill out of its series.
bool BillPaymentDialog::hasAmount()
{
    if (AmountEntry::parse(m_ui->amountLineEdit->text()) > 0)
        return true;
    askForAmount(tr("Please enter the amount of the payment."), m_ui->amountLineEdit);
    return false;
}

void BillPaymentDialog::askForAmount(const QString &text, QLineEdit *field)
{
    MessageRequest request;
    request.icon = MessageIcon::Warning;
    request.title = windowTitle();
    request.text = text;
    request.windowIcon = QStringLiteral(":/images/Resources/money.png");
    MessageHelper::ask(request, this);
    field->setFocus();
}

// A payment beyond what is still owed is most often a typing slip; the user says it is meant.
bool BillPaymentDialog::confirmOverpayment()
{
    // The balance this payment pays into: an edited payment is already counted in it.
    const double owed =
        billAmount() - m_bill.paidSoFar() + (m_payment.isStored() ? m_payment.amount() : 0.0);
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
    payment.setReference(enteredReference());
    const bool saved = m_bill.isEstimate()
                           ? m_dataFile->savePaymentConfirming(payment, m_bill, billAmount())
                           : m_dataFile->savePayment(payment, m_bill);
    if (!saved)
        return false;
    m_payment = payment;
    return true;
}

// The field shows a stored reference on one line; unless the person changes it, it is kept
// exactly as stored.
QString BillPaymentDialog::enteredReference() const
{
    if (!m_ui->referenceLineEdit->isModified())
        return m_payment.reference();
    return Formatting::oneLine(m_ui->referenceLineEdit->text()).trimmed();
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
