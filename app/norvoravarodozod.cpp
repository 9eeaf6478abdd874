#include "norvoravarodozod.h"
#include "ui_norvoravarodozod.h"

#include "aboutdialog.h"
#include "activedomainobject.h"
#include "backupdialog.h"
#include "bill.h"
#include "billcolumns.h"
#include "billdialog.h"
#include "billexport.h"
#include "billlist.h"
#include "billpaymentdialog.h"
#include "billschedule.h"
#include "billsummary.h"
#include "clock.h"
#include "datafile.h"
#include "duereminders.h"
#include "filedialoghelper.h"
#include "formatting.h"
#include "helpdialog.h"
#include "licensedialogimpl.h"
#include "messagehelper.h"
#include "messagepresenter.h"
#include "payeelistdialog.h"
#include "recentfilesmenu.h"
#include "reportdialog.h"
#include "rowenter.h"
#include "samplehousehold.h"
#include "startguide.h"
#include "systemdatabase.h"
#include "systemrecentlist.h"
#include "windowgeometry.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeySequence>
#include <QMenu>
#include <QPoint>
#include <QStatusBar>

namespace {
// The size of the window the first time, before the user has chosen one.
const QSize firstWindowSize(450, 600);
const int statusTimeoutMs = 2000;
const int dayCheckIntervalMs = 60 * 1000;

// What deleting the rest of a series takes: its count and the dates it spans.
QString seriesRestText(const DataFile::SeriesBills &rest)
{
    const QString from = Formatting::shortDate(rest.first);
    const QString to = Formatting::shortDate(rest.last);
    if (rest.count <= 1)
        return NorvoRavaRodozod::tr("this bill alone, due on %1").arg(from);
    if (rest.count == 2)
        return NorvoRavaRodozod::tr(
                   "this bill and the unpaid bill after it, 2 bills due from %1 to %2")
            .arg(from, to);
    return NorvoRavaRodozod::tr(
               "this bill and the %1 unpaid bills after it, %2 bills due from %3 to %4")
        .arg(QString::number(rest.count - 1), QString::number(rest.count), from, to);
}

QString dataFileFilter()
{
    return QStringLiteral("Norvo Rava Rodozod (*.nvbf)");
}
} // namespace

NorvoRavaRodozod::NorvoRavaRodozod(const QString &systemPath, QWidget *parent,
                                   Qt::WindowFlags flags)
    : QMainWindow(parent, flags), m_ui(std::make_unique<Ui::NorvoRavaRodozodClass>()),
      m_sortColumn(DueDateColumn)
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
    m_reminders =
        std::make_unique<DueReminders>(m_dataFile.get(), this, [this] { reminderPaymentSaved(); });

    m_ui->BillsTreeWidget->setHeaderLabels(
        {tr("Payee"), tr("Description"), tr("Date Due"), tr("Amount")});
    m_columns = new BillColumns(m_ui->BillsTreeWidget);
    // The list sorts itself only when asked: sorting on every insertion would make filling a
    // list of many thousand rows slow. The rows come in sorted, and a header click re-sorts.
    QHeaderView *header = m_ui->BillsTreeWidget->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(m_sortColumn, m_sortOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &NorvoRavaRodozod::sortBillList);
    // Enter on a row edits its bill, as a double-click does.
    RowEnter::install(m_ui->BillsTreeWidget, [this] { OnEditBill(); });

    connect(m_ui->actionOpen, &QAction::triggered, this, &NorvoRavaRodozod::OnOpenFile);
    connect(m_ui->actionNew, &QAction::triggered, this, &NorvoRavaRodozod::OnNewFile);
    connect(m_ui->actionAdd_Payee, &QAction::triggered, this, &NorvoRavaRodozod::OnPayeeList);
    connect(m_ui->actionReports_Menu, &QAction::triggered, this, &NorvoRavaRodozod::OnReports);
    connect(m_ui->actionReports_Toolbar, &QAction::triggered, this, &NorvoRavaRodozod::OnReports);
    connect(m_ui->actionBackup, &QAction::triggered, this, &NorvoRavaRodozod::OnBackup);

    setStandardShortcuts();
    setUpHelpers();

    // A timer to midnight alone would miss a day the computer slept through, and a coarse one
    // may fire a little early; the check each minute catches both.
    m_midnightTimer.setSingleShot(true);
    m_midnightTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_midnightTimer, &QTimer::timeout, this, &NorvoRavaRodozod::checkForNewDay);
    m_dayCheckTimer.setInterval(dayCheckIntervalMs);
    connect(&m_dayCheckTimer, &QTimer::timeout, this, &NorvoRavaRodozod::checkForNewDay);
    m_dayCheckTimer.start();
    scheduleMidnightCheck();

    disableFileActions();
    openStartupFile();
    m_recentFiles->rebuild();
    if (m_dataFile->path().isEmpty())
        m_startGuide->show();
}

