#pragma once

#include "duebills.h"

#include <QDialog>

#include <memory>

class DataFile;

namespace Ui {
class DueBillsWindowClass;
}

// "Bills Due": the unpaid bills that are overdue or fall due soon, beside the main window
// rather than in front of it. Pay... (or Enter on a row) records a payment on the selected
// bill; Remind Me Tomorrow puts the reminder for this file off until the next day.
class DueBillsWindow : public QDialog
{
    Q_OBJECT

public:
    explicit DueBillsWindow(DataFile *dataFile, QWidget *parent = nullptr,
                            Qt::WindowFlags flags = {});
    ~DueBillsWindow() override;

    // Lists the first bills in their order, and below them how many more are due and what
    // they come to; a selected bill that is still listed stays selected, otherwise the first
    // row is.
    void setBills(const QList<DueBill> &bills);

signals:
    // A payment was stored; the bills' balances and paid states have changed.
    void paymentSaved();

private slots:
    void on_payButton_clicked();
    void on_remindTomorrowButton_clicked();
    void on_dueTreeWidget_itemSelectionChanged();

private:
    int selectedBillId() const;
    void showRest(const QList<DueBill> &bills, qsizetype listed);

    std::unique_ptr<Ui::DueBillsWindowClass> m_ui;
    DataFile *m_dataFile = nullptr;
};
