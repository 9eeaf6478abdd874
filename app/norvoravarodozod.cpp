#include "norvoravarodozod.h"
#include "ui_norvoravarodozod.h"

#include "activedomainobject.h"
#include "helpdialog.h"

#include <QHeaderView>
#include <QPoint>

namespace {
const int billColumnCount = 4;
const int billColumnWidth = 100;
} // namespace

NorvoRavaRodozod::NorvoRavaRodozod(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), m_ui(std::make_unique<Ui::NorvoRavaRodozodClass>())
{
    m_ui->setupUi(this);

    m_baseTitle = productTitle();
    setWindowTitle(m_baseTitle);

    // The system database and the data file manager are created at this point, before the
    // list is set up, once those classes exist.

    m_ui->BillsTreeWidget->setHeaderLabels(
        {tr("Payee"), tr("Description"), tr("Date Due"), tr("Amount")});
    for (int column = 0; column < billColumnCount; ++column)
        m_ui->BillsTreeWidget->setColumnWidth(column, billColumnWidth);

    connect(m_ui->actionOpen, &QAction::triggered, this, &NorvoRavaRodozod::OnOpenFile);
    connect(m_ui->actionNew, &QAction::triggered, this, &NorvoRavaRodozod::OnNewFile);
    connect(m_ui->actionAdd_Payee, &QAction::triggered, this, &NorvoRavaRodozod::OnPayeeList);
    connect(m_ui->actionReports_Menu, &QAction::triggered, this, &NorvoRavaRodozod::OnReports);
    connect(m_ui->actionReports_Toolbar, &QAction::triggered, this, &NorvoRavaRodozod::OnReports);

    disableFileActions();

    // The most recently used data file is reopened here, as the last step, once the data file
    // manager exists.
}

NorvoRavaRodozod::~NorvoRavaRodozod() = default;

// Commands that need the bill, payee, report and storage classes. They are wired to their
// actions already and do their work once those classes are in place.

void NorvoRavaRodozod::OnAddBill() {}

void NorvoRavaRodozod::OnEditBill() {}

void NorvoRavaRodozod::OnOpenFile() {}

void NorvoRavaRodozod::OnNewFile() {}

void NorvoRavaRodozod::OnPayeeList() {}

void NorvoRavaRodozod::OnBackup() {}

void NorvoRavaRodozod::OnReports() {}

void NorvoRavaRodozod::on_actionMakePayment_triggered() {}

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

void NorvoRavaRodozod::on_actionDelete_Bill_Toolbar_triggered() {}

void NorvoRavaRodozod::on_actionDelete_Bill_Menu_triggered()
{
    on_actionDelete_Bill_Toolbar_triggered();
}

void NorvoRavaRodozod::on_action_Paid_Bills_Menu_triggered() {}

void NorvoRavaRodozod::on_action_Current_Bills_Menu_triggered() {}

void NorvoRavaRodozod::on_actionOverview_Menu_triggered() {}

void NorvoRavaRodozod::on_actionOverview_Toolbar_triggered()
{
    on_actionOverview_Menu_triggered();
}

void NorvoRavaRodozod::on_actionAbout_triggered() {}

void NorvoRavaRodozod::on_actionLicense_triggered() {}

void NorvoRavaRodozod::on_BillsTreeWidget_customContextMenuRequested(const QPoint &pos)
{
    Q_UNUSED(pos);
}

void NorvoRavaRodozod::on_BillsTreeWidget_itemDoubleClicked(QTreeWidgetItem *, int)
{
    OnEditBill();
}

void NorvoRavaRodozod::on_BillsTreeWidget_itemSelectionChanged() {}

void NorvoRavaRodozod::enableFileActions()
{
    setFileActionsEnabled(true);
}

void NorvoRavaRodozod::disableFileActions()
{
    setFileActionsEnabled(false);
}

// Everything that needs an open data file. New, Open, Exit, Help, About and License stay
// usable without one.
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
    };
    for (QAction *action : actions)
        action->setEnabled(enabled);
    m_ui->SummaryTextBrowser->setEnabled(enabled);
    m_ui->BillsTreeWidget->setEnabled(enabled);
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
