// SPDX-License-Identifier: GPL-3.0-or-later
// The real X11 backend typing into real windows (key_target) under Xvfb with a
// window manager: what the windows record must equal what was sent, under the us,
// de and fr layouts, and activation by title must move the keys between windows.

#include "desktopdriver.h"
#include "x11connection.h"
#include "x11keyboard.h"
#include "x11keymap.h"
#include "x11windowactivator.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// After the Qt headers: Xlib's macros clash with them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace Qt::StringLiterals;
using namespace korvane;
using namespace korvane::e2e;

namespace {

constexpr int kDeliveryTimeoutMs = 10000;

} // namespace

class TestKeyboardE2E : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::shared_ptr<X11Connection> m_connection = std::make_shared<X11Connection>();
    std::unique_ptr<X11Keyboard> m_keyboard;
    std::unique_ptr<X11WindowActivator> m_windows;
    std::unique_ptr<KeyTarget> m_alpha, m_beta;
    QString m_layout = u"us"_s;

    // Empties the target's record, focuses it and sends `notation` to it.
    void typeInto(KeyTarget &target, const QString &notation)
    {
        QVERIFY(m_windows->activate(target.title()));
        QVERIFY(target.clear());
        QVERIFY(m_keyboard->sendKeys(notation, true));
    }

    // Switches the layout and waits until the target reads keys with the new map: a
    // probe of letters that the three layouts place differently must arrive intact.
    void useLayout(const QString &layout)
    {
        if (m_layout == layout)
            return;
        QCOMPARE(QProcess::execute(u"setxkbmap"_s, {layout}), 0);
        m_layout = layout;
        for (int attempt = 0; attempt < 50; ++attempt) {
            typeInto(*m_alpha, u"qawzy"_s);
            QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text().size(), 5, kDeliveryTimeoutMs);
            if (m_alpha->text() == u"qawzy")
                return;
        }
        QFAIL(qPrintable(u"the target never picked up the %1 layout"_s.arg(layout)));
    }

