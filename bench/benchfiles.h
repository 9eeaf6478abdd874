#pragma once

#include <QDate>
#include <QString>

// Data files for the benchmark, written with plain SQL in one transaction each so that even a
// file of 100,000 bills is ready in a moment. The rows look exactly as the program writes
// them: the tables come from the program itself and every value is bound the way the records
// bind theirs.
namespace BenchFiles {

struct Shape
{
    int bills = 10000;
    int payees = 200;
    int series = 50;        // half weekly, half monthly
    int seriesBills = 2000; // bills that belong to a series; the rest stand alone
    int payments = 20000;   // two per bill; a quarter of the bills are paid in full
    // Every due date before today, as in a file kept for years: every unpaid bill is overdue.
    bool allPast = false;
    // Every third series has an amount that varies (each of the four rules in turn): its
    // unpaid bills from today on are estimates, forecast from the bills before them.
    bool varyingSeries = false;

    // The default file scaled to a number of bills.
    static Shape forBills(int bills);
};

// The day every file is built around; the benchmark fixes the clock to it.
QDate today();

// A file of the current version at path, made by the program's own DataFile.
bool buildCurrent(const QString &path, const Shape &shape);

// The same file in the layout of version "1.4", which has no estimates, rules or references.
bool buildVersion14(const QString &path, const Shape &shape);

// A file of version "1.1" at path: payees, old-style schedules and bills without payments,
// a quarter of them marked paid.
bool buildVersion11(const QString &path, const Shape &shape);

} // namespace BenchFiles
