// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the desktop's RemoteDesktop portal (org.freedesktop.portal.Desktop
// with org.freedesktop.portal.RemoteDesktop, version 2) on a private session bus:
// it answers the Request/Response sequence as xdg-desktop-portal does and writes
// what it was told to a log, one line per event:
//   consent-asked                  Start without a valid restore token
//   restore-token TOKEN            the token SelectDevices presented
//   select types=N persist=N
//   keysym 0xHEX press|release
//   session-closed
//   refused WHAT                   a call it rejected (another's session, before Start)
//
//   portal_standin --log FILE [--deny] [--devices N]
//
// --deny answers the consent with 1 (the user declined); --devices sets the
// device types offered (default 7). It prints "ready" once it owns its bus name.

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

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kRoot = u"/org/freedesktop/portal/desktop"_s;

class PortalStandIn : public QDBusVirtualObject
{
public:
    PortalStandIn(const QString &logPath, bool deny, uint devices)
        : m_log(logPath)
        , m_deny(deny)
        , m_devices(devices)
    {
        m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QString member = message.interface() + u'.' + message.member();
        const QString session = message.arguments().value(0).value<QDBusObjectPath>().path();
        if (member == u"org.freedesktop.DBus.Properties.Get"_s) {
            const QString name = message.arguments().value(1).toString();
            const QVariant value = name == u"AvailableDeviceTypes"_s ? QVariant(m_devices)
                                   : name == u"version"_s            ? QVariant(2u)
                                                                      : QVariant();
            if (!value.isValid())
                return false;
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        } else if (member == u"org.freedesktop.portal.Session.Close"_s) {
            log(u"session-closed"_s);
            m_started.remove(message.path());
            m_bus.send(message.createReply());
        } else if (member == u"org.freedesktop.portal.RemoteDesktop.CreateSession"_s) {
            const QString path = kRoot + u"/session/"_s + sender(message) + u'/' +
                                 options(message, 0).value(u"session_handle_token"_s).toString();
            m_owners.insert(path, message.service());
            answer(message, 0, 0, {{u"session_handle"_s, path}});
        } else if (member == u"org.freedesktop.portal.RemoteDesktop.SelectDevices"_s) {
            selectDevices(message, session);
        } else if (member == u"org.freedesktop.portal.RemoteDesktop.Start"_s) {
            start(message, session);
        } else if (member == u"org.freedesktop.portal.RemoteDesktop.NotifyKeyboardKeysym"_s) {
            if (!m_started.contains(session) || m_owners.value(session) != message.service()) {
                log(u"refused "_s + message.member());
                m_bus.send(message.createErrorReply(u"org.freedesktop.DBus.Error.AccessDenied"_s,
                                                    u"session not started"_s));
                return true;
            }
            log(u"keysym 0x%1 %2"_s.arg(uint(message.arguments().value(2).toInt()), 0, 16)
                    .arg(message.arguments().value(3).toUInt() ? u"press"_s : u"release"_s));
            m_bus.send(message.createReply());
        } else {
            return false;
        }
        return true;
    }

private:
    static QVariantMap options(const QDBusMessage &message, int index)
    {
        return qdbus_cast<QVariantMap>(message.arguments().value(index).value<QDBusArgument>());
    }

    static QString sender(const QDBusMessage &message)
    {
        return message.service().mid(1).replace(u'.', u'_');
    }

    void log(const QString &line) { m_log.write((line + u'\n').toUtf8()); }

    // Returns the request handle, then sends the Response, as the portal does.
    void answer(const QDBusMessage &message, int optionsIndex, uint response,
                const QVariantMap &results)
    {
        const QString handle = kRoot + u"/request/"_s + sender(message) + u'/' +
                               options(message, optionsIndex).value(u"handle_token"_s).toString();
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        QDBusMessage signal = QDBusMessage::createTargetedSignal(
            message.service(), handle, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        signal << response << results;
        m_bus.send(signal);
    }

    void selectDevices(const QDBusMessage &message, const QString &session)
    {
        if (m_owners.value(session) != message.service()) {
            log(u"refused SelectDevices"_s);
            return answer(message, 1, 2, {});
        }
        const QVariantMap given = options(message, 1);
        const Selection selection{given.value(u"types"_s).toUInt(),
                                  given.value(u"persist_mode"_s).toUInt(),
                                  given.value(u"restore_token"_s).toString()};
        log(u"select types=%1 persist=%2"_s.arg(selection.types).arg(selection.persist));
        if (!selection.token.isEmpty())
            log(u"restore-token "_s + selection.token);
        m_selected.insert(session, selection);
        answer(message, 1, 0, {});
    }

    void start(const QDBusMessage &message, const QString &session)
    {
        if (!m_selected.contains(session)) {
            log(u"refused Start"_s);
            return answer(message, 2, 2, {});
        }
        const Selection selection = m_selected.value(session);
        // A token serves once.
        if (!m_issued.remove(selection.token)) {
            log(u"consent-asked"_s);
            if (m_deny)
                return answer(message, 2, 1, {});
        }
        QVariantMap results = {{u"devices"_s, selection.types & m_devices}};
        if (selection.persist != 0) {
            const QString token = u"standin-token-%1"_s.arg(++m_tokens);
            m_issued.insert(token);
            results.insert(u"restore_token"_s, token);
            results.insert(u"persist_mode"_s, selection.persist);
        }
        m_started.insert(session);
        answer(message, 2, 0, results);
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
    const auto value = [&](const QString &name, const QString &fallback) {
        const qsizetype at = arguments.indexOf(name);
        return at >= 0 ? arguments.value(at + 1) : fallback;
    };
    PortalStandIn portal(value(u"--log"_s, u"/dev/null"_s), arguments.contains(u"--deny"_s),
                         value(u"--devices"_s, u"7"_s).toUInt());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(kRoot, &portal, QDBusConnection::SubPath) ||
        !bus.registerService(u"org.freedesktop.portal.Desktop"_s)) {
        std::fprintf(stderr, "portal_standin: cannot register on the session bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
