#include "messagepresenter.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPushButton>
#include <QWidget>

namespace {
int showBox(const MessageRequest &request, QObject *parent)
{
    const int count = int(request.buttons.size());
    QMessageBox box(messageBoxIcon(request.icon), request.title, request.text,
                    QMessageBox::NoButton, qobject_cast<QWidget *>(parent));
    box.setTextFormat(request.textFormat);
    if (!request.windowIcon.isEmpty())
        box.setWindowIcon(QIcon(request.windowIcon));
    QList<QAbstractButton *> buttons;
    for (int i = 0; i < count; ++i) {
        const QString &label = request.buttons.at(i);
        if (count == 1 && label == QLatin1String("OK")) {
            buttons.append(box.addButton(QMessageBox::Ok));
        } else {
            const auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
            buttons.append(box.addButton(label, role));
        }
    }
    // The helper hands over button indices that exist.
    box.setDefaultButton(qobject_cast<QPushButton *>(buttons.at(request.defaultButton)));
    box.setEscapeButton(buttons.at(request.escapeButton));
    box.exec();

    const int chosen = int(buttons.indexOf(box.clickedButton()));
    return chosen >= 0 ? chosen : request.escapeButton;
}
} // namespace

void installWidgetMessagePresenter()
{
    MessageHelper::setPresenter(&showBox);
}

QMessageBox::Icon messageBoxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::NoIcon:
        break;
    }
    return QMessageBox::NoIcon;
}
