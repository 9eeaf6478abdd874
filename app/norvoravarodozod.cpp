#include "norvoravarodozod.h"
#include "ui_norvoravarodozod.h"

#include "aboutdialog.h"
#include "activedomainobject.h"
#include "billcolumns.h"
#include "billcommands.h"
#include "billexport.h"
#include "billimport.h"
#include "billview.h"
#include "clock.h"
#include "datafile.h"
#include "daywatch.h"
#include "duereminders.h"
#include "filecommands.h"
#include "helpdialog.h"
#include "licensedialogimpl.h"
#include "messagepresenter.h"
#include "payeelistdialog.h"
#include "reportdialog.h"
#include "rowenter.h"
#include "startguide.h"
#include "statementimportcommand.h"
#include "systemdatabase.h"
#include "windowactions.h"
#include "windowgeometry.h"

#include <QPoint>
#include <QStatusBar>
#include <QTimer>

namespace {
// The size of the window the first time, before the user has chosen one.
const QSize firstWindowSize(450, 600);
const int statusTimeoutMs = 2000;
} // namespace

NorvoRavaRodozod::NorvoRavaRodozod(const QString &systemPath, QWidget *parent,
                                   Qt::WindowFlags flags)
    : QMainWindow(parent, flags), m_ui(std::make_unique<Ui::NorvoRavaRodozodClass>())
{
    // The storage classes ask and tell through whatever presenter is installed.
    installWidgetMessagePresenter();
    m_ui->setupUi(this);

    m_baseTitle = productTitle();
    setWindowTitle(m_baseTitle);

    // Any message the system store has to show (an upgrade, a damaged file) appears now,
    // before the window does.
    m_systemDatabase = std::make_unique<SystemDatabase>(systemPath);
    m_dataFile = std::make_unique<DataFile>(m_systemDatabase.get());
    m_bills = std::make_unique<BillCommands>(m_dataFile.get(), this);
    setUpBillList();
    connect(m_ui->actionAdd_Payee, &QAction::triggered, this, &NorvoRavaRodozod::OnPayeeList);
    connect(m_ui->actionReports_Menu, &QAction::triggered, this, &NorvoRavaRodozod::OnReports);
    connect(m_ui->actionReports_Toolbar, &QAction::triggered, this, &NorvoRavaRodozod::OnReports);
    WindowActions::setStandardShortcuts(*m_ui);
    setUpHelpers();

    m_dayWatch = new DayWatch(this);
    connect(m_dayWatch, &DayWatch::check, this, &NorvoRavaRodozod::checkForNewDay);

    WindowActions::setFileActionsEnabled(*m_ui, false);
    openStartupFile();
    m_files->rebuildRecentFiles();
    if (m_dataFile->path().isEmpty())
        m_startGuide->show();
}

void NorvoRavaRodozod::setUpBillList()
{
    m_ui->BillsTreeWidget->setHeaderLabels(
        {tr("Payee"), tr("Description"), tr("Date Due"), tr("Amount")});
    m_columns = new BillColumns(m_ui->BillsTreeWidget);
    m_view = std::make_unique<BillView>(m_dataFile.get(), m_ui->BillsTreeWidget,
                                        m_ui->SummaryTextBrowser, statusBar());
    m_reminders = std::make_unique<DueReminders>(
        m_dataFile.get(), this, [this] { return m_view->loadUnpaidBills(); },
        [this] { refreshAfterChange(); });
    // Enter on a row edits its bill, as a double-click does.
    RowEnter::install(m_ui->BillsTreeWidget, [this] { OnEditBill(); });
}

// The window's size and columns come back as they were left, before it is first shown.
void NorvoRavaRodozod::setUpHelpers()
{
    m_startGuide = new StartGuide(m_ui->SummaryTextBrowser, m_ui->actionNew, m_ui->actionOpen,
                                  m_ui->actionOpen_Sample_File);
    connectFileCommands();
    m_geometry = new WindowGeometry(this, firstWindowSize);
    m_geometry->keepAlso([this] { return m_columns->values(); });
    m_columns->restore();
    m_geometry->restore();
}

