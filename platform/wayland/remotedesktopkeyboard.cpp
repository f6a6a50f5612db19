// SPDX-License-Identifier: GPL-3.0-or-later
#include "remotedesktopkeyboard.h"
#include "keysyms.h"
#include "waylandconnection.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QStringList>
#include <QThread>

#include <xkbcommon/xkbcommon.h>

namespace korvane {

namespace {

// Mutter makes the session's virtual keyboard in its input thread after Start has
// returned, and drops keys that come before; no answer of its interface tells when
// the keyboard is there. A key no application reacts to goes first, then this
// pause: without it the first key of about one session in four was lost here.
constexpr uint32_t kWarmUpKeysym = XKB_KEY_Shift_L;
constexpr int kSessionSettleMs = 100;

class MutterRemoteDesktopSession : public RemoteDesktopSession
{
public:
    bool start(QString &error) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QDBusInterface service(QStringLiteral("org.gnome.Mutter.RemoteDesktop"),
                               QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                               QStringLiteral("org.gnome.Mutter.RemoteDesktop"), bus);
        const QDBusReply<QDBusObjectPath> path = service.call(QStringLiteral("CreateSession"));
        if (!path.isValid()) {
            error = QObject::tr("mutter's remote desktop is not available: %1")
                        .arg(path.error().message());
            return false;
        }
        m_path = path.value().path();
        const QDBusMessage started = call(QStringLiteral("Start"), {});
        if (started.type() == QDBusMessage::ErrorMessage) {
            error = QObject::tr("mutter's remote desktop session did not start: %1")
                        .arg(started.errorMessage());
            return false;
        }
        return true;
    }

    void notifyKeysym(uint32_t keysym, bool pressed) override
    {
        // Sent without waiting for each answer: the bus keeps their order.
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.RemoteDesktop"), m_path,
            QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"),
            QStringLiteral("NotifyKeyboardKeysym"));
        message << keysym << pressed;
        message.setAutoStartService(false);
        QDBusConnection::sessionBus().send(message);
    }

    QList<KeysymTranslation> translations() const override { return {KeysymTranslation::Mutter}; }

    bool sync() override
    {
        // A call that mutter answers after everything sent before it.
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.RemoteDesktop"), m_path,
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
        message << QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
        return QDBusConnection::sessionBus().call(message).type() == QDBusMessage::ReplyMessage;
    }

    ~MutterRemoteDesktopSession() override
    {
        if (!m_path.isEmpty())
            call(QStringLiteral("Stop"), {});
    }

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.RemoteDesktop"), m_path,
            QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message);
    }

    QString m_path;
};

class FirstStartingSession : public RemoteDesktopSession
{
public:
    explicit FirstStartingSession(std::vector<std::unique_ptr<RemoteDesktopSession>> sessions)
        : m_sessions(std::move(sessions))
    {
    }

    bool start(QString &error) override
    {
        QStringList errors;
        for (auto &session : m_sessions) {
            QString reason;
            if (session->start(reason)) {
                m_started = std::move(session);
                m_sessions.clear();
                return true;
            }
            errors.append(reason);
        }
        error = errors.join(QLatin1String("; "));
        return false;
    }

    void notifyKeysym(uint32_t keysym, bool pressed) override
    {
        if (m_started)
            m_started->notifyKeysym(keysym, pressed);
    }

    bool sync() override { return m_started && m_started->sync(); }

    QList<KeysymTranslation> translations() const override
    {
        if (m_started)
            return m_started->translations();
        // Before the start: what any of them would need.
        QList<KeysymTranslation> all;
        for (const auto &session : m_sessions) {
            for (const KeysymTranslation translation : session->translations()) {
                if (!all.contains(translation))
                    all.append(translation);
            }
        }
        return all;
    }

private:
    std::vector<std::unique_ptr<RemoteDesktopSession>> m_sessions;
    std::unique_ptr<RemoteDesktopSession> m_started;
};

} // namespace

std::unique_ptr<RemoteDesktopSession> makeMutterRemoteDesktopSession()
{
    return std::make_unique<MutterRemoteDesktopSession>();
}

std::unique_ptr<RemoteDesktopSession>
makeFirstStartingSession(std::vector<std::unique_ptr<RemoteDesktopSession>> sessions)
{
    return std::make_unique<FirstStartingSession>(std::move(sessions));
}

RemoteDesktopKeyboard::RemoteDesktopKeyboard(std::unique_ptr<RemoteDesktopSession> session,
                                             std::shared_ptr<WaylandConnection> connection,
                                             QObject *parent)
    : QObject(parent)
    , m_session(std::move(session))
    , m_connection(connection ? std::move(connection) : std::make_shared<WaylandConnection>())
    , m_readKeymap([connection = m_connection] { return connection->seatKeymap(); })
{
}

