#include "billdialog.h"
#include "ui_billdialog.h"

#include "amountentry.h"
#include "billpaymentlistdialog.h"
#include "billscheduledialog.h"
#include "calendardialog.h"
#include "clock.h"
#include "datafile.h"
#include "dateentry.h"
#include "formatting.h"
#include "messagehelper.h"
#include "payee.h"
#include "payeelistdialog.h"
#include "payeeorder.h"

#include <cmath>

namespace {
const QString newMode = QStringLiteral("NEW");
const QString singleMode = QStringLiteral("SINGLE");
const QString recurringMode = QStringLiteral("RECURRING");
const QString recurringUniqueMode = QStringLiteral("RECURRINGUNIQUE");
} // namespace

BillDialog::BillDialog(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::BillDialogClass>()), m_dataFile(dataFile),
      m_editMode(newMode)
{
    m_ui->setupUi(this);
    AmountEntry::prepare(m_ui->AmountLineEdit);
    DateEntry::prepare(m_ui->DueDateDateEdit);
    DateEntry::prepare(m_ui->seriesEndDateEdit);
    DateEntry::prepare(m_ui->applyFromDateEdit);
    m_ui->DueDateDateEdit->setDate(Clock::today());
    m_ui->paymentsPushButton->setEnabled(false);
    // The range of a series is changed only where a whole series is edited.
    m_ui->seriesRangeWidget->hide();
    m_ui->estimateLabel->hide();
    m_ui->amountHistoryChart->hide();
    connect(m_ui->AmountLineEdit, &QLineEdit::textEdited, this, [this] { m_amountTyped = true; });
    connect(m_ui->AmountLineEdit, &QLineEdit::textChanged, this, &BillDialog::updateEstimateLabel);
    fillPayees();
    m_ui->PayeeComboBox->setFocus();
}

BillDialog::~BillDialog() = default;

void BillDialog::fillPayees()
{
    QComboBox *box = m_ui->PayeeComboBox;
    const bool wasEmpty = box->count() == 0;
    const QVariant chosen = box->currentData();
    box->clear();
    if (m_dataFile) {
        for (const DataFile::PayeePtr &payee : payeesByName(m_dataFile->payeesById()))
            box->addItem(payee->payeeName(), payee->id());
    }
    // A payee that has gone leaves no choice rather than another payee the user did not pick.
    int current = chosen.isValid() ? box->findData(chosen) : -1;
    if (current < 0 && wasEmpty && box->count() > 0)
        current = 0;
    box->setCurrentIndex(current);
}

void BillDialog::loadBill(int id)
{
    const std::optional<Bill> stored = Bill::findById(id);
    m_billRead = stored.has_value();
    m_billReadError = m_billRead ? QString() : DataFile::lastErrorText();
    m_bill = stored.value_or(Bill());
    // A bill without a schedule must not adopt the bills that carry no schedule id either.
    m_schedule = m_bill.billScheduleId() != 0
                     ? BillSchedule::findById(m_bill.billScheduleId()).value_or(BillSchedule())
                     : BillSchedule();
    m_loadedRule = m_schedule.amountRule();
    if (id != 0)
        m_ui->paymentsPushButton->setEnabled(true);
    showEditWidgets();

    m_ui->PayeeComboBox->setCurrentIndex(m_ui->PayeeComboBox->findData(m_bill.payee().id()));
    showAmount();
    m_ui->DueDateDateEdit->setDate(m_bill.dueDate());
    m_ui->DescriptionTextEdit->setPlainText(m_bill.description());
    m_ui->NoteTextEdit->setPlainText(m_bill.note());
    showHistory();
    m_loadedForm = formValues();
    updateEstimateLabel();
}

