#include "billexport.h"

#include "bill.h"
#include "exportfiles.h"
#include "filedialoghelper.h"
#include "formatting.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>

namespace BillExport {

QByteArray csv(const QList<DataFile::BillPtr> &bills)
{
    using ExportFiles::CsvKind;
    const QList<ExportFiles::CsvColumn> columns{{QStringLiteral("Payee"), CsvKind::Text},
                                                {QStringLiteral("Description"), CsvKind::Text},
                                                {QStringLiteral("Due Date"), CsvKind::Value},
                                                {QStringLiteral("Amount"), CsvKind::Value},
                                                {QStringLiteral("Balance"), CsvKind::Value},
                                                {QStringLiteral("Paid Date"), CsvKind::Value},
                                                {QStringLiteral("Estimate"), CsvKind::Value}};
    QList<QStringList> rows;
    rows.reserve(bills.size());
    for (const DataFile::BillPtr &bill : bills) {
        // Bills carried over from older files may be paid without a day of their own; they
        // hold the never-paid date, which must not pass for a real one.
        const bool paidOnDay = bill->isPaid() && bill->paidDate() != Bill::neverPaidDate();
        rows.append({bill->payeeName(), bill->description(), ExportFiles::csvDate(bill->dueDate()),
                     Formatting::plainAmount(bill->expectedAmount()),
                     Formatting::plainAmount(bill->balance()),
                     paidOnDay ? ExportFiles::csvDate(bill->paidDate()) : QString(),
                     ExportFiles::csvBool(bill->isEstimate())});
    }
    return ExportFiles::csvDocument(columns, rows);
}

bool exportBills(const QList<DataFile::BillPtr> &bills, QWidget *parent)
{
    QString path = FileDialogHelper::getSaveFileName(
        parent, QCoreApplication::translate("BillExport", "Export Bills"),
        FileDialogHelper::startDirectory(),
        QCoreApplication::translate("BillExport", "CSV files (*.csv)"));
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1String(".csv");
    return ExportFiles::writeFileOrTell(QFileInfo(path).absoluteFilePath(), csv(bills), parent);
}

} // namespace BillExport
