#include "reportdialog.h"
#include "ui_reportdialog.h"

#include "clock.h"
#include "datafile.h"
#include "reportdocuments.h"

#include <QIcon>
#include <QPrintDialog>
#include <QPushButton>
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
};
} // namespace

ReportDialog::ReportDialog(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_dataFile(dataFile), m_printer(QPrinter::ScreenResolution),
      m_ui(std::make_unique<Ui::ReportDialogClass>())
{
    m_ui->setupUi(this);
    connect(m_ui->printPushButton, &QPushButton::clicked, this,
            &ReportDialog::on_printButton_clicked);
    m_ui->reportsTreeWidget->setHeaderLabels({QStringLiteral("Reports")});
    m_printer.setFullPage(true);
    m_ui->reportTextBrowser->setHtml(
        QStringLiteral("<html><body><center><br><br><br><br><h1>Please select a "
                       "report</h1></center></body></html>"));
    fillReportList();
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
    m_ui->reportTextBrowser->clear();
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
    };
    for (const auto &entry : generators) {
        if (m_reportKey == QLatin1String(entry.key)) {
            (this->*entry.generator)();
            break;
        }
    }
    // Laid out with the scroll bar already in place: a long report that gains its bar only
    // once laid out is laid out a second time for the narrower page, and for a table of
    // thousands of rows each layout takes a second or more. The bar then shows only when
    // needed again, which for such a report it is.
    QTextBrowser *browser = m_ui->reportTextBrowser;
    const Qt::ScrollBarPolicy policy = browser->verticalScrollBarPolicy();
    browser->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    browser->setHtml(m_reportHtml);
    browser->setVerticalScrollBarPolicy(policy);
}

void ReportDialog::printReport(QPrinter *printer) const
{
    QTextDocument document;
    document.setHtml(m_reportHtml);
    document.print(printer);
}

void ReportDialog::on_printButton_clicked()
{
    QPrintDialog dialog(&m_printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printReport(&m_printer);
}

void ReportDialog::on_cancelButton_clicked()
{
    close();
}

void ReportDialog::pastDueReport()
{
    m_reportHtml = ReportDocuments::pastDue(bills(), Clock::today());
}

void ReportDialog::currentMonthReport()
{
    m_reportHtml = ReportDocuments::currentMonth(bills(), Clock::today());
}

void ReportDialog::currentMonthBillsDueReport()
{
    m_reportHtml = ReportDocuments::currentMonthBillsDue(bills(), Clock::today());
}

void ReportDialog::currentMonthBillsPaidReport()
{
    m_reportHtml = ReportDocuments::currentMonthBillsPaid(bills(), Clock::today());
}

void ReportDialog::lastMonthBillsReport()
{
    m_reportHtml = ReportDocuments::lastMonthBills(bills(), Clock::today());
}

void ReportDialog::payeeListReport()
{
    m_reportHtml = ReportDocuments::payeeList(payees(), Clock::today());
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
