// SPDX-License-Identifier: GPL-3.0-or-later
// The wlroots backends typing into real Wayland windows (key_target on Qt's
// wayland platform) in a headless sway without XWayland: what the windows record
// must equal what was sent, with every keymap change and a fresh keyboard, and
// activation by title must move the keys between windows. scripts/with-sway runs
// this once per keyboard layout the compositor gives its keyboards.

#include "desktopdriver.h"
#include "keyboardbackend.h"
#include "waylandconnection.h"
#include "wlrootskeyboard.h"
#include "wlrootswindowactivator.h"

#include <QProcess>
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

QString windows1252Extras()
{
    QString extras = u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"_s;
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        extras += QChar(c);
    return extras;
}

// `count` CJK ideographs from `first` on: more distinct characters than one
// keymap holds when count is large.
QString ideographs(char32_t first, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        const char32_t c = first + char32_t(i);
        text += QString::fromUcs4(&c, 1);
    }
    return text;
}

} // namespace

class TestWlrootsE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typesExactly_data();
    void typesExactly();
    void firstKeyAfterKeymapChange();
    void firstKeyOfFreshKeyboard();
    void specialKeysReachTheWindow();
    void activatesByTitleAndPrefix();
    void refusesWhatItCannotType();
    void reportsMissingCompositor();

private:
    std::unique_ptr<KeyTarget> startTarget(const QString &title);
    void typeInto(KeyTarget &target, const QString &notation);

    QTemporaryDir m_home;
    QString m_layout = qEnvironmentVariable("KORVANE_TEST_LAYOUT", u"us"_s);
    std::shared_ptr<WaylandConnection> m_connection;
    std::unique_ptr<WlrootsKeyboard> m_keyboard;
    std::unique_ptr<WlrootsWindowActivator> m_windows;
    std::unique_ptr<KeyTarget> m_alpha;
    std::unique_ptr<KeyTarget> m_beta;
};

void TestWlrootsE2E::initTestCase()
{
    QVERIFY(m_home.isValid());
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        QSKIP("no Wayland compositor: run through scripts/with-sway");
    // The targets are native Wayland windows; nothing may fall back to X11.
    qputenv("QT_QPA_PLATFORM", "wayland");
    qunsetenv("DISPLAY");
    m_connection = std::make_shared<WaylandConnection>();
    m_keyboard = std::make_unique<WlrootsKeyboard>(m_connection);
    m_windows = std::make_unique<WlrootsWindowActivator>(m_connection);
    QVERIFY2(m_keyboard->unavailableReason().isEmpty(), qPrintable(m_keyboard->unavailableReason()));
    QVERIFY2(m_windows->unavailableReason().isEmpty(), qPrintable(m_windows->unavailableReason()));
    // The session itself picks these backends.
    const BackendChoice choice = chooseBackends(probeSession(m_connection.get()));
    QCOMPARE(choice.keys, KeystrokeBackend::WlrootsVirtualKeyboard);
    QCOMPARE(choice.windows, ActivationBackend::WlrootsForeignToplevel);
    // The layout is set again while our keyboard exists, as a user switching
    // layouts would: the compositor must leave our keyboard's own keymap alone.
    QVERIFY(m_keyboard->sendKeys(QString(), true));
    QCOMPARE(QProcess::execute(u"swaymsg"_s, {u"-q"_s, u"input"_s, u"type:keyboard"_s,
                                               u"xkb_layout"_s, m_layout}),
             0);
    m_alpha = startTarget(u"Korvane Key Target Alpha"_s);
    m_beta = startTarget(u"Korvane Key Target Beta"_s);
    QVERIFY(m_alpha && m_beta);
}

void TestWlrootsE2E::cleanupTestCase()
{
    m_alpha.reset();
    m_beta.reset();
}

