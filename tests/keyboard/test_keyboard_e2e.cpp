// The real X11 backend typing into real windows (key_target) under Xvfb with a
// window manager: what the windows record must equal what was sent, under the us,
// de and fr layouts, and activation by title must move the keys between windows.

#include "desktopdriver.h"
#include "x11connection.h"
#include "x11keyboard.h"
#include "x11keymap.h"
#include "x11windowactivator.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>

// After the Qt headers: Xlib's macros clash with them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace Qt::StringLiterals;
using namespace korvane;
using korvane::e2e::KeyTarget;

namespace {

constexpr int kDeliveryTimeoutMs = 10000;

// The notation that types `text` literally: the notation's own characters in braces.
QString literalNotation(const QString &text)
{
    QString notation;
    for (const QChar c : text)
        notation += u"+^%~(){}[]"_s.contains(c) ? u'{' + QString(c) + u'}' : QString(c);
    return notation;
}

} // namespace

class TestKeyboardE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typesExactly_data();
    void typesExactly();
    void specialKeysReachTheWindow();
    void waitsForHeldModifiers();
    void activatesByTitleAndPrefix();
    void restoresSpareKeycodes();
    void failsSilentlyWithoutDisplay();

private:
    std::unique_ptr<KeyTarget> startTarget(const QString &title);
    void typeInto(KeyTarget &target, const QString &notation);
    void useLayout(const QString &layout);
    int emptyKeycodeCount();

    QTemporaryDir m_home;
    std::shared_ptr<X11Connection> m_connection = std::make_shared<X11Connection>();
    std::unique_ptr<X11Keyboard> m_keyboard;
    std::unique_ptr<X11WindowActivator> m_windows;
    std::unique_ptr<KeyTarget> m_alpha;
    std::unique_ptr<KeyTarget> m_beta;
    QString m_layout;
};

void TestKeyboardE2E::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("KORVANE_HOME", m_home.path().toUtf8());
    QVERIFY(QDir::setCurrent(m_home.path()));
    if (!m_connection->display())
        QSKIP(qPrintable(m_connection->unavailableReason()));
    m_keyboard = std::make_unique<X11Keyboard>(m_connection);
    m_windows = std::make_unique<X11WindowActivator>(m_connection);
    if (!QStandardPaths::findExecutable(u"setxkbmap"_s).isEmpty())
        useLayout(u"us"_s);
    m_alpha = startTarget(u"Korvane Key Target Alpha"_s);
    m_beta = startTarget(u"Korvane Key Target Beta"_s);
    QVERIFY(m_alpha && m_beta);
}

void TestKeyboardE2E::cleanupTestCase()
{
    if (!m_layout.isEmpty() && m_layout != u"us")
        QProcess::execute(u"setxkbmap"_s, {u"us"_s});
    m_alpha.reset();
    m_beta.reset();
    m_keyboard.reset(); // gives the spare keycodes back before the display goes
}

std::unique_ptr<KeyTarget> TestKeyboardE2E::startTarget(const QString &title)
{
    auto target = std::make_unique<KeyTarget>(QStringLiteral(KEY_TARGET), title,
                                              m_home.filePath(title.section(u' ', -1) + u".txt"_s));
    // The window manager lists the window once it has managed it.
    if (!target->waitReady() ||
        !QTest::qWaitFor([&] { return m_windows->windowTitles().contains(title); },
                         kDeliveryTimeoutMs))
        return nullptr;
    return target;
}

// Empties the target's record, focuses it and sends `notation` to it.
void TestKeyboardE2E::typeInto(KeyTarget &target, const QString &notation)
{
    QVERIFY(m_windows->activate(target.title()));
    QVERIFY(target.clear());
    QVERIFY(m_keyboard->sendKeys(notation, true));
}

// Switches the layout and waits until the target reads keys with the new map: a
// probe of letters that the three layouts place differently must arrive intact.
void TestKeyboardE2E::useLayout(const QString &layout)
{
    if (m_layout == layout)
        return;
    QCOMPARE(QProcess::execute(u"setxkbmap"_s, {layout}), 0);
    m_layout = layout;
    if (!m_alpha)
        return;
    const QString probe = u"qawzy"_s;
    for (int attempt = 0; attempt < 50; ++attempt) {
        typeInto(*m_alpha, probe);
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text().size(), probe.size(), kDeliveryTimeoutMs);
        if (m_alpha->text() == probe)
            return;
    }
    QFAIL(qPrintable(u"the target never picked up the %1 layout"_s.arg(layout)));
}

void TestKeyboardE2E::typesExactly_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QString>("expected");

    QString ascii;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        ascii += QChar(c);
    // Every character Windows-1252 can hold beyond ASCII, in code order.
    QString extras = u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"_qs;
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        extras += QChar(c);
    const QString others = u"ŁŻ→€ĀőΩЖ漢字😀"_qs;
    const QString mixed = extras.right(40) + u"abc"_s + others;
    for (const char *layout : {"us", "de", "fr"}) {
        const auto row = [&](const char *name, const QString &notation, const QString &expected) {
            QTest::newRow(qPrintable(u"%1: %2"_s.arg(layout, name)))
                << layout << notation << expected;
        };
        row("printable ASCII", literalNotation(ascii), ascii);
        row("Windows-1252 beyond ASCII", literalNotation(extras), extras);
        row("other Unicode", others, others);
        row("mixed, pool reused", literalNotation(mixed), mixed);
        row("select all, shift on a group", "hello^a+(abc)x", "ABCx");
        row("editing keys", "abcdef{BS 3}{LEFT}x{HOME}{DEL}0{END}+{LEFT 2}y~z{TAB}w", "0by\nz\tw");
        row("repeats", u"{a 5}{+ 3}{é 2}{} 2}{€ 3}"_qs, u"aaaaa+++éé}}€€€"_qs);
        row("caps lock on", "{CAPSLOCK}aBc1{CAPSLOCK}d", "aBc1d");
    }
}

