#include "statementimportcommand.h"

#include "csvmappingdialog.h"
#include "datafile.h"
#include "filedialoghelper.h"
#include "messagehelper.h"
#include "statementimport.h"
#include "statementreviewdialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("StatementImportCommand", text);
}

QString title()
{
    return tr("Import Statement");
}

// Texts here may quote the file's name and what it holds: plain text, never markup.
void tell(MessageIcon icon, const QString &text, QWidget *parent)
{
    MessageHelper::show(icon, title(), text, parent);
}

// The first bytes of the file, which tell its format and fill the preview of a CSV mapping.
QByteArray startOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(64 * 1024) : QByteArray();
}

// The mapping a QIF or CSV statement is read with, chosen in the preview; nothing when the
// person cancelled. An OFX statement needs none.
std::optional<std::optional<CsvMapping>> chooseMapping(StatementFormat format,
                                                       const QByteArray &start, QWidget *parent)
{
    if (format == StatementFormat::Ofx)
        return std::optional<CsvMapping>();
    CsvMappingDialog dialog(format == StatementFormat::Csv ? CsvMappingDialog::Purpose::Statement
                                                           : CsvMappingDialog::Purpose::Qif,
                            format == StatementFormat::Csv ? start : QByteArray(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return std::optional<CsvMapping>(dialog.mapping());
}

bool record(DataFile &file, const QList<DataFile::StatementPayment> &payments, QWidget *parent)
{
    int recorded = 0;
    if (!file.recordStatementPayments(payments, &recorded)) {
        MessageHelper::showFileError(tr("The payments could not be recorded; nothing was."),
                                     parent);
        return false;
    }
    tell(MessageIcon::Information,
         recorded == 1 ? tr("1 payment recorded.") : tr("%1 payments recorded.").arg(recorded),
         parent);
    return recorded > 0;
}

} // namespace

namespace StatementImportCommand {

bool importStatement(DataFile &file, QWidget *parent)
{
    const QString path = FileDialogHelper::getOpenFileName(
        parent, title(), FileDialogHelper::startDirectory(),
        tr("Bank statements (*.ofx *.qfx *.qif *.csv);;All files (*)"));
    if (path.isEmpty())
        return false;
    const QByteArray start = startOf(path);
    const std::optional<StatementFormat> format = statementFormatOf(path, start);
    if (!format) {
        tell(MessageIcon::Warning,
             tr("%1 is not a statement this program reads: it reads OFX, QFX, QIF and CSV files.")
                 .arg(QFileInfo(path).fileName()),
             parent);
        return false;
    }
    const std::optional<std::optional<CsvMapping>> mapping = chooseMapping(*format, start, parent);
    if (!mapping)
        return false;
    const Statement statement =
        StatementImport::read(path, *format, mapping->has_value() ? &**mapping : nullptr);
    if (!statement.ok) {
        tell(MessageIcon::Warning,
             tr("The statement cannot be read (%1): %2\n\nNothing was recorded.")
                 .arg(statement.where, statement.error),
             parent);
        return false;
    }
    QHash<int, DataFile::BillPtr> bills;
    const std::optional<QList<ImportLine>> lines = StatementImport::review(
        file, statement, mapping->has_value() ? (*mapping)->name : QString(), &bills);
    if (!lines) {
        MessageHelper::showFileError(tr("The bills could not be read."), parent);
        return false;
    }
    StatementReviewDialog dialog(*lines, bills, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return record(file, dialog.chosenPayments(), parent);
}

} // namespace StatementImportCommand
