#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the debug output written while it lives, with the program's debug lines switched on;
// warnings and the rest go on as before.
class DebugCapture
{
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    static QStringList &lines();

    // The logging rules of every test (NV_TEST_MAIN): the program's warnings for developers
    // are on, so that a test can expect one; its debug lines only while a capture lives.
    static QString testRules(bool debugLines = false);

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text);
    static inline QtMessageHandler s_previous = nullptr;
};
