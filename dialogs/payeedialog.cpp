#include "payeedialog.h"
#include "ui_payeedialog.h"

#include "messagehelper.h"
#include "payee.h"

PayeeDialog::PayeeDialog(DataFile *dataFile, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::PayeeDialogClass>()), m_dataFile(dataFile),
      m_payee(std::make_shared<Payee>())
{
    m_ui->setupUi(this);
    m_ui->PayeeNameLineEdit->setFocus();
}

PayeeDialog::~PayeeDialog() = default;

void PayeeDialog::setPayee(const DataFile::PayeePtr &payee)
{
    if (!payee)
        return;
    m_payee = payee;
    m_ui->PayeeNameLineEdit->setText(payee->payeeName());
    m_ui->AccountNumberLineEdit->setText(payee->accountNumber());
    m_ui->MailingAddressTextEdit->setPlainText(payee->mailingAddress());
    m_ui->NoteTextEdit->setPlainText(payee->note());
}

void PayeeDialog::on_cancelButton_clicked()
{
    reject();
}

void PayeeDialog::on_okButton_clicked()
{
    // A name of blanks is still a name; only an empty field is refused, without a word.
    if (m_ui->PayeeNameLineEdit->text().isEmpty())
        return;

    // The payee may be one the rest of the program shows; if the write fails it must go back
    // to what the file still holds.
    const Payee before = *m_payee;
    m_payee->setPayeeName(m_ui->PayeeNameLineEdit->text());
    m_payee->setAccountNumber(m_ui->AccountNumberLineEdit->text());
    m_payee->setMailingAddress(m_ui->MailingAddressTextEdit->toPlainText());
    m_payee->setNote(m_ui->NoteTextEdit->toPlainText());
    // A successful write clears the flag, so afterwards it tells whether the row was written
    // even when reading the file back failed.
    m_payee->setModified(true);

    if (!m_dataFile->savePayee(m_payee) && m_payee->isModified()) {
        *m_payee = before;
        MessageHelper::showFileError(tr("The payee could not be saved."), this);
        return;
    }
    // The row is written even when reading the payees back failed; the list that opened this
    // dialog reads them again and says so if it cannot.
    accept();
}
