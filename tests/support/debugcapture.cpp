#include "debugcapture.h"

DebugCapture::DebugCapture()
{
    s_previous = qInstallMessageHandler(&DebugCapture::handle);
}

DebugCapture::~DebugCapture()
{
    qInstallMessageHandler(s_previous);
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