// An estimate shows what it is expected to come to; the stored amount behind it is only what
// the series falls back on. A whole-series edit shows that fallback, which is what it writes.
void BillDialog::showAmount()
{
    if (m_bill.isEstimate() && m_dataFile)
        if (const DataFile::BillPtr found = m_dataFile->findBill(m_bill.id()))
            m_bill.setForecast(found->forecast());
    m_showsEstimate = m_bill.isEstimate() && m_editMode != recurringMode;
    if (m_showsEstimate) {
        AmountEntry::fill(m_ui->AmountLineEdit, m_bill.expectedAmount());
    } else {
        AmountEntry::fill(m_ui->AmountLineEdit,
                          m_editMode == recurringMode ? seriesAmount() : m_bill.amount());
    }
    m_amountTyped = false;
}

// In a series whose amount varies, a whole-series edit writes its amount only into the bills
// not confirmed yet. The field shows what those hold, so that an edit of the note alone does
// not turn this bill's real amount into theirs.
double BillDialog::seriesAmount() const
{
    if (!BillSchedule::amountVaries(m_schedule.amountRule()) || m_bill.isEstimate())
        return m_bill.amount();
    for (const Bill &instance : m_schedule.bills())
        if (instance.isEstimate() && !instance.isUnique() && instance.dueDate() >= m_bill.dueDate())
            return instance.amount();
    return m_bill.amount();
}

// Once the real amount is typed the field no longer shows an estimate.
void BillDialog::updateEstimateLabel()
{
    m_ui->estimateLabel->setVisible(m_showsEstimate && !amountChanged());
}

// The picture of the series' confirmed amounts, for a stored bill of a series whose amount
// varies. It shows the file as it was when the dialog opened.
void BillDialog::showHistory()
{
    const QString rule = m_schedule.amountRule();
    const bool varies =
        m_dataFile && m_editMode != newMode && m_bill.id() != 0 && BillSchedule::amountVaries(rule);
    const std::optional<QList<AmountForecast::Confirmed>> history =
        varies ? m_dataFile->confirmedAmounts(m_schedule.id()) : std::nullopt;
    if (!history)
        return;
    m_ui->amountHistoryChart->setHistory(
        *history, m_bill.isEstimate()
                      ? AmountForecast::toCents(m_bill.expectedAmount())
                      : AmountForecast::forecastCents(rule, *history, m_bill.dueDate()));
    if (!m_ui->amountHistoryChart->isHidden())
        return;
    m_ui->amountHistoryChart->show();
    // The dialog has a fixed size; the picture needs room of its own.
    setFixedHeight(minimumHeight() + m_ui->amountHistoryChart->height() +
                   m_ui->rightLayout->spacing());
}

// An estimate whose real amount is typed confirms it, even when the bill came to just what was
// forecast.
bool BillDialog::amountChanged() const
{
    return formValues().value(1) != m_loadedForm.value(1) || (m_showsEstimate && m_amountTyped);
}

bool BillDialog::onlyAmountChanged() const
{
    QVariantList form = formValues();
    if (form.size() != m_loadedForm.size() || !amountChanged())
        return false;
    form[1] = m_loadedForm.at(1);
    return form == m_loadedForm;
}

bool BillDialog::amountVaries() const
{
    return BillSchedule::amountVaries(m_schedule.amountRule()) || m_bill.isEstimate();
}

// What Save would store, as the form holds it; the amount in whole cents, as it is shown.
QVariantList BillDialog::formValues() const
{
    return {m_ui->PayeeComboBox->currentData(),
            std::round(AmountEntry::parse(m_ui->AmountLineEdit->text()) * 100),
            m_ui->DescriptionTextEdit->toPlainText(),
            m_ui->NoteTextEdit->toPlainText(),
            m_ui->DueDateDateEdit->date(),
            m_ui->seriesEndDateEdit->date()};
}