void TestKeyboardE2E::typesExactly()
{
    QFETCH(QString, layout);
    QFETCH(QString, notation);
    QFETCH(QString, expected);
    if (layout != u"us" && QStandardPaths::findExecutable(u"setxkbmap"_s).isEmpty())
        QSKIP("setxkbmap is not installed");
    useLayout(layout);
    typeInto(*m_alpha, notation);
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), expected, kDeliveryTimeoutMs);
}

void TestKeyboardE2E::specialKeysReachTheWindow()
{
    useLayout(u"us"_s);
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
    // The Qt key code of each key press recorded, modifier keys left out.
    const auto keys = [this] {
        QList<int> codes;
        for (const QByteArray &line : m_alpha->keys().split('\n')) {
            const int key = line.split(' ').constFirst().toInt();
            if (key != 0 &&
                !QList<int>{Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_AltGr}.contains(
                    key))
                codes.append(key);
        }
        return codes;
    };
    QTRY_COMPARE_WITH_TIMEOUT(keys(), expected, kDeliveryTimeoutMs);
}

void TestKeyboardE2E::waitsForHeldModifiers()
{
    // The "user" holds Shift on a connection of their own and lets go a little later;
    // the keys must not come out shifted.
    useLayout(u"us"_s);
    QVERIFY(m_windows->activate(m_alpha->title()));
    QVERIFY(m_alpha->clear());
    Display *user = XOpenDisplay(nullptr);
    QVERIFY(user);
    const KeyCode shift = XKeysymToKeycode(user, XK_Shift_L);
    XTestFakeKeyEvent(user, shift, True, CurrentTime);
    XSync(user, False);
    std::thread release([user, shift] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        XTestFakeKeyEvent(user, shift, False, CurrentTime);
        XSync(user, False);
    });
    const bool sent = m_keyboard->sendKeys(u"abc"_s, true);
    release.join();
    XCloseDisplay(user);
    QVERIFY(sent);
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"abc"_s, kDeliveryTimeoutMs);
}

void TestKeyboardE2E::activatesByTitleAndPrefix()
{
    useLayout(u"us"_s);
    QVERIFY(m_alpha->clear());
    QVERIFY(m_beta->clear());

    QVERIFY(m_windows->activate(u"korvane key target beta"_s));
    QVERIFY(m_keyboard->sendKeys(u"one"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_beta->text(), u"one"_s, kDeliveryTimeoutMs);

    QVERIFY(m_windows->activate(u"KORVANE KEY TARGET AL"_s));
    QVERIFY(m_keyboard->sendKeys(u"two"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"two"_s, kDeliveryTimeoutMs);

    // No such window: nothing changes and the keys go where the focus already is.
    QVERIFY(!m_windows->activate(u"Korvane Key Target Gamma"_s));
    QVERIFY(!m_windows->activate(QString()));
    QVERIFY(m_keyboard->sendKeys(u"four"_s, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"twofour"_s, kDeliveryTimeoutMs);
    QCOMPARE(m_beta->text(), u"one"_s);
}

int TestKeyboardE2E::emptyKeycodeCount()
{
    X11Connection own;
    X11Keymap keymap;
    return keymap.load(own.display(), {}) ? int(keymap.emptyKeycodes().size()) : -1;
}

void TestKeyboardE2E::restoresSpareKeycodes()
{
    useLayout(u"us"_s);
    m_keyboard->restoreSpareKeycodes();
    const int empty = emptyKeycodeCount();
    QVERIFY(empty > 0);
    typeInto(*m_alpha, u"ŁŻ→"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"ŁŻ→"_qs, kDeliveryTimeoutMs);
    QCOMPARE(emptyKeycodeCount(), empty - 3); // in use until the idle delay passes
    QTRY_COMPARE_WITH_TIMEOUT(emptyKeycodeCount(), empty, kDeliveryTimeoutMs);
}

void TestKeyboardE2E::failsSilentlyWithoutDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    X11Keyboard keyboard;
    X11WindowActivator windows;
    const bool typed = keyboard.sendKeys(u"abc"_s, true);
    const bool activated = windows.activate(m_alpha->title());
    const QString reason = keyboard.unavailableReason();
    qputenv("DISPLAY", display);
    QVERIFY(!typed);
    QVERIFY(!activated);
    QVERIFY(reason.contains(u"DISPLAY"));
    // A malformed line is refused even where a display exists.
    QVERIFY(!m_keyboard->sendKeys(u"{NOSUCHKEY}"_s, true));
}

QTEST_GUILESS_MAIN(TestKeyboardE2E)
#include "test_keyboard_e2e.moc"
