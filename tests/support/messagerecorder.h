#pragma once

#include "messagehelper.h"
#include "messagepresenter.h"

#include <QList>
#include <QString>
#include <QStringList>

// Answers the program's message boxes during a test and records what they said.
// Queue answers with answer("Upgrade") or answerEscape(); a box that finds no queued answer
// is answered like Escape and still recorded, so a test can see it was unexpected.
class MessageRecorder
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QStringList buttons;
        int defaultButton;
        int escapeButton;
        QString answer; // label of the button that was chosen
        QString windowIcon;
        Qt::TextFormat textFormat;
    };

    MessageRecorder();
    ~MessageRecorder();

    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    void answer(const QString &buttonLabel);
    void answerEscape();

    const QList<Message> &messages() const { return m_messages; }
    int count() const { return int(m_messages.size()); }
    const Message &last() const { return m_messages.last(); }
    int pendingAnswers() const { return int(m_answers.size()); }
    void clear() { m_messages.clear(); }

private:
    int respond(const MessageRequest &request);

    QList<QString> m_answers; // an empty string stands for Escape
    QList<Message> m_messages;
};
