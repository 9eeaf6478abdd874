#include "amountentry.h"

#include "formatting.h"

#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {
const QChar point = QLatin1Char('.');
const QChar comma = QLatin1Char(',');

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int digitCount(const QString &text)
{
    return int(std::count_if(text.cbegin(), text.cend(), isDigit));
}

// Digits, perhaps grouped, with at most one point and two digits after it, and no more than a
// bill can amount to.
bool acceptable(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9,]*(\\.[0-9]{0,2})?$"));
    if (!form.match(text).hasMatch())
        return false;
    QString plain = text;
    plain.remove(comma);
    if (plain.isEmpty() || plain == point)
        return true;
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    return ok && value <= AmountEntry::maximum;
}

// The position in text that has its last `after` digits behind it.
int beforeLastDigits(const QString &text, int after)
{
    int pos = int(text.size());
    while (after > 0 && pos > 0)
        after -= isDigit(text.at(--pos)) ? 1 : 0;
    return pos;
}

// The text's digits with a point before the last two. The cursor keeps the digits that were
// behind it. Taking out the last digit empties the field; a text that adds no digit, or adds
// anything else, is refused.
std::optional<QString> centsText(const QString &text, int &pos)
{
    QString digits = text;
    digits.remove(point);
    digits.remove(comma);
    const bool addsNoDigit = digits.isEmpty() && !text.isEmpty() && !text.contains(point);
    if (digitCount(digits) != digits.size() || addsNoDigit)
        return std::nullopt;
    if (!digits.isEmpty())
        digits.insert(qMax(0, int(digits.size()) - 2), point);
    pos = beforeLastDigits(digits, digitCount(text.mid(pos)));
    return digits;
}

// How many characters at each end an edit left as they were.
struct KeptEnds
{
    int prefix = 0;
    int suffix = 0;
};

KeptEnds keptEnds(const QString &before, const QString &after)
{
    const int shorter = int(qMin(before.size(), after.size()));
    KeptEnds kept;
    while (kept.prefix < shorter && before.at(kept.prefix) == after.at(kept.prefix))
        ++kept.prefix;
    while (kept.suffix < shorter - kept.prefix &&
           before.at(before.size() - 1 - kept.suffix) == after.at(after.size() - 1 - kept.suffix))
        ++kept.suffix;
    return kept;
}
// The text after an edit that added a point to a field in cents, without the point the cents put
// in before: that one was never typed. What is left is the digits typed so far with the user's
// point.
QString withoutCentsPoint(const QString &before, const QString &after, const KeptEnds &kept,
                          int &pos)
{
    const int ours = int(before.indexOf(point));
    int at = -1;
    if (ours >= 0 && ours < kept.prefix)
        at = ours;
    else if (ours >= 0 && ours >= before.size() - kept.suffix)
        at = ours + int(after.size() - before.size());
    if (at < 0)
        return after;
    if (at < pos)
        --pos;
    return QString(after).remove(at, 1);
}
} // namespace

AmountEntry::AmountEntry(QLineEdit *field) : QValidator(field), m_shown(field->text())
{
    connect(field, &QLineEdit::selectionChanged, this, [this, field] {
        m_wholeSelected =
            field->hasSelectedText() && field->selectedText().size() == field->text().size();
    });
}

void AmountEntry::prepare(QLineEdit *field)
{
    field->setValidator(new AmountEntry(field));
}

void AmountEntry::fill(QLineEdit *field, double amount)
{
    const QString text = Formatting::amount(amount);
    if (auto *entry = field->findChild<AmountEntry *>(QString(), Qt::FindDirectChildrenOnly)) {
        entry->m_shown = text;
        entry->m_asWritten = true;
    }
    field->setText(text);
    field->selectAll();
}

double AmountEntry::parse(const QString &text)
{
    QString plain = text;
    plain.remove(comma);
    bool ok = false;
    const double value = QLocale::c().toDouble(plain.trimmed(), &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

QValidator::State AmountEntry::validate(QString &input, int &pos) const
{
    if (input == m_shown)
        return Acceptable;
    bool asWritten = false;
    int editedPos = pos;
    const std::optional<QString> text = edited(input, editedPos, asWritten);
    if (!text || !acceptable(*text))
        return Invalid;
    input = *text;
    pos = editedPos;
    m_shown = *text;
    m_asWritten = asWritten && !text->isEmpty();
    return Acceptable;
}

std::optional<QString> AmountEntry::edited(const QString &input, int &pos, bool &asWritten) const
{
    // Nothing of the text before is left: the edit counts as typed into an empty field.
    if (input.isEmpty() || m_shown.isEmpty() || m_wholeSelected) {
        asWritten = input.contains(point);
        return asWritten ? std::optional<QString>(input) : centsText(input, pos);
    }
    if (m_asWritten) {
        asWritten = true;
        return input;
    }
    const KeptEnds kept = keptEnds(m_shown, input);
    asWritten = input.mid(kept.prefix, input.size() - kept.prefix - kept.suffix).contains(point);
    return asWritten ? withoutCentsPoint(m_shown, input, kept, pos) : centsText(input, pos);
}