// The window's size and columns come back as they were left, before it is first shown.
void NorvoRavaRodozod::setUpHelpers()
{
    m_startGuide = new StartGuide(m_ui->SummaryTextBrowser, m_ui->actionNew, m_ui->actionOpen,
                                  m_ui->actionOpen_Sample_File);
    m_recentFiles = new RecentFilesMenu(m_ui->menuOpenRecent,
                                        [this](const QString &path) { openDataFile(path); });
    // A file may have gone since the list was made; the menu is made afresh each time.
    connect(m_ui->menuFile, &QMenu::aboutToShow, m_recentFiles, &RecentFilesMenu::rebuild);
    m_geometry = new WindowGeometry(this, firstWindowSize);
    m_geometry->keepAlso([this] { return m_columns->values(); });
    m_columns->restore();
    m_geometry->restore();
}

// The data file goes first: it keeps a pointer to the system store.
NorvoRavaRodozod::~NorvoRavaRodozod()
{
    m_reminders.reset();
    m_selectedBill.reset();
    m_dataFile.reset();
    m_systemDatabase.reset();
}

void NorvoRavaRodozod::OnAddBill()
{
    BillDialog dialog(m_dataFile.get(), this);
    dialog.exec();
    refreshAfterChange();
}

void NorvoRavaRodozod::OnEditBill()
{
    if (!m_selectedBill)
        return;
    const QString mode = editModeFor(*m_selectedBill);
    if (mode.isEmpty())
        return;
    BillDialog dialog(m_dataFile.get(), this);
    dialog.setEditMode(mode);
    dialog.loadBill(m_selectedBill->id());
    dialog.exec();
    refreshAfterChange();
}

// A bill of its own is edited alone, as is one that already left its series; for any other
// bill of a series the user says whether the change is meant for the whole series, or that
// nothing is to be edited (empty).
QString NorvoRavaRodozod::editModeFor(const Bill &bill)
{
    if (m_dataFile->scheduleTypeOf(bill) == QLatin1String("SINGLE"))
        return QStringLiteral("SINGLE");
    if (bill.isUnique())
        return QStringLiteral("RECURRINGUNIQUE");
    MessageRequest question;
    question.icon = MessageIcon::Information;
    question.windowIcon = QStringLiteral(":/images/Resources/bill_edit.png");
    question.title = tr("Edit Bill");
    question.text = tr("You are attempting to edit a recurring bill.\nHow would you like to edit "
                       "this bill?");
    question.buttons = QStringList{tr("Edit recurring bill"), tr("Edit this bill"), tr("Cancel")};
    question.defaultButton = 0;
    question.escapeButton = 2;
    switch (MessageHelper::ask(question, this)) {
    case 0:
        return QStringLiteral("RECURRING");
    case 1:
        return QStringLiteral("RECURRINGUNIQUE");
    default:
        return QString();
    }
}

void NorvoRavaRodozod::OnOpenFile()
{
    const QString path = FileDialogHelper::getOpenFileName(
        this, tr("Open an existing file..."), FileDialogHelper::startDirectory(), dataFileFilter());
    if (path.isEmpty())
        return;
    openDataFile(path);
}

void NorvoRavaRodozod::OnNewFile()
{
    QString path = FileDialogHelper::getSaveFileName(
        this, tr("Create a new file..."), FileDialogHelper::startDirectory(), dataFileFilter());
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".nvbf")))
        path += QLatin1String(".nvbf");
    if (QFileInfo::exists(path)) {
        MessageHelper::show(MessageIcon::Critical, tr("File Create Error"),
                            tr("You cannot overwrite an existing file.\nPlease use a different "
                               "file name."),
                            this);
        return;
    }
    openDataFile(path);
}

void NorvoRavaRodozod::OnPayeeList()
{
    PayeeListDialog dialog(m_dataFile.get(), this);
    dialog.exec();
    refreshAfterChange();
}

void NorvoRavaRodozod::OnBackup()
{
    BackupDialog dialog(this);
    dialog.exec();
}

void NorvoRavaRodozod::OnReports()
{
    ReportDialog dialog(m_dataFile.get(), this);
    dialog.exec();
    refreshView();
}

