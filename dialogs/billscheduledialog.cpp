#include "billscheduledialog.h"
#include "ui_billscheduledialog.h"

#include "billschedule.h"
#include "clock.h"
#include "dateentry.h"
#include "formatting.h"
#include "messagehelper.h"

#include <QSignalBlocker>
#include <QStringList>

#include <utility>

namespace {
const int previewDates = 5;

bool isOlderKind(const QString &type)
{
    return type == BillSchedule::weeklyType || type == BillSchedule::biWeeklyType ||
           type == BillSchedule::monthlyType;
}

bool movesOffWeekends(const QString &rule)
{
    return rule == BillSchedule::beforeWeekend || rule == BillSchedule::afterWeekend;
}
} // namespace

BillScheduleDialog::BillScheduleDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::BillScheduleDialogClass>())
{
    m_ui->setupUi(this);
    // Only the kind that is checked can be filled in; a weekday picked in another kind's box
    // would be ignored without a word.
    enableGroups();
    m_ui->startdateDateEdit->setDate(Clock::today());
    m_ui->enddateDateEdit->setDate(Clock::today());
    DateEntry::prepare(m_ui->startdateDateEdit);
    DateEntry::prepare(m_ui->enddateDateEdit);
    fillWeekdays(m_ui->onceaweekComboBox);
    fillWeekdays(m_ui->biweeklyComboBox);
    fillMonthDays(m_ui->onmonthComboBox);
    fillWeekdays(m_ui->everyWeeksComboBox);
    fillMonthDays(m_ui->everyMonthsDayComboBox);
    fillOrdinals(m_ui->nthComboBox);
    fillWeekdays(m_ui->nthWeekdayComboBox);
    fillWeekendRules();
    fillAmountRules();
    connect(m_ui->amountAverageRadioButton, &QRadioButton::toggled, m_ui->amountAverageComboBox,
            &QComboBox::setEnabled);
    connect(m_ui->quarterlyButton, &QPushButton::clicked, this,
            [this] { m_ui->everyMonthsSpinBox->setValue(3); });
    connect(m_ui->yearlyButton, &QPushButton::clicked, this,
            [this] { m_ui->everyMonthsSpinBox->setValue(12); });
    connectPreview();
    updatePreview();
}

BillScheduleDialog::~BillScheduleDialog() = default;

// Every control that shapes the series redraws the preview, so that it always shows what OK
// would store.
void BillScheduleDialog::connectPreview()
{
    for (QRadioButton *button :
         {m_ui->NWeeklyRadioButton, m_ui->NMonthlyRadioButton, m_ui->NthWeekdayRadioButton})
        connect(button, &QRadioButton::toggled, this, &BillScheduleDialog::enableGroups);
    for (QRadioButton *button : findChildren<QRadioButton *>())
        connect(button, &QRadioButton::toggled, this, &BillScheduleDialog::updatePreview);
    for (QComboBox *box : findChildren<QComboBox *>())
        connect(box, &QComboBox::currentIndexChanged, this, &BillScheduleDialog::updatePreview);
    for (QSpinBox *box : findChildren<QSpinBox *>())
        connect(box, &QSpinBox::valueChanged, this, &BillScheduleDialog::updatePreview);
    for (QDateEdit *edit : findChildren<QDateEdit *>())
        connect(edit, &QDateEdit::dateChanged, this, &BillScheduleDialog::updatePreview);
}

// The item at index i has the value i + 1: Monday is 1 and Sunday 7, as the schedule counts
// weekdays.
void BillScheduleDialog::fillWeekdays(QComboBox *box)
{
    const QStringList days{tr("Monday"), tr("Tuesday"),  tr("Wednesday"), tr("Thursday"),
                           tr("Friday"), tr("Saturday"), tr("Sunday")};
    for (int i = 0; i < days.size(); ++i)
        box->addItem(days.at(i), i + 1);
}

