#pragma once

#include "datafile.h"

#include <QByteArray>
#include <QList>

class QWidget;

// The bill list as a file for a spreadsheet: one row per bill, in the order given.
namespace BillExport {

// Payee, description, due date, amount, balance, paid date and whether the amount is an
// estimate, of each bill as CSV. The amount is what the bill is expected to come to (the
// forecast of an estimate); the paid date stays empty for a bill that is not paid.
QByteArray csv(const QList<DataFile::BillPtr> &bills);

// Asks where to write the bills and writes them whole, or tells why it could not. False when
// the person cancelled or the file could not be written.
bool exportBills(const QList<DataFile::BillPtr> &bills, QWidget *parent);

} // namespace BillExport
