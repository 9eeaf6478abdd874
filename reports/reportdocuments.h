#pragma once

#include "reportcontent.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <memory>

class Bill;
class Payee;

// The six reports, built from the loaded bills and payees as of a given day. Bills are listed by
// due date (then id) and payees by name, so that the same file gives the same report on every
// run.
namespace ReportDocuments {

using BillsById = QHash<int, std::shared_ptr<Bill>>;
using PayeesById = QHash<int, std::shared_ptr<Payee>>;

// Unpaid bills due before today.
ReportContent pastDue(const BillsById &bills, const QDate &today);
// Every bill due this month; the total counts the unpaid ones.
ReportContent currentMonth(const BillsById &bills, const QDate &today);
// Unpaid bills due this month.
ReportContent currentMonthBillsDue(const BillsById &bills, const QDate &today);
// Bills paid this month, whenever they were due.
ReportContent currentMonthBillsPaid(const BillsById &bills, const QDate &today);
// Every bill due in the month before today's; the total counts the unpaid ones.
ReportContent lastMonthBills(const BillsById &bills, const QDate &today);
// Every payee with its account number, address and note.
ReportContent payeeList(const PayeesById &payees, const QDate &today);

} // namespace ReportDocuments