void BillScheduleDialog::fillMonthDays(QComboBox *box)
{
    for (int day = 1; day <= 31; ++day)
        box->addItem(QString::number(day), day);
}

// The schedule stores the week of the month as 1 to 4, and 5 for the last one.
void BillScheduleDialog::fillOrdinals(QComboBox *box)
{
    const QStringList ordinals{tr("first"), tr("second"), tr("third"), tr("fourth"), tr("last")};
    for (int i = 0; i < ordinals.size(); ++i)
        box->addItem(ordinals.at(i), i + 1);
}

void BillScheduleDialog::fillWeekendRules()
{
    QComboBox *box = m_ui->weekendComboBox;
    box->addItem(tr("Keep the date"), BillSchedule::noShift);
    box->addItem(tr("Move to the Friday before"), BillSchedule::beforeWeekend);
    box->addItem(tr("Move to the Monday after"), BillSchedule::afterWeekend);
}

void BillScheduleDialog::fillAmountRules()
{
    QComboBox *box = m_ui->amountAverageComboBox;
    box->addItem(QStringLiteral("3"), BillSchedule::averageOf3);
    box->addItem(QStringLiteral("6"), BillSchedule::averageOf6);
    box->addItem(QStringLiteral("12"), BillSchedule::averageOf12);
}

// A stored value the box does not offer leaves the box's choice as it is.
void BillScheduleDialog::selectData(QComboBox *box, int value)
{
    const int index = box->findData(value);
    if (index >= 0)
        box->setCurrentIndex(index);
}

void BillScheduleDialog::setSchedule(BillSchedule *schedule)
{
    m_schedule = schedule;
    if (!schedule)
        return;
    m_ui->startdateDateEdit->setDate(schedule->rangeStartDate());
    m_ui->enddateDateEdit->setDate(schedule->rangeEndDate());
    m_ui->endByRadioButton->setChecked(true);
    showKind(*schedule);
    const int rule = m_ui->weekendComboBox->findData(schedule->frequencyValue());
    m_ui->weekendComboBox->setCurrentIndex(qMax(0, rule));
    showAmountRule(schedule->amountRule());
    updatePreview();
}