void NorvoRavaRodozod::on_actionMakePayment_triggered()
{
    if (!m_selectedBill)
        return;
    BillPaymentDialog dialog(m_dataFile.get(), this);
    dialog.setBill(m_selectedBill->id());
    dialog.exec();
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
    showHelp();
}

void NorvoRavaRodozod::on_actionHelp_Contents_Menu_triggered()
{
    showHelp();
}

void NorvoRavaRodozod::on_actionDelete_Bill_Toolbar_triggered()
{
    if (!m_selectedBill)
        return;
    // Keep the bill alive for the question even if something reloads meanwhile.
    const std::shared_ptr<Bill> bill = m_selectedBill;
    const bool inSeries =
        !bill->isUnique() && BillSchedule::recurs(m_dataFile->scheduleTypeOf(*bill));
    const QString billText = bill->payee().payeeName() + QStringLiteral("\n") +
                             bill->description() + QStringLiteral("\n") +
                             Formatting::currency(bill->balance());
    MessageRequest question;
    question.icon = MessageIcon::Warning;
    question.windowIcon = QStringLiteral(":/images/Resources/bill_delete.png");
    question.title = tr("Bill Delete");
    // The payee's name and the description are the user's own text, shown as typed.
    question.textFormat = Qt::PlainText;
    if (inSeries) {
        question.text = tr("This bill is one of a series:\n") + billText +
                        tr("\n\nDelete only this bill, or the rest of the series: %1?")
                            .arg(seriesRestText(m_dataFile->seriesRestFrom(*bill)));
        question.buttons = QStringList{tr("Delete only this bill"),
                                       tr("Delete the rest of the series"), tr("Cancel")};
        question.defaultButton = 2;
        question.escapeButton = 2;
    } else {
        question.text = tr("Did you want to delete the following bill?\n") + billText;
        question.buttons = QStringList{tr("Delete"), tr("Cancel")};
        question.defaultButton = 0;
        question.escapeButton = 1;
    }
    const int answer = MessageHelper::ask(question, this);
    if (answer == 0 && !m_dataFile->deleteBill(bill.get()))
        MessageHelper::showFileError(tr("The bill could not be deleted."), this);
    else if (inSeries && answer == 1 && !m_dataFile->deleteSeriesFrom(bill.get()))
        MessageHelper::showFileError(tr("The bills could not be deleted."), this);
    if (answer == 0 || (inSeries && answer == 1))
        refreshAfterChange();
}

void NorvoRavaRodozod::on_actionDelete_Bill_Menu_triggered()
{
    on_actionDelete_Bill_Toolbar_triggered();
}

void NorvoRavaRodozod::on_action_Paid_Bills_Menu_triggered()
{
    m_paidView = true;
    setPaidViewActionsEnabled(false);
    showPaidBills();
}

void NorvoRavaRodozod::on_action_Current_Bills_Menu_triggered()
{
    m_paidView = false;
    setPaidViewActionsEnabled(true);
    showCurrentBills();
}

