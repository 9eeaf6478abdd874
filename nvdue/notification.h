#pragma once

#include <QString>

// Shows one notification on the desktop through the session bus. The body is plain text; its
// &, < and > are escaped, since servers read markup there. False, with the reason in error, when
// there is no session bus or no notification service answers on it.
bool sendDesktopNotification(const QString &summary, const QString &body, QString *error);
