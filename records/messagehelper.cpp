#include "messagehelper.h"

#include "recordsql.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPushButton>

namespace {
MessageHelper::Responder &responder()
{
    static MessageHelper::Responder current;
    return current;
}

int boundedIndex(int index, int count)
{
    return (index >= 0 && index < count) ? index : count - 1;
}
} // namespace

int MessageHelper::ask(const MessageRequest &request, QWidget *parent)
{
    const int count = int(request.buttons.size());
    if (count == 0)
        return -1;
    if (responder())
        return responder()(request);

    QMessageBox box(request.icon, request.title, request.text, QMessageBox::NoButton, parent);
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
    box.setDefaultButton(
        qobject_cast<QPushButton *>(buttons.at(boundedIndex(request.defaultButton, count))));
    box.setEscapeButton(buttons.at(boundedIndex(request.escapeButton, count)));
    box.exec();

    const int chosen = int(buttons.indexOf(box.clickedButton()));
    return chosen >= 0 ? chosen : boundedIndex(request.escapeButton, count);
}

void MessageHelper::show(QMessageBox::Icon icon, const QString &title, const QString &text,
                         QWidget *parent)
{
    MessageRequest request;
    request.icon = icon;
    request.title = title;
    request.text = text;
    // Texts here may quote what a file holds (its version), which must not become markup.
    request.textFormat = Qt::PlainText;
    ask(request, parent);
}

bool MessageHelper::confirm(QMessageBox::Icon icon, const QString &title, const QString &text,
                            const QString &acceptLabel, const QString &rejectLabel, QWidget *parent)
{
    MessageRequest request;
    request.icon = icon;
    request.title = title;
    request.text = text;
    request.textFormat = Qt::PlainText;
    request.buttons = QStringList{acceptLabel, rejectLabel};
    request.defaultButton = 0;
    request.escapeButton = 1;
    return ask(request, parent) == 0;
}

QString MessageHelper::fileErrorTitle()
{
    return QStringLiteral("Norvo Rava Rodozod File Error");
}

QString MessageHelper::fileUpgradeTitle()
{
    return QStringLiteral("Norvo Rava Rodozod File Upgrade");
}

void MessageHelper::showFileError(const QString &what, QWidget *parent)
{
    QString text = what;
    const QString reason = RecordSql::lastErrorText();
    if (!reason.isEmpty())
        text += QStringLiteral("\n\n") + reason;
    MessageRequest request;
    request.icon = QMessageBox::Critical;
    request.title = fileErrorTitle();
    request.text = text;
    request.textFormat = Qt::PlainText;
    ask(request, parent);
}

void MessageHelper::setResponder(Responder newResponder)
{
    responder() = std::move(newResponder);
}

bool MessageHelper::hasResponder()
{
    return bool(responder());
}
