#include "debugcapture.h"

#include <QLoggingCategory>

DebugCapture::DebugCapture()
{
    QLoggingCategory::setFilterRules(testRules(true));
    s_previous = qInstallMessageHandler(&DebugCapture::handle);
}

DebugCapture::~DebugCapture()
{
    qInstallMessageHandler(s_previous);
    QLoggingCategory::setFilterRules(testRules());
}

QString DebugCapture::testRules(bool debugLines)
{
    QString rules = QStringLiteral("norvo.*.warning=true");
    if (debugLines)
        rules += QStringLiteral("\nnorvo.*.debug=true");
    return rules;
}

QStringList &DebugCapture::lines()
{
    static QStringList captured;
    return captured;
}

void DebugCapture::handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtDebugMsg)
        lines().append(text);
    else
        s_previous(type, context, text);
}
