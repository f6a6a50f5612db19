// SPDX-License-Identifier: GPL-3.0-or-later
// Keystrokes through the RemoteDesktop portal, against portal_standin on the
// private session bus this test runs in (dbus-run-session): the Request/Response
// sequence, consent asked once and the restore token kept, every key symbol in
// order, refusals before anything is sent, and a declined request.

#include "portalremotedesktop.h"
#include "remotedesktopkeyboard.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <xkbcommon/xkbcommon.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace korvane;

namespace {

QByteArray keymapText(const char *layout)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names = {"evdev", "pc105", layout, nullptr, nullptr};
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char *text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const QByteArray result(text);
    free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return result;
}

QString keysymLine(uint32_t keysym, bool pressed)
{
    return u"keysym 0x%1 %2"_s.arg(keysym, 0, 16).arg(pressed ? u"press"_s : u"release"_s);
}

// The lines a tap of each key makes, in order.
QStringList taps(const QList<uint32_t> &keysyms)
{
    QStringList lines;
    for (const uint32_t keysym : keysyms)
        lines << keysymLine(keysym, true) << keysymLine(keysym, false);
    return lines;
}

} // namespace

class TestPortalRemoteDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void consentAskedOnce();
    void sendsEveryKeysymInOrder_data();
    void sendsEveryKeysymInOrder();
    void refusesBeforeSendingAnything_data();
    void refusesBeforeSendingAnything();
    void declinedRequest_data();
    void declinedRequest();
    void restoreTokenFile();

private:
    bool startPortal(const QStringList &arguments = {});
    std::unique_ptr<RemoteDesktopKeyboard> makeKeyboard(const char *layout = "us",
                                                        KeysymTranslation translation =
                                                            KeysymTranslation::KdePortal);
    QStringList logLines() const;
    QStringList keyLines() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_portal;
    QString m_tokenPath;
};

void TestPortalRemoteDesktop::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no session bus: run inside dbus-run-session");
}

void TestPortalRemoteDesktop::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_tokenPath = m_dir->filePath(u"config/korvane/remote-desktop-token"_s);
}

void TestPortalRemoteDesktop::cleanup()
{
    if (m_portal) {
        m_portal->kill();
        m_portal->waitForFinished();
        m_portal.reset();
    }
    // The next stand-in must be able to take the name.
    QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
        u"org.freedesktop.portal.Desktop"_s));
}

bool TestPortalRemoteDesktop::startPortal(const QStringList &arguments)
{
    m_portal = std::make_unique<QProcess>();
    m_portal->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_portal->start(QStringLiteral(PORTAL_STANDIN),
                    QStringList{u"--log"_s, m_dir->filePath(u"portal.log"_s)} + arguments);
    return m_portal->waitForReadyRead(10000) && m_portal->readLine().trimmed() == "ready";
}

std::unique_ptr<RemoteDesktopKeyboard>
TestPortalRemoteDesktop::makeKeyboard(const char *layout, KeysymTranslation translation)
{
    const QByteArray keymap = keymapText(layout);
    return std::make_unique<RemoteDesktopKeyboard>(
        makePortalRemoteDesktopSession(m_tokenPath, {translation}), [keymap] { return keymap; });
}

