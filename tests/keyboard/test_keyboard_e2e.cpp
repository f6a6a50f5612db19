// The real X11 backend typing into real windows (key_target) under Xvfb with a
// window manager: what the windows record must equal what was sent, under the us,
// de and fr layouts, and activation by title must move the keys between windows.

#include "x11connection.h"
#include "x11keyboard.h"
#include "x11keymap.h"
#include "x11windowactivator.h"

#include <QFile>
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

using namespace korvane;

namespace {

constexpr int kDeliveryTimeoutMs = 10000;

// Every character Windows-1252 can hold beyond ASCII, in code order.
QString windows1252Extras()
{
    QString text = u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"_qs;
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        text += QChar(c);
    return text;
}

QString printableAscii()
{
    QString text;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        text += QChar(c);
    return text;
}

// The notation that types `text` literally: the notation's own characters in braces.
QString literalNotation(const QString &text)
{
    QString notation;
    for (const QChar c : text) {
        if (QStringLiteral("+^%~(){}[]").contains(c))
            notation += u'{' + QString(c) + u'}';
        else
            notation += c;
    }
    return notation;
}

struct Target
{
    QString title;
    QString out;
    std::unique_ptr<QProcess> process;
    QByteArray said;

    QString text() const
    {
        QFile file(out);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Qt key codes of the key presses recorded, modifier keys left out.
    QList<int> keys() const
    {
        QFile file(out + QStringLiteral(".keys"));
        QList<int> codes;
        if (!file.open(QIODevice::ReadOnly))
            return codes;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const int key = line.split(' ').constFirst().toInt();
            if (key != 0 && key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt &&
                key != Qt::Key_AltGr)
                codes.append(key);
        }
        return codes;
    }
    int countSaid(const char *word)
    {
        said += process->readAllStandardOutput();
        return int(said.count(word));
    }
};

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
    void startTarget(Target &target, const QString &title);
    void clear(Target &target);
    void focus(Target &target);
    void useLayout(const QString &layout);
    int emptyKeycodeCount();

    QTemporaryDir m_home;
    std::shared_ptr<X11Connection> m_connection = std::make_shared<X11Connection>();
    std::unique_ptr<X11Keyboard> m_keyboard;
    std::unique_ptr<X11WindowActivator> m_windows;
    Target m_alpha;
    Target m_beta;
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
    if (!QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty())
        useLayout(QStringLiteral("us"));
    startTarget(m_alpha, QStringLiteral("Korvane Key Target Alpha"));
    startTarget(m_beta, QStringLiteral("Korvane Key Target Beta"));
}

void TestKeyboardE2E::cleanupTestCase()
{
    if (!m_layout.isEmpty() && m_layout != u"us")
        QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
    for (Target *target : {&m_alpha, &m_beta}) {
        if (target->process) {
            target->process->closeWriteChannel(); // the target quits on end of input
            if (!target->process->waitForFinished(5000))
                target->process->kill();
        }
    }
    m_keyboard.reset(); // gives the spare keycodes back before the display goes
}

void TestKeyboardE2E::startTarget(Target &target, const QString &title)
{
    target.title = title;
    target.out = m_home.filePath(title.section(u' ', -1) + QStringLiteral(".txt"));
    target.process = std::make_unique<QProcess>();
    target.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    target.process->start(QStringLiteral(KEY_TARGET),
                          {QStringLiteral("--title"), title, QStringLiteral("--out"), target.out});
    QVERIFY(target.process->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(target.countSaid("ready"), 1, kDeliveryTimeoutMs);
    // The window manager lists the window once it has managed it.
    QTRY_VERIFY_WITH_TIMEOUT(m_windows->windowTitles().contains(title), kDeliveryTimeoutMs);
}

void TestKeyboardE2E::clear(Target &target)
{
    const int before = target.countSaid("cleared");
    target.process->write("clear\n");
    QTRY_COMPARE_WITH_TIMEOUT(target.countSaid("cleared"), before + 1, kDeliveryTimeoutMs);
    QCOMPARE(target.text(), QString());
}

void TestKeyboardE2E::focus(Target &target)
{
    QVERIFY(m_windows->activate(target.title));
}

// Switches the layout and waits until the target reads keys with the new map: a
// probe of letters that the three layouts place differently must arrive intact.
void TestKeyboardE2E::useLayout(const QString &layout)
{
    if (m_layout == layout)
        return;
    QCOMPARE(QProcess::execute(QStringLiteral("setxkbmap"), {layout}), 0);
    m_layout = layout;
    if (!m_alpha.process)
        return;
    const QString probe = QStringLiteral("qawzy");
    for (int attempt = 0; attempt < 50; ++attempt) {
        focus(m_alpha);
        clear(m_alpha);
        QVERIFY(m_keyboard->sendKeys(probe, true));
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha.text().size(), probe.size(), kDeliveryTimeoutMs);
        if (m_alpha.text() == probe)
            return;
    }
    QFAIL(qPrintable(QStringLiteral("the target never picked up the %1 layout").arg(layout)));
}

