// SPDX-License-Identifier: GPL-3.0-or-later
// Headless sway without XWayland (scripts/with-sway): the wlroots backends and the
// real korvane binary typing into real Wayland windows (key_target on Qt's wayland
// platform) under the us, de and fr layouts, switched while Korvane's keyboard
// exists as a user would. What the windows record must equal what was sent, with
// every keymap change and a fresh keyboard; activation by title must move the keys
// between windows; the command center runs natively and a second start brings it
// forward, also by the activation token it hands over.

#include "desktopdriver.h"
#include "keyboardbackend.h"
#include "waylandconnection.h"
#include "waylandtest.h"
#include "wlrootskeyboard.h"
#include "wlrootswindowactivator.h"
#include "xdg-activation-v1-client-protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <wayland-client.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace korvane;
using namespace korvane::e2e;

namespace {

constexpr int kTimeoutMs = 10000;
const QString kCommandCenter = u"Korvane Command Center"_s;
const QStringList kLayouts = {u"us"_s, u"de"_s, u"fr"_s};

// `count` CJK ideographs from `first` on: more than one keymap holds when many.
QString ideographs(char32_t first, int count)
{
    QString text;
    for (char32_t c = first; c < first + char32_t(count); ++c)
        text += QString::fromUcs4(&c, 1);
    return text;
}

// The window sway gives the keyboard focus, from its tree.
QJsonObject focusedWindow()
{
    QJsonArray nodes = {QJsonDocument::fromJson(
                            runTool(u"swaymsg"_s, {u"-t"_s, u"get_tree"_s}).toUtf8()).object()};
    while (!nodes.isEmpty()) {
        const QJsonObject node = nodes.takeAt(0).toObject();
        if (node.value(u"focused").toBool())
            return node;
        for (const QString &children : {u"nodes"_s, u"floating_nodes"_s})
            for (const QJsonValue &child : node.value(children).toArray())
                nodes.append(child);
    }
    return {};
}

// A token of the compositor's activation protocol, as a launcher gets one for the
// program it starts.
QString activationToken()
{
    struct Found
    {
        xdg_activation_v1 *activation = nullptr;
        QString token;
    } found;
    static const wl_registry_listener registryListener = {
        [](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t) {
            if (qstrcmp(interface, xdg_activation_v1_interface.name) == 0)
                static_cast<Found *>(data)->activation = static_cast<xdg_activation_v1 *>(
                    wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
        },
        [](void *, wl_registry *, uint32_t) {}};
    static const xdg_activation_token_v1_listener tokenListener = {
        [](void *data, xdg_activation_token_v1 *, const char *token) {
            static_cast<Found *>(data)->token = QString::fromUtf8(token);
        }};
    // Everything goes with the connection.
    wl_display *display = wl_display_connect(nullptr);
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &found);
    wl_display_roundtrip(display);
    if (found.activation) {
        auto *token = xdg_activation_v1_get_activation_token(found.activation);
        xdg_activation_token_v1_add_listener(token, &tokenListener, &found);
        xdg_activation_token_v1_commit(token);
        wl_display_roundtrip(display);
    }
    wl_display_disconnect(display);
    return found.token;
}

} // namespace