std::unique_ptr<KeyTarget> TestWlrootsE2E::startTarget(const QString &title)
{
    auto target = std::make_unique<KeyTarget>(QStringLiteral(KEY_TARGET), title,
                                              m_home.filePath(title.section(u' ', -1) + u".txt"_s));
    if (!target->waitReady() ||
        !QTest::qWaitFor([&] { return m_windows->windowTitles().contains(title); },
                         kDeliveryTimeoutMs))
        return nullptr;
    return target;
}

void TestWlrootsE2E::typeInto(KeyTarget &target, const QString &notation)
{
    QVERIFY(m_windows->activate(target.title()));
    QCOMPARE(m_windows->activeTitle(), target.title());
    QVERIFY(target.clear());
    QVERIFY2(m_keyboard->sendKeys(notation, true), qPrintable(m_keyboard->lastFailure()));
}

void TestWlrootsE2E::typesExactly_data()
{
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QString>("expected");

    QString ascii;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        ascii += QChar(c);
    const QString extras = windows1252Extras();
    const QString others = u"ŁŻ→ĀőΩЖ漢字😀"_s;
    // More distinct characters than the keymap's pool: the keymap changes twice
    // within the line.
    const QString many = ideographs(0x4E00, 300) + u"a"_s + ideographs(0x4E00, 10);
    const auto row = [&](const char *name, const QString &notation, const QString &expected) {
        QTest::newRow(qPrintable(u"%1: %2"_s.arg(m_layout, QLatin1StringView(name))))
            << notation << expected;
    };
    row("printable ASCII", literalNotation(ascii), ascii);
    row("Windows-1252 beyond ASCII", literalNotation(extras), extras);
    row("other Unicode", others, others);
    row("more characters than one keymap holds", many, many);
    row("select all, shift on a group", u"hello^a+(abc)x"_s, u"ABCx"_s);
    row("editing keys", u"abcdef{BS 3}{LEFT}x{HOME}{DEL}0{END}+{LEFT 2}y~z{TAB}w"_s,
        u"0by\nz\tw"_s);
    row("repeats", u"{a 5}{+ 3}{é 2}{} 2}{€ 3}"_s, u"aaaaa+++éé}}€€€"_s);
    // Twenty thousand key events, far past the burst that goes out unpaced: the
    // window must get them all (a client that falls too far behind is disconnected
    // by the compositor). Lines, as one line of 10,000 characters slows the window's
    // own layout to a crawl.
    row("the longest repeat", u"{ENTER 10000}"_s, QString(10000, u'\n'));
    row("caps lock on", u"{CAPSLOCK}aBc1{CAPSLOCK}d"_s, u"aBc1d"_s);
}

void TestWlrootsE2E::typesExactly()
{
    QFETCH(QString, notation);
    QFETCH(QString, expected);
    typeInto(*m_alpha, notation);
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), expected, kDeliveryTimeoutMs);
}

void TestWlrootsE2E::firstKeyAfterKeymapChange()
{
    // Each line needs a character the keymap lacks, so a new keymap goes out right
    // before its first key; with the pool full, the next line takes keys back.
    typeInto(*m_alpha, literalNotation(ideographs(0x5000, 240)));
    QString expected = ideographs(0x5000, 240);
    for (int i = 0; i < 30; ++i) {
        const QString line = ideographs(0x6000 + char32_t(i), 1) + u"x"_s;
        QVERIFY2(m_keyboard->sendKeys(line, true), qPrintable(m_keyboard->lastFailure()));
        expected += line;
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), expected, kDeliveryTimeoutMs);
}

void TestWlrootsE2E::firstKeyOfFreshKeyboard()
{
    // Without a physical keyboard the seat gains a keyboard only with ours, and
    // loses it again when ours goes: clients must set theirs up before the first key.
    QVERIFY(m_windows->activate(m_beta->title()));
    QVERIFY(m_beta->clear());
    QString expected;
    for (int i = 0; i < 10; ++i) {
        m_keyboard.reset();
        m_keyboard = std::make_unique<WlrootsKeyboard>(m_connection);
        const QString line = u"é%1"_s.arg(i);
        QVERIFY2(m_keyboard->sendKeys(line, true), qPrintable(m_keyboard->lastFailure()));
        expected += line;
        QTRY_COMPARE_WITH_TIMEOUT(m_beta->text(), expected, kDeliveryTimeoutMs);
    }
}