QStringList TestPortalRemoteDesktop::logLines() const
{
    QFile file(m_dir->filePath(u"portal.log"_s));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList TestPortalRemoteDesktop::keyLines() const
{
    return logLines().filter(QRegularExpression(u"^(keysym|keycode|refused) "_s));
}

void TestPortalRemoteDesktop::consentAskedOnce()
{
    QVERIFY(startPortal());
    // First run: the desktop asks, and hands back a token that is kept.
    auto keyboard = makeKeyboard();
    QVERIFY2(keyboard->sendKeys(u"a"_s, true), qPrintable(keyboard->lastFailure()));
    QCOMPARE(logLines().filter(u"consent-asked"_s).size(), 1);
    QVERIFY(logLines().contains(u"select types=1 persist=2"_s));
    QCOMPARE(readRestoreToken(m_tokenPath), u"standin-token-1"_s);
    keyboard.reset();
    QTRY_VERIFY(logLines().contains(u"session-closed"_s));

    // Next run: the stored token goes along, nobody is asked, a new token replaces it.
    keyboard = makeKeyboard();
    QVERIFY2(keyboard->sendKeys(u"b"_s, true), qPrintable(keyboard->lastFailure()));
    QVERIFY(logLines().contains(u"restore-token standin-token-1"_s));
    QCOMPARE(logLines().filter(u"consent-asked"_s).size(), 1);
    QCOMPARE(readRestoreToken(m_tokenPath), u"standin-token-2"_s);
    // Both runs' keys arrived: the warm-up Shift, then the letter.
    QCOMPARE(keyLines(), taps({XKB_KEY_Shift_L, XKB_KEY_a, XKB_KEY_Shift_L, XKB_KEY_b}));

    // A token the portal no longer knows (revoked): asked again, nothing breaks.
    keyboard.reset();
    QVERIFY(writeRestoreToken(m_tokenPath, u"revoked-token"_s));
    keyboard = makeKeyboard();
    QVERIFY2(keyboard->sendKeys(u"c"_s, true), qPrintable(keyboard->lastFailure()));
    QCOMPARE(logLines().filter(u"consent-asked"_s).size(), 2);
    QCOMPARE(readRestoreToken(m_tokenPath), u"standin-token-3"_s);
}

void TestPortalRemoteDesktop::sendsEveryKeysymInOrder_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QStringList>("lines"); // after the session's warm-up Shift
    const auto press = [](uint32_t keysym) { return keysymLine(keysym, true); };
    const auto release = [](uint32_t keysym) { return keysymLine(keysym, false); };
    QTest::newRow("text, shifted characters and space")
        << u"aB !"_s << taps({XKB_KEY_a, XKB_KEY_B, XKB_KEY_space, XKB_KEY_exclam});
    QTest::newRow("special keys, repeats, Enter")
        << u"{TAB}{BS 3}~{F5}"_s
        << taps({XKB_KEY_Tab, XKB_KEY_BackSpace, XKB_KEY_BackSpace, XKB_KEY_BackSpace,
                 XKB_KEY_Return, XKB_KEY_F5});
    QTest::newRow("modifiers held around a group")
        << u"^+(ab)%x"_s
        << QStringList{press(XKB_KEY_Shift_L), press(XKB_KEY_Control_L)} +
               taps({XKB_KEY_a}) + QStringList{release(XKB_KEY_Control_L),
                                               release(XKB_KEY_Shift_L),
                                               press(XKB_KEY_Shift_L),
                                               press(XKB_KEY_Control_L)} +
               taps({XKB_KEY_b}) +
               QStringList{release(XKB_KEY_Control_L), release(XKB_KEY_Shift_L),
                           press(XKB_KEY_Alt_L)} +
               taps({XKB_KEY_x}) + QStringList{release(XKB_KEY_Alt_L)};
    QTest::newRow("line breaks and tabs in text") << u"a\nb\tc"_s
        << taps({XKB_KEY_a, XKB_KEY_Return, XKB_KEY_b, XKB_KEY_Tab, XKB_KEY_c});
}

void TestPortalRemoteDesktop::sendsEveryKeysymInOrder()
{
    QFETCH(QString, notation);
    QFETCH(QStringList, lines);
    QVERIFY(startPortal());
    auto keyboard = makeKeyboard();
    QVERIFY2(keyboard->sendKeys(notation, true), qPrintable(keyboard->lastFailure()));
    QCOMPARE(keyLines(), taps({XKB_KEY_Shift_L}) + lines);
}

