#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>

class BillColumns;
class BillCommands;
class BillView;
class DataFile;
class DayWatch;
class DueReminders;
class FileCommands;
class StartGuide;
class SystemDatabase;
class WindowGeometry;
class QPoint;
class QTreeWidgetItem;

namespace Ui {
class NorvoRavaRodozodClass;
}

// The program's one window: the bill list with its summary panel, the menus and the tool bar.
// Its slots hand each command to the helper that does it and refresh what it may change.
class NorvoRavaRodozod : public QMainWindow
{
    Q_OBJECT

public:
    // The system store is the one at systemPath, by default system.db in the working directory.
    explicit NorvoRavaRodozod(const QString &systemPath = QStringLiteral("system.db"),
                              QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~NorvoRavaRodozod() override;

private slots:
    void OnAddBill();
    void OnEditBill();
    void OnPayeeList();
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
    void on_actionExport_Calendar_triggered();
    void on_actionExport_Bills_triggered();
    void on_actionImport_Bills_triggered();
    void on_actionImport_Statement_triggered();
    void on_actionReminders_triggered();
    // Run at local midnight and once a minute: when the day has changed since the list was
    // filled (midnight passed, or the computer slept through it), the list, the summary and
    // the reminder follow the new day.
    void checkForNewDay();

private:
    void setUpBillList();
    void connectFileCommands();
    // The start guide, the file commands, and the size and columns kept in system.db.
    void setUpHelpers();

    // After a start-up open: the list and the title, nothing written.
    void openStartupFile();
    // What follows every successful New, Open, Open Recent and sample file.
    void fileOpened(const QString &path);
    // What every open shows, at start-up too: the current bills, the path in the title and
    // the commands that need a file.
    void showOpenedFile(const QString &path);
    // A failed open left no file open: the window must not go on listing bills that nothing
    // backs.
    void showNoFile();

    // What follows a command that may have changed bills: the view, the reminder and a
    // calendar kept up to date.
    void refreshAfterChange();

    // In the order they must be made; they go in the reverse order: the reminder before the
    // data file it pays into, the selected bill before its data file, and the data file before
    // the system store it keeps a pointer to.
    std::unique_ptr<Ui::NorvoRavaRodozodClass> m_ui;
    std::unique_ptr<SystemDatabase> m_systemDatabase;
    std::unique_ptr<DataFile> m_dataFile;
    std::unique_ptr<BillView> m_view;
    std::unique_ptr<BillCommands> m_bills;
    std::unique_ptr<DueReminders> m_reminders;
    // Helpers that live as children of the widgets they work on.
    FileCommands *m_files = nullptr;
    BillColumns *m_columns = nullptr;
    WindowGeometry *m_geometry = nullptr;
    StartGuide *m_startGuide = nullptr;
    DayWatch *m_dayWatch = nullptr;
    QString m_baseTitle;
};
