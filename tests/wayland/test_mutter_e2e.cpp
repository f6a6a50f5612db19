// SPDX-License-Identifier: GPL-3.0-or-later
// The GNOME path typing into a real Wayland window (key_target on Qt's wayland
// platform) in a headless mutter, through mutter's remote-desktop session: the
// interface GNOME's RemoteDesktop portal drives once the user has consented (the
// consent dialog needs GNOME Shell, which a headless mutter lacks). Such a session
// types only what the layout holds: the rest must be refused before any key goes
// out, naming the characters. Mutter without GNOME Shell, which sets the layouts
// the user picked, always has the us layout: only that one is tested here.

#include "desktopdriver.h"
#include "keyboardbackend.h"
#include "nowindowactivator.h"
#include "remotedesktopkeyboard.h"
#include "waylandconnection.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace korvane;
using korvane::e2e::KeyTarget;

namespace {

constexpr int kDeliveryTimeoutMs = 10000;

QString literalNotation(const QString &text)
{
    QString notation;
    for (const QChar c : text)
        notation += u"+^%~(){}[]"_s.contains(c) ? u'{' + QString(c) + u'}' : QString(c);
    return notation;
}

} // namespace

class TestMutterE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typesWhatTheLayoutHolds_data();
    void typesWhatTheLayoutHolds();
    void refusesWhatTheLayoutLacks_data();
    void refusesWhatTheLayoutLacks();
    void firstKeyOfEachSession();
    void activationChangesNothing();

private:
    std::unique_ptr<RemoteDesktopKeyboard> makeKeyboard();

    QTemporaryDir m_home;
    std::shared_ptr<WaylandConnection> m_connection;
    std::unique_ptr<RemoteDesktopKeyboard> m_keyboard;
    std::unique_ptr<KeyTarget> m_target;
};

std::unique_ptr<RemoteDesktopKeyboard> TestMutterE2E::makeKeyboard()
{
    return std::make_unique<RemoteDesktopKeyboard>(makeMutterRemoteDesktopSession(), m_connection);
}

void TestMutterE2E::initTestCase()
{
    QVERIFY(m_home.isValid());
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        QSKIP("no Wayland compositor: run through scripts/with-mutter");
    qputenv("QT_QPA_PLATFORM", "wayland");
    qunsetenv("DISPLAY");
    m_connection = std::make_shared<WaylandConnection>();
    // The session itself picks this backend; no window can be activated here.
    const BackendChoice choice = chooseBackends(probeSession(m_connection.get()));
    QCOMPARE(choice.keys, KeystrokeBackend::MutterRemoteDesktop);
    QCOMPARE(choice.windows, ActivationBackend::None);
    m_keyboard = makeKeyboard();
    QVERIFY2(m_keyboard->unavailableReason().isEmpty(), qPrintable(m_keyboard->unavailableReason()));
    // The window mutter focuses as it maps it.
    m_target = std::make_unique<KeyTarget>(QStringLiteral(KEY_TARGET), u"Korvane Key Target"_s,
                                           m_home.filePath(u"target.txt"_s));
    QVERIFY(m_target->waitReady());
}

void TestMutterE2E::typesWhatTheLayoutHolds_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QString>("expected");
    QString ascii;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        ascii += QChar(c);
    const auto row = [&](const char *name, const QString &notation, const QString &expected) {
        QTest::newRow(name) << notation << expected;
    };
    row("printable ASCII the layout holds", literalNotation(ascii), ascii);
    row("select all, shift on a group", u"hello^a+(abc)x"_s, u"ABCx"_s);
    // The layout holds € on a key of its own (evdev KEY_EURO), which mutter presses.
    row("euro sign on its own key", u"x€y"_s, u"x€y"_s);
    row("editing keys and repeats", u"abcdef{BS 3}{LEFT}x{HOME}{DEL}0{END}{a 3}~z"_s,
        u"0bxcaaa\nz"_s);
}

void TestMutterE2E::typesWhatTheLayoutHolds()
{
    QFETCH(QString, notation);
    QFETCH(QString, expected);
    QVERIFY(m_target->clear());
    QVERIFY2(m_keyboard->sendKeys(notation, true), qPrintable(m_keyboard->lastFailure()));
    QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), expected, kDeliveryTimeoutMs);
}

void TestMutterE2E::refusesWhatTheLayoutLacks_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QStringList>("named");
    // The us layout has no key for these: the line is refused whole.
    QTest::newRow("outside Windows-1252") << u"abc日本Ω"_s << QStringList{u"日"_s, u"本"_s, u"Ω"_s};
    QTest::newRow("Windows-1252 beyond the layout") << u"x Æ é ñ y"_s
                                                    << QStringList{u"Æ"_s, u"é"_s, u"ñ"_s};
}

void TestMutterE2E::refusesWhatTheLayoutLacks()
{
    QFETCH(QString, notation);
    QFETCH(QStringList, named);
    QVERIFY(m_target->clear());
    QVERIFY(!m_keyboard->sendKeys(notation, true));
    for (const QString &character : std::as_const(named))
        QVERIFY2(m_keyboard->lastFailure().contains(character), qPrintable(m_keyboard->lastFailure()));
    // Nothing of the line arrives, not even its first characters.
    QVERIFY(m_keyboard->sendKeys(u"ok"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), u"ok"_s, kDeliveryTimeoutMs);
}

void TestMutterE2E::firstKeyOfEachSession()
{
    // Each keyboard starts a session of its own: its very first key must arrive.
    QVERIFY(m_target->clear());
    QString expected;
    for (int i = 0; i < 5; ++i) {
        m_keyboard = makeKeyboard();
        const QString line = u"k%1"_s.arg(i);
        QVERIFY2(m_keyboard->sendKeys(line, true), qPrintable(m_keyboard->lastFailure()));
        expected += line;
        QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), expected, kDeliveryTimeoutMs);
    }
}

void TestMutterE2E::activationChangesNothing()
{
    // GNOME lets no other program activate a native window: "`A" with the native
    // window's own title, or with one matching nothing, changes nothing, and the
    // script's next keys still reach the window that had the focus.
    NoWindowActivator activator(chooseBackends(probeSession(m_connection.get())).message);
    KeyTarget other(QStringLiteral(KEY_TARGET), u"Other Window"_s, m_home.filePath(u"other.txt"_s));
    QVERIFY(other.waitReady());
    QVERIFY(m_target->clear());
    QVERIFY(!activator.activate(u"Korvane Key Target"_s));
    QVERIFY(!activator.activate(u"no such window"_s));
    QVERIFY(!activator.bringForward(u"Korvane"_s));
    QVERIFY(!activator.unavailableReason().isEmpty());
    QVERIFY2(m_keyboard->sendKeys(u"still here"_s, true), qPrintable(m_keyboard->lastFailure()));
    // Mutter focused the newest window; it alone gets the keys.
    QTRY_COMPARE_WITH_TIMEOUT(other.text(), u"still here"_s, kDeliveryTimeoutMs);
    QCOMPARE(m_target->text(), QString());
}

QTEST_GUILESS_MAIN(TestMutterE2E)
#include "test_mutter_e2e.moc"
