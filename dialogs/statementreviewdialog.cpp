#include "statementreviewdialog.h"
#include "ui_statementreviewdialog.h"

#include "bill.h"
#include "formatting.h"
#include "payee.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTreeWidgetItem>

namespace {

enum Column
{
    TickColumn,
    DateColumn,
    AmountColumn,
    StatementColumn,
    ActionColumn,
    BillColumn,
};

// Texts of a statement come from elsewhere: one line each, nothing that acts.
QString statementText(const StatementTransaction &t)
{
    const QString name = Formatting::oneLine(t.name);
    const QString memo = Formatting::oneLine(t.memo);
    if (name.isEmpty() || memo.isEmpty() || name == memo)
        return name.isEmpty() ? memo : name;
    return name + QStringLiteral(" — ") + memo;
}

} // namespace

StatementReviewDialog::StatementReviewDialog(const QList<ImportLine> &lines,
                                             const QHash<int, DataFile::BillPtr> &bills,
                                             QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::StatementReviewDialogClass>()), m_lines(lines),
      m_bills(bills)
{
    m_ui->setupUi(this);
    for (const ImportLine &line : std::as_const(m_lines))
        addLine(line);
    // The choices stay in view; a long statement text or bill is cut rather than pushing them
    // out of the window.
    QHeaderView *header = m_ui->linesTreeWidget->header();
    for (const int column : {TickColumn, DateColumn, AmountColumn, ActionColumn})
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(StatementColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(BillColumn, QHeaderView::Stretch);
    showSummary();
}

StatementReviewDialog::~StatementReviewDialog() = default;

QString StatementReviewDialog::ignoreText()
{
    return tr("Ignore");
}

QString StatementReviewDialog::createBillText()
{
    return tr("Create a bill and pay it");
}

void StatementReviewDialog::addLine(const ImportLine &line)
{
    const StatementTransaction &t = line.transaction;
    auto *item = new QTreeWidgetItem(m_ui->linesTreeWidget);
    item->setText(DateColumn, Formatting::shortDate(t.date));
    item->setText(AmountColumn, Formatting::currency(double(t.cents) / 100.0));
    item->setTextAlignment(AmountColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(StatementColumn, statementText(t));
    if (line.status == ImportLine::Status::AlreadyImported) {
        item->setText(ActionColumn, tr("already imported"));
        item->setDisabled(true);
        return;
    }
    switch (line.match.kind) {
    case TransactionMatch::Exact:
    case TransactionMatch::Likely: {
        const bool exact = line.match.kind == TransactionMatch::Exact;
        item->setText(BillColumn, billText(line.match.billId));
        item->setText(ActionColumn, exact ? tr("Pay this bill") : tr("Pay this bill (likely)"));
        // A likely match waits for the person: the name did not say it is that payee.
        item->setCheckState(TickColumn, exact ? Qt::Checked : Qt::Unchecked);
        break;
    }
    case TransactionMatch::None: {
        item->setText(BillColumn, tr("No bill matches"));
        auto *choice = new QComboBox(m_ui->linesTreeWidget);
        choice->addItems({ignoreText(), createBillText()});
        m_ui->linesTreeWidget->setItemWidget(item, ActionColumn, choice);
        break;
    }
    case TransactionMatch::Credit:
        item->setText(ActionColumn, tr("Money in: ignored"));
        break;
    case TransactionMatch::Zero:
        item->setText(ActionColumn, tr("Nothing paid: ignored"));
        break;
    }
}

QString StatementReviewDialog::billText(int billId) const
{
    const DataFile::BillPtr bill = m_bills.value(billId);
    if (!bill)
        return QString();
    QString text = Formatting::oneLine(bill->payee().payeeName());
    const QString description = Formatting::oneLine(bill->description());
    if (!description.isEmpty())
        text += QStringLiteral(" — ") + description;
    // Due date and amount first: they are what a person checks against the statement.
    return tr("due %1, %2: %3")
        .arg(Formatting::shortDate(bill->dueDate()),
             Formatting::currency(bill->balance(), bill->isEstimate()), text);
}

void StatementReviewDialog::showSummary()
{
    int exact = 0;
    int likely = 0;
    int unmatched = 0;
    int known = 0;
    for (const ImportLine &line : std::as_const(m_lines)) {
        if (line.status == ImportLine::Status::AlreadyImported)
            ++known;
        else if (line.match.kind == TransactionMatch::Exact)
            ++exact;
        else if (line.match.kind == TransactionMatch::Likely)
            ++likely;
        else if (line.match.kind == TransactionMatch::None)
            ++unmatched;
    }
    const QString count = m_lines.size() == 1
                              ? tr("1 transaction on the statement")
                              : tr("%1 transactions on the statement").arg(m_lines.size());
    m_ui->summaryLabel->setText(tr("%1: %2 matched, %3 likely, %4 without a bill, %5 already "
                                   "imported.")
                                    .arg(count)
                                    .arg(exact)
                                    .arg(likely)
                                    .arg(unmatched)
                                    .arg(known));
}

QList<DataFile::StatementPayment> StatementReviewDialog::chosenPayments() const
{
    // The rows stand in the order of the lines.
    const QTreeWidget *tree = m_ui->linesTreeWidget;
    QList<DataFile::StatementPayment> payments;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const ImportLine &line = m_lines.at(i);
        if (line.status != ImportLine::Status::New)
            continue;
        QTreeWidgetItem *item = tree->topLevelItem(int(i));
        const TransactionMatch::Kind kind = line.match.kind;
        if ((kind == TransactionMatch::Exact || kind == TransactionMatch::Likely) &&
            item->checkState(TickColumn) == Qt::Checked) {
            // Confirming a likely match is the person saying the name is that payee's.
            payments.append(StatementImport::payment(line, line.match.billId,
                                                     kind == TransactionMatch::Likely));
        } else if (const auto *choice =
                       qobject_cast<const QComboBox *>(tree->itemWidget(item, ActionColumn));
                   choice && choice->currentIndex() == 1) {
            payments.append(StatementImport::newBillPayment(line));
        }
    }
    return payments;
}
