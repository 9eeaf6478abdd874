#include "billimport.h"

#include "csvbillreader.h"
#include "csvmappingdialog.h"
#include "datafile.h"
#include "filedialoghelper.h"
#include "messagehelper.h"
#include "statementimport.h"

#include <QCoreApplication>
#include <QFile>
#include <QWidget>

#include <optional>

namespace {

// Enough of the file for the preview's rows, however wide they are.
constexpr qsizetype previewBytes = 64 * 1024;

QString tr(const char *text)
{
    return QCoreApplication::translate("BillImport", text);
}

// Texts here may quote the file's name and what it holds: plain text, never markup.
void tell(MessageIcon icon, const QString &text, QWidget *parent)
{
    MessageHelper::show(icon, tr("Import Bills"), text, parent);
}

std::optional<QByteArray> readFile(const QString &path, QWidget *parent)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(MessageIcon::Warning,
             tr("The file \"%1\" could not be read: %2").arg(path, file.errorString()), parent);
        return std::nullopt;
    }
    // A file of bills this large is no spreadsheet a household keeps.
    if (file.size() > StatementImport::largestFile) {
        tell(MessageIcon::Warning,
             tr("The file \"%1\" is too large for a list of bills.").arg(path), parent);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size()) {
        tell(MessageIcon::Warning,
             tr("The file \"%1\" could not be read: %2").arg(path, file.errorString()), parent);
        return std::nullopt;
    }
    return bytes;
}

} // namespace

namespace BillImport {

int importBills(DataFile *dataFile, QWidget *parent)
{
    const QString path = FileDialogHelper::getOpenFileName(parent, tr("Import Bills"),
                                                           FileDialogHelper::startDirectory(),
                                                           tr("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return 0;
    const std::optional<QByteArray> bytes = readFile(path, parent);
    if (!bytes)
        return 0;
    CsvMappingDialog dialog(CsvMappingDialog::Purpose::Bills, bytes->left(previewBytes), parent);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    const BillRows rows = CsvBillReader::read(*bytes, dialog.mapping());
    if (!rows.ok) {
        tell(MessageIcon::Warning,
             tr("The bills cannot be read at %1: %2\n\nNothing was imported.")
                 .arg(rows.where, rows.error),
             parent);
        return 0;
    }
    if (rows.bills.isEmpty()) {
        tell(MessageIcon::Information, tr("The file holds no bills."), parent);
        return 0;
    }
    int added = 0;
    if (!dataFile->addBills(rows.bills, &added)) {
        MessageHelper::showFileError(tr("The bills could not be imported; none was added."),
                                     parent);
        return 0;
    }
    tell(MessageIcon::Information, countText(added), parent);
    return added;
}

QString countText(int bills)
{
    return bills == 1 ? tr("1 bill imported.") : tr("%1 bills imported.").arg(bills);
}

} // namespace BillImport