void NorvoRavaRodozod::connectFileCommands()
{
    m_files = new FileCommands(m_dataFile.get(), m_systemDatabase.get(), m_ui->menuFile,
                               m_ui->menuOpenRecent, this);
    connect(m_files, &FileCommands::opened, this, &NorvoRavaRodozod::fileOpened);
    connect(m_files, &FileCommands::fileClosed, this, &NorvoRavaRodozod::showNoFile);
    connect(m_ui->actionOpen, &QAction::triggered, m_files, &FileCommands::openFile);
    connect(m_ui->actionNew, &QAction::triggered, m_files, &FileCommands::newFile);
    connect(m_ui->actionBackup, &QAction::triggered, m_files, &FileCommands::backup);
    connect(m_ui->actionOpen_Sample_File, &QAction::triggered, m_files,
            &FileCommands::openSampleFile);
}

// The members go in the reverse of their order, which the header keeps as it must be.
NorvoRavaRodozod::~NorvoRavaRodozod() = default;

void NorvoRavaRodozod::OnAddBill()
{
    m_bills->add();
    refreshAfterChange();
}

void NorvoRavaRodozod::OnEditBill()
{
    const DataFile::BillPtr bill = m_view->selectedBill();
    if (bill && m_bills->edit(bill))
        refreshAfterChange();
}

void NorvoRavaRodozod::OnPayeeList()
{
    PayeeListDialog dialog(m_dataFile.get(), this);
    dialog.exec();
    refreshAfterChange();
}

void NorvoRavaRodozod::OnReports()
{
    ReportDialog dialog(m_dataFile.get(), this);
    dialog.exec();
    m_view->refresh();
}

void NorvoRavaRodozod::on_actionMakePayment_triggered()
{
    const DataFile::BillPtr bill = m_view->selectedBill();
    if (!bill)
        return;
    m_bills->pay(bill);
    // The action is offered in the current view only, which the refresh keeps.
    refreshAfterChange();
}

// The menu, tool bar and double-click variants share one implementation each.

void NorvoRavaRodozod::on_actionEdit_Bill_Toolbar_triggered()
{
    OnEditBill();
}

void NorvoRavaRodozod::on_actionEdit_Bill_Menu_triggered()
{
    OnEditBill();
}

void NorvoRavaRodozod::on_actionAdd_Bill_Menu_triggered()
{
    OnAddBill();
}

void NorvoRavaRodozod::on_actionAdd_Bill_Toolbar_triggered()
{
    OnAddBill();
}

void NorvoRavaRodozod::on_actionHelp_Toolbar_triggered()
{
    on_actionHelp_Contents_Menu_triggered();
}

// The guide is not modal so that it can stay open beside the window while the user works; a
// second request brings the window that is already open to the front instead of opening another.
void NorvoRavaRodozod::on_actionHelp_Contents_Menu_triggered()
{
    auto *help = findChild<HelpDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!help)
        help = new HelpDialog(this);
    help->show();
    help->raise();
    help->activateWindow();
}

void NorvoRavaRodozod::on_actionDelete_Bill_Toolbar_triggered()
{
    const DataFile::BillPtr bill = m_view->selectedBill();
    if (bill && m_bills->remove(bill))
        refreshAfterChange();
}

void NorvoRavaRodozod::on_actionDelete_Bill_Menu_triggered()
{
    on_actionDelete_Bill_Toolbar_triggered();
}

void NorvoRavaRodozod::on_action_Paid_Bills_Menu_triggered()
{
    WindowActions::setPaidViewActionsEnabled(*m_ui, false);
    m_view->showPaidBills();
}

void NorvoRavaRodozod::on_action_Current_Bills_Menu_triggered()
{
    WindowActions::setPaidViewActionsEnabled(*m_ui, true);
    m_view->showCurrentBills();
}

void NorvoRavaRodozod::on_actionOverview_Menu_triggered()
{
    m_view->showSummary();
}

void NorvoRavaRodozod::on_actionOverview_Toolbar_triggered()
{
    on_actionOverview_Menu_triggered();
}

