#pragma once

class DataFile;
class QWidget;

// File > Import Statement...: a bank statement chosen by the person, read, matched to the open
// file's unpaid bills and shown for review; what the person confirms is recorded in one
// transaction.
namespace StatementImportCommand {

// True when payments were recorded, so that the window shows the bills they paid.
bool importStatement(DataFile &file, QWidget *parent);

} // namespace StatementImportCommand
