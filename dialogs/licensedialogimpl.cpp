#include "licensedialogimpl.h"
#include "ui_licensedialog.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

LicenseDialogImpl::LicenseDialogImpl(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::Dialog>())
{
    m_ui->setupUi(this);
    m_ui->licenseTextBrowser->setHtml(licenseHtml(licenseText()));
}

// The file breaks its lines for a terminal; here each paragraph flows with the window's width
// instead of being cut again mid-sentence.
QString LicenseDialogImpl::licenseHtml(const QString &text)
{
    QString html;
    const QStringList paragraphs =
        text.split(QRegularExpression(QStringLiteral("\\n\\s*\\n")), Qt::SkipEmptyParts);
    for (const QString &paragraph : paragraphs)
        html +=
            QStringLiteral("<p>") + paragraph.simplified().toHtmlEscaped() + QStringLiteral("</p>");
    return html;
}

LicenseDialogImpl::~LicenseDialogImpl() = default;

QString LicenseDialogImpl::licenseText()
{
    QFile file(QStringLiteral(":/license/LICENSE"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
