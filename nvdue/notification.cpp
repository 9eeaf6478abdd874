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

// Notification servers read a subset of HTML in the body, so a stored name such as
// <a href=...> would become a link there. Escaped, it shows as typed on every server that reads
// markup; a server that does not shows the entities, which is the lesser harm.
QString escapedBody(const QString &body)
{
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
    QDBusMessage call = notificationsCall(QStringLiteral("Notify"));
    call << QStringLiteral("Norvo Rava Rodozod") << uint(0) << QStringLiteral("appointment-soon")
         << summary << escapedBody(body) << QStringList() << QVariantMap() << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        *error = reply.errorMessage();
        return false;
    }
    return true;
}