void NorvoRavaRodozod::on_actionOverview_Menu_triggered()
{
    m_ui->SummaryTextBrowser->setHtml(m_summaryHtml);
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

void NorvoRavaRodozod::on_actionOpen_Sample_File_triggered()
{
    const QString folder = SampleHousehold::folder();
    const QString path = folder.isEmpty() ? QString() : SampleHousehold::writeNew(folder);
    // The file that was open stays open; nothing of a sample that failed is left behind.
    if (path.isEmpty()) {
        // Without a folder the reason names the one that could not be made.
        MessageHelper::showFileError(
            folder.isEmpty()
                ? tr("The sample file could not be written.")
                : tr("The sample file could not be written in the folder:\n%1").arg(folder),
            this);
        return;
    }
    openDataFile(path);
}

void NorvoRavaRodozod::on_BillsTreeWidget_customContextMenuRequested(const QPoint &pos)
{
    if (!m_selectedBill)
        return;
    QMenu menu(this);
    menu.addAction(m_ui->actionAdd_Bill_Toolbar);
    menu.addAction(m_ui->actionEdit_Bill_Toolbar);
    menu.addAction(m_ui->actionDelete_Bill_Toolbar);
    menu.addAction(m_ui->actionMakePayment);
    menu.exec(m_ui->BillsTreeWidget->viewport()->mapToGlobal(pos));
}

void NorvoRavaRodozod::on_BillsTreeWidget_itemDoubleClicked(QTreeWidgetItem *, int)
{
    OnEditBill();
}

void NorvoRavaRodozod::on_BillsTreeWidget_itemSelectionChanged()
{
    const QList<QTreeWidgetItem *> selected = m_ui->BillsTreeWidget->selectedItems();
    for (QTreeWidgetItem *row : selected) {
        const int id = row->data(0, Qt::UserRole).toInt();
        m_selectedBill = m_dataFile->billsById().value(id);
        // A row whose bill is no longer loaded shows nothing rather than an empty payee.
        if (!m_selectedBill)
            continue;
        m_ui->SummaryTextBrowser->setHtml(payeeDocument(m_selectedBill->payee()));
    }
}

// After a start-up open: the list and the title, nothing written.
void NorvoRavaRodozod::openStartupFile()
{
    const QString path = m_systemDatabase->recentFileLocation();
    if (path.isEmpty())
        return;
    // Opening a path that holds no file makes a new one there: a file moved or deleted since
    // the last run would come back empty, as if its bills were gone.
    if (!QFileInfo::exists(path)) {
        MessageRequest notice;
        notice.icon = MessageIcon::Warning;
        notice.title = MessageHelper::fileErrorTitle();
        notice.text = tr("The data file used last, %1, is no longer there.\nOpen it where it is "
                         "now with File > Open..., or make a new one with File > New...")
                          .arg(QDir::toNativeSeparators(path));
        notice.textFormat = Qt::PlainText;
        MessageHelper::ask(notice, this);
        return;
    }
    if (!m_dataFile->open(path))
        return;
    showOpenedFile(path);
    // Once the event loop runs the window is on screen, and the reminder comes up in front of it.
    QTimer::singleShot(0, this, &NorvoRavaRodozod::remindOfDueBills);
}

// On failure the data file manager has said why, and the file that was open before is still
// open and still listed.
void NorvoRavaRodozod::openDataFile(const QString &path)
{
    if (m_dataFile->open(path))
        fileOpened(path);
    else
        fileOpenFailed();
}

// What follows every successful New and Open. The current view loads the bills itself, so
// they are read once rather than twice.
void NorvoRavaRodozod::fileOpened(const QString &path)
{
    showOpenedFile(path);
    SystemRecentList::add(m_dataFile->path());
    m_recentFiles->rebuild();
    remindOfDueBills();
}

void NorvoRavaRodozod::showOpenedFile(const QString &path)
{
    statusBar()->showMessage(tr("Loading data"));
    // A large file takes a moment to read: the message is drawn now, while it is true.
    if (statusBar()->isVisible())
        statusBar()->repaint();
    m_paidView = false;
    // The last selection belonged to the other file; commands must not reach into it.
    m_selectedBill.reset();
    showCurrentBills();
    enableFileActions();
    // Without a mouse the arrow keys and Enter must reach the bills at once.
    m_ui->BillsTreeWidget->setFocus();
    setWindowTitle(m_baseTitle + QStringLiteral(" - ") + path);
    // What could not be read stays in view rather than being replaced at once.
    if (!m_loadFailureShown)
        statusBar()->showMessage(tr("Ready"), statusTimeoutMs);
}

// Normally the previous file is open again after a refused one and nothing changes. Should it
// have vanished meanwhile, no file is open any more, and the window must not go on listing
// bills that nothing backs.
void NorvoRavaRodozod::fileOpenFailed()
{
    if (!m_dataFile->path().isEmpty())
        return;
    m_selectedBill.reset();
    m_paidView = false;
    m_summaryHtml.clear();
    m_ui->BillsTreeWidget->clear();
    m_startGuide->show();
    hideDueBillsWindow();
    disableFileActions();
    setWindowTitle(m_baseTitle);
}

void NorvoRavaRodozod::showCurrentBills()
{
    m_ui->SummaryTextBrowser->setHtml(QString());
    m_ui->BillsTreeWidget->clear();
    reportLoad(m_dataFile->loadCurrentBills());
    reselectBill();
    const QDate today = Clock::today();
    m_viewDay = today;
    fillBillList(today);
    m_summaryHtml = summaryDocument(billTotals(m_dataFile->billList(), today), today);
    m_ui->SummaryTextBrowser->setHtml(m_summaryHtml);
}

void NorvoRavaRodozod::showPaidBills()
{
    m_ui->SummaryTextBrowser->setHtml(QString());
    m_ui->BillsTreeWidget->clear();
    reportLoad(m_dataFile->loadPaidBills());
    reselectBill();
    m_viewDay = Clock::today();
    fillBillList(m_viewDay);
}

// A list that could not be read must not pass for a list of nothing owed; once a reload
// succeeds again the warning goes.
void NorvoRavaRodozod::reportLoad(bool loaded)
{
    const int unreadable = m_dataFile->unreadableBillCount();
    if (loaded && unreadable == 0) {
        if (m_loadFailureShown)
            statusBar()->clearMessage();
        m_loadFailureShown = false;
        return;
    }
    QString reason = m_dataFile->lastErrorText();
    if (loaded)
        reason = unreadable == 1 ? tr("1 bill has an amount, due date or payment that cannot be "
                                      "read and is left as stored")
                                 : tr("%1 bills have an amount, due date or payment that cannot "
                                      "be read and are left as stored")
                                       .arg(unreadable);
    statusBar()->showMessage(tr("The bills could not be read from the file: %1").arg(reason));
    m_loadFailureShown = true;
}

void NorvoRavaRodozod::refreshView()
{
    if (m_paidView)
        showPaidBills();
    else
        showCurrentBills();
}

// All rows go in with one call, already in order, while the list does not repaint, which keeps
// a file of many thousand bills quick to show.
void NorvoRavaRodozod::fillBillList(const QDate &today)
{
    QList<DataFile::BillPtr> bills = m_dataFile->billList();
    sortBills(bills, m_sortColumn, m_sortOrder);
    QTreeWidget *list = m_ui->BillsTreeWidget;
    list->setUpdatesEnabled(false);
    list->addTopLevelItems(billRows(bills, today));
    list->setUpdatesEnabled(true);
}

void NorvoRavaRodozod::sortBillList(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= BillColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    QTreeWidget *list = m_ui->BillsTreeWidget;
    list->sortItems(column, order);
    if (QTreeWidgetItem *current = list->currentItem())
        list->scrollToItem(current);
}

// The selected bill follows the reload: the commands then act on the bill as it is stored
// now, and on none once it is gone from the file. The paid view loads only paid bills, so a
// bill it does not hold is looked up on its own.
void NorvoRavaRodozod::reselectBill()
{
    if (!m_selectedBill)
        return;
    const int id = m_selectedBill->id();
    if (DataFile::BillPtr loaded = m_dataFile->billsById().value(id)) {
        m_selectedBill = loaded;
        return;
    }
    m_selectedBill = m_dataFile->findBill(id);
}

void NorvoRavaRodozod::enableFileActions()
{
    setFileActionsEnabled(true);
}

void NorvoRavaRodozod::disableFileActions()
{
    setFileActionsEnabled(false);
}

// Everything that needs an open data file. New, Open, Open Recent, Backup (of system.db alone),
// Exit, Help, the sample file, About and License stay usable without one, and so does the
// summary panel, which then says how to begin.
void NorvoRavaRodozod::setFileActionsEnabled(bool enabled)
{
    const QList<QAction *> actions{
        m_ui->actionOverview_Menu,       m_ui->actionOverview_Toolbar,
        m_ui->actionReports_Menu,        m_ui->actionReports_Toolbar,
        m_ui->action_Current_Bills_Menu, m_ui->action_Paid_Bills_Menu,
        m_ui->actionAdd_Bill_Menu,       m_ui->actionAdd_Bill_Toolbar,
        m_ui->actionEdit_Bill_Menu,      m_ui->actionEdit_Bill_Toolbar,
        m_ui->actionDelete_Bill_Menu,    m_ui->actionDelete_Bill_Toolbar,
        m_ui->actionAdd_Payee,           m_ui->actionMakePayment,
        m_ui->actionExport_Calendar,     m_ui->actionExport_Bills,
        m_ui->actionReminders,
    };
    for (QAction *action : actions)
        action->setEnabled(enabled);
    m_ui->BillsTreeWidget->setEnabled(enabled);
}

// The paid bills have no summary to return to, no report of their own and nothing to pay.
void NorvoRavaRodozod::setPaidViewActionsEnabled(bool enabled)
{
    const QList<QAction *> actions{m_ui->actionOverview_Menu, m_ui->actionOverview_Toolbar,
                                   m_ui->actionReports_Menu, m_ui->actionReports_Toolbar,
                                   m_ui->actionMakePayment};
    for (QAction *action : actions)
        action->setEnabled(enabled);
}

// The keys people reach for in any desktop program, and the ones that spare the mouse for the
// everyday commands. Each key sits on one action only, so that one key press has one meaning.
void NorvoRavaRodozod::setStandardShortcuts()
{
    m_ui->actionNew->setShortcut(QKeySequence::New);
    m_ui->actionOpen->setShortcut(QKeySequence::Open);
    m_ui->actionExit_Menu->setShortcut(QKeySequence::Quit);
    m_ui->actionHelp_Contents_Menu->setShortcut(QKeySequence::HelpContents);
    m_ui->actionDelete_Bill_Menu->setShortcut(QKeySequence::Delete);
    m_ui->action_Current_Bills_Menu->setShortcut(QKeySequence(tr("Ctrl+R")));
    // Insert adds a bill, as in other lists; like Delete it sits on the menu action only.
    m_ui->actionAdd_Bill_Menu->setShortcut(QKeySequence(Qt::Key_Insert));
    m_ui->actionMakePayment->setShortcut(QKeySequence(tr("Ctrl+M")));
    // The Payee menu has no mnemonic of its own, so the list needs a key to be reached at all.
    m_ui->actionAdd_Payee->setShortcut(QKeySequence(tr("Ctrl+Shift+P")));
}

// The guide is not modal so that it can stay open beside the window while the user works; a
// second request brings the window that is already open to the front instead of opening another.
void NorvoRavaRodozod::showHelp()
{
    auto *help = findChild<HelpDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!help)
        help = new HelpDialog(this);
    help->show();
    help->raise();
    help->activateWindow();
}

