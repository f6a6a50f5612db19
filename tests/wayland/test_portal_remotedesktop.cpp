// SPDX-License-Identifier: GPL-3.0-or-later
// Keystrokes through the RemoteDesktop portal, against portal_standin on the
// private session bus this test runs in: the Request/Response sequence, consent
// asked once and the restore token kept, every key symbol in order, refusals
// before anything is sent, and a declined request.

#include "portalremotedesktop.h"
#include "remotedesktopkeyboard.h"
#include "waylandtest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace korvane;

namespace {

QString keysymLine(uint32_t keysym, bool pressed)
{
    return u"keysym 0x%1 %2"_s.arg(keysym, 0, 16).arg(pressed ? u"press"_s : u"release"_s);
}

// Marks a key symbol in keyLines() as only pressed, or only released.
constexpr uint32_t kDown = 1u << 30;
constexpr uint32_t kUp = 1u << 31;

// The log lines of `keysyms`: a tap of each, a press or a release where marked.
QStringList keyLines(const QList<uint32_t> &keysyms)
{
    QStringList lines;
    for (const uint32_t key : keysyms) {
        const uint32_t keysym = key & ~(kDown | kUp);
        if (!(key & kUp))
            lines << keysymLine(keysym, true);
        if (!(key & kDown))
            lines << keysymLine(keysym, false);
    }
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
    std::unique_ptr<RemoteDesktopKeyboard> makeKeyboard(const char *layout = "us");
    QStringList log(const QString &pattern = u"^(keysym|refused) "_s) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_portal;
    QString m_tokenPath;
};

void TestPortalRemoteDesktop::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no session bus: run inside dbus-run-session");
    m_portal.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

void TestPortalRemoteDesktop::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_tokenPath = m_dir->filePath(u"config/korvane/remote-desktop-token"_s);
}

void TestPortalRemoteDesktop::cleanup()
{
    m_portal.kill();
    m_portal.waitForFinished();
    // The next stand-in must be able to take the name.
    QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
        u"org.freedesktop.portal.Desktop"_s));
}

bool TestPortalRemoteDesktop::startPortal(const QStringList &arguments)
{
    m_portal.start(QStringLiteral(PORTAL_STANDIN),
                   QStringList{u"--log"_s, m_dir->filePath(u"portal.log"_s)} + arguments);
    return m_portal.waitForReadyRead(10000) && m_portal.readLine().trimmed() == "ready";
}

std::unique_ptr<RemoteDesktopKeyboard> TestPortalRemoteDesktop::makeKeyboard(const char *layout)
{
    const QByteArray keymap = e2e::keymapText(layout);
    return std::make_unique<RemoteDesktopKeyboard>(
        makePortalRemoteDesktopSession(m_tokenPath, {KeysymTranslation::KdePortal}),
        [keymap] { return keymap; });
}

QStringList TestPortalRemoteDesktop::log(const QString &pattern) const
{
    QFile file(m_dir->filePath(u"portal.log"_s));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromUtf8(file.readAll()).split(u'\n').filter(QRegularExpression(pattern))
               : QStringList();
}

void TestPortalRemoteDesktop::consentAskedOnce()
{
    QVERIFY(startPortal());
    // Each run's line: the desktop asks (or not), hands back a token that is kept.
    const struct
    {
        const char *storedBefore; // written before the run: a revoked token
        QString line;
        int asked;                // how often the user was asked by then
        const char *presented;    // the token the run showed the portal
    } runs[] = {{nullptr, u"a"_s, 1, nullptr},
                {nullptr, u"b"_s, 1, "standin-token-1"},
                {"revoked-token", u"c"_s, 2, "revoked-token"}};
    int number = 0;
    for (const auto &run : runs) {
        if (run.storedBefore)
            QVERIFY(writeRestoreToken(m_tokenPath, QString::fromLatin1(run.storedBefore)));
        auto keyboard = makeKeyboard();
        QVERIFY2(keyboard->sendKeys(run.line, true), qPrintable(keyboard->lastFailure()));
        QCOMPARE(log(u"^consent-asked"_s).size(), run.asked);
        if (run.presented)
            QCOMPARE(log(u"^restore-token"_s).constLast(), u"restore-token "_s + run.presented);
        QCOMPARE(readRestoreToken(m_tokenPath), u"standin-token-%1"_s.arg(++number));
        keyboard.reset();
        QTRY_COMPARE(log(u"^session-closed"_s).size(), number);
    }
    QVERIFY(log(u"^select"_s).contains(u"select types=1 persist=2"_s));
    // Every run's keys arrived: the warm-up Shift, then the letter.
    QCOMPARE(log(), keyLines({XKB_KEY_Shift_L, XKB_KEY_a, XKB_KEY_Shift_L, XKB_KEY_b,
                              XKB_KEY_Shift_L, XKB_KEY_c}));
}

