#pragma once

#include "clock.h"

#include <QDate>
#include <QString>

// A year of a made-up household's bills to try the program on: eight payees, rent, power,
// water and phone every month, insurance every quarter, childcare every week and a few bills
// of their own, running from nine months before today to three months after it. Everything is
// written through the data file manager and the records, the way the bill, payee and payment
// dialogs write it, with the clock set to the day each entry would have been made; the same
// day gives the same file. On failure the reason is DataFile::lastErrorText().
namespace SampleHousehold {

// Writes the sample into the empty or missing file at path. The connection "current" is
// back on the file it was open on before, if any, whatever happened.
bool write(const QString &path, const QDate &today = Clock::today());

// Writes the sample into a new file in folder, "Sample Household.nvbf" or, when that name is
// taken, "Sample Household 2.nvbf" and so on, and returns its path; empty on failure, when
// nothing is left behind. An existing file is never replaced, not even one that appears while
// the sample is written.
QString writeNew(const QString &folder, const QDate &today = Clock::today());

// Where Help > Open Sample File puts the sample: the user's documents folder, made when it is
// missing, or the home folder when the system names none. Empty when the folder cannot be
// made.
QString folder();

} // namespace SampleHousehold
