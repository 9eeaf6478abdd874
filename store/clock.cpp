#include "clock.h"

namespace {
QDateTime &fixedMoment()
{
    static QDateTime moment;
    return moment;
}
} // namespace

QDate Clock::today()
{
    return now().date();
}

QDateTime Clock::now()
{
    if (fixedMoment().isValid())
        return fixedMoment();
    return QDateTime::currentDateTime();
}

void Clock::setFixed(const QDateTime &moment)
{
    fixedMoment() = moment;
}

void Clock::reset()
{
    fixedMoment() = QDateTime();
}

bool Clock::isFixed()
{
    return fixedMoment().isValid();
}
