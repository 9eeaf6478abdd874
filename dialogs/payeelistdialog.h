#pragma once

#include "datafile.h"

#include <QDialog>

#include <memory>

class QTreeWidgetItem;

namespace Ui {
class PayeeListDialogClass;
}

// Lists the open file's payees and adds, edits and deletes them.
class PayeeListDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PayeeListDialog(DataFile *dataFile, QWidget *parent = nullptr,
                             Qt::WindowFlags flags = {});
    ~PayeeListDialog() override;

    // Reloads the payees from the file and lists them by name.
    void fillPayeeList();
    // Makes the payee of the selected row the one Edit and Delete act on; without a
    // selection the previous one stays.
    void readSelectedPayee();

private slots:
    void on_PayeesTreeWidget_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_DeletePushButton_clicked();
    void on_EditPushButton_clicked();
    void on_AddPushButton_clicked();

private:
    std::unique_ptr<Ui::PayeeListDialogClass> m_ui;
    DataFile *m_dataFile = nullptr;
    DataFile::PayeePtr m_selectedPayee;
};
