#pragma once

#include "reportdocuments.h"

#include <QDialog>
#include <QPrinter>
#include <QString>

#include <memory>

class DataFile;
class QTextDocument;
class QTreeWidgetItem;

namespace Ui {
class ReportDialogClass;
}

// Shows one of the fixed reports over the open data file and prints it. The reports are
// built from the bills and payees the data file holds in memory; nothing is written.
class ReportDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReportDialog(DataFile *dataFile, QWidget *parent = nullptr,
                          Qt::WindowFlags flags = {});
    ~ReportDialog() override;

    const QString &reportKey() const { return m_reportKey; }
    // The report last built as one HTML document.
    QString reportHtml() const;

    // Builds the report named by reportKey and shows it.
    void showReport();
    // Prints the report last built on printer, as it stands.
    void printReport(QPrinter *printer) const;
    // Writes the report last built to path: a PDF of the printed pages when the name ends in
    // ".pdf", its rows as CSV when it ends in ".csv". A file that cannot be written is
    // reported and nothing is left of it. False when nothing was written.
    bool exportReport(const QString &path);

    // Asks for a file and exports the shown report to it.
    void on_exportButton_clicked();

    // Asks for a printer in the standard print dialog and prints the report there. The
    // button is printPushButton, so this is connected explicitly rather than by name.
    void on_printButton_clicked();

private slots:
    void on_reportsTreeWidget_itemClicked(QTreeWidgetItem *item, int column);
    void on_cancelButton_clicked();

private:
    void fillReportList();
    // What the reports read: the data file's collections, or nothing when no file is given.
    const ReportDocuments::BillsById &bills() const;
    const ReportDocuments::PayeesById &payees() const;

    void pastDueReport();
    void currentMonthReport();
    void currentMonthBillsDueReport();
    void currentMonthBillsPaidReport();
    void lastMonthBillsReport();
    void payeeListReport();
    void paymentsByMonthReport();

    bool exportPdf(const QString &path);
    static qreal printedWidth(const QPrinter *printer, const QTextDocument &document);

    DataFile *m_dataFile = nullptr;
    QString m_reportKey;
    ReportContent m_content;
    // Kept for the dialog's life, so that a second print starts from the first one's choices.
    QPrinter m_printer;
    std::unique_ptr<Ui::ReportDialogClass> m_ui;
};
