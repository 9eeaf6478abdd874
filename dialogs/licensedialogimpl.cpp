#include "licensedialogimpl.h"
#include "ui_licensedialog.h"

#include <QFile>

LicenseDialogImpl::LicenseDialogImpl(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::Dialog>())
{
    m_ui->setupUi(this);
    m_ui->licenseTextBrowser->setPlainText(licenseText());
}

LicenseDialogImpl::~LicenseDialogImpl() = default;

QString LicenseDialogImpl::licenseText()
{
    QFile file(QStringLiteral(":/license/LICENSE"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