void BillDialog::showEditWidgets()
{
    if (m_editMode == singleMode) {
        m_ui->singleRadioButton->setChecked(true);
        m_ui->DueDateDateEdit->setEnabled(true);
        m_ui->calendarPushButton->setEnabled(true);
        m_ui->recurringRadioButton->setEnabled(false);
        m_ui->schedulePushButton->setEnabled(false);
    } else if (m_editMode == recurringMode) {
        // Only payee, amount, description and note reach a whole series.
        m_ui->paymentsPushButton->setEnabled(false);
        m_ui->recurringRadioButton->setChecked(true);
        m_ui->singleRadioButton->setEnabled(false);
        m_ui->DueDateDateEdit->setEnabled(false);
        m_ui->calendarPushButton->setEnabled(false);
        // There the schedule window changes only how the amount is found.
        m_ui->schedulePushButton->setEnabled(true);
        m_ui->seriesEndDateEdit->setDate(m_schedule.rangeEndDate());
        m_ui->applyFromDateEdit->setDate(m_bill.dueDate());
        if (m_ui->seriesRangeWidget->isHidden()) {
            m_ui->seriesRangeWidget->show();
            // The dialog has a fixed size; the two rows need room of their own.
            setFixedHeight(minimumHeight() + m_ui->seriesRangeWidget->sizeHint().height() +
                           m_ui->billTypeLayout->spacing());
        }
    } else if (m_editMode == recurringUniqueMode) {
        // Whether the bill leaves its series is decided when it is saved.
        m_ui->recurringRadioButton->setChecked(true);
        m_ui->DueDateDateEdit->setEnabled(true);
        m_ui->calendarPushButton->setEnabled(true);
        m_ui->singleRadioButton->setEnabled(false);
        m_ui->schedulePushButton->setEnabled(false);
    }
}

void BillDialog::on_recurringRadioButton_toggled(bool)
{
    m_ui->DueDateDateEdit->setEnabled(false);
    m_ui->calendarPushButton->setEnabled(false);
    m_ui->schedulePushButton->setEnabled(true);
}

void BillDialog::on_singleRadioButton_toggled(bool)
{
    m_ui->DueDateDateEdit->setEnabled(true);
    m_ui->calendarPushButton->setEnabled(true);
    m_ui->schedulePushButton->setEnabled(false);
}

void BillDialog::on_schedulePushButton_clicked()
{
    BillScheduleDialog dialog(this);
    dialog.setSchedule(&m_schedule);
    dialog.setAmountRuleOnly(m_editMode == recurringMode);
    dialog.exec();
}

void BillDialog::on_paymentsPushButton_clicked()
{
    BillPaymentListDialog dialog(m_dataFile);
    dialog.setBill(m_bill.id());
    dialog.exec();
    reloadStoredState();
}

void BillDialog::on_calendarPushButton_clicked()
{
    CalendarDialog calendar;
    calendar.setDateTime(QDateTime(m_bill.dueDate(), QTime(0, 0)));
    calendar.exec();
    const QDate picked = calendar.dateTime().date();
    if (!picked.isValid())
        return;
    m_bill.setDueDate(picked);
    m_ui->DueDateDateEdit->setDate(picked);
}

void BillDialog::on_PayeeListPushButton_clicked()
{
    PayeeListDialog dialog(m_dataFile, this);
    dialog.exec();
    fillPayees();
    reloadStoredState();
}

// The dialogs opened from here store their changes at once: payments change the bill's paid
// state and unique flag, and deleting a payee deletes its bills. Saving the copies read when
// this dialog opened would write all of that back.
void BillDialog::reloadStoredState()
{
    if (m_bill.isStored() && m_bill.id() != 0) {
        if (const std::optional<Bill> stored = Bill::findById(m_bill.id())) {
            m_bill.setPaid(stored->isPaid());
            m_bill.setPaidDate(stored->paidDate());
            m_bill.setUnique(m_bill.isUnique() || stored->isUnique());
            m_bill.setDeleted(stored->isDeleted());
            m_bill.loadPayments();
            reloadAmount(*stored);
        }
    }
    if (m_schedule.isStored() && m_schedule.id() != 0)
        m_schedule.loadBills();
}

