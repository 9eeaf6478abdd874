#pragma once

#include "datafile.h"
#include "statementimport.h"

#include <QDialog>
#include <QHash>
#include <QList>

#include <memory>

namespace Ui {
class StatementReviewDialogClass;
}

// The lines of a bank statement beside the bills they would pay, for a person to confirm:
// exact matches come ticked, likely ones unticked with the bill they would pay, a debit no
// bill takes can become a new bill paid at once, and credits, 0.00 lines and lines imported
// before are listed and left alone. Nothing is stored here; the caller records the choice.
class StatementReviewDialog : public QDialog
{
    Q_OBJECT

public:
    // bills are the unpaid bills the lines were matched against, by id.
    StatementReviewDialog(const QList<ImportLine> &lines,
                          const QHash<int, DataFile::BillPtr> &bills, QWidget *parent = nullptr);
    ~StatementReviewDialog() override;

    // The payments the ticked lines and the lines to turn into bills come to, in the
    // statement's order.
    QList<DataFile::StatementPayment> chosenPayments() const;

    // The choices offered for a debit no bill takes.
    static QString ignoreText();
    static QString createBillText();

private:
    void addLine(const ImportLine &line);
    QString billText(int billId) const;
    void showSummary();

    std::unique_ptr<Ui::StatementReviewDialogClass> m_ui;
    QList<ImportLine> m_lines;
    QHash<int, DataFile::BillPtr> m_bills;
};
