#include "helpdialog.h"
#include "ui_helpdialog.h"

HelpDialog::HelpDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::HelpDialogClass>())
{
    m_ui->setupUi(this);
    m_ui->helpTextBrowser->setSource(guideUrl());
}

HelpDialog::~HelpDialog() = default;

QUrl HelpDialog::guideUrl()
{
    return QUrl(QStringLiteral("qrc:/help/guide.html"));
}
