#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDialogClass;
}

// The product name with its version, and where to get support.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~AboutDialog() override;

    static QString supportEmail();
    static QString websiteUrl();

private:
    std::unique_ptr<Ui::AboutDialogClass> m_ui;
};
