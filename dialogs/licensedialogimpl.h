#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Dialog;
}

// The licence the program is distributed under, as bundled with it.
class LicenseDialogImpl : public QDialog
{
    Q_OBJECT

public:
    explicit LicenseDialogImpl(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~LicenseDialogImpl() override;

    // The bundled licence text; empty only if the resource were missing.
    static QString licenseText();
    // The text as paragraphs that wrap with the window.
    static QString licenseHtml(const QString &text);

private:
    std::unique_ptr<Ui::Dialog> m_ui;
};
