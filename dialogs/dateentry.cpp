#include "dateentry.h"

#include <QApplication>
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
    bool leaveSection();
    bool wholeTextSelected() const;
    bool hasWholeDateShape() const;
    QDate typedDate() const;
    void forget();

    QDateTimeEdit *m_field;
    // What was typed since the first section, while it may still become a whole date, and the
    // date the field held before.
    QString m_typed;
    QDate m_before;
    // The section the last digit went into; the field moves on by itself once a section is
    // full, and a separator or Tab typed after that must not move it again.
    QDateTimeEdit::Section m_lastDigitSection = QDateTimeEdit::NoSection;
};

bool DateTyping::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (watched != m_field)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (text.size() == 1 && (text.front().isDigit() || text.front() == QLatin1Char('/')))
            return typeCharacter(text.front());
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier)
            return leaveSection();
        forget();
        return false;
    }
    // A click in the text lands on the field's line edit and may pick another section.
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
    if (m_typed.isEmpty() && m_field->currentSectionIndex() == 0)
        m_before = m_field->date();
    if (!m_typed.isEmpty() || m_field->currentSectionIndex() == 0)
        m_typed += typed;

    if (hasWholeDateShape()) {
        // A date that does not exist, or that the field cannot hold, is not turned into some
        // other date: the field goes back to the one it had.
        const QDate whole = typedDate();
        const bool fits =
            whole.isValid() && whole >= m_field->minimumDate() && whole <= m_field->maximumDate();
        m_field->setDate(fits ? whole : m_before);
        if (!fits)
            QApplication::beep();
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

// Tab separates the parts of a typed date as "/" does. Right after a section filled up and the
// field moved on by itself it stays in the section it moved to; anywhere else it goes on as
// usual.
bool DateTyping::leaveSection()
{
    const bool movedOn = m_lastDigitSection != QDateTimeEdit::NoSection &&
                         m_field->currentSection() != m_lastDigitSection;
    m_lastDigitSection = QDateTimeEdit::NoSection;
    if (!m_typed.isEmpty())
        m_typed += QLatin1Char('/');
    return movedOn;
}

bool DateTyping::wholeTextSelected() const
{
    const QLineEdit *line = m_field->findChild<QLineEdit *>();
    return line && line->hasSelectedText() && line->selectedText() == line->text();
}

// Month, day and a four-digit year, with separators, or eight digits without.
bool DateTyping::hasWholeDateShape() const
{
    if (m_typed.contains(QLatin1Char('/')))
        return m_typed.count(QLatin1Char('/')) == 2 &&
               m_typed.section(QLatin1Char('/'), 2).size() == 4;
    return m_typed.size() == 8;
}

QDate DateTyping::typedDate() const
{
    if (!m_typed.contains(QLatin1Char('/')))
        return QDate::fromString(m_typed, QStringLiteral("MMddyyyy"));
    const QStringList parts = m_typed.split(QLatin1Char('/'));
    if (parts[0].isEmpty() || parts[1].isEmpty())
        return QDate();
    return QDate(parts[2].toInt(), parts[0].toInt(), parts[1].toInt());
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
    auto *typing = new DateTyping(field);
    field->installEventFilter(typing);
    if (QLineEdit *line = field->findChild<QLineEdit *>())
        line->installEventFilter(typing);
}

} // namespace DateEntry
