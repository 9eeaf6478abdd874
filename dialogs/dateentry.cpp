#include "dateentry.h"

#include <QDateTimeEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

class DateTyping : public QObject
{
public:
    explicit DateTyping(QDateTimeEdit *field) : QObject(field), m_field(field) {}

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool typeCharacter(QChar typed);
    bool wholeTextSelected() const;
    QDate typedDate() const;
    void forget();

    QDateTimeEdit *m_field;
    // What was typed since the first section, while it may still become a whole date.
    QString m_typed;
    // The section the last digit went into; the field moves on by itself once a section is
    // full, and a separator typed after that must not move it again.
    QDateTimeEdit::Section m_lastDigitSection = QDateTimeEdit::NoSection;
};

bool DateTyping::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (text.size() == 1 && (text.front().isDigit() || text.front() == QLatin1Char('/')))
            return typeCharacter(text.front());
        forget();
        return false;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::MouseButtonPress:
        forget();
        return false;
    default:
        return false;
    }
}

// True when the keystroke was dealt with here and the field must not see it.
bool DateTyping::typeCharacter(QChar typed)
{
    if (wholeTextSelected()) {
        // Typing over the whole field starts a new date from its first section.
        m_typed.clear();
        m_field->setCurrentSectionIndex(0);
        m_field->setSelectedSection(m_field->sectionAt(0));
    }
    if (!m_typed.isEmpty() || m_field->currentSectionIndex() == 0)
        m_typed += typed;

    const QDate whole = typedDate();
    if (whole.isValid()) {
        m_field->setDate(whole);
        m_field->setCurrentSectionIndex(m_field->sectionCount() - 1);
        forget();
        return true;
    }

    const QDateTimeEdit::Section lastDigit = m_lastDigitSection;
    m_lastDigitSection = QDateTimeEdit::NoSection;
    if (typed.isDigit()) {
        m_lastDigitSection = m_field->currentSection();
        return false;
    }
    return lastDigit != QDateTimeEdit::NoSection && m_field->currentSection() != lastDigit;
}

bool DateTyping::wholeTextSelected() const
{
    const QLineEdit *line = m_field->findChild<QLineEdit *>();
    return line && line->hasSelectedText() && line->selectedText() == line->text();
}

// The date typed so far once it is complete: month, day and a four-digit year, with or
// without separators; invalid otherwise.
QDate DateTyping::typedDate() const
{
    if (m_typed.count(QLatin1Char('/')) == 2) {
        const QStringList parts = m_typed.split(QLatin1Char('/'));
        if (parts[2].size() != 4)
            return QDate();
        return QDate(parts[2].toInt(), parts[0].toInt(), parts[1].toInt());
    }
    if (m_typed.size() == 8 && !m_typed.contains(QLatin1Char('/')))
        return QDate::fromString(m_typed, QStringLiteral("MMddyyyy"));
    return QDate();
}

void DateTyping::forget()
{
    m_typed.clear();
    m_lastDigitSection = QDateTimeEdit::NoSection;
}

} // namespace

namespace DateEntry {

void prepare(QDateTimeEdit *field)
{
    field->installEventFilter(new DateTyping(field));
}

} // namespace DateEntry
