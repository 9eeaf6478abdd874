#include "reportdialog.h"
#include "ui_reportdialog.h"

#include "clock.h"
#include "datafile.h"
#include "exportfiles.h"
#include "filedialoghelper.h"
#include "messagehelper.h"
#include "paymentsbymonth.h"
#include "reportdocuments.h"
#include "rowenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidgetItem>

namespace {
struct ReportEntry
{
    const char *text;
    const char *key;
};

// The list, in the order it is shown.
const ReportEntry reportEntries[] = {
    {"Past Due", "PastDue"},
    {"Current Month", "CurrentMonth"},
    {"Current Month Bills Due", "CurrentMonthBillsDue"},
    {"Current Month Bills Paid", "CurrentMonthBillsPaid"},
    {"Last Month Bills", "LastMonthBills"},
    {"Payee List", "PayeeList"},
    {"Payments by Month", "PaymentsByMonth"},
};
} // namespace

ReportDialog::ReportDialog(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_dataFile(dataFile), m_printer(QPrinter::ScreenResolution),
      m_ui(std::make_unique<Ui::ReportDialogClass>())
{
    m_ui->setupUi(this);
    connect(m_ui->printPushButton, &QPushButton::clicked, this,
            &ReportDialog::on_printButton_clicked);
    connect(m_ui->exportPushButton, &QPushButton::clicked, this,
            &ReportDialog::on_exportButton_clicked);
    m_ui->reportsTreeWidget->setHeaderLabels({QStringLiteral("Reports")});
    m_printer.setFullPage(true);
    m_ui->reportTextBrowser->setHtml(
        QStringLiteral("<html><body><center><br><br><br><br><h1>Please select a "
                       "report</h1></center></body></html>"));
    fillReportList();
    // A report is chosen with a click or, from the keyboard, with Enter on its name.
    RowEnter::install(m_ui->reportsTreeWidget, [this] {
        on_reportsTreeWidget_itemClicked(m_ui->reportsTreeWidget->currentItem(), 0);
    });
    // The report, not the short list of names, gets the room.
    m_ui->splitter->setStretchFactor(0, 1);
    m_ui->splitter->setStretchFactor(1, 3);
    m_ui->splitter->setSizes({200, 600});
    // Maximised, but not shown yet: a dialog already on screen when exec() runs would not
    // become modal, and the window behind it would stay usable while the report reads its
    // collections.
    setWindowState(windowState() | Qt::WindowMaximized);
}

ReportDialog::~ReportDialog() = default;

void ReportDialog::fillReportList()
{
    const QIcon icon(QStringLiteral(":/images/Resources/report.png"));
    for (const ReportEntry &entry : reportEntries) {
        auto *item = new QTreeWidgetItem(m_ui->reportsTreeWidget);
        item->setText(0, QString::fromLatin1(entry.text));
        item->setIcon(0, icon);
        item->setData(0, Qt::UserRole, QString::fromLatin1(entry.key));
    }
}

void ReportDialog::on_reportsTreeWidget_itemClicked(QTreeWidgetItem *item, int)
{
    if (!item)
        return;
    m_reportKey = item->data(0, Qt::UserRole).toString();
    showReport();
}

void ReportDialog::showReport()
{
    using Generator = void (ReportDialog::*)();
    const struct
    {
        const char *key;
        Generator generator;
    } generators[] = {
        {"PastDue", &ReportDialog::pastDueReport},
        {"CurrentMonth", &ReportDialog::currentMonthReport},
        {"CurrentMonthBillsDue", &ReportDialog::currentMonthBillsDueReport},
        {"CurrentMonthBillsPaid", &ReportDialog::currentMonthBillsPaidReport},
        {"LastMonthBills", &ReportDialog::lastMonthBillsReport},
        {"PayeeList", &ReportDialog::payeeListReport},
        {"PaymentsByMonth", &ReportDialog::paymentsByMonthReport},
    };
    m_content = ReportContent();
    bool known = false;
    for (const auto &entry : generators) {
        if (m_reportKey == QLatin1String(entry.key)) {
            (this->*entry.generator)();
            known = true;
            break;
        }
    }
    // Until a report is shown there is nothing to print or export but a blank page.
    m_ui->exportPushButton->setEnabled(known);
    m_ui->printPushButton->setEnabled(known);

    // Laid out with the scroll bar already in place: a long report that gains its bar only
    // once laid out would be laid out again for the narrower page. The bar then shows only
    // when needed again, which for such a report it is.
    QTextBrowser *browser = m_ui->reportTextBrowser;
    const Qt::ScrollBarPolicy policy = browser->verticalScrollBarPolicy();
    browser->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The report is built into a document of its own, which nothing lays out while it fills;
    // the browser then lays out only as much as it shows, a few rows at a time.
    auto *document = new QTextDocument(browser);
    document->setDefaultFont(browser->font());
    ReportContents::buildDocument(m_content, document, browser->viewport()->width());
    // The browser's first document is its own and goes with setDocument; the reports' ones
    // belong to the browser and go here.
    const QPointer<QTextDocument> previous = browser->document();
    browser->setDocument(document);
    browser->setVerticalScrollBarPolicy(policy);
    // Every report opens at its top, whatever was scrolled to before.
    browser->moveCursor(QTextCursor::Start);
    browser->verticalScrollBar()->setValue(0);
    if (previous && previous->parent() == browser)
        previous->deleteLater();
}

// Built when asked for: the window shows a document built straight from the rows.
QString ReportDialog::reportHtml() const
{
    return m_reportKey.isEmpty() ? QString() : ReportContents::html(m_content);
}

void ReportDialog::printReport(QPrinter *printer) const
{
    QTextDocument document;
    if (!m_reportKey.isEmpty())
        ReportContents::buildDocument(m_content, &document, printedWidth(printer, document));
    document.print(printer);
}

// The width a document is printed at, in screen pixels as the document is built: the page
// less the margins of 2 cm that QTextDocument::print() puts around a document without pages
// of its own, plus the document's own margins, which that replaces.
qreal ReportDialog::printedWidth(const QPrinter *printer, const QTextDocument &document)
{
    const qreal deviceDpi = printer->logicalDpiX();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal screenDpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    const qreal margin = int(2 / 2.54 * printer->logicalDpiY());
    const qreal page = (printer->width() - 2 * margin) * screenDpi / deviceDpi;
    return page + 2 * document.documentMargin();
}

void ReportDialog::on_printButton_clicked()
{
    QPrintDialog dialog(&m_printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printReport(&m_printer);
}

bool ReportDialog::exportReport(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return ExportFiles::writeFileOrTell(path, ReportContents::csvDocument(m_content), this);
    if (suffix == QLatin1String("pdf"))
        return exportPdf(path);
    MessageHelper::show(MessageIcon::Warning, tr("Export Report"),
                        tr("Please choose a file name ending in .pdf or .csv."), this);
    return false;
}

// The printer writes its file as it goes; it writes into a scratch folder, and the finished
// PDF then replaces the chosen file in one step, so that a failed export leaves nothing
// half-written there.
bool ReportDialog::exportPdf(const QString &path)
{
    QTemporaryDir scratch;
    QString reason = tr("No temporary folder could be made.");
    if (scratch.isValid()) {
        const QString pdfPath = scratch.filePath(QStringLiteral("report.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        printer.setPageLayout(m_printer.pageLayout());
        printer.setFullPage(m_printer.fullPage());
        printer.setDocName(m_content.name);
        printReport(&printer);
        QFile pdf(pdfPath);
        if (pdf.open(QIODevice::ReadOnly))
            return ExportFiles::writeFileOrTell(path, pdf.readAll(), this);
        reason = pdf.errorString();
    }
    ExportFiles::tellWriteFailure(path, reason, this);
    return false;
}

void ReportDialog::on_exportButton_clicked()
{
    if (m_reportKey.isEmpty())
        return;
    const QString start =
        QDir(FileDialogHelper::startDirectory()).filePath(m_content.name + QStringLiteral(".pdf"));
    QString path = FileDialogHelper::getSaveFileName(this, tr("Export Report"), start,
                                                     tr("PDF files (*.pdf);;CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    exportReport(path);
}

void ReportDialog::on_cancelButton_clicked()
{
    close();
}

void ReportDialog::pastDueReport()
{
    m_content = ReportDocuments::pastDue(bills(), Clock::today());
}

void ReportDialog::currentMonthReport()
{
    m_content = ReportDocuments::currentMonth(bills(), Clock::today());
}

void ReportDialog::currentMonthBillsDueReport()
{
    m_content = ReportDocuments::currentMonthBillsDue(bills(), Clock::today());
}

void ReportDialog::currentMonthBillsPaidReport()
{
    m_content = ReportDocuments::currentMonthBillsPaid(bills(), Clock::today());
}

void ReportDialog::lastMonthBillsReport()
{
    m_content = ReportDocuments::lastMonthBills(bills(), Clock::today());
}

void ReportDialog::payeeListReport()
{
    m_content = ReportDocuments::payeeList(payees(), Clock::today());
}

void ReportDialog::paymentsByMonthReport()
{
    const std::optional<QList<BillPayment>> payments =
        m_dataFile ? m_dataFile->payments() : std::nullopt;
    m_content =
        PaymentsByMonth::content(bills(), payments.value_or(QList<BillPayment>()), Clock::today());
}

const ReportDocuments::BillsById &ReportDialog::bills() const
{
    static const ReportDocuments::BillsById none;
    return m_dataFile ? m_dataFile->billsById() : none;
}

const ReportDocuments::PayeesById &ReportDialog::payees() const
{
    static const ReportDocuments::PayeesById none;
    return m_dataFile ? m_dataFile->payeesById() : none;
}
