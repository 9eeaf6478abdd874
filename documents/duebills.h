#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

class Bill;

// An unpaid bill and how far its due date is from today: negative when overdue.
struct DueBill
{
    std::shared_ptr<Bill> bill;
    int days = 0;
};

// What is due, worked out once for every front end (the reminder window, the calendar export
// and the command-line tool), and the documents that carry it out of the program.
namespace DueBills {

// The unpaid, not deleted bills due on or before today + days (every unpaid bill when all),
// by due date, then id.
QList<DueBill> select(const QList<std::shared_ptr<Bill>> &unpaidBills, const QDate &today, int days,
                      bool all = false);

// "3 days overdue", "1 day overdue", "due today", "due in 1 day", "due in 2 days".
QString reminderText(int days);
// The short form of the text output: "OVERDUE 3d", "TODAY", "in 5d".
QString statusText(int days);

// One aligned line per bill (due date, status, payee, description, balance) and a line with
// the count and the total balance; control characters of stored texts become spaces. The
// balance of an estimate, and a total that adds any in, is marked "≈".
QByteArray textDocument(const QList<DueBill> &bills);
// RFC 4180 with a header row, UTF-8 and CRLF; amounts as plain decimals. The amount is what
// the bill is expected to come to, and the last column says whether that is an estimate.
QByteArray csvDocument(const QList<DueBill> &bills);
// One JSON array of objects with the keys of the CSV header.
QByteArray jsonDocument(const QList<DueBill> &bills);
// An RFC 5545 calendar: one all-day event per bill with an alarm the day before. An event's
// UID stays the same for the same bill of the same file, so that a calendar importing the
// file again updates its events instead of adding them twice.
QByteArray icsDocument(const QList<DueBill> &bills, const QString &dataFilePath,
                       const QDateTime &stamp);

} // namespace DueBills