void NorvoRavaRodozod::on_actionAbout_triggered()
{
    AboutDialog dialog;
    dialog.exec();
}

void NorvoRavaRodozod::on_actionLicense_triggered()
{
    LicenseDialogImpl dialog;
    dialog.exec();
}

void NorvoRavaRodozod::on_BillsTreeWidget_customContextMenuRequested(const QPoint &pos)
{
    if (m_view->selectedBill())
        WindowActions::showBillMenu(*m_ui, this, pos);
}

void NorvoRavaRodozod::on_BillsTreeWidget_itemDoubleClicked(QTreeWidgetItem *, int)
{
    OnEditBill();
}

void NorvoRavaRodozod::on_BillsTreeWidget_itemSelectionChanged()
{
    m_view->selectionChanged();
}

void NorvoRavaRodozod::openStartupFile()
{
    const QString path = m_files->openStartupFile();
    if (path.isEmpty())
        return;
    showOpenedFile(path);
    // Once the event loop runs the window is on screen, and the reminder comes up in front of it.
    QTimer::singleShot(0, this, [this] { m_reminders->remind(); });
}

// The current view loads the bills itself, so they are read once rather than twice.
void NorvoRavaRodozod::fileOpened(const QString &path)
{
    showOpenedFile(path);
    m_files->rememberOpenFile();
    m_reminders->remind();
}

void NorvoRavaRodozod::showOpenedFile(const QString &path)
{
    statusBar()->showMessage(tr("Loading data"));
    // A large file takes a moment to read: the message is drawn now, while it is true.
    if (statusBar()->isVisible())
        statusBar()->repaint();
    m_view->forgetSelection();
    m_view->showCurrentBills();
    WindowActions::setFileActionsEnabled(*m_ui, true);
    // Without a mouse the arrow keys and Enter must reach the bills at once.
    m_ui->BillsTreeWidget->setFocus();
    setWindowTitle(m_baseTitle + QStringLiteral(" - ") + path);
    // What could not be read stays in view rather than being replaced at once.
    if (!m_view->loadFailureShown())
        statusBar()->showMessage(tr("Ready"), statusTimeoutMs);
}

void NorvoRavaRodozod::showNoFile()
{
    m_view->clear();
    m_startGuide->show();
    m_reminders->hide();
    WindowActions::setFileActionsEnabled(*m_ui, false);
    setWindowTitle(m_baseTitle);
}

void NorvoRavaRodozod::refreshAfterChange()
{
    // The unpaid bills are read once for the view, the reminder and the calendar together.
    if (m_reminders->followsBills())
        m_reminders->billsChanged(m_view->refreshWithUnpaidBills());
    else
        m_view->refresh();
}

void NorvoRavaRodozod::checkForNewDay()
{
    m_dayWatch->scheduleMidnight();
    if (m_dataFile->path().isEmpty() || Clock::today() == m_view->viewDay())
        return;
    m_view->refresh();
    m_reminders->remind();
}

void NorvoRavaRodozod::on_actionReminders_triggered()
{
    if (m_reminders->editSettings())
        m_reminders->update();
}

void NorvoRavaRodozod::on_actionExport_Calendar_triggered()
{
    if (m_reminders->exportCalendar())
        statusBar()->showMessage(tr("Calendar written"), statusTimeoutMs);
}

// The rows as they stand, in the order shown, whichever view that is.
void NorvoRavaRodozod::on_actionExport_Bills_triggered()
{
    if (BillExport::exportBills(m_view->shownBills(), this))
        statusBar()->showMessage(tr("Bills written"), statusTimeoutMs);
}

void NorvoRavaRodozod::on_actionImport_Bills_triggered()
{
    const int added = BillImport::importBills(m_dataFile.get(), this);
    if (added == 0)
        return;
    refreshAfterChange();
    statusBar()->showMessage(BillImport::countText(added), statusTimeoutMs);
}

// The bills the statement paid leave the list of unpaid ones.
void NorvoRavaRodozod::on_actionImport_Statement_triggered()
{
    if (StatementImportCommand::importStatement(*m_dataFile, this))
        refreshAfterChange();
}
