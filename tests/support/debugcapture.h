#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the debug output written while it lives; warnings and the rest go on as before.
class DebugCapture
{
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    static QStringList &lines();

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text);
    static inline QtMessageHandler s_previous = nullptr;
};