private slots:
    void initTestCase()
    {
        qputenv("KORVANE_HOME", m_home.path().toUtf8());
        m_keyboard = std::make_unique<X11Keyboard>(m_connection);
        m_windows = std::make_unique<X11WindowActivator>(m_connection);
        QProcess::execute(u"setxkbmap"_s, {m_layout});
        for (auto [target, title] : {std::pair{&m_alpha, u"Korvane Key Target Alpha"_s},
                                     std::pair{&m_beta, u"Korvane Key Target Beta"_s}}) {
            *target = std::make_unique<KeyTarget>(KEY_TARGET ""_L1, title, m_home.filePath(title));
            // The window manager lists the window once it has managed it.
            QVERIFY((*target)->waitReady());
            QVERIFY(QTest::qWaitFor([&] { return m_windows->windowTitles().contains(title); },
                                    kDeliveryTimeoutMs));
        }
    }

    void cleanupTestCase() { QProcess::execute(u"setxkbmap"_s, {u"us"_s}); }

    void typesExactly_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("notation");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<int>>("keys"); // the keys pressed, where they type no text

        const QString ascii = windows1252Printable().left(0x7F - 0x20);
        const QString extras = windows1252Printable().mid(ascii.size()); // beyond ASCII
        const QString others = u"ŁŻ→€ĀőΩЖ漢字😀"_s;
        const QString mixed = extras.right(40) + u"abc"_s + others;
        const QString special = u"{F1}{F12}{F16}{ESC}{INSERT}{PGDN}{UP}{F5 2}"_s;
        const QList<int> specialKeys{Qt::Key_F1,     Qt::Key_F12,    Qt::Key_F16,
                                     Qt::Key_Escape, Qt::Key_Insert, Qt::Key_PageDown,
                                     Qt::Key_Up,     Qt::Key_F5,     Qt::Key_F5};
        for (const char *layout : {"us", "de", "fr"}) {
            const auto row = [&](const char *name, const QString &notation, const QString &expected,
                                 const QList<int> &keys = {}) {
                QTest::newRow(qPrintable(u"%1: %2"_s.arg(layout, name)))
                    << layout << notation << expected << keys;
            };
            row("printable ASCII", literalNotation(ascii), ascii);
            row("Windows-1252 beyond ASCII", literalNotation(extras), extras);
            row("other Unicode", others, others);
            row("mixed, pool reused", literalNotation(mixed), mixed);
            row("select all, shift on a group", "hello^a+(abc)x", "ABCx");
            row("editing keys", "abcdef{BS 3}{LEFT}x{HOME}{DEL}0{END}+{LEFT 2}y~z{TAB}w",
                "0by\nz\tw");
            row("repeats", u"{a 5}{+ 3}{é 2}{} 2}{€ 3}"_s, u"aaaaa+++éé}}€€€"_s);
            row("caps lock on", "{CAPSLOCK}aBc1{CAPSLOCK}d", "aBc1d");
            row("keys that type no text", special, "", specialKeys);
        }
    }

    void typesExactly()
    {
        QFETCH(QString, layout);
        QFETCH(QString, notation);
        QFETCH(QString, expected);
        QFETCH(QList<int>, keys);
        useLayout(layout);
        typeInto(*m_alpha, notation);
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), expected, kDeliveryTimeoutMs);
        if (!keys.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(m_alpha->keyPresses(), keys, kDeliveryTimeoutMs);
    }

    void waitsForHeldModifiers()
    {
        // The "user" holds Shift and lets go a little later: the keys, typed meanwhile,
        // must not come out shifted.
        QVERIFY(m_windows->activate(m_alpha->title()) && m_alpha->clear());
        xdotool({u"keydown"_s, u"shift"_s});
        QProcess::startDetached(u"sh"_s, {u"-c"_s, u"sleep 0.3; xdotool keyup shift"_s});
        QVERIFY(m_keyboard->sendKeys(u"abc"_s, true));
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"abc"_s, kDeliveryTimeoutMs);
    }

    void activatesByTitleAndPrefix()
    {
        QVERIFY(m_alpha->clear() && m_beta->clear());
        for (const auto &[title, keys, target] :
             {std::tuple{u"korvane key target beta"_s, u"one"_s, m_beta.get()},
              std::tuple{u"KORVANE KEY TARGET AL"_s, u"two"_s, m_alpha.get()}}) {
            QVERIFY(m_windows->activate(title));
            QVERIFY(m_keyboard->sendKeys(keys, true));
            QTRY_COMPARE_WITH_TIMEOUT(target->text(), keys, kDeliveryTimeoutMs);
        }
        // No such window: nothing changes and the keys go where the focus already is.
        QVERIFY(!m_windows->activate(u"Korvane Key Target Gamma"_s));
        QVERIFY(m_keyboard->sendKeys(u"four"_s, true));
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"twofour"_s, kDeliveryTimeoutMs);
        QCOMPARE(m_beta->text(), u"one"_s);
    }

    void onADisplayOfItsOwn()
    {
        // A window manager of the test's own, on an X server of its own, receives the
        // activation request: it must say it comes from a pager (2), which window
        // managers honour without their focus-stealing checks.
        QProcess server;
        server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s});
        QVERIFY(server.waitForReadyRead(20000));
        const QByteArray name = ':' + server.readLine().trimmed(), ours = qgetenv("DISPLAY");
        Display *wm = XOpenDisplay(name.constData());
        Window root = DefaultRootWindow(wm),
               client = XCreateSimpleWindow(wm, root, 0, 0, 9, 9, 0, 0, 0);
        Atom active = XInternAtom(wm, "_NET_ACTIVE_WINDOW", False);
        XStoreName(wm, client, "Target");
        XMapWindow(wm, client);
        for (auto [property, type, value] :
             {std::tuple{"_NET_SUPPORTING_WM_CHECK", XA_WINDOW, &client},
              std::tuple{"_NET_SUPPORTED", XA_ATOM, &active}})
            XChangeProperty(wm, root, XInternAtom(wm, property, False), type, 32, PropModeReplace,
                            reinterpret_cast<unsigned char *>(value), 1);
        XSelectInput(wm, root, SubstructureRedirectMask);
        XSync(wm, False);
        qputenv("DISPLAY", name);
        QVERIFY(X11WindowActivator().bringForward(u"target"_s));
        XEvent request{};
        QTRY_VERIFY(XPending(wm) > 0);
        XNextEvent(wm, &request);
        QCOMPARE(request.xclient.data.l[0], 2L);
        // Keys the layout lacks use spare keycodes until the idle delay passes; then the
        // map is as it was.
        const auto emptyKeycodeCount = [wm] {
            X11Keymap keymap;
            return keymap.load(wm, {}) ? keymap.emptyKeycodes().size() : -1;
        };
        const qsizetype empty = emptyKeycodeCount();
        auto keyboard = std::make_unique<X11Keyboard>();
        QVERIFY(keyboard->sendKeys(u"ŁŻ→"_s, true));
        QCOMPARE(emptyKeycodeCount(), empty - 3);
        QTRY_COMPARE_WITH_TIMEOUT(emptyKeycodeCount(), empty, kDeliveryTimeoutMs);
        // With every keycode in use, such a character is refused, and says why.
        X11Keymap full;
        QVERIFY(full.load(wm, {}));
        for (const unsigned keycode : full.emptyKeycodes()) {
            KeySym letter = 'q';
            XChangeKeyboardMapping(wm, int(keycode), 1, &letter, 1);
        }
        XSync(wm, False);
        QVERIFY(!keyboard->sendKeys(u"xŁ"_s, true));
        QCOMPARE(keyboard->lastFailure(), u"no spare keycode left to type \"Ł\" (U+0141): every "
                                          "keycode of the keyboard map is in use"_s);
        keyboard.reset();
        qputenv("DISPLAY", ours);
        XCloseDisplay(wm);
        server.close();
    }
};

QTEST_GUILESS_MAIN(TestKeyboardE2E)
#include "test_keyboard_e2e.moc"
