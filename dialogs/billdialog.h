#pragma once

#include "bill.h"
#include "billschedule.h"

#include <QDialog>
#include <QString>
#include <QVariantList>

#include <memory>

class DataFile;

namespace Ui {
class BillDialogClass;
}

// Enters a new bill, single or recurring, or edits a stored one: the bill alone, a whole
// recurring series, or one bill of a series on its own. Save checks what is missing, stores
// everything that belongs together at once and closes; otherwise the dialog stays open and
// says why. A stored bill saved without a change is not written at all. In a series whose
// amount varies, typing one bill's real amount confirms it without taking it out of the series.
class BillDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BillDialog(DataFile *dataFile, QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~BillDialog() override;

    // "NEW" (the default), "SINGLE", "RECURRING" or "RECURRINGUNIQUE".
    void setEditMode(const QString &editMode) { m_editMode = editMode; }
    QString editMode() const { return m_editMode; }

    // Fills the dialog from the stored bill with that id, for the current edit mode.
    void loadBill(int id);
    // Fills the payee box from the open file's payees, by name. The payee chosen before
    // stays chosen while it is there.
    void fillPayees();

private slots:
    void on_recurringRadioButton_toggled(bool);
    void on_singleRadioButton_toggled(bool);
    void on_schedulePushButton_clicked();
    void on_paymentsPushButton_clicked();
    void on_calendarPushButton_clicked();
    void on_PayeeListPushButton_clicked();
    void on_OkButton_clicked();

private:
    void showEditWidgets();
    QVariantList formValues() const;
    bool amountChanged() const;
    bool onlyAmountChanged() const;
    bool amountVaries() const;
    void showAmount();
    double seriesAmount() const;
    void updateEstimateLabel();
    void showHistory();
    QDate afterSeries() const;
    QString missingChoice() const;
    bool confirmSeriesCut();
    void readForm(Bill &bill) const;
    bool store();
    bool storeNew();
    bool storeSingle();
    bool storeRecurring();
    bool storeRecurringUnique();
    bool storeConfirmed();
    void reloadStoredState();
    void reloadAmount(const Bill &stored);

    std::unique_ptr<Ui::BillDialogClass> m_ui;
    DataFile *m_dataFile = nullptr;
    Bill m_bill;
    // False when the bill to edit could not be read, with the reason: nothing is then saved,
    // neither over its row nor as a new bill.
    bool m_billRead = true;
    QString m_billReadError;
    BillSchedule m_schedule;
    QString m_editMode;
    // The form as loadBill() filled it, and the schedule's amount rule then.
    QVariantList m_loadedForm;
    QString m_loadedRule;
    // The amount field shows an estimate, not a stored amount.
    bool m_showsEstimate = false;
    // The person typed in the amount field since it was filled.
    bool m_amountTyped = false;
};
