#pragma once

#include <QDate>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <memory>

class Bill;
class BillColumns;
class DataFile;
class DueReminders;
class RecentFilesMenu;
class StartGuide;
class SystemDatabase;
class WindowGeometry;
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
    // The system store is the one at systemPath, by default system.db in the working directory.
    explicit NorvoRavaRodozod(const QString &systemPath = QStringLiteral("system.db"),
                              QWidget *parent = nullptr, Qt::WindowFlags flags = {});
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
    // Writes a new sample household into the documents folder and opens it as Open would.
    void on_actionOpen_Sample_File_triggered();
    void on_BillsTreeWidget_customContextMenuRequested(const QPoint &pos);
    void on_BillsTreeWidget_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_BillsTreeWidget_itemSelectionChanged();
    void on_actionExport_Calendar_triggered();
    void on_actionExport_Bills_triggered();
    void on_actionReminders_triggered();
    // Run at local midnight and once a minute: when the day has changed since the list was
    // filled (midnight passed, or the computer slept through it), the list, the summary and
    // the reminder follow the new day.
    void checkForNewDay();
    void reminderPaymentSaved();
    // A click on a column header: the rows follow that column, the selection stays.
    void sortBillList(int column, Qt::SortOrder order);

private:
    void enableFileActions();
    void disableFileActions();
    void setFileActionsEnabled(bool enabled);
    void setPaidViewActionsEnabled(bool enabled);
    void setStandardShortcuts();
    // The start guide, the recent files, and the size and columns kept in system.db.
    void setUpHelpers();
    void showHelp();

    QString editModeFor(const Bill &bill);
    // Asks whether the bill goes alone or with the rest of its series, and deletes that.
    void openStartupFile();
    // New, Open, Open Recent and the sample file open a file the same way.
    void openDataFile(const QString &path);
    void fileOpened(const QString &path);
    // What every open shows, at start-up too: the current bills, the path in the title and
    // the commands that need a file.
    void showOpenedFile(const QString &path);
    void fileOpenFailed();
    void showCurrentBills();
    void showPaidBills();
    void refreshView();
    void reportLoad(bool loaded);
    void fillBillList(const QDate &today);
    void reselectBill();

    // What follows a command that may have changed bills: the view, the reminder and a
    // calendar kept up to date.
    void refreshAfterChange();
    QList<std::shared_ptr<Bill>> unpaidBills();
    // Shows the bills due soon for the open file, unless reminders are off, put off for today
    // or nothing is due; otherwise the window goes.
    void remindOfDueBills();
    // Brings an open reminder up to date, without showing a closed one.
    void updateDueBillsWindow();
    void hideDueBillsWindow();
    void writeKeptCalendar();
    void scheduleMidnightCheck();

    std::unique_ptr<Ui::NorvoRavaRodozodClass> m_ui;
    std::unique_ptr<SystemDatabase> m_systemDatabase;
    std::unique_ptr<DataFile> m_dataFile;
    // The bill of the last selected row. Shared with the data file's collections, so it stays
    // valid however often the list is rebuilt.
    std::shared_ptr<Bill> m_selectedBill;
    std::unique_ptr<DueReminders> m_reminders;
    // Helpers that live as children of the widgets they work on.
    BillColumns *m_columns = nullptr;
    WindowGeometry *m_geometry = nullptr;
    StartGuide *m_startGuide = nullptr;
    RecentFilesMenu *m_recentFiles = nullptr;
    QTimer m_midnightTimer;
    QTimer m_dayCheckTimer;
    // The day the list and the summary were last worked out for.
    QDate m_viewDay;
    QString m_baseTitle;
    QString m_summaryHtml;
    bool m_paidView = false;
    // The list's order, kept while the program runs: every refresh, view and file shows it.
    int m_sortColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_loadFailureShown = false;
};