void TestKeyboardE2E::typesExactly_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("notation");
    QTest::addColumn<QString>("expected");

    const QString extras = windows1252Extras();
    const QString others = u"ŁŻ→€ĀőΩЖ漢字😀"_qs;
    for (const char *layout : {"us", "de", "fr"}) {
        const auto row = [&](const char *name) {
            return &QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(layout, name)));
        };
        *row("printable ASCII") << layout << literalNotation(printableAscii()) << printableAscii();
        *row("Windows-1252 beyond ASCII") << layout << literalNotation(extras) << extras;
        *row("other Unicode") << layout << others << others;
        const QString mixed = extras.right(40) + QStringLiteral("abc") + others;
        *row("mixed, pool reused") << layout << literalNotation(mixed) << mixed;
        *row("shift on a group") << layout << "+(abc)x"
                                 << "ABCx";
        *row("select all then type") << layout << "hello^ax"
                                     << "x";
        *row("backspace repeated") << layout << "abcdef{BS 3}"
                                   << "abc";
        *row("cursor keys") << layout << "ac{LEFT}b{END}d{HOME}0"
                            << "0abcd";
        *row("shift selection") << layout << "abcd+{LEFT 2}x"
                                << "abx";
        *row("delete") << layout << "abc{HOME}{DEL}{delete}"
                       << "c";
        *row("enter and tab") << layout << "a~b{ENTER}c{TAB}d"
                              << "a\nb\nc\td";
        *row("repeats") << layout << u"{a 5}{+ 3}{é 2}{} 2}{€ 3}"_qs << u"aaaaa+++éé}}€€€"_qs;
        *row("caps lock on") << layout << "{CAPSLOCK}aBc1{CAPSLOCK}d"
                             << "aBc1d";
    }
}

