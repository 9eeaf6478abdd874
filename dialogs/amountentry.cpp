#include "amountentry.h"

#include <QDoubleValidator>
#include <QLineEdit>
#include <QLocale>

#include <cmath>

namespace AmountEntry {

void prepare(QLineEdit *field)
{
    auto *validator = new QDoubleValidator(field);
    // Amounts are written with "." as the decimal point whatever the user's own locale says,
    // as the cents rewrite puts one there.
    validator->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    field->setValidator(validator);
}

QString withCentsPoint(const QString &text)
{
    if (text.isEmpty())
        return text;
    QString digits = text;
    digits.remove(QLatin1Char('.'));
    digits.insert(qMax(0, int(digits.size()) - 2), QLatin1Char('.'));
    return digits;
}

void rewrite(QLineEdit *field, const QString &text)
{
    const QString rewritten = withCentsPoint(text);
    if (rewritten != field->text())
        field->setText(rewritten);
}

double parse(const QString &text)
{
    QString plain = text;
    plain.remove(QLatin1Char(','));
    bool ok = false;
    const double value = QLocale::c().toDouble(plain.trimmed(), &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace AmountEntry
