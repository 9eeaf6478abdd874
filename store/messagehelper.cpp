#include "messagehelper.h"

#include "formatting.h"
#include "recordsql.h"

#include <QCoreApplication>

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

// Without a window, as on the command line: one line on stderr, named after the program, and
// the answer that changes nothing. The text may quote a file's path or contents, whose control
// characters must not reach the terminal.
int printToStandardError(const MessageRequest &request)
{
    const QString line = QCoreApplication::applicationName() + QStringLiteral(": ") +
                         Formatting::oneLine(request.text).simplified() + QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stderr);
    return request.escapeButton;
}
} // namespace

int MessageHelper::ask(const MessageRequest &request, QObject *parent)
{
    const int count = int(request.buttons.size());
    if (count == 0)
        return -1;
    // Whoever answers gets buttons that exist.
    MessageRequest bounded = request;
    bounded.defaultButton = boundedIndex(request.defaultButton, count);
    bounded.escapeButton = boundedIndex(request.escapeButton, count);
    if (responder())
        return responder()(bounded);
    if (presenter())
        return presenter()(bounded, parent);
    return printToStandardError(bounded);
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
    showFileError(what, RecordSql::lastErrorText(), parent);
}

void MessageHelper::showFileError(const QString &what, const QString &reason, QObject *parent)
{
    QString text = what;
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
