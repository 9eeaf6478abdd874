#pragma once

#include "datafile.h"

#include <QDialog>

#include <memory>

namespace Ui {
class PayeeDialogClass;
}

// Enters a new payee or edits one of the open file's payees, and stores it at once.
class PayeeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PayeeDialog(DataFile *dataFile, QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~PayeeDialog() override;

    // Edits this payee of the file's payees in place instead of adding a new one.
    void setPayee(const DataFile::PayeePtr &payee);
    DataFile::PayeePtr payee() const { return m_payee; }

private slots:
    void on_cancelButton_clicked();
    void on_okButton_clicked();

private:
    std::unique_ptr<Ui::PayeeDialogClass> m_ui;
    DataFile *m_dataFile = nullptr;
    DataFile::PayeePtr m_payee;
};