// A payment may have confirmed the real amount meanwhile. An amount field the user left alone
// then shows it, and Save keeps it.
void BillDialog::reloadAmount(const Bill &stored)
{
    const bool untouched = !amountChanged();
    m_bill.setAmount(stored.amount());
    m_bill.setEstimate(stored.isEstimate());
    if (!untouched || m_loadedForm.isEmpty() || m_editMode == recurringMode)
        return;
    showAmount();
    m_loadedForm[1] = formValues().at(1);
    updateEstimateLabel();
}

void BillDialog::on_OkButton_clicked()
{
    if (!m_billRead) {
        MessageHelper::showFileError(tr("The bill could not be read."), m_billReadError, this);
        return;
    }
    const QString missing = missingChoice();
    if (!missing.isEmpty()) {
        MessageRequest request;
        request.icon = MessageIcon::Warning;
        request.title = tr("Bill Save");
        request.text = missing;
        request.windowIcon = QStringLiteral(":/images/Resources/bill_current.png");
        request.textFormat = Qt::PlainText;
        MessageHelper::ask(request, this);
        return;
    }
    // A stored bill saved as it was loaded keeps its row as it is: a write would still take it
    // out of its series.
    if (m_editMode != newMode && formValues() == m_loadedForm && !amountChanged() &&
        m_schedule.amountRule() == m_loadedRule) {
        accept();
        return;
    }
    if (!confirmSeriesCut())
        return;
    if (!store()) {
        MessageHelper::showFileError(tr("The bill could not be saved."), this);
        return;
    }
    accept();
}

// What the user still has to choose before anything can be stored; empty when nothing.
QString BillDialog::missingChoice() const
{
    if (m_ui->PayeeComboBox->currentIndex() < 0)
        return tr("Please choose a payee for the bill.\nA payee that is not in the list yet "
                  "can be added with the Payee List button.");
    // A bill of nothing would be paid the moment it is stored and never be listed.
    if (AmountEntry::parse(m_ui->AmountLineEdit->text()) <= 0)
        return tr("Please enter the amount of the bill.");
    if (m_editMode == recurringMode)
        if (const QString warning = BillSchedule::endBeforeStartWarning(
                m_schedule.rangeStartDate(), m_ui->seriesEndDateEdit->date());
            !warning.isEmpty())
            return warning;
    if (m_editMode != newMode)
        return QString();
    if (m_ui->singleRadioButton->isChecked())
        return QString();
    if (!m_ui->recurringRadioButton->isChecked())
        return tr("Please choose whether this is a Single Bill or a Recurring Bill.");
    if (!BillSchedule::recurs(m_schedule.scheduleType()))
        return tr("Please set up when the recurring bill falls due with the Schedule button.");
    if (m_schedule.dueDates(1).isEmpty())
        return tr("The schedule has no due date between its start and end dates.\nPlease "
                  "change the schedule with the Schedule button.");
    return QString();
}

// An earlier end deletes the bills of the series after it that nothing was paid on; the user
// agrees to that first. True when nothing goes or the user agreed.
bool BillDialog::confirmSeriesCut()
{
    if (m_editMode != recurringMode || !m_dataFile)
        return true;
    const DataFile::SeriesBills cut =
        m_dataFile->seriesCutBy(m_schedule, m_ui->seriesEndDateEdit->date());
    if (cut.count == 0)
        return true;
    const QString bills =
        cut.count == 1
            ? tr("1 unpaid bill due on %1 is deleted.").arg(Formatting::shortDate(cut.first))
            : tr("%1 unpaid bills due from %2 to %3 are deleted.")
                  .arg(cut.count)
                  .arg(Formatting::shortDate(cut.first), Formatting::shortDate(cut.last));
    MessageRequest question;
    question.icon = MessageIcon::Warning;
    question.title = tr("Edit Bill");
    question.windowIcon = QStringLiteral(":/images/Resources/bill_edit.png");
    question.text = tr("The series now ends on %1.\n\n%2\nBills that are paid, partly paid or "
                       "edited on their own are kept.")
                        .arg(Formatting::shortDate(m_ui->seriesEndDateEdit->date()), bills);
    question.textFormat = Qt::PlainText;
    question.buttons = QStringList{tr("Delete"), tr("Cancel")};
    question.defaultButton = 1;
    question.escapeButton = 1;
    return MessageHelper::ask(question, this) == 0;
}

