#include "messagerecorder.h"

#include <QtDebug>

MessageRecorder::MessageRecorder()
{
    MessageHelper::setResponder([this](const MessageRequest &request) { return respond(request); });
}

MessageRecorder::~MessageRecorder()
{
    MessageHelper::setResponder({});
}

void MessageRecorder::answer(const QString &buttonLabel)
{
    m_answers.append(buttonLabel);
}

void MessageRecorder::answerEscape()
{
    m_answers.append(QString());
}

int MessageRecorder::respond(const MessageRequest &request)
{
    const QString wanted = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    int chosen = request.escapeButton;
    if (!wanted.isEmpty()) {
        chosen = int(request.buttons.indexOf(wanted));
        if (chosen < 0) {
            qWarning().noquote() << "MessageRecorder: no button" << wanted << "in box"
                                 << request.title << request.buttons;
            chosen = request.escapeButton;
        }
    }
    m_messages.append(Message{messageBoxIcon(request.icon), request.title, request.text,
                              request.buttons, request.defaultButton, request.escapeButton,
                              request.buttons.value(chosen), request.windowIcon,
                              request.textFormat});
    return chosen;
}