void TestWlrootsE2E::specialKeysReachTheWindow()
{
    QList<int> expected;
    QString notation;
    for (int n = 1; n <= 16; ++n) {
        notation += u"{F%1}"_s.arg(n);
        expected.append(Qt::Key_F1 + n - 1);
    }
    notation += u"{HELP}{ESC}{INSERT}{PGUP}{PGDN}{UP}{DOWN}{F5 3}"_s;
    expected << Qt::Key_Help << Qt::Key_Escape << Qt::Key_Insert << Qt::Key_PageUp
             << Qt::Key_PageDown << Qt::Key_Up << Qt::Key_Down << Qt::Key_F5 << Qt::Key_F5
             << Qt::Key_F5;
    typeInto(*m_alpha, notation);
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->keyPresses(), expected, kDeliveryTimeoutMs);
}

void TestWlrootsE2E::activatesByTitleAndPrefix()
{
    QVERIFY(m_alpha->clear());
    QVERIFY(m_beta->clear());

    QVERIFY(m_windows->activate(u"korvane key target beta"_s));
    QCOMPARE(m_windows->activeTitle(), m_beta->title());
    QVERIFY(m_keyboard->sendKeys(u"one"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_beta->text(), u"one"_s, kDeliveryTimeoutMs);

    QVERIFY(m_windows->activate(u"KORVANE KEY TARGET AL"_s));
    QCOMPARE(m_windows->activeTitle(), m_alpha->title());
    QVERIFY(m_keyboard->sendKeys(u"two"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"two"_s, kDeliveryTimeoutMs);

    // No such window: nothing changes and the keys go where the focus already is.
    QVERIFY(!m_windows->activate(u"Korvane Key Target Gamma"_s));
    QVERIFY(!m_windows->activate(QString()));
    QVERIFY(m_windows->bringForward(u"korvane key target b"_s));
    QTRY_COMPARE_WITH_TIMEOUT(m_windows->activeTitle(), m_beta->title(), kDeliveryTimeoutMs);
    QVERIFY(m_keyboard->sendKeys(u"four"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_beta->text(), u"onefour"_s, kDeliveryTimeoutMs);
    QCOMPARE(m_alpha->text(), u"two"_s);
}

void TestWlrootsE2E::refusesWhatItCannotType()
{
    // A control character no key makes, or a malformed line: nothing at all is typed.
    typeInto(*m_alpha, u"ok"_s);
    QVERIFY(!m_keyboard->sendKeys(u"ab"_s + QChar(0x01) + u"c"_s, true));
    QVERIFY(m_keyboard->lastFailure().contains(u"U+0001"));
    QVERIFY(!m_keyboard->sendKeys(u"abc{NOSUCHKEY}"_s, true));
    QVERIFY(!m_keyboard->lastFailure().isEmpty());
    QVERIFY(m_keyboard->sendKeys(u"!"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"ok!"_s, kDeliveryTimeoutMs);
}

void TestWlrootsE2E::reportsMissingCompositor()
{
    const QByteArray display = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    auto connection = std::make_shared<WaylandConnection>();
    WlrootsKeyboard keyboard(connection);
    WlrootsWindowActivator windows(connection);
    qputenv("WAYLAND_DISPLAY", display);
    QVERIFY(keyboard.unavailableReason().contains(u"WAYLAND_DISPLAY"));
    QVERIFY(!keyboard.sendKeys(u"abc"_s, true));
    QCOMPARE(keyboard.lastFailure(), keyboard.unavailableReason());
    QVERIFY(!windows.activate(m_alpha->title()));
    QVERIFY(!windows.unavailableReason().isEmpty());
}

QTEST_GUILESS_MAIN(TestWlrootsE2E)
#include "test_wlroots_e2e.moc"
