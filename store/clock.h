#pragma once

#include <QDate>
#include <QDateTime>

// The program's single source of "today" and "now". Tests pin it with setFixed()
// so that date rules give the same answer on every day of the year.
class Clock
{
public:
    static QDate today();
    static QDateTime now();

    static void setFixed(const QDateTime &moment);
    static void reset();
    static bool isFixed();
};
