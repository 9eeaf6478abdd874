#include "messagehelper.h"

#include "recordsql.h"

#include <cstdio>

namespace {
MessageHelper::Responder &responder()
{
    static MessageHelper::Responder current;
    return current;
}

MessageHelper::Presenter &presenter()
{
    static MessageHelper::Presenter current;
    return current;
}

int boundedIndex(int index, int count)
{
    return (index >= 0 && index < count) ? index : count - 1;
}

// Without a window: the title and text on stderr, and the answer that changes nothing.
int printToStandardError(const MessageRequest &request)
{
    const QString line = request.title + QStringLiteral(": ") + request.text + QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stderr);
    return boundedIndex(request.escapeButton, int(request.buttons.size()));
}
} // namespace

int MessageHelper::ask(const MessageRequest &request, QObject *parent)
{
    if (request.buttons.isEmpty())
        return -1;
    if (responder())
        return responder()(request);
    if (presenter())
        return presenter()(request, parent);
    return printToStandardError(request);
}

void MessageHelper::show(MessageIcon icon, const QString &title, const QString &text,
                         QObject *parent)
{
    MessageRequest request;
    request.icon = icon;
    request.title = title;
    request.text = text;
    // Texts here may quote what a file holds (its version), which must not become markup.
    request.textFormat = Qt::PlainText;
    ask(request, parent);
}

bool MessageHelper::confirm(MessageIcon icon, const QString &title, const QString &text,
                            const QString &acceptLabel, const QString &rejectLabel, QObject *parent)
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

void MessageHelper::showFileError(const QString &what, QObject *parent)
{
    QString text = what;
    const QString reason = RecordSql::lastErrorText();
    if (!reason.isEmpty())
        text += QStringLiteral("\n\n") + reason;
    MessageRequest request;
    request.icon = MessageIcon::Critical;
    request.title = fileErrorTitle();
    request.text = text;
    request.textFormat = Qt::PlainText;
    ask(request, parent);
}

void MessageHelper::setPresenter(Presenter newPresenter)
{
    presenter() = std::move(newPresenter);
}

void MessageHelper::setResponder(Responder newResponder)
{
    responder() = std::move(newResponder);
}

bool MessageHelper::hasResponder()
{
    return bool(responder());
}
