#pragma once

class QPoint;
class QWidget;

namespace Ui {
class NorvoRavaRodozodClass;
}

// Which of the window's commands can be used, and the keys they sit on.
namespace WindowActions {

// Everything that needs an open data file, the bill list included.
void setFileActionsEnabled(Ui::NorvoRavaRodozodClass &ui, bool enabled);
// What the paid view has no use for.
void setPaidViewActionsEnabled(Ui::NorvoRavaRodozodClass &ui, bool enabled);
void setStandardShortcuts(Ui::NorvoRavaRodozodClass &ui);
// The bill list's context menu at pos in the list: what can be done to a bill.
void showBillMenu(Ui::NorvoRavaRodozodClass &ui, QWidget *window, const QPoint &pos);

} // namespace WindowActions
