#pragma once

#include "billschedule.h"
#include "datafile.h"

#include <QDate>
#include <QString>

// A new payee and a monthly series of 50.00 bills on the day of start, from start to end, under
// the amount rule, stored as the bill window stores a new series. The schedule as stored, with
// its bills; a schedule without a row when anything failed.
BillSchedule addMonthlySeries(DataFile &file, const QString &payeeName, const QString &rule,
                              const QDate &start, const QDate &end);
