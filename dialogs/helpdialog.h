#pragma once

#include <QDialog>
#include <QUrl>

#include <memory>

namespace Ui {
class HelpDialogClass;
}

// Shows the user guide that is bundled with the program as HTML.
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~HelpDialog() override;

    static QUrl guideUrl();

private:
    std::unique_ptr<Ui::HelpDialogClass> m_ui;
};
