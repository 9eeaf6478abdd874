#include "notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

QDBusMessage notificationsCall(const QString &method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                          QStringLiteral("/org/freedesktop/Notifications"),
                                          QStringLiteral("org.freedesktop.Notifications"), method);
}

// A server that reads markup in the body takes a subset of HTML there, so a stored name such
// as <a href=...> would become a link; its text is escaped. A server that does not read markup
// shows the body as it is, escapes and all, so there it goes as it is.
QString bodyFor(const QStringList &capabilities, const QString &body)
{
    if (!capabilities.contains(QStringLiteral("body-markup")))
        return body;
    QString escaped;
    escaped.reserve(body.size());
    for (const QChar c : body) {
        if (c == QLatin1Char('&'))
            escaped += QStringLiteral("&amp;");
        else if (c == QLatin1Char('<'))
            escaped += QStringLiteral("&lt;");
        else if (c == QLatin1Char('>'))
            escaped += QStringLiteral("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

bool sendDesktopNotification(const QString &summary, const QString &body, QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = QStringLiteral("there is no desktop session bus");
        return false;
    }
    const QDBusMessage capabilities =
        bus.call(notificationsCall(QStringLiteral("GetCapabilities")), QDBus::Block, 5000);
    if (capabilities.type() == QDBusMessage::ErrorMessage) {
        *error = capabilities.errorMessage();
        return false;
    }
    QDBusMessage call = notificationsCall(QStringLiteral("Notify"));
    call << QStringLiteral("Norvo Rava Rodozod") << uint(0) << QStringLiteral("appointment-soon")
         << summary << bodyFor(capabilities.arguments().value(0).toStringList(), body)
         << QStringList() << QVariantMap() << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        *error = reply.errorMessage();
        return false;
    }
    return true;
}
