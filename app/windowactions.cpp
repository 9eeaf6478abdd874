#include "windowactions.h"
#include "ui_norvoravarodozod.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QPoint>

namespace {
// The keys are named with the window's other texts.
QString keyText(const char *text)
{
    return QCoreApplication::translate("NorvoRavaRodozod", text);
}
} // namespace

namespace WindowActions {

// New, Open, Open Recent, Backup (of system.db alone), Exit, Help, the sample file, About and
// License stay usable without a file, and so does the summary panel, which then says how to
// begin.
void setFileActionsEnabled(Ui::NorvoRavaRodozodClass &ui, bool enabled)
{
    const QList<QAction *> actions{
        ui.actionOverview_Menu,     ui.actionOverview_Toolbar,    ui.actionReports_Menu,
        ui.actionReports_Toolbar,   ui.action_Current_Bills_Menu, ui.action_Paid_Bills_Menu,
        ui.actionAdd_Bill_Menu,     ui.actionAdd_Bill_Toolbar,    ui.actionEdit_Bill_Menu,
        ui.actionEdit_Bill_Toolbar, ui.actionDelete_Bill_Menu,    ui.actionDelete_Bill_Toolbar,
        ui.actionAdd_Payee,         ui.actionMakePayment,         ui.actionExport_Calendar,
        ui.actionExport_Bills,      ui.actionReminders,           ui.actionImport_Statement,
        ui.actionImport_Bills,
    };
    for (QAction *action : actions)
        action->setEnabled(enabled);
    ui.BillsTreeWidget->setEnabled(enabled);
}

// The paid bills have no summary to return to, no report of their own and nothing to pay.
void setPaidViewActionsEnabled(Ui::NorvoRavaRodozodClass &ui, bool enabled)
{
    const QList<QAction *> actions{ui.actionOverview_Menu, ui.actionOverview_Toolbar,
                                   ui.actionReports_Menu, ui.actionReports_Toolbar,
                                   ui.actionMakePayment};
    for (QAction *action : actions)
        action->setEnabled(enabled);
}

// The keys people reach for in any desktop program, and the ones that spare the mouse for the
// everyday commands. Each key sits on one action only, so that one key press has one meaning.
void setStandardShortcuts(Ui::NorvoRavaRodozodClass &ui)
{
    ui.actionNew->setShortcut(QKeySequence::New);
    ui.actionOpen->setShortcut(QKeySequence::Open);
    ui.actionExit_Menu->setShortcut(QKeySequence::Quit);
    ui.actionHelp_Contents_Menu->setShortcut(QKeySequence::HelpContents);
    ui.actionDelete_Bill_Menu->setShortcut(QKeySequence::Delete);
    ui.action_Current_Bills_Menu->setShortcut(QKeySequence(keyText("Ctrl+R")));
    // Insert adds a bill, as in other lists; like Delete it sits on the menu action only.
    ui.actionAdd_Bill_Menu->setShortcut(QKeySequence(Qt::Key_Insert));
    ui.actionMakePayment->setShortcut(QKeySequence(keyText("Ctrl+M")));
    // The Payee menu has no mnemonic of its own, so the list needs a key to be reached at all.
    ui.actionAdd_Payee->setShortcut(QKeySequence(keyText("Ctrl+Shift+P")));
}

void showBillMenu(Ui::NorvoRavaRodozodClass &ui, QWidget *window, const QPoint &pos)
{
    QMenu menu(window);
    menu.addAction(ui.actionAdd_Bill_Toolbar);
    menu.addAction(ui.actionEdit_Bill_Toolbar);
    menu.addAction(ui.actionDelete_Bill_Toolbar);
    menu.addAction(ui.actionMakePayment);
    menu.exec(ui.BillsTreeWidget->viewport()->mapToGlobal(pos));
}

} // namespace WindowActions