void TestKeyboardE2E::typesExactly()
{
    QFETCH(QString, layout);
    QFETCH(QString, notation);
    QFETCH(QString, expected);
    if (layout != u"us" && QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty())
        QSKIP("setxkbmap is not installed");
    useLayout(layout);
    focus(m_alpha);
    clear(m_alpha);
    QVERIFY(m_keyboard->sendKeys(notation, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha.text(), expected, kDeliveryTimeoutMs);
}

void TestKeyboardE2E::specialKeysReachTheWindow()
{
    useLayout(QStringLiteral("us"));
    focus(m_alpha);
    clear(m_alpha);
    QList<int> expected;
    QString notation;
    for (int n = 1; n <= 16; ++n) {
        notation += QStringLiteral("{F%1}").arg(n);
        expected.append(Qt::Key_F1 + n - 1);
    }
    notation += QStringLiteral("{HELP}{ESC}{INSERT}{PGUP}{PGDN}{UP}{DOWN}{F5 3}");
    expected << Qt::Key_Help << Qt::Key_Escape << Qt::Key_Insert << Qt::Key_PageUp
             << Qt::Key_PageDown << Qt::Key_Up << Qt::Key_Down << Qt::Key_F5 << Qt::Key_F5
             << Qt::Key_F5;
    QVERIFY(m_keyboard->sendKeys(notation, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha.keys(), expected, kDeliveryTimeoutMs);
}

void TestKeyboardE2E::waitsForHeldModifiers()
{
    // The "user" holds Shift on a connection of their own and lets go a little later;
    // the keys must not come out shifted.
    useLayout(QStringLiteral("us"));
    focus(m_alpha);
    clear(m_alpha);
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
    const bool sent = m_keyboard->sendKeys(QStringLiteral("abc"), true);
    release.join();
    XCloseDisplay(user);
    QVERIFY(sent);
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha.text(), QStringLiteral("abc"), kDeliveryTimeoutMs);
}

void TestKeyboardE2E::activatesByTitleAndPrefix()
{
    useLayout(QStringLiteral("us"));
    clear(m_alpha);
    clear(m_beta);

    QVERIFY(m_windows->activate(QStringLiteral("korvane key target beta")));
    QVERIFY(m_keyboard->sendKeys(QStringLiteral("one"), true));
    QTRY_COMPARE_WITH_TIMEOUT(m_beta.text(), QStringLiteral("one"), kDeliveryTimeoutMs);

    QVERIFY(m_windows->activate(QStringLiteral("KORVANE KEY TARGET AL")));
    QVERIFY(m_keyboard->sendKeys(QStringLiteral("two"), true));
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha.text(), QStringLiteral("two"), kDeliveryTimeoutMs);

    QVERIFY(m_windows->activate(QStringLiteral("Korvane Key Target B")));
    QVERIFY(m_keyboard->sendKeys(QStringLiteral("three"), true));
    QTRY_COMPARE_WITH_TIMEOUT(m_beta.text(), QStringLiteral("onethree"), kDeliveryTimeoutMs);

    // No such window: nothing changes and the keys go where the focus already is.
    QVERIFY(!m_windows->activate(QStringLiteral("Korvane Key Target Gamma")));
    QVERIFY(!m_windows->activate(QString()));
    QVERIFY(m_keyboard->sendKeys(QStringLiteral("four"), true));
    QTRY_COMPARE_WITH_TIMEOUT(m_beta.text(), QStringLiteral("onethreefour"), kDeliveryTimeoutMs);
    QCOMPARE(m_alpha.text(), QStringLiteral("two"));
}

int TestKeyboardE2E::emptyKeycodeCount()
{
    X11Connection own;
    X11Keymap keymap;
    return keymap.load(own.display(), {}) ? int(keymap.emptyKeycodes().size()) : -1;
}

void TestKeyboardE2E::restoresSpareKeycodes()
{
    useLayout(QStringLiteral("us"));
    m_keyboard->restoreSpareKeycodes();
    const int empty = emptyKeycodeCount();
    QVERIFY(empty > 0);
    focus(m_alpha);
    clear(m_alpha);
    QVERIFY(m_keyboard->sendKeys(u"ŁŻ→"_qs, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_alpha.text(), u"ŁŻ→"_qs, kDeliveryTimeoutMs);
    QCOMPARE(emptyKeycodeCount(), empty - 3); // in use until the idle delay passes
    QTRY_COMPARE_WITH_TIMEOUT(emptyKeycodeCount(), empty, kDeliveryTimeoutMs);
}

void TestKeyboardE2E::failsSilentlyWithoutDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    X11Keyboard keyboard;
    X11WindowActivator windows;
    const bool typed = keyboard.sendKeys(QStringLiteral("abc"), true);
    const bool activated = windows.activate(m_alpha.title);
    const QString reason = keyboard.unavailableReason();
    qputenv("DISPLAY", display);
    QVERIFY(!typed);
    QVERIFY(!activated);
    QVERIFY(reason.contains(u"DISPLAY"));
    // A malformed line is refused even where a display exists.
    QVERIFY(!m_keyboard->sendKeys(QStringLiteral("{NOSUCHKEY}"), true));
}

QTEST_GUILESS_MAIN(TestKeyboardE2E)
#include "test_keyboard_e2e.moc"
