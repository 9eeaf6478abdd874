#pragma once

#include <QString>
#include <QValidator>

#include <optional>

class QLineEdit;

// The typing rules of an amount field. Digits fill it from the cents: typing 1, 2, 3, 4 shows
// .1, .12, 1.23 and 12.34, and deleting the last digit shifts them back. Once the user types
// or pastes a point, the field takes the amount as written, with at most two digits after the
// point, until it is emptied: 1, 2, 0, ., 5 shows 120.5. An amount the program puts in shows
// its point and is selected, so that typing replaces it and starts afresh. No field takes more
// than the largest amount a bill can have.
class AmountEntry : public QValidator
{
    Q_OBJECT

public:
    static constexpr double maximum = 999999999.99;

    // Gives the field these rules; they belong to the field.
    static void prepare(QLineEdit *field);
    // Shows an amount the program knows (a stored amount, a balance) in the field, grouped and
    // with two decimals, and selects it.
    static void fill(QLineEdit *field, double amount);
    // The amount a field's text stands for: "," group separators are ignored and a text that
    // is not a number gives 0.
    static double parse(const QString &text);

    State validate(QString &input, int &pos) const override;

private:
    explicit AmountEntry(QLineEdit *field);

    // The text an edit that leaves input turns into, and whether it is as written; none when
    // the field refuses the edit. pos is the cursor, before and after.
    std::optional<QString> edited(const QString &input, int &pos, bool &asWritten) const;

    // The field asks validate() about every change of its text before it makes it, with the
    // text it would have; what the field showed after the last change it made is kept here.
    mutable QString m_shown;
    mutable bool m_asWritten = false;
    // Whether all of the text was selected, which makes the next edit replace it. The field
    // reports the end of the selection that an edit removes only after asking validate().
    bool m_wholeSelected = false;
};
