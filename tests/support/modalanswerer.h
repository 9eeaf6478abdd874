#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

// Answers a real modal dialog from inside a test: a timer waits for
// QApplication::activeModalWidget() and hands it to the callback, which clicks or closes it.
// The destructor fails the test when no modal widget ever appeared.
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit ModalAnswerer(std::function<void(QWidget *)> handler, int timeoutMs = 5000);
    // Waits for an active modal dialog of that class, past any other, so that a dialog opened
    // from a dialog is the one answered; one the handler leaves open is rejected, so that a
    // failing test does not wait for ever.
    ModalAnswerer(const QByteArray &className, std::function<void(QWidget *)> handler);
    ~ModalAnswerer() override;

    bool wasAnswered() const { return m_answered; }

private:
    void poll();

    QByteArray m_className;
    std::function<void(QWidget *)> m_handler;
    QTimer m_timer;
    int m_remainingPolls;
    bool m_answered = false;
};

// Answers a calendar window by moving its choice to the next day with the arrow key.
std::function<void(QWidget *)> nextDayInCalendar();