class TestWlrootsE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
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
        // The layouts change while our keyboard exists: sway then puts the new layout
        // on it too, and Korvane's keymap must go out again before the next line.
        QVERIFY(m_keyboard->sendKeys(QString(), true));
        m_alpha = startTarget(u"Korvane Key Target Alpha"_s);
        m_beta = startTarget(u"Korvane Key Target Beta"_s);
        QVERIFY(m_alpha && m_beta);
    }
    void typesExactly_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("notation");
        QTest::addColumn<QString>("expected");
        const QString ascii = windows1252Printable().left(95);
        const QString extras = windows1252Printable().mid(95);
        const QString others = u"ŁŻ→ĀőΩЖ漢字😀"_s;
        // More distinct characters than the keymap's pool: the keymap changes twice.
        const QString many = ideographs(0x4E00, 300) + u"a"_s + ideographs(0x4E00, 10);
        for (const QString &layout : kLayouts) {
            const auto row = [&](const char *name, const QString &notation, const QString &expected) {
                QTest::addRow("%s: %s", qPrintable(layout), name) << layout << notation << expected;
            };
            row("printable ASCII", literalNotation(ascii), ascii);
            row("Windows-1252 beyond ASCII", literalNotation(extras), extras);
            row("other Unicode", others, others);
            row("more characters than one keymap holds", many, many);
            row("select all, shift on a group", u"hello^a+(abc)x"_s, u"ABCx"_s);
            row("editing keys", u"abcdef{BS 3}{LEFT}x{HOME}{DEL}0{END}+{LEFT 2}y~z{TAB}w"_s,
                u"0by\nz\tw"_s);
            row("repeats", u"{a 5}{+ 3}{é 2}{} 2}{€ 3}"_s, u"aaaaa+++éé}}€€€"_s);
            row("caps lock on", u"{CAPSLOCK}aBc1{CAPSLOCK}d"_s, u"aBc1d"_s);
        }
        // Twenty thousand key events, far past the burst that goes out unpaced: the
        // window must get them all (the compositor disconnects a client that falls too
        // far behind). Lines: one line of 10,000 characters slows the window to a crawl.
        QTest::newRow("the longest repeat") << m_layout << u"{ENTER 10000}"_s << QString(10000, u'\n');
    }
    void typesExactly()
    {
        QFETCH(QString, layout);
        QFETCH(QString, notation);
        QFETCH(QString, expected);
        useLayout(layout);
        typeInto(*m_alpha, notation);
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), expected, kTimeoutMs);
    }
    void scriptTypesIntoWindowsChosenByTitle_data()
    {
        QTest::addColumn<QString>("layout");
        for (const QString &layout : kLayouts)
            QTest::newRow(qPrintable(layout)) << layout;
    }
    void scriptTypesIntoWindowsChosenByTitle()
    {
        QFETCH(QString, layout);
        useLayout(layout);
        QVERIFY(m_alpha->clear());
        QVERIFY(m_beta->clear());
        const QString extras = windows1252Printable().mid(95);
        // The exact title in other letter case, then a prefix; titles that match no
        // window (another, a part inside, none) change nothing.
        const KorvaneRun run = runKorvane(m_home.path(), {u"`A "_s + m_alpha->title().toUpper(),
                                     u"Hello, World{!} {+}1 {(}x{)} {{}{}} 50{%} a{~}b 日本~"_s,
                                     u"`SET "_s + extras, u"`U"_s, u"`A korvane key target b"_s,
                                     u"+(beta) line{ENTER}{TAB}x{BS 2}y"_s,
                                     u"`A Korvane Key Target Gamma"_s, u"1"_s,
                                     u"`A Key Target Alpha"_s, u"2"_s, u"`A"_s, u"3"_s});
        QVERIFY2(run.status == 0, qPrintable(run.errors));
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"Hello, World! +1 (x) {} 50% a~b 日本\n"_s + extras,
                                  kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_beta->text(), u"BETA line\ny123"_s, kTimeoutMs);
    }
    void firstKeyAfterKeymapChange()
    {
        // Each line needs a character the keymap lacks, so a new keymap goes out right
        // before its first key; with the pool full, the next line takes keys back.
        QString expected = ideographs(0x5000, 240);
        typeInto(*m_alpha, expected);
        for (int i = 0; i < 30; ++i) {
            const QString line = ideographs(0x6000 + char32_t(i), 1) + u"x"_s;
            QVERIFY2(m_keyboard->sendKeys(line, true), qPrintable(m_keyboard->lastFailure()));
            expected += line;
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), expected, kTimeoutMs);
    }
    void firstKeyOfFreshKeyboard()
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
            QTRY_COMPARE_WITH_TIMEOUT(m_beta->text(), expected, kTimeoutMs);
        }
    }
    void specialKeysReachTheWindow()
    {
        QString notation = u"{HELP}{ESC}{INSERT}{PGUP}{PGDN}{UP}{DOWN}{F5 3}"_s;
        QList<int> expected = {Qt::Key_Help, Qt::Key_Escape, Qt::Key_Insert, Qt::Key_PageUp,
                               Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Down, Qt::Key_F5, Qt::Key_F5,
                               Qt::Key_F5};
        for (int n = 1; n <= 16; ++n) {
            notation += u"{F%1}"_s.arg(n);
            expected.append(Qt::Key_F1 + n - 1);
        }
        typeInto(*m_alpha, notation);
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->keyPresses(), expected, kTimeoutMs);
    }
    void refusesWhatItCannotType()
    {
        // A control character no key makes, or a malformed line: nothing at all is typed.
        typeInto(*m_alpha, u"ok"_s);
        QVERIFY(!m_keyboard->sendKeys(u"ab"_s + QChar(0x01) + u"c"_s, true));
        QVERIFY(m_keyboard->lastFailure().contains(u"U+0001"));
        QVERIFY(!m_keyboard->sendKeys(u"abc{NOSUCHKEY}"_s, true));
        QVERIFY(!m_keyboard->lastFailure().isEmpty());
        QVERIFY(m_keyboard->sendKeys(u"!"_s, true));
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), u"ok!"_s, kTimeoutMs);
    }
    void secondStartBringsCommandCenterForward()
    {
        // Korvane's activation by title (bringForward) does not wait for the focus.
        QVERIFY(m_windows->bringForward(u"korvane key target b"_s));
        QTRY_COMPARE_WITH_TIMEOUT(focusedWindow().value(u"name").toString(), m_beta->title(),
                                  kTimeoutMs);
        QProcess korvane;
        startCommandCenter(korvane);
        QVERIFY(m_windows->activate(m_alpha->title()));
        QCOMPARE(focusedWindow().value(u"name").toString(), m_alpha->title());
        const KorvaneRun second = runKorvane(m_home.path());
        QVERIFY2(second.status == 0, qPrintable(second.errors));
        QTRY_COMPARE_WITH_TIMEOUT(focusedWindow().value(u"name").toString(), kCommandCenter, kTimeoutMs);
        // The running instance's own window, a native one.
        QCOMPARE(focusedWindow().value(u"pid").toInteger(), korvane.processId());
        QCOMPARE(focusedWindow().value(u"shell").toString(), u"xdg_shell"_s);
        korvane.kill();
        korvane.waitForFinished();
    }
    void activationTokenRaisesCommandCenter()
    {
        // Another program's window with the command center's title, newer than it.
        // Korvane lists the windows when it first brings one forward, and sway lists
        // the newest first: Korvane's own request picks that one, so only the token
        // the second start hands over can raise the command center. Sway by default
        // answers a token by marking the window urgent; here it focuses it.
        QProcess korvane;
        startCommandCenter(korvane);
        KeyTarget decoy(QStringLiteral(KEY_TARGET), kCommandCenter, m_home.filePath(u"decoy.txt"_s));
        QVERIFY(decoy.waitReady());
        QCOMPARE(QProcess::execute(u"swaymsg"_s, {u"-q"_s, u"focus_on_window_activation"_s, u"focus"_s}),
                 0);
        QProcess events;
        events.start(u"swaymsg"_s, {u"-r"_s, u"-m"_s, u"-t"_s, u"subscribe"_s, u"[\"window\"]"_s});
        QSet<qint64> focused;
        const auto focusedSoFar = [&] {
            while (events.canReadLine()) {
                const QJsonObject event = QJsonDocument::fromJson(events.readLine()).object();
                if (event.value(u"change").toString() == u"focus"_s)
                    focused.insert(event.value(u"container").toObject().value(u"pid").toInteger());
            }
            return focused;
        };
        // Once the subscription reports a window taking the focus, it is in place.
        QVERIFY(QTest::qWaitFor([&] {
            m_windows->activate(m_beta->title());
            m_windows->activate(m_alpha->title());
            return focusedSoFar().contains(m_alpha->pid());
        }, kTimeoutMs));
        const QString token = activationToken();
        QVERIFY(!token.isEmpty());
        const KorvaneRun second = runKorvane(m_home.path(), {}, {u"XDG_ACTIVATION_TOKEN="_s + token});
        QVERIFY2(second.status == 0, qPrintable(second.errors));
        // Both come forward, in either order: the decoy by Korvane's own request, the
        // command center by the token.
        QVERIFY(QTest::qWaitFor([&] {
            return focusedSoFar().contains(decoy.pid()) && focused.contains(korvane.processId());
        }, kTimeoutMs));
        QProcess::execute(u"swaymsg"_s, {u"-q"_s, u"focus_on_window_activation"_s, u"urgent"_s});
        events.kill();
        events.waitForFinished();
        korvane.kill();
        korvane.waitForFinished();
    }

