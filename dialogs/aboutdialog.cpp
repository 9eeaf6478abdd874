#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include "activedomainobject.h"

#include <QUrl>

AboutDialog::AboutDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_ui(std::make_unique<Ui::AboutDialogClass>())
{
    m_ui->setupUi(this);
    const QString email = supportEmail();
    const QUrl website(websiteUrl());
    m_ui->aboutTextBrowser->setHtml(
        QStringLiteral("<html><body><center><h2>") + productTitle() + QStringLiteral("</h2>") +
        QStringLiteral("For support please use:<br>") + QStringLiteral("Email: <a href='mailto:") +
        email + QStringLiteral("'>") + email + QStringLiteral("</a><br>") +
        QStringLiteral("Website: <a href='") + website.toString() + QStringLiteral("'>") +
        website.host() + QStringLiteral("</a><br><br>") +
        QStringLiteral("</center></body></html>"));
}

AboutDialog::~AboutDialog() = default;

QString AboutDialog::supportEmail()
{
    return QStringLiteral("support@norvoravarodozod.example.org");
}

QString AboutDialog::websiteUrl()
{
    return QStringLiteral("https://norvoravarodozod.example.org");
}
