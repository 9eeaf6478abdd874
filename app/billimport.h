#pragma once

class DataFile;
class QString;
class QWidget;

// File > Import Bills...: the bills a person kept in a spreadsheet, brought in as a CSV.
namespace BillImport {

// Asks for the CSV and how its columns read, then adds every row as a bill of its own (a row
// with a paid date paid in full) in one transaction, and tells how many. A file that cannot be
// read whole is refused, naming the row, and nothing is added. Returns how many bills were
// added: 0 when the person cancelled or nothing was added.
int importBills(DataFile *dataFile, QWidget *parent);

// "1 bill imported.", "3 bills imported."
QString countText(int bills);

} // namespace BillImport