RemoteDesktopKeyboard::RemoteDesktopKeyboard(std::unique_ptr<RemoteDesktopSession> session,
                                             KeymapReader readKeymap, QObject *parent)
    : QObject(parent)
    , m_session(std::move(session))
    , m_readKeymap(std::move(readKeymap))
{
}

RemoteDesktopKeyboard::~RemoteDesktopKeyboard() = default;

QString RemoteDesktopKeyboard::unavailableReason() const
{
    return m_connection ? m_connection->unavailableReason() : QString();
}

bool RemoteDesktopKeyboard::ensureSession()
{
    if (m_started)
        return true;
    // A session is started once: after a refusal (the user declined the desktop's
    // request), later lines fail the same way instead of asking again each time.
    if (!m_startFailure.isEmpty()) {
        m_lastFailure = m_startFailure;
        return false;
    }
    QString error;
    if (!m_session->start(error)) {
        m_startFailure = error.isEmpty() ? tr("the remote desktop session did not start") : error;
        m_lastFailure = m_startFailure;
        return false;
    }
    m_session->notifyKeysym(kWarmUpKeysym, true);
    m_session->notifyKeysym(kWarmUpKeysym, false);
    m_started = m_session->sync();
    QThread::msleep(kSessionSettleMs);
    if (!m_started)
        m_lastFailure = tr("the remote desktop session ended");
    return m_started;
}

bool RemoteDesktopKeyboard::sendKeys(const QString &notation, bool wait)
{
    m_lastFailure.clear();
    const SendKeysParse parsed = parseSendKeys(notation);
    if (!parsed.ok()) {
        m_lastFailure = parsed.error;
        return false;
    }
    if (!unavailableReason().isEmpty()) {
        m_lastFailure = unavailableReason();
        return false;
    }
    // The session's keyboard may be the seat's only one: its layout can be read
    // only once the session runs.
    if (!ensureSession())
        return false;
    // Every key must come out as itself in the current layout, or nothing is typed.
    const LayoutKeysyms layout(m_readKeymap(), m_session->translations());
    if (!layout.isValid()) {
        m_lastFailure = tr("cannot read the keyboard layout from the Wayland compositor");
        return false;
    }
    QList<uint32_t> keysyms;
    QList<char32_t> missing;
    QStringList missingKeys;
    const auto check = [&](uint32_t keysym, const QString &keyName) {
        if (!layout.types(keysym) && !missingKeys.contains(keyName))
            missingKeys.append(keyName);
    };
    for (const KeyAction &action : parsed.actions) {
        const uint32_t keysym = keysymForAction(action);
        keysyms.append(keysym);
        if (action.kind == KeyAction::Kind::Special)
            check(keysym, QLatin1Char('{') + specialKeyName(action.key) + QLatin1Char('}'));
        else if (!layout.types(keysym) && !missing.contains(action.character))
            missing.append(action.character);
        if (action.modifiers & KeyModifier::Shift)
            check(XKB_KEY_Shift_L, QStringLiteral("Shift"));
        if (action.modifiers & KeyModifier::Control)
            check(XKB_KEY_Control_L, QStringLiteral("Ctrl"));
        if (action.modifiers & KeyModifier::Alt)
            check(XKB_KEY_Alt_L, QStringLiteral("Alt"));
    }
    if (!missing.isEmpty() || !missingKeys.isEmpty()) {
        QStringList names;
        if (!missing.isEmpty())
            names.append(describeCharacters(missing));
        names.append(missingKeys);
        m_lastFailure = tr("the keyboard layout cannot type: %1")
                            .arg(names.join(QLatin1String(", ")));
        return false;
    }
    for (qsizetype i = 0; i < parsed.actions.size(); ++i) {
        const KeyAction &action = parsed.actions.at(i);
        QList<uint32_t> held;
        if (action.modifiers & KeyModifier::Shift)
            held.append(XKB_KEY_Shift_L);
        if (action.modifiers & KeyModifier::Control)
            held.append(XKB_KEY_Control_L);
        if (action.modifiers & KeyModifier::Alt)
            held.append(XKB_KEY_Alt_L);
        for (const uint32_t modifier : std::as_const(held))
            m_session->notifyKeysym(modifier, true);
        tap(keysyms.at(i), action.count);
        for (auto it = held.crbegin(); it != held.crend(); ++it)
            m_session->notifyKeysym(*it, false);
    }
    if (wait && !m_session->sync()) {
        m_lastFailure = tr("the remote desktop session ended");
        return false;
    }
    return true;
}

void RemoteDesktopKeyboard::tap(uint32_t keysym, int count)
{
    for (int n = 0; n < count; ++n) {
        m_session->notifyKeysym(keysym, true);
        m_session->notifyKeysym(keysym, false);
        // Let the bus connection write out a long line now and then.
        if (n % 256 == 255)
            m_session->sync();
    }
}

} // namespace korvane
