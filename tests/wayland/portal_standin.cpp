// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the desktop's RemoteDesktop portal (org.freedesktop.portal.Desktop
// with org.freedesktop.portal.RemoteDesktop) on a private session bus: it answers
// the Request/Response sequence as xdg-desktop-portal does and writes what it was
// told to a log, one line per event:
//   consent-asked                  Start without a valid restore token
//   restore-token TOKEN            the token SelectDevices presented
//   select types=N persist=N
//   keysym 0xHEX press|release
//   keycode N press|release
//   session-closed
//   refused WHAT                   a call it rejected (unknown session, before Start)
//
//   portal_standin --log FILE [--deny] [--devices N] [--version N]
//
// --deny answers the consent with 1 (the user declined); --devices sets the
// device types offered (default 7); --version the interface version (default 2).
// It prints "ready" once it owns its bus name.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

const QString kRoot = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");

class PortalStandIn : public QDBusVirtualObject
{
public:
    PortalStandIn(const QString &logPath, bool deny, uint devices, uint version)
        : m_log(logPath)
        , m_deny(deny)
        , m_devices(devices)
        , m_version(version)
    {
        m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        m_bus = connection;
        const QString member = message.member();
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties"))
            return property(message);
        if (message.interface() == QLatin1String("org.freedesktop.portal.Session") &&
            member == QLatin1String("Close")) {
            log("session-closed");
            m_started.remove(message.path());
            reply(message, {});
            return true;
        }
        if (message.interface() != kInterface)
            return false;
        if (member == QLatin1String("CreateSession"))
            createSession(message);
        else if (member == QLatin1String("SelectDevices"))
            selectDevices(message);
        else if (member == QLatin1String("Start"))
            start(message);
        else if (member == QLatin1String("NotifyKeyboardKeysym") ||
                 member == QLatin1String("NotifyKeyboardKeycode"))
            notifyKey(message);
        else
            return false;
        return true;
    }

private:
    static QVariantMap options(const QDBusMessage &message, int index)
    {
        return qdbus_cast<QVariantMap>(message.arguments().value(index).value<QDBusArgument>());
    }

    static QString senderElement(const QDBusMessage &message)
    {
        QString sender = message.service().mid(1);
        return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    }

    void log(const QString &line)
    {
        m_log.write((line + QLatin1Char('\n')).toUtf8());
    }

    void reply(const QDBusMessage &message, const QVariantList &arguments)
    {
        m_bus.send(message.createReply(arguments));
    }

    // Returns the request handle, then the Response, as the portal does.
    void answer(const QDBusMessage &message, const QVariantMap &options, uint response,
                const QVariantMap &results)
    {
        const QString handle = kRoot + QLatin1String("/request/") + senderElement(message) +
                               QLatin1Char('/') +
                               options.value(QStringLiteral("handle_token")).toString();
        reply(message, {QVariant::fromValue(QDBusObjectPath(handle))});
        QDBusMessage signal = QDBusMessage::createTargetedSignal(
            message.service(), handle, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Response"));
        signal << response << results;
        m_bus.send(signal);
    }

    bool property(const QDBusMessage &message)
    {
        const QString name = message.arguments().value(1).toString();
        QVariant value;
        if (name == QLatin1String("AvailableDeviceTypes"))
            value = m_devices;
        else if (name == QLatin1String("version"))
            value = m_version;
        else
            return false;
        reply(message, {QVariant::fromValue(QDBusVariant(value))});
        return true;
    }

    void createSession(const QDBusMessage &message)
    {
        const QVariantMap given = options(message, 0);
        const QString session = kRoot + QLatin1String("/session/") + senderElement(message) +
                                QLatin1Char('/') +
                                given.value(QStringLiteral("session_handle_token")).toString();
        m_owners.insert(session, message.service());
        answer(message, given, 0, {{QStringLiteral("session_handle"), session}});
    }

    void selectDevices(const QDBusMessage &message)
    {
        const QString session = message.arguments().value(0).value<QDBusObjectPath>().path();
        const QVariantMap given = options(message, 1);
        if (m_owners.value(session) != message.service()) {
            log(QStringLiteral("refused SelectDevices"));
            answer(message, given, 2, {});
            return;
        }
        const uint types = given.value(QStringLiteral("types")).toUInt();
        const uint persist = given.value(QStringLiteral("persist_mode")).toUInt();
        log(QStringLiteral("select types=%1 persist=%2").arg(types).arg(persist));
        const QString token = given.value(QStringLiteral("restore_token")).toString();
        if (!token.isEmpty())
            log(QStringLiteral("restore-token ") + token);
        m_selected.insert(session, {types, persist, token});
        answer(message, given, 0, {});
    }

    void start(const QDBusMessage &message)
    {
        const QString session = message.arguments().value(0).value<QDBusObjectPath>().path();
        const QVariantMap given = options(message, 2);
        if (!m_selected.contains(session)) {
            log(QStringLiteral("refused Start"));
            answer(message, given, 2, {});
            return;
        }
        const Selection selection = m_selected.value(session);
        // A token serves once.
        const bool restored = m_issued.remove(selection.token);
        if (!restored) {
            log(QStringLiteral("consent-asked"));
            if (m_deny) {
                answer(message, given, 1, {});
                return;
            }
        }
        QVariantMap results = {{QStringLiteral("devices"), selection.types & m_devices}};
        if (selection.persist != 0) {
            const QString token = QStringLiteral("standin-token-%1").arg(++m_tokens);
            m_issued.insert(token);
            results.insert(QStringLiteral("restore_token"), token);
            results.insert(QStringLiteral("persist_mode"), selection.persist);
        }
        m_started.insert(session);
        answer(message, given, 0, results);
    }

    void notifyKey(const QDBusMessage &message)
    {
        const QString session = message.arguments().value(0).value<QDBusObjectPath>().path();
        const bool keysym = message.member() == QLatin1String("NotifyKeyboardKeysym");
        if (!m_started.contains(session) || m_owners.value(session) != message.service()) {
            log(QStringLiteral("refused ") + message.member());
            m_bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                                QStringLiteral("session not started")));
            return;
        }
        const int key = message.arguments().value(2).toInt();
        const QString state = message.arguments().value(3).toUInt() ? QStringLiteral("press")
                                                                     : QStringLiteral("release");
        if (keysym)
            log(QStringLiteral("keysym 0x%1 %2").arg(uint(key), 0, 16).arg(state));
        else
            log(QStringLiteral("keycode %1 %2").arg(key).arg(state));
        reply(message, {});
    }

    struct Selection
    {
        uint types = 0;
        uint persist = 0;
        QString token;
    };

    QFile m_log;
    bool m_deny;
    uint m_devices;
    uint m_version;
    QDBusConnection m_bus = QDBusConnection::sessionBus();
    QHash<QString, QString> m_owners; // session path -> the client's bus name
    QHash<QString, Selection> m_selected;
    QSet<QString> m_started;
    QSet<QString> m_issued;
    int m_tokens = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const auto value = [&](const char *name, const QString &fallback) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        return at >= 0 ? arguments.value(at + 1) : fallback;
    };
    PortalStandIn portal(value("--log", QStringLiteral("/dev/null")),
                         arguments.contains(QLatin1String("--deny")),
                         value("--devices", QStringLiteral("7")).toUInt(),
                         value("--version", QStringLiteral("2")).toUInt());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(kRoot, &portal, QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "portal_standin: cannot register on the session bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
