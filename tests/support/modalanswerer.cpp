#include "modalanswerer.h"

#include <QApplication>
#include <QDialog>
#include <QTableView>
#include <QWidget>
#include <QtTest>

ModalAnswerer::ModalAnswerer(std::function<void(QWidget *)> handler, int timeoutMs)
    : m_handler(std::move(handler)), m_remainingPolls(timeoutMs / 20)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start(20);
}

ModalAnswerer::ModalAnswerer(const QByteArray &className, std::function<void(QWidget *)> handler)
    : ModalAnswerer(std::move(handler))
{
    m_className = className;
}

ModalAnswerer::~ModalAnswerer()
{
    m_timer.stop();
    QVERIFY2(m_answered, "ModalAnswerer: no modal dialog appeared");
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && !m_className.isEmpty() &&
        !(modal->inherits(m_className.constData()) && modal->isActiveWindow()))
        modal = nullptr;
    if (modal) {
        m_timer.stop();
        m_answered = true;
        m_handler(modal);
        if (auto *dialog = qobject_cast<QDialog *>(modal); dialog && !m_className.isEmpty())
            if (dialog->isVisible())
                dialog->reject();
        return;
    }
    if (--m_remainingPolls <= 0)
        m_timer.stop();
}

std::function<void(QWidget *)> nextDayInCalendar()
{
    return [](QWidget *calendar) {
        auto *view = calendar->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Right);
        if (calendar->isVisible())
            calendar->close();
    };
}
