#include "daywatch.h"

#include "clock.h"

#include <QDateTime>

namespace {
const int minuteMs = 60 * 1000;
const qint64 dayMs = 24 * 60 * 60 * 1000;
} // namespace

DayWatch::DayWatch(QObject *parent) : QObject(parent)
{
    m_midnightTimer.setSingleShot(true);
    m_midnightTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_midnightTimer, &QTimer::timeout, this, &DayWatch::check);
    m_minuteTimer.setInterval(minuteMs);
    connect(&m_minuteTimer, &QTimer::timeout, this, &DayWatch::check);
    m_minuteTimer.start();
    scheduleMidnight();
}

void DayWatch::scheduleMidnight()
{
    const QDateTime now = Clock::now();
    const QDateTime midnight(now.date().addDays(1), QTime(0, 0));
    m_midnightTimer.start(int(qBound(qint64(0), now.msecsTo(midnight), dayMs)));
}