void BillDialog::readForm(Bill &bill) const
{
    const int payeeId = m_ui->PayeeComboBox->currentData().toInt();
    Payee payee = Payee::findById(payeeId).value_or(Payee());
    // A payee row that vanished meanwhile reads as the empty payee; the bill keeps the choice.
    payee.setId(payeeId);
    bill.setPayee(payee);
    // A whole-series edit writes what the field shows. Elsewhere an amount left as shown is
    // not typed: an estimate stays one, its stored amount as it was.
    const double amount = AmountEntry::parse(m_ui->AmountLineEdit->text());
    if (m_editMode == recurringMode) {
        bill.setAmount(amount);
    } else if (amountChanged()) {
        bill.setAmount(amount);
        bill.setEstimate(false);
    }
    bill.setDescription(m_ui->DescriptionTextEdit->toPlainText());
    bill.setNote(m_ui->NoteTextEdit->toPlainText());
}

bool BillDialog::store()
{
    if (!m_dataFile)
        return false;
    if (m_editMode == newMode)
        return storeNew();
    if (m_editMode == singleMode)
        return storeSingle();
    if (m_editMode == recurringMode)
        return storeRecurring();
    if (m_editMode == recurringUniqueMode)
        return storeRecurringUnique();
    return true;
}

bool BillDialog::storeNew()
{
    Bill bill = m_bill;
    readForm(bill);
    bool stored = false;
    if (m_ui->singleRadioButton->isChecked()) {
        bill.setDueDate(m_ui->DueDateDateEdit->date());
        stored = m_dataFile->saveSingleBill(bill, m_schedule);
    } else {
        stored = m_dataFile->addSeries(bill, m_schedule);
    }
    if (!stored)
        return false;
    m_bill = bill;
    return true;
}

bool BillDialog::storeSingle()
{
    Bill bill = m_bill;
    readForm(bill);
    bill.setDueDate(m_ui->DueDateDateEdit->date());
    if (!m_dataFile->saveSingleBill(bill, m_schedule))
        return false;
    m_bill = bill;
    return true;
}

bool BillDialog::storeRecurring()
{
    Bill bill = m_bill;
    readForm(bill);
    // A new amount rule alone edits no bill: the edit would write the amount field over real
    // amounts confirmed later in the series.
    const QDate from =
        formValues() == m_loadedForm ? afterSeries() : m_ui->applyFromDateEdit->date();
    if (!m_dataFile->saveSeriesChange(bill, m_schedule, from, m_ui->seriesEndDateEdit->date()))
        return false;
    m_bill = bill;
    return true;
}

// In a series whose amount varies, the real amount of one bill is confirmed in the series;
// any other change takes the bill out of it.
bool BillDialog::storeRecurringUnique()
{
    if (amountVaries() && onlyAmountChanged())
        return storeConfirmed();
    Bill bill = m_bill;
    readForm(bill);
    bill.setDueDate(m_ui->DueDateDateEdit->date());
    bill.setUnique(true);
    if (!m_dataFile->saveBill(bill))
        return false;
    m_bill = bill;
    return true;
}

bool BillDialog::storeConfirmed()
{
    Bill bill = m_bill;
    if (!m_dataFile->confirmAmount(bill, AmountEntry::parse(m_ui->AmountLineEdit->text())))
        return false;
    m_bill = bill;
    return true;
}

// A day after every bill of the series, from which an edit reaches none of them.
QDate BillDialog::afterSeries() const
{
    QDate last = m_schedule.rangeEndDate();
    for (const Bill &instance : m_schedule.bills())
        if (!last.isValid() || instance.dueDate() > last)
            last = instance.dueDate();
    return last.addDays(1);
}
