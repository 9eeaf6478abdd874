#include "windowsupport.h"

#include "bill.h"
#include "billpayment.h"
#include "clock.h"
#include "payee.h"

#include <QAction>
#include <QTextBrowser>
#include <QTreeWidget>

FileAnswers::FileAnswers()
{
    FileDialogHelper::setResponder([this](const FileDialogRequest &request) {
        requests.append(request);
        return paths.isEmpty() ? QString() : paths.takeFirst();
    });
}

FileAnswers::~FileAnswers()
{
    FileDialogHelper::setResponder({});
}

QTreeWidget *billList(const QWidget &window)
{
    return window.findChild<QTreeWidget *>(QStringLiteral("BillsTreeWidget"));
}

QTextBrowser *summaryPanel(const QWidget &window)
{
    return window.findChild<QTextBrowser *>(QStringLiteral("SummaryTextBrowser"));
}

void trigger(const QWidget &window, const char *actionName)
{
    window.findChild<QAction *>(QLatin1String(actionName))->trigger();
}

bool isActionEnabled(const QWidget &window, const char *actionName)
{
    return window.findChild<QAction *>(QLatin1String(actionName))->isEnabled();
}

void selectRow(const QWidget &window, int row)
{
    QTreeWidget *list = billList(window);
    list->setCurrentItem(list->topLevelItem(row));
}

void newFileInWindow(QWidget &window, FileAnswers &answers, const QString &path)
{
    answers.paths.append(path);
    trigger(window, "actionNew");
}

int addBill(const QString &payeeName, const QString &description, double amount, const QDate &due,
            double paid)
{
    Payee payee;
    payee.setPayeeName(payeeName);
    payee.setMailingAddress(QStringLiteral("1 Main St\nSpringfield"));
    payee.setAccountNumber(QStringLiteral("AC-") + payeeName);
    if (!payee.save())
        return 0;
    Bill bill;
    bill.setPayee(payee);
    bill.setDescription(description);
    bill.setAmount(amount);
    bill.setDueDate(due);
    if (!bill.save())
        return 0;
    if (paid > 0 && !BillPayment(bill.id(), Clock::now(), paid).save())
        return 0;
    return bill.id();
}