void TestPortalRemoteDesktop::sendsEveryKeysymInOrder_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QStringList>("lines"); // after the session's warm-up Shift
    QTest::newRow("text, shifted characters and space")
        << u"aB !"_s << keyLines({XKB_KEY_a, XKB_KEY_B, XKB_KEY_space, XKB_KEY_exclam});
    QTest::newRow("special keys, repeats, Enter")
        << u"{TAB}{BS 3}~{F5}"_s
        << keyLines({XKB_KEY_Tab, XKB_KEY_BackSpace, XKB_KEY_BackSpace, XKB_KEY_BackSpace,
                     XKB_KEY_Return, XKB_KEY_F5});
    QTest::newRow("modifiers held around each key of a group")
        << u"^+(ab)%x"_s
        << keyLines({XKB_KEY_Shift_L | kDown, XKB_KEY_Control_L | kDown, XKB_KEY_a,
                     XKB_KEY_Control_L | kUp, XKB_KEY_Shift_L | kUp, XKB_KEY_Shift_L | kDown,
                     XKB_KEY_Control_L | kDown, XKB_KEY_b, XKB_KEY_Control_L | kUp,
                     XKB_KEY_Shift_L | kUp, XKB_KEY_Alt_L | kDown, XKB_KEY_x, XKB_KEY_Alt_L | kUp});
    QTest::newRow("line breaks and tabs in text")
        << u"a\nb\tc"_s << keyLines({XKB_KEY_a, XKB_KEY_Return, XKB_KEY_b, XKB_KEY_Tab, XKB_KEY_c});
}

void TestPortalRemoteDesktop::sendsEveryKeysymInOrder()
{
    QFETCH(QString, notation);
    QFETCH(QStringList, lines);
    QVERIFY(startPortal());
    auto keyboard = makeKeyboard();
    QVERIFY2(keyboard->sendKeys(notation, true), qPrintable(keyboard->lastFailure()));
    QCOMPARE(log(), keyLines({XKB_KEY_Shift_L}) + lines);
}

void TestPortalRemoteDesktop::refusesBeforeSendingAnything_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QStringList>("named");
    QTest::newRow("us: outside the layout")
        << QByteArray("us") << u"abc日本é"_s << QStringList{u"日 (U+65E5)"_s, u"本"_s, u"é (U+00E9)"_s};
    QTest::newRow("de: a fourth-level character would come out wrong")
        << QByteArray("de") << u"ä€Æ"_s << QStringList{u"Æ (U+00C6)"_s};
    QTest::newRow("fr: a key the layout lacks, after typable ones")
        << QByteArray("fr") << u"éà{F16}"_s << QStringList{u"{F16}"_s};
    QTest::newRow("a control character no key makes")
        << QByteArray("us") << u"a\u0001b"_s << QStringList{u"U+0001"_s};
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
    QCOMPARE(log(), keyLines({XKB_KEY_Shift_L, XKB_KEY_Return}));
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
    QVERIFY(startPortal(portalArguments));
    auto keyboard = makeKeyboard();
    // The second line is refused the same way, without asking the user again.
    for (const QString &line : {u"abc"_s, u"d"_s}) {
        QVERIFY(!keyboard->sendKeys(line, true));
        QVERIFY2(keyboard->lastFailure().contains(message), qPrintable(keyboard->lastFailure()));
    }
    QTEST(int(log(u"^consent-asked"_s).size()), "asked");
    QCOMPARE(log(), QStringList());
    QVERIFY(!QFileInfo::exists(m_tokenPath));
}

void TestPortalRemoteDesktop::restoreTokenFile()
{
    // Whole, private, one line; rubbish in the file counts as no token.
    QVERIFY(writeRestoreToken(m_tokenPath, u"0f6b1c2e-token"_s));
    QFile file(m_tokenPath);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QCOMPARE(file.readAll(), QByteArray("0f6b1c2e-token\n"));
    QCOMPARE(file.permissions() & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::Permissions());
    file.resize(0);
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
