#pragma once

#include "statement.h"

#include <QByteArray>

// How a QIF file writes its dates and amounts: the format fixes neither, so the person says
// which, once per bank.
struct QifOptions
{
    enum class DateOrder
    {
        MonthDayYear,
        DayMonthYear,
        YearMonthDay,
    };
    DateOrder order = DateOrder::MonthDayYear;
    bool decimalComma = false;
};

// Reads the transactions of the bank, credit card, cash and other asset or liability
// accounts of a QIF file; the records of every other type (investments, categories, the
// account list...) are passed over. A statement with anything it cannot read for certain is
// refused whole, naming the line.
class QifReader
{
public:
    static Statement read(const QByteArray &bytes, const QifOptions &options);
};
