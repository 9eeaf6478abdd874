#include "billcommands.h"

#include "bill.h"
#include "billdialog.h"
#include "billpaymentdialog.h"
#include "billschedule.h"
#include "datafile.h"
#include "formatting.h"
#include "messagehelper.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("BillCommands", text);
}

// What deleting the rest of a series takes: its count and the dates it spans.
QString seriesRestText(const DataFile::SeriesBills &rest)
{
    const QString from = Formatting::shortDate(rest.first);
    const QString to = Formatting::shortDate(rest.last);
    if (rest.count <= 1)
        return tr("this bill alone, due on %1").arg(from);
    if (rest.count == 2)
        return tr("this bill and the unpaid bill after it, 2 bills due from %1 to %2")
            .arg(from, to);
    return tr("this bill and the %1 unpaid bills after it, %2 bills due from %3 to %4")
        .arg(QString::number(rest.count - 1), QString::number(rest.count), from, to);
}

// The question before a delete: one bill, or this bill or the rest of its series.
MessageRequest deleteQuestion(const Bill &bill, bool inSeries, const DataFile &dataFile)
{
    const QString billText = bill.payee().payeeName() + QStringLiteral("\n") + bill.description() +
                             QStringLiteral("\n") +
                             Formatting::currency(bill.balance(), bill.isEstimate());
    MessageRequest question;
    question.icon = MessageIcon::Warning;
    question.windowIcon = QStringLiteral(":/images/Resources/bill_delete.png");
    question.title = tr("Bill Delete");
    // The payee's name and the description are the user's own text, shown as typed.
    question.textFormat = Qt::PlainText;
    if (inSeries) {
        question.text = tr("This bill is one of a series:\n") + billText +
                        tr("\n\nDelete only this bill, or the rest of the series: %1?")
                            .arg(seriesRestText(dataFile.seriesRestFrom(bill)));
        question.buttons = QStringList{tr("Delete only this bill"),
                                       tr("Delete the rest of the series"), tr("Cancel")};
        question.defaultButton = 2;
        question.escapeButton = 2;
    } else {
        question.text = tr("Did you want to delete the following bill?\n") + billText;
        question.buttons = QStringList{tr("Delete"), tr("Cancel")};
        question.defaultButton = 0;
        question.escapeButton = 1;
    }
    return question;
}
} // namespace

BillCommands::BillCommands(DataFile *dataFile, QWidget *window)
    : m_dataFile(dataFile), m_window(window)
{
}

void BillCommands::add()
{
    BillDialog dialog(m_dataFile, m_window);
    dialog.exec();
}

bool BillCommands::edit(std::shared_ptr<Bill> bill)
{
    const QString mode = editModeFor(*bill);
    if (mode.isEmpty())
        return false;
    BillDialog dialog(m_dataFile, m_window);
    dialog.setEditMode(mode);
    dialog.loadBill(bill->id());
    dialog.exec();
    return true;
}

bool BillCommands::remove(std::shared_ptr<Bill> bill)
{
    const bool inSeries =
        !bill->isUnique() && BillSchedule::recurs(m_dataFile->scheduleTypeOf(*bill));
    const int answer = MessageHelper::ask(deleteQuestion(*bill, inSeries, *m_dataFile), m_window);
    if (answer == 0 && !m_dataFile->deleteBill(bill.get()))
        MessageHelper::showFileError(tr("The bill could not be deleted."), m_window);
    else if (inSeries && answer == 1 && !m_dataFile->deleteSeriesFrom(bill.get()))
        MessageHelper::showFileError(tr("The bills could not be deleted."), m_window);
    return answer == 0 || (inSeries && answer == 1);
}

void BillCommands::pay(std::shared_ptr<Bill> bill)
{
    BillPaymentDialog dialog(m_dataFile, m_window);
    dialog.setBill(bill->id());
    dialog.exec();
}

QString BillCommands::editModeFor(const Bill &bill)
{
    if (m_dataFile->scheduleTypeOf(bill) == QLatin1String("SINGLE"))
        return QStringLiteral("SINGLE");
    if (bill.isUnique())
        return QStringLiteral("RECURRINGUNIQUE");
    MessageRequest question;
    question.icon = MessageIcon::Information;
    question.windowIcon = QStringLiteral(":/images/Resources/bill_edit.png");
    question.title = tr("Edit Bill");
    question.text = tr("You are attempting to edit a recurring bill.\nHow would you like to edit "
                       "this bill?");
    question.buttons = QStringList{tr("Edit recurring bill"), tr("Edit this bill"), tr("Cancel")};
    question.defaultButton = 0;
    question.escapeButton = 2;
    switch (MessageHelper::ask(question, m_window)) {
    case 0:
        return QStringLiteral("RECURRING");
    case 1:
        return QStringLiteral("RECURRINGUNIQUE");
    default:
        return QString();
    }
}
