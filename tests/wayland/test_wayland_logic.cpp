// SPDX-License-Identifier: GPL-3.0-or-later
// The Wayland backends' logic, without a compositor: which backends a session
// gets, which characters a remote-desktop session can type in a layout (as mutter
// 43 and KDE's portal 5.27 look key symbols up), and how the keymap uploaded to
// virtual keyboards hands out its keys (what those keys type, the e2e tests see).

#include "keyboardbackend.h"
#include "layoutkeysyms.h"
#include "virtualkeymap.h"
#include "waylandtest.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace korvane;
using korvane::e2e::keymapText;

Q_DECLARE_METATYPE(korvane::KeystrokeBackend)
Q_DECLARE_METATYPE(korvane::ActivationBackend)
Q_DECLARE_METATYPE(korvane::KeysymTranslation)

class TestWaylandLogic : public QObject
{
    Q_OBJECT

private slots:
    void choosesFromTheSession_data()
    {
        // W: a Wayland compositor answered, X: DISPLAY is set; v, t: the compositor lists
        // the virtual keyboard, the toplevel list; m, p, k: mutter's remote desktop, the
        // portal's keyboard, KWin on the session bus.
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<KeystrokeBackend>("keys");
        QTest::addColumn<ActivationBackend>("windows");
        // m: mutter's translation, k: KDE's; "+": the portal after mutter.
        QTest::addColumn<QString>("translations");
        QTest::addColumn<QString>("message"); // a word the message holds; empty: none
        using K = KeystrokeBackend;
        using W = ActivationBackend;
        const auto row = [](const char *name, const char *session, const char *desktop, K keys,
                            W windows, const char *translations, const char *message) {
            QTest::newRow(name) << QString::fromLatin1(session) << QString::fromLatin1(desktop) << keys
                                << windows << QString::fromLatin1(translations)
                                << QString::fromLatin1(message);
        };
        row("X11", "X", "", K::X11, W::X11, "", "");
        row("no display at all", "", "", K::None, W::None, "", "DISPLAY");
        row("sway", "Wvt", "sway", K::WlrootsVirtualKeyboard, W::WlrootsForeignToplevel, "", "");
        row("sway, XWayland, a portal", "WXvtp", "sway", K::WlrootsVirtualKeyboard,
            W::WlrootsForeignToplevel, "", "");
        row("no window list (river)", "Wv", "", K::WlrootsVirtualKeyboard, W::None, "", "activate");
        row("GNOME with XWayland", "WXm", "GNOME", K::MutterRemoteDesktop, W::X11, "m", "XWayland");
        row("GNOME without XWayland", "Wm", "GNOME", K::MutterRemoteDesktop, W::None, "m", "layout");
        row("GNOME and its portal", "WXmp", "ubuntu:GNOME", K::MutterRemoteDesktop, W::X11, "m+",
            "layout");
        row("GNOME, mutter not on the bus", "Wp", "GNOME", K::PortalRemoteDesktop, W::None, "m",
            "permission");
        row("KDE Plasma", "Wpk", "KDE", K::PortalRemoteDesktop, W::KWinScript, "k", "KDE");
        row("KDE Plasma with XWayland", "WXpk", "KDE", K::PortalRemoteDesktop, W::KWinScript, "k",
            "KDE");
        row("KDE without portal, XWayland", "WXk", "KDE", K::X11, W::KWinScript, "", "XWayland");
        row("KDE without portal or XWayland", "Wk", "KDE", K::None, W::KWinScript, "",
            "zwp_virtual_keyboard_manager_v1");
        row("another desktop, a portal", "Wp", "Budgie", K::PortalRemoteDesktop, W::None, "mk",
            "permission");
        row("no key path, XWayland", "WX", "", K::X11, W::X11, "", "XWayland");
        row("no key path, pure Wayland", "W", "", K::None, W::None, "",
            "zwp_virtual_keyboard_manager_v1");
    }
    void choosesFromTheSession()
    {
        QFETCH(QString, session);
        QFETCH(QString, desktop);
        QFETCH(QString, translations);
        QFETCH(QString, message);
        SessionFacts facts;
        facts.wayland = session.contains(u'W');
        facts.x11 = session.contains(u'X');
        if (session.contains(u'v'))
            facts.waylandGlobals << u"wl_seat"_s << u"zwp_virtual_keyboard_manager_v1"_s;
        if (session.contains(u't'))
            facts.waylandGlobals << u"zwlr_foreign_toplevel_manager_v1"_s;
        facts.mutterRemoteDesktop = session.contains(u'm');
        facts.portalRemoteDesktop = session.contains(u'p');
        facts.kwinScripting = session.contains(u'k');
        facts.currentDesktop = desktop;
        const BackendChoice choice = chooseBackends(facts);
        QTEST(choice.keys, "keys");
        QTEST(choice.windows, "windows");
        QCOMPARE(choice.portalFallback, translations.contains(u'+'));
        QList<KeysymTranslation> expected;
        if (translations.contains(u'm'))
            expected << KeysymTranslation::Mutter;
        if (translations.contains(u'k'))
            expected << KeysymTranslation::KdePortal;
        QCOMPARE(choice.translations, expected);
        QVERIFY2(message.isEmpty() ? choice.message.isEmpty() : choice.message.contains(message),
                 qPrintable(choice.message));
    }
    void typesWhatTheLayoutReaches_data()
    {
        QTest::addColumn<QByteArray>("keymap");
        QTest::addColumn<KeysymTranslation>("translation");
        QTest::addColumn<QString>("typed");   // each of these comes out as itself
        QTest::addColumn<QString>("refused"); // each of these does not
        using T = KeysymTranslation;
        for (const T translation : {T::Mutter, T::KdePortal}) {
            const char *who = translation == T::Mutter ? "mutter" : "KDE";
            QTest::addRow("us, %s", who) << keymapText("us") << translation << u"aA1!~ "_s
                                         << u"éßÆ日"_s;
            // Æ is on the fourth level (Shift+AltGr+a): both would type "a".
            QTest::addRow("de, %s", who) << keymapText("de") << translation << u"zyäßÄ€@µæ"_s
                                         << u"ÆéÁ日"_s;
            QTest::addRow("fr, %s", who) << keymapText("fr") << translation << u"aqé1&€ù"_s
                                         << u"ÉÆñ日"_s;
        }
        // Right Alt stays Alt and the third level sits on the left Windows key: mutter
        // finds it there, KDE's portal always presses Right Alt.
        const QByteArray moved = keymapText("de", "lv3:ralt_alt,lv3:lwin_switch");
        QTest::newRow("de, AltGr moved, mutter") << moved << T::Mutter << u"ä€@"_s << u"Æ"_s;
        QTest::newRow("de, AltGr moved, KDE") << moved << T::KdePortal << u"ä"_s << u"€@Æ"_s;
        QTest::newRow("broken keymap") << QByteArray("xkb_keymap { nonsense") << T::Mutter << QString()
                                       << u"a"_s;
    }
    void typesWhatTheLayoutReaches()
    {
        QFETCH(QByteArray, keymap);
        QFETCH(KeysymTranslation, translation);
        QFETCH(QString, typed);
        QFETCH(QString, refused);
        const LayoutKeysyms layout(keymap, {translation});
        QCOMPARE(layout.isValid(), !typed.isEmpty());
        // Both translations together let through only what each does.
        const LayoutKeysyms both(keymap, {KeysymTranslation::Mutter, KeysymTranslation::KdePortal});
        for (const char32_t c : typed.toUcs4())
            QVERIFY2(layout.types(xkb_utf32_to_keysym(c)), qPrintable(QString::fromUcs4(&c, 1)));
        for (const char32_t c : refused.toUcs4()) {
            QVERIFY2(!layout.types(xkb_utf32_to_keysym(c)), qPrintable(QString::fromUcs4(&c, 1)));
            QVERIFY(!both.types(xkb_utf32_to_keysym(c)));
        }
    }
    void reusesLeastRecentlyUsedKeys()
    {
        VirtualKeymap keymap;
        QList<uint32_t> first;
        for (int i = 0; i < VirtualKeymap::kCapacity; ++i)
            first.append(0x1004E00 + uint32_t(i));
        bool changed = false;
        QVERIFY(keymap.assign(first, changed) && changed);
        // Already there: no new keymap needed.
        QVERIFY(keymap.assign(first.mid(10, 5), changed) && !changed);
        // One more than the pool holds is refused whole.
        QVERIFY(!keymap.assign(first + QList<uint32_t>{0x20AC}, changed));
        QCOMPARE(keymap.keycodeOf(0x20AC), 0u);
        // A new symbol takes the key used longest ago, never one just used.
        const unsigned oldest = keymap.keycodeOf(first.at(0));
        QVERIFY(keymap.assign({0x20AC}, changed) && changed);
        QCOMPARE(keymap.keycodeOf(0x20AC), oldest);
        QCOMPARE(keymap.keycodeOf(first.at(0)), 0u);
        QVERIFY(keymap.keycodeOf(first.at(10)) != 0);
    }
};

QTEST_GUILESS_MAIN(TestWaylandLogic)
#include "test_wayland_logic.moc"