void NorvoRavaRodozod::refreshAfterChange()
{
    refreshView();
    updateDueBillsWindow();
    writeKeptCalendar();
}

// The current view has just loaded them. The paid view holds other bills, so they are read
// for the moment and the paid list is read again afterwards.
QList<std::shared_ptr<Bill>> NorvoRavaRodozod::unpaidBills()
{
    if (!m_paidView)
        return m_dataFile->billList();
    m_dataFile->loadCurrentBills();
    const QList<DataFile::BillPtr> bills = m_dataFile->billList();
    showPaidBills();
    return bills;
}

void NorvoRavaRodozod::reminderPaymentSaved()
{
    refreshAfterChange();
}

void NorvoRavaRodozod::scheduleMidnightCheck()
{
    const QDateTime now = Clock::now();
    const QDateTime midnight(now.date().addDays(1), QTime(0, 0));
    m_midnightTimer.start(
        int(qBound(qint64(0), now.msecsTo(midnight), qint64(24 * 60 * 60 * 1000))));
}

void NorvoRavaRodozod::checkForNewDay()
{
    scheduleMidnightCheck();
    if (m_dataFile->path().isEmpty() || Clock::today() == m_viewDay)
        return;
    refreshView();
    remindOfDueBills();
}

void NorvoRavaRodozod::remindOfDueBills()
{
    m_reminders->remind(unpaidBills());
}

