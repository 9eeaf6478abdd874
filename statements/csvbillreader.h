#pragma once

#include "csvmapping.h"
#include "datafile.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The bills of a spreadsheet read whole, or the reason it was refused: nothing of a refused
// file is used. where names the row (as a spreadsheet numbers it) or line reading stopped at.
struct BillRows
{
    QList<DataFile::NewBill> bills;
    bool ok = false;
    QString where;
    QString error;
};

// Reads a CSV of bills, one bill a row, through a mapping (see CsvMapping for which column is
// which), for a person bringing the bills they kept in a spreadsheet into a data file. A row
// it cannot read for certain refuses the file whole; blank rows are passed over.
class CsvBillReader
{
public:
    static BillRows read(const QByteArray &bytes, const CsvMapping &mapping);
};
