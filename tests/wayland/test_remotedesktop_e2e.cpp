// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME's and KDE Plasma's compositors, headless (scripts/with-mutter, and
// scripts/with-kwin once per keyboard layout), typing into real Wayland windows
// (key_target on Qt's wayland platform) through the path the session picks, as
// production does: mutter's remote-desktop session (the interface GNOME's portal
// drives once the user has consented; the consent dialog needs GNOME Shell), and
// on KDE the RemoteDesktop portal with its KDE back end (which, headless and
// without its QML, grants at once and keeps no token: consent and token are tested
// against the stand-in portal). Such sessions type only what the layout holds: the
// rest is refused before any key goes out. "`A" works on KDE through KWin scripts
// and changes nothing on GNOME. A session left without a key path makes korvane
// say so and end with status 3.

#include "desktopdriver.h"
#include "keyboardbackend.h"
#include "kwinwindowactivator.h"
#include "nowindowactivator.h"
#include "remotedesktopkeyboard.h"
#include "waylandconnection.h"
#include "waylandtest.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace korvane;
using namespace korvane::e2e;

namespace {

constexpr int kTimeoutMs = 10000;

} // namespace

class TestRemoteDesktopE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            QSKIP("no Wayland compositor: run through scripts/with-mutter or scripts/with-kwin");
        qputenv("QT_QPA_PLATFORM", "wayland");
        qunsetenv("DISPLAY");
        m_connection = std::make_shared<WaylandConnection>();
        const SessionFacts facts = probeSession(m_connection.get());
        if (m_kde && !facts.portalRemoteDesktop) {
            QSKIP("no RemoteDesktop portal: xdg-desktop-portal, xdg-desktop-portal-kde and "
                  "qtwayland5 are needed");
        }
        // The session itself picks the backends.
        m_choice = chooseBackends(facts);
        QCOMPARE(m_choice.keys, m_kde ? KeystrokeBackend::PortalRemoteDesktop
                                      : KeystrokeBackend::MutterRemoteDesktop);
        QCOMPARE(m_choice.windows, m_kde ? ActivationBackend::KWinScript : ActivationBackend::None);
        m_keyboard = makeKeyboard();
        QVERIFY2(m_keyboard->unavailableReason().isEmpty(), qPrintable(m_keyboard->unavailableReason()));
        m_target = std::make_unique<KeyTarget>(QStringLiteral(KEY_TARGET), u"Korvane Key Target"_s,
                                               m_home.filePath(u"target.txt"_s));
        QVERIFY(m_target->waitReady());
    }
    void typesWhatTheLayoutHolds_data()
    {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<QString>("expected");
        // What each layout holds on its first three levels besides (most of) ASCII;
        // de makes ^ and ` only as dead keys. The us layout has € on a key of its own
        // (evdev KEY_EURO), which mutter presses.
        QString own = windows1252Printable().left(95);
        if (m_layout == u"de"_s)
            own = own.remove(u'^').remove(u'`') + u"äöüßÄÖÜ€µ²³§"_s;
        else if (m_layout == u"fr"_s)
            own = own.remove(u'$').remove(u'<').remove(u'>') + u"éèàçù€²µ§¤"_s;
        else if (!m_kde)
            own += u"€"_s;
        QTest::newRow("the layout's characters") << literalNotation(own) << own;
        QTest::newRow("select all, shift on a group") << u"hello^a+(abc)x"_s << u"ABCx"_s;
        QTest::newRow("editing keys and repeats") << u"abcdef{BS 3}{LEFT}x{HOME}{DEL}0{END}{a 3}~z"_s
                                                  << u"0bxcaaa\nz"_s;
    }
    void typesWhatTheLayoutHolds()
    {
        QFETCH(QString, notation);
        QFETCH(QString, expected);
        QVERIFY(m_target->clear());
        QVERIFY2(m_keyboard->sendKeys(notation, true), qPrintable(m_keyboard->lastFailure()));
        QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), expected, kTimeoutMs);
    }
    void refusesWhatTheLayoutLacks_data()
    {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("outside Windows-1252") << u"abc日本Ω"_s << QStringList{u"日"_s, u"本"_s, u"Ω"_s};
        QTest::newRow("a key the layout lacks") << u"ab{F16}"_s << QStringList{u"{F16}"_s};
        QTest::newRow("a control character no key makes") << u"a\u0001b"_s << QStringList{u"U+0001"_s};
        // On de, Æ is on the fourth level: the portal and mutter would type "a".
        QTest::newRow("Windows-1252 beyond the first three levels") << u"x Æ ñ y"_s
                                                                    << QStringList{u"Æ"_s, u"ñ"_s};
        // Characters the layout has on a low level, but whose first key in keycode
        // order has them on the fourth: KDE's portal (like mutter) picks that key and
        // types its first level (on de "0" for °, on fr "'" for $).
        if (m_layout == u"de"_s)
            QTest::newRow("found first on a fourth level") << u"90°"_s << QStringList{u"°"_s};
        if (m_layout == u"fr"_s) {
            QTest::newRow("found first on a fourth level")
                << u"a$b<c>£°"_s << QStringList{u"$"_s, u"<"_s, u">"_s, u"£"_s, u"°"_s};
        }
    }
    void refusesWhatTheLayoutLacks()
    {
        QFETCH(QString, notation);
        QFETCH(QStringList, named);
        QVERIFY(m_target->clear());
        QVERIFY(!m_keyboard->sendKeys(notation, true));
        for (const QString &character : std::as_const(named))
            QVERIFY2(m_keyboard->lastFailure().contains(character), qPrintable(m_keyboard->lastFailure()));
        // Nothing of the line arrives, not even its first characters.
        QVERIFY(m_keyboard->sendKeys(u"ok"_s, true));
        QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), u"ok"_s, kTimeoutMs);
    }
    void firstKeyOfEachSession()
    {
        // Each keyboard starts a session of its own: its very first key must arrive,
        // and be the layout's (z and y trade places on de).
        QVERIFY(m_target->clear());
        QString expected;
        for (int i = 0; i < 5; ++i) {
            m_keyboard = makeKeyboard();
            const QString line = u"zy%1"_s.arg(i);
            QVERIFY2(m_keyboard->sendKeys(line, true), qPrintable(m_keyboard->lastFailure()));
            expected += line;
            QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), expected, kTimeoutMs);
        }
    }
    void activatesByTitleWhereTheDesktopAllows()
    {
        // KWin: exact title then prefix, ignoring case, with a title that must reach
        // KWin's script intact. GNOME lets no program activate a native window: every
        // "`A" changes nothing and the keys go on to the window that has the focus.
        std::unique_ptr<WindowActivator> activator;
        if (m_kde)
            activator = std::make_unique<KWinWindowActivator>();
        else
            activator = std::make_unique<NoWindowActivator>(m_choice.message);
        const QString oddTitle = u"Notes \"quoted\" \\ Korvane's"_s;
        KeyTarget alpha(QStringLiteral(KEY_TARGET), u"Alpha Notes"_s, m_home.filePath(u"alpha.txt"_s));
        KeyTarget odd(QStringLiteral(KEY_TARGET), oddTitle, m_home.filePath(u"odd.txt"_s));
        QVERIFY(alpha.waitReady());
        QVERIFY(odd.waitReady());
        QVERIFY(m_target->clear());
        // Each title, then the window whose text the next line joins on KWin.
        const QList<std::pair<QString, KeyTarget *>> steps = {
            {u"alpha notes"_s, &alpha},
            {u"KORVANE KEY"_s, m_target.get()},
            {oddTitle, &odd},
            {u"otes"_s, nullptr}, // only inside titles: no match
            {QString(), nullptr}};
        // Where keys go without an activation is the compositor's choice (mutter does
        // not always focus the newest window, nor at once): each such line shows it.
        KeyTarget *focused = nullptr;
        QHash<KeyTarget *, QString> typed;
        int number = 0;
        for (const auto &[title, target] : steps) {
            QCOMPARE(activator->activate(title), m_kde && target);
            focused = m_kde && target ? target : nullptr;
            const QString line = u"k%1"_s.arg(++number);
            QVERIFY2(m_keyboard->sendKeys(line, true), qPrintable(m_keyboard->lastFailure()));
            if (!focused) {
                QVERIFY(QTest::qWaitFor([&] {
                    for (KeyTarget *window : {&alpha, m_target.get(), &odd})
                        focused = window->text() == typed.value(window) + line ? window : focused;
                    return focused != nullptr;
                }, kTimeoutMs));
            }
            typed[focused] += line;
            QTRY_COMPARE_WITH_TIMEOUT(focused->text(), typed.value(focused), kTimeoutMs);
        }
        QCOMPARE(alpha.text(), typed.value(&alpha));
        QCOMPARE(m_target->text(), typed.value(m_target.get()));
    }
    void noKeystrokePathEndsWithStatus3()
    {
        // Neither compositor offers a virtual keyboard; with their remote desktop out of
        // reach (no session bus) nothing can type, as under compositors without either.
        QVERIFY(m_target->clear());
        const KorvaneRun run = runKorvane(m_home.path(), {u"`A Korvane Key Target"_s, u"typed"_s},
                                          {u"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"_s});
        QCOMPARE(run.status, 3);
        QVERIFY2(run.errors.contains(u"zwp_virtual_keyboard_manager_v1"_s), qPrintable(run.errors));
        QVERIFY(m_keyboard->sendKeys(u"ok"_s, true));
        QTRY_COMPARE_WITH_TIMEOUT(m_target->text(), u"ok"_s, kTimeoutMs);
    }

private:
    std::unique_ptr<RemoteDesktopKeyboard> makeKeyboard()
    {
        return std::make_unique<RemoteDesktopKeyboard>(
            makeRemoteDesktopSession(m_choice, m_home.filePath(u"config/korvane/token"_s)),
            m_connection);
    }

    QTemporaryDir m_home;
    bool m_kde = qEnvironmentVariable("XDG_CURRENT_DESKTOP") == u"KDE"_s;
    QString m_layout = qEnvironmentVariable("KORVANE_TEST_LAYOUT", u"us"_s);
    std::shared_ptr<WaylandConnection> m_connection;
    BackendChoice m_choice;
    std::unique_ptr<RemoteDesktopKeyboard> m_keyboard;
    std::unique_ptr<KeyTarget> m_target;
};

QTEST_GUILESS_MAIN(TestRemoteDesktopE2E)
#include "test_remotedesktop_e2e.moc"
