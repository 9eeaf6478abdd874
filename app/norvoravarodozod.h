#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>

class Bill;
class QPoint;
class QTreeWidgetItem;

namespace Ui {
class NorvoRavaRodozodClass;
}

// The program's one window: the bill list with its summary panel, the menus and the tool bar.
class NorvoRavaRodozod : public QMainWindow
{
    Q_OBJECT

public:
    explicit NorvoRavaRodozod(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~NorvoRavaRodozod() override;

private slots:
    void OnAddBill();
    void OnEditBill();
    void OnOpenFile();
    void OnNewFile();
    void OnPayeeList();
    void OnBackup();
    void OnReports();
    void on_actionMakePayment_triggered();
    void on_actionEdit_Bill_Toolbar_triggered();
    void on_actionEdit_Bill_Menu_triggered();
    void on_actionAdd_Bill_Menu_triggered();
    void on_actionAdd_Bill_Toolbar_triggered();
    void on_actionHelp_Toolbar_triggered();
    void on_actionHelp_Contents_Menu_triggered();
    void on_actionDelete_Bill_Toolbar_triggered();
    void on_actionDelete_Bill_Menu_triggered();
    void on_action_Paid_Bills_Menu_triggered();
    void on_action_Current_Bills_Menu_triggered();
    void on_actionOverview_Menu_triggered();
    void on_actionOverview_Toolbar_triggered();
    void on_actionAbout_triggered();
    void on_actionLicense_triggered();
    void on_BillsTreeWidget_customContextMenuRequested(const QPoint &pos);
    void on_BillsTreeWidget_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_BillsTreeWidget_itemSelectionChanged();

private:
    void enableFileActions();
    void disableFileActions();
    void setFileActionsEnabled(bool enabled);
    void showHelp();

    std::unique_ptr<Ui::NorvoRavaRodozodClass> m_ui;
    // The system database and the data file manager join here, ahead of m_selectedBill, when
    // the storage classes arrive.
    std::shared_ptr<Bill> m_selectedBill;
    QString m_baseTitle;
    QString m_summaryHtml;
    bool m_paidView = false;
};
