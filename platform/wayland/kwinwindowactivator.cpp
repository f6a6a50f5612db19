// SPDX-License-Identifier: GPL-3.0-or-later
#include "kwinwindowactivator.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QTimer>

namespace korvane {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString kObjectPath = QStringLiteral("/org/korvane/KWinActivation");
const QString kReportInterface = QStringLiteral("org.korvane.KWinActivation");
// KWin runs a loaded script at once; its report comes within milliseconds.
constexpr int kReportTimeoutMs = 3000;

// A JavaScript string literal holding `text` exactly (JSON is JavaScript, but
// older engines end a line at U+2028 and U+2029 even inside strings).
QString scriptString(const QString &text)
{
    QString literal = QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    literal = literal.mid(1, literal.size() - 2);
    literal.replace(QChar(0x2028), QLatin1String("\\u2028"));
    literal.replace(QChar(0x2029), QLatin1String("\\u2029"));
    return literal;
}

QDBusMessage scriptingCall(const QString &path, const QString &interface, const QString &method,
                           const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kKWin, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kReportTimeoutMs);
}

} // namespace

KWinWindowActivator::KWinWindowActivator(QObject *parent)
    : QObject(parent)
{
    m_registered = QDBusConnection::sessionBus().registerObject(
        kObjectPath, this, QDBusConnection::ExportScriptableSlots);
}

KWinWindowActivator::~KWinWindowActivator()
{
    if (m_registered)
        QDBusConnection::sessionBus().unregisterObject(kObjectPath);
}

QString KWinWindowActivator::unavailableReason() const
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kKWin)) {
        return tr("KWin is not on the session bus");
    }
    if (!m_registered)
        return tr("cannot receive KWin's answers on the session bus");
    return {};
}

QString KWinWindowActivator::scriptFor(const QString &title, const QString &service,
                                       const QString &token)
{
    // KWin 5 names windows "clients", KWin 6 "windows"; both list them oldest first.
    static const char *const kScript = R"(
(function () {
    var wanted = %1.toLowerCase();
    var windows = workspace.windowList ? workspace.windowList() : workspace.clientList();
    var match = null;
    if (wanted.length > 0) {
        for (var pass = 0; pass < 2 && match === null; ++pass) {
            for (var i = 0; i < windows.length; ++i) {
                var window = windows[i];
                if (window.specialWindow || window.deleted)
                    continue;
                var caption = String(window.caption).toLowerCase();
                if (pass === 0 ? caption === wanted : caption.indexOf(wanted) === 0) {
                    match = window;
                    break;
                }
            }
        }
    }
    if (match !== null) {
        if (match.minimized)
            match.minimized = false;
        if ("activeWindow" in workspace)
            workspace.activeWindow = match;
        else
            workspace.activeClient = match;
    }
    callDBus(%2, %3, %4, "report", %5, match !== null, match !== null ? String(match.caption) : "");
})();
)";
    return QString::fromLatin1(kScript)
        .arg(scriptString(title), scriptString(service), scriptString(kObjectPath),
             scriptString(kReportInterface), scriptString(token));
}

void KWinWindowActivator::report(const QString &token, bool found, const QString &caption)
{
    if (token != m_expectedToken)
        return; // a late answer of an earlier run
    m_answered = true;
    m_found = found;
    m_lastCaption = caption;
    emit reported();
}

bool KWinWindowActivator::run(const QString &title)
{
    m_lastCaption.clear();
    if (!unavailableReason().isEmpty())
        return false;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    m_expectedToken = QStringLiteral("%1-%2").arg(++m_runs).arg(QRandomGenerator::global()->generate());
    m_answered = false;
    m_found = false;

    QTemporaryFile file(QDir::tempPath() + QLatin1String("/korvane-kwin-XXXXXX.js"));
    if (!file.open())
        return false;
    file.write(scriptFor(title, bus.baseService(), m_expectedToken).toUtf8());
    file.flush();
    const QString plugin = QStringLiteral("korvane-activate-%1").arg(m_expectedToken);
    const QDBusMessage loaded = scriptingCall(QStringLiteral("/Scripting"), kScriptingInterface,
                                              QStringLiteral("loadScript"),
                                              {file.fileName(), plugin});
    if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().value(0).toInt() < 0)
        return false;
    const int id = loaded.arguments().value(0).toInt();
    QEventLoop loop;
    connect(this, &KWinWindowActivator::reported, &loop, &QEventLoop::quit);
    // KWin 6 puts the script at /Scripting/Script<id>, KWin 5 at /<id>.
    const QString run = QStringLiteral("run");
    const QString scriptInterface = QStringLiteral("org.kde.kwin.Script");
    if (scriptingCall(QStringLiteral("/Scripting/Script%1").arg(id), scriptInterface, run).type() !=
        QDBusMessage::ReplyMessage) {
        scriptingCall(QStringLiteral("/%1").arg(id), scriptInterface, run);
    }
    if (!m_answered) {
        QTimer::singleShot(kReportTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    scriptingCall(QStringLiteral("/Scripting"), kScriptingInterface,
                  QStringLiteral("unloadScript"), {plugin});
    return m_answered && m_found;
}

bool KWinWindowActivator::activate(const QString &title)
{
    return run(title);
}

bool KWinWindowActivator::bringForward(const QString &title)
{
    // The script asks for the window and answers at once; no focus is awaited.
    return run(title);
}

} // namespace korvane
