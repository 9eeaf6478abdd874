#pragma once

#include <QObject>
#include <QTimer>

// Says when the day may have changed: at local midnight and once a minute. A timer to midnight
// alone would miss a day the computer slept through, and a coarse one may fire a little early;
// the check each minute catches both.
class DayWatch : public QObject
{
    Q_OBJECT

public:
    explicit DayWatch(QObject *parent);

    // Sets the midnight timer to the next midnight by the clock; whoever checks the day calls
    // it each time.
    void scheduleMidnight();

signals:
    void check();

private:
    QTimer m_midnightTimer;
    QTimer m_minuteTimer;
};