// Only what is showing or kept is worth the unpaid bills, which the paid view reads anew.
void NorvoRavaRodozod::updateDueBillsWindow()
{
    if (m_reminders->isShowing())
        m_reminders->update(unpaidBills());
}

void NorvoRavaRodozod::hideDueBillsWindow()
{
    m_reminders->hide();
}

void NorvoRavaRodozod::writeKeptCalendar()
{
    if (m_reminders->keepsCalendar())
        m_reminders->writeKeptCalendar(unpaidBills());
}

void NorvoRavaRodozod::on_actionReminders_triggered()
{
    if (m_reminders->editSettings())
        updateDueBillsWindow();
}

void NorvoRavaRodozod::on_actionExport_Calendar_triggered()
{
    QString path = FileDialogHelper::getSaveFileName(
        this, tr("Export Calendar"), FileDialogHelper::startDirectory(), tr("iCalendar (*.ics)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".ics"), Qt::CaseInsensitive))
        path += QLatin1String(".ics");
    if (m_reminders->exportCalendar(QFileInfo(path).absoluteFilePath(), unpaidBills()))
        statusBar()->showMessage(tr("Calendar written"), statusTimeoutMs);
}

// The rows as they stand, in the order shown, whichever view that is.
void NorvoRavaRodozod::on_actionExport_Bills_triggered()
{
    QList<DataFile::BillPtr> shown;
    const QTreeWidget *list = m_ui->BillsTreeWidget;
    shown.reserve(list->topLevelItemCount());
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        if (const auto *item = dynamic_cast<const BillListItem *>(list->topLevelItem(row)))
            shown.append(item->bill());
    if (BillExport::exportBills(shown, this))
        statusBar()->showMessage(tr("Bills written"), statusTimeoutMs);
}