void TestPortalRemoteDesktop::refusesBeforeSendingAnything_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QStringList>("named");
    QTest::newRow("us: outside the layout") << QByteArray("us") << u"abc日本é"_s
                                            << QStringList{u"日 (U+65E5)"_s, u"本"_s, u"é (U+00E9)"_s};
    QTest::newRow("de: a fourth-level character would come out wrong")
        << QByteArray("de") << u"ä€Æ"_s << QStringList{u"Æ (U+00C6)"_s};
    QTest::newRow("fr: a key the layout lacks, after typable ones")
        << QByteArray("fr") << u"éà{F16}"_s << QStringList{u"{F16}"_s};
    QTest::newRow("a control character no key makes") << QByteArray("us") << u"a\u0001b"_s
                                                       << QStringList{u"U+0001"_s};
}

void TestPortalRemoteDesktop::refusesBeforeSendingAnything()
{
    QFETCH(QByteArray, layout);
    QFETCH(QString, notation);
    QFETCH(QStringList, named);
    QVERIFY(startPortal());
    auto keyboard = makeKeyboard(layout.constData());
    QVERIFY(!keyboard->sendKeys(notation, true));
    for (const QString &name : std::as_const(named))
        QVERIFY2(keyboard->lastFailure().contains(name), qPrintable(keyboard->lastFailure()));
    // Only the session's warm-up key went out; the next line still types.
    QVERIFY(keyboard->sendKeys(u"{ENTER}"_s, true));
    QCOMPARE(keyLines(), taps({XKB_KEY_Shift_L, XKB_KEY_Return}));
}

void TestPortalRemoteDesktop::declinedRequest_data()
{
    QTest::addColumn<QStringList>("portalArguments");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("asked"); // how often the user is asked, over two lines
    QTest::newRow("the user declines") << QStringList{u"--deny"_s} << u"declined"_s << 1;
    QTest::newRow("no keyboard offered") << QStringList{u"--devices"_s, u"2"_s}
                                         << u"offers no keyboard"_s << 0;
}

void TestPortalRemoteDesktop::declinedRequest()
{
    QFETCH(QStringList, portalArguments);
    QFETCH(QString, message);
    QFETCH(int, asked);
    QVERIFY(startPortal(portalArguments));
    auto keyboard = makeKeyboard();
    QVERIFY(!keyboard->sendKeys(u"abc"_s, true));
    QVERIFY2(keyboard->lastFailure().contains(message), qPrintable(keyboard->lastFailure()));
    // The next line is refused the same way, without asking the user again.
    QVERIFY(!keyboard->sendKeys(u"d"_s, true));
    QVERIFY2(keyboard->lastFailure().contains(message), qPrintable(keyboard->lastFailure()));
    QCOMPARE(logLines().filter(u"consent-asked"_s).size(), asked);
    QCOMPARE(keyLines(), QStringList());
    QVERIFY(!QFileInfo::exists(m_tokenPath));
}

void TestPortalRemoteDesktop::restoreTokenFile()
{
    // Whole, private, one line; rubbish in the file counts as no token.
    QVERIFY(writeRestoreToken(m_tokenPath, u"0f6b1c2e-token"_s));
    QFile file(m_tokenPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("0f6b1c2e-token\n"));
    QCOMPARE(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                   QFileDevice::WriteGroup | QFileDevice::WriteOther),
             QFileDevice::Permissions());
    file.close();
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("two words\n");
    file.close();
    QCOMPARE(readRestoreToken(m_tokenPath), QString());
    QVERIFY(writeRestoreToken(m_tokenPath, QString()));
    QVERIFY(!QFileInfo::exists(m_tokenPath));
    // The default place follows XDG_CONFIG_HOME.
    qputenv("XDG_CONFIG_HOME", m_dir->path().toLocal8Bit());
    QCOMPARE(defaultRestoreTokenPath(), m_dir->filePath(u"korvane/remote-desktop-token"_s));
    qunsetenv("XDG_CONFIG_HOME");
}

QTEST_GUILESS_MAIN(TestPortalRemoteDesktop)
#include "test_portal_remotedesktop.moc"