private:
    std::unique_ptr<KeyTarget> startTarget(const QString &title)
    {
        auto target = std::make_unique<KeyTarget>(QStringLiteral(KEY_TARGET), title,
                                                  m_home.filePath(title.section(u' ', -1) + u".txt"_s));
        if (!target->waitReady() ||
            !QTest::qWaitFor([&] { return m_windows->windowTitles().contains(title); }, kTimeoutMs))
            return nullptr;
        return target;
    }
    void useLayout(const QString &layout)
    {
        if (layout == m_layout)
            return;
        QCOMPARE(QProcess::execute(u"swaymsg"_s, {u"-q"_s, u"input"_s, u"type:keyboard"_s,
                                                   u"xkb_layout"_s, layout}),
                 0);
        m_layout = layout;
    }
    void typeInto(KeyTarget &target, const QString &notation)
    {
        QVERIFY(m_windows->activate(target.title()));
        QCOMPARE(m_windows->activeTitle(), target.title());
        QVERIFY(target.clear());
        QVERIFY2(m_keyboard->sendKeys(notation, true), qPrintable(m_keyboard->lastFailure()));
    }
    void startCommandCenter(QProcess &korvane)
    {
        korvane.setProcessEnvironment(korvaneEnvironment(m_home.path()));
        const qsizetype before = m_windows->windowTitles().count(kCommandCenter);
        korvane.start(QStringLiteral(KORVANE_BINARY), {});
        QVERIFY(QTest::qWaitFor(
            [&] { return m_windows->windowTitles().count(kCommandCenter) > before; }, kTimeoutMs));
    }

    QTemporaryDir m_home;
    QString m_layout = u"us"_s;
    std::shared_ptr<WaylandConnection> m_connection;
    std::unique_ptr<WlrootsKeyboard> m_keyboard;
    std::unique_ptr<WlrootsWindowActivator> m_windows;
    std::unique_ptr<KeyTarget> m_alpha;
    std::unique_ptr<KeyTarget> m_beta;
};

QTEST_GUILESS_MAIN(TestWlrootsE2E)
#include "test_wlroots_e2e.moc"