void BillScheduleDialog::setAmountRuleOnly(bool amountRuleOnly)
{
    m_amountRuleOnly = amountRuleOnly;
    for (QWidget *widget : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (widget != m_ui->amountGroupBox && widget != m_ui->okButton &&
            widget != m_ui->cancelButton)
            widget->setEnabled(!amountRuleOnly);
    if (amountRuleOnly) {
        for (QRadioButton *button : m_ui->amountGroupBox->findChildren<QRadioButton *>())
            if (button->isChecked())
                button->setFocus();
    } else {
        enableGroups();
        showEnd();
    }
}

// A rule this program does not know is read as a fixed amount, as the rest of it reads it.
void BillScheduleDialog::showAmountRule(const QString &rule)
{
    const int average = m_ui->amountAverageComboBox->findData(rule);
    if (average >= 0) {
        m_ui->amountAverageComboBox->setCurrentIndex(average);
        m_ui->amountAverageRadioButton->setChecked(true);
    } else if (rule == BillSchedule::sameMonthLastYear) {
        m_ui->amountLastYearRadioButton->setChecked(true);
    } else {
        m_ui->amountFixedRadioButton->setChecked(true);
    }
}

QString BillScheduleDialog::chosenAmountRule() const
{
    if (m_ui->amountAverageRadioButton->isChecked())
        return m_ui->amountAverageComboBox->currentData().toString();
    if (m_ui->amountLastYearRadioButton->isChecked())
        return BillSchedule::sameMonthLastYear;
    return BillSchedule::fixedAmount;
}

// A rule text written by another version that means a fixed amount here stays as it is while
// the amount stays fixed.
void BillScheduleDialog::applyAmountRule(BillSchedule &schedule) const
{
    const QString rule = chosenAmountRule();
    if (BillSchedule::amountVaries(rule) || BillSchedule::amountVaries(schedule.amountRule()))
        schedule.setAmountRule(rule);
}

void BillScheduleDialog::showKind(const BillSchedule &schedule)
{
    const QString type = schedule.scheduleType();
    if (type == BillSchedule::weeklyType) {
        m_ui->WeeklyRadioButton->setChecked(true);
        selectData(m_ui->onceaweekComboBox, schedule.dayOfWeek());
    } else if (type == BillSchedule::biWeeklyType) {
        m_ui->BiWeeklyRadioButton->setChecked(true);
        selectData(m_ui->biweeklyComboBox, schedule.dayOfWeek());
    } else if (type == BillSchedule::monthlyType) {
        m_ui->MonthlyRadioButton->setChecked(true);
        selectData(m_ui->onmonthComboBox, schedule.dayOfMonth());
    } else if (type == BillSchedule::nWeeklyType) {
        m_ui->NWeeklyRadioButton->setChecked(true);
        m_ui->everyWeeksSpinBox->setValue(schedule.frequency());
        selectData(m_ui->everyWeeksComboBox, schedule.dayOfWeek());
    } else if (type == BillSchedule::nMonthlyType) {
        m_ui->NMonthlyRadioButton->setChecked(true);
        m_ui->everyMonthsSpinBox->setValue(schedule.frequency());
        selectData(m_ui->everyMonthsDayComboBox, schedule.dayOfMonth());
    } else if (type == BillSchedule::nthWeekdayType) {
        m_ui->NthWeekdayRadioButton->setChecked(true);
        selectData(m_ui->nthComboBox, schedule.frequency());
        selectData(m_ui->nthWeekdayComboBox, schedule.dayOfWeek());
    }
    // "NOTSET" and the types that do not recur keep the form's defaults.
}

void BillScheduleDialog::enableGroups()
{
    m_ui->WeeklyGroupBox->setEnabled(m_ui->WeeklyRadioButton->isChecked());
    m_ui->BiWeeklyGroupBox->setEnabled(m_ui->BiWeeklyRadioButton->isChecked());
    m_ui->MonthlyGroupBox->setEnabled(m_ui->MonthlyRadioButton->isChecked());
    m_ui->NWeeklyGroupBox->setEnabled(m_ui->NWeeklyRadioButton->isChecked());
    m_ui->NMonthlyGroupBox->setEnabled(m_ui->NMonthlyRadioButton->isChecked());
    m_ui->NthWeekdayGroupBox->setEnabled(m_ui->NthWeekdayRadioButton->isChecked());
}

void BillScheduleDialog::on_BiWeeklyRadioButton_toggled(bool)
{
    enableGroups();
}

void BillScheduleDialog::on_MonthlyRadioButton_toggled(bool)
{
    enableGroups();
}

void BillScheduleDialog::on_WeeklyRadioButton_toggled(bool)
{
    enableGroups();
}

void BillScheduleDialog::updatePreview()
{
    BillSchedule preview;
    apply(preview);
    showEnd();
    if (m_ui->endAfterRadioButton->isChecked()) {
        // The end date field shows where the counted series ends.
        const QSignalBlocker blocker(m_ui->enddateDateEdit);
        m_ui->enddateDateEdit->setDate(preview.rangeEndDate());
    }
    QStringList dates;
    for (const QDate &date : preview.dueDates(previewDates))
        dates.append(Formatting::shortDate(date));
    m_ui->previewLabel->setText(dates.isEmpty() ? tr("No due date in this range")
                                                : dates.join(QStringLiteral(", ")));
}

void BillScheduleDialog::showEnd()
{
    m_ui->enddateDateEdit->setEnabled(!m_ui->endAfterRadioButton->isChecked());
    m_ui->occurrencesSpinBox->setEnabled(m_ui->endAfterRadioButton->isChecked());
}

QString BillScheduleDialog::chosenType() const
{
    const std::pair<const QRadioButton *, const QString &> kinds[] = {
        {m_ui->WeeklyRadioButton, BillSchedule::weeklyType},
        {m_ui->BiWeeklyRadioButton, BillSchedule::biWeeklyType},
        {m_ui->MonthlyRadioButton, BillSchedule::monthlyType},
        {m_ui->NWeeklyRadioButton, BillSchedule::nWeeklyType},
        {m_ui->NMonthlyRadioButton, BillSchedule::nMonthlyType},
        {m_ui->NthWeekdayRadioButton, BillSchedule::nthWeekdayType}};
    for (const auto &kind : kinds)
        if (kind.first->isChecked())
            return kind.second;
    return QString();
}

void BillScheduleDialog::apply(BillSchedule &schedule) const
{
    schedule.setRangeStartDate(m_ui->startdateDateEdit->date());
    applyKind(schedule);
    schedule.setRangeType(QStringLiteral("ENDON"));
    schedule.setRangeEndDate(chosenEndDate(schedule));
}

void BillScheduleDialog::applyKind(BillSchedule &schedule) const
{
    const QString type = chosenType();
    if (type.isEmpty())
        return;
    schedule.setScheduleType(type);
    // The fields the chosen kind does not use keep their values.
    if (type == BillSchedule::weeklyType) {
        schedule.setDayOfWeek(m_ui->onceaweekComboBox->currentData().toInt());
    } else if (type == BillSchedule::biWeeklyType) {
        schedule.setDayOfWeek(m_ui->biweeklyComboBox->currentData().toInt());
    } else if (type == BillSchedule::monthlyType) {
        schedule.setDayOfMonth(m_ui->onmonthComboBox->currentData().toInt());
    } else if (type == BillSchedule::nWeeklyType) {
        schedule.setFrequency(m_ui->everyWeeksSpinBox->value());
        schedule.setDayOfWeek(m_ui->everyWeeksComboBox->currentData().toInt());
    } else if (type == BillSchedule::nMonthlyType) {
        schedule.setFrequency(m_ui->everyMonthsSpinBox->value());
        schedule.setDayOfMonth(m_ui->everyMonthsDayComboBox->currentData().toInt());
    } else {
        schedule.setFrequency(m_ui->nthComboBox->currentData().toInt());
        schedule.setDayOfWeek(m_ui->nthWeekdayComboBox->currentData().toInt());
    }
    // Weekly, bi-weekly and monthly series written before the weekend rule existed hold other
    // words there; they keep them unless a move is chosen or taken away.
    const QString rule = m_ui->weekendComboBox->currentData().toString();
    if (!isOlderKind(type) || movesOffWeekends(rule) || movesOffWeekends(schedule.frequencyValue()))
        schedule.setFrequencyValue(rule);
}

QDate BillScheduleDialog::chosenEndDate(const BillSchedule &schedule) const
{
    if (m_ui->endAfterRadioButton->isChecked()) {
        const QDate end = schedule.endDateAfter(m_ui->occurrencesSpinBox->value());
        if (end.isValid())
            return end;
    }
    return m_ui->enddateDateEdit->date();
}

void BillScheduleDialog::accept()
{
    if (!m_amountRuleOnly && !rangeIsValid())
        return;
    if (m_schedule) {
        if (!m_amountRuleOnly)
            apply(*m_schedule);
        applyAmountRule(*m_schedule);
    }
    QDialog::accept();
}

// Tells the user when the chosen range ends before it starts; false then.
bool BillScheduleDialog::rangeIsValid()
{
    BillSchedule chosen;
    apply(chosen);
    const QString warning =
        BillSchedule::endBeforeStartWarning(chosen.rangeStartDate(), chosen.rangeEndDate());
    if (warning.isEmpty())
        return true;
    MessageRequest request;
    request.icon = MessageIcon::Warning;
    request.title = windowTitle();
    request.text = warning;
    request.windowIcon = QStringLiteral(":/images/Resources/date.png");
    request.textFormat = Qt::PlainText;
    MessageHelper::ask(request, this);
    return false;
}
