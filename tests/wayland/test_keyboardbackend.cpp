// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of keystroke and activation backends from what a session offers.

#include "keyboardbackend.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace korvane;

Q_DECLARE_METATYPE(korvane::KeystrokeBackend)
Q_DECLARE_METATYPE(korvane::ActivationBackend)

using Translations = QList<KeysymTranslation>;

class TestKeyboardBackend : public QObject
{
    Q_OBJECT

private slots:
    void choosesFromTheSession_data();
    void choosesFromTheSession();
};

void TestKeyboardBackend::choosesFromTheSession_data()
{
    // What the session offers.
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<bool>("x11");
    QTest::addColumn<QStringList>("globals");
    QTest::addColumn<QString>("services"); // m: mutter's remote desktop, p: the portal, k: KWin
    QTest::addColumn<QString>("desktop");
    // What is chosen.
    QTest::addColumn<KeystrokeBackend>("keys");
    QTest::addColumn<ActivationBackend>("windows");
    QTest::addColumn<bool>("portalFallback");
    QTest::addColumn<Translations>("translations");
    QTest::addColumn<QString>("message"); // a word the message holds; empty: no message

    const QStringList wlroots = {u"wl_seat"_s, u"zwp_virtual_keyboard_manager_v1"_s,
                                 u"zwlr_foreign_toplevel_manager_v1"_s};
    const QStringList river = {u"wl_seat"_s, u"zwp_virtual_keyboard_manager_v1"_s};
    const QStringList plain = {u"wl_seat"_s, u"xdg_wm_base"_s};
    using K = KeystrokeBackend;
    using W = ActivationBackend;
    const Translations none;
    const Translations mutter = {KeysymTranslation::Mutter};
    const Translations kde = {KeysymTranslation::KdePortal};
    const Translations both = {KeysymTranslation::Mutter, KeysymTranslation::KdePortal};
    const auto row = [](const char *name, bool wayland, bool x11, const QStringList &globals,
                        const QString &services, const QString &desktop, K keys, W windows,
                        bool fallback, const Translations &translations, const QString &message) {
        QTest::newRow(name) << wayland << x11 << globals << services << desktop << keys << windows
                            << fallback << translations << message;
    };
    row("X11", false, true, {}, {}, {}, K::X11, W::X11, false, none, {});
    row("no display at all", false, false, {}, {}, {}, K::None, W::None, false, none, u"DISPLAY"_s);
    row("sway, no XWayland", true, false, wlroots, {}, u"sway"_s, K::WlrootsVirtualKeyboard,
        W::WlrootsForeignToplevel, false, none, {});
    row("sway with XWayland and a portal: the Wayland protocols still win", true, true, wlroots,
        u"p"_s, u"sway"_s, K::WlrootsVirtualKeyboard, W::WlrootsForeignToplevel, false, none, {});
    row("virtual keyboard without window list", true, false, river, {}, {},
        K::WlrootsVirtualKeyboard, W::None, false, none, u"activate"_s);
    row("GNOME with XWayland", true, true, plain, u"m"_s, u"GNOME"_s, K::MutterRemoteDesktop,
        W::X11, false, mutter, u"XWayland"_s);
    row("GNOME without XWayland", true, false, plain, u"m"_s, u"GNOME"_s, K::MutterRemoteDesktop,
        W::None, false, mutter, u"layout"_s);
    row("GNOME with its portal: mutter first, the portal when mutter refuses", true, true, plain,
        u"mp"_s, u"ubuntu:GNOME"_s, K::MutterRemoteDesktop, W::X11, true, mutter, u"layout"_s);
    row("GNOME whose mutter is not on the bus: the portal, mutter's rules", true, false, plain,
        u"p"_s, u"GNOME"_s, K::PortalRemoteDesktop, W::None, false, mutter, u"permission"_s);
    row("KDE Plasma: the portal, window by KWin script", true, false, plain, u"pk"_s, u"KDE"_s,
        K::PortalRemoteDesktop, W::KWinScript, false, kde, u"KDE"_s);
    row("KDE Plasma with XWayland: still the portal and KWin", true, true, plain, u"pk"_s,
        u"KDE"_s, K::PortalRemoteDesktop, W::KWinScript, false, kde, u"KDE"_s);
    row("KDE Plasma without a portal, XWayland: X11 keys, KWin windows", true, true, plain,
        u"k"_s, u"KDE"_s, K::X11, W::KWinScript, false, none, u"XWayland"_s);
    row("KDE Plasma without a portal or XWayland: refused with a reason", true, false, plain,
        u"k"_s, u"KDE"_s, K::None, W::KWinScript, false, none,
        u"zwp_virtual_keyboard_manager_v1"_s);
    row("another desktop with a portal: both rules apply", true, false, plain, u"p"_s,
        u"Budgie"_s, K::PortalRemoteDesktop, W::None, false, both, u"permission"_s);
    row("no key path, XWayland: X11 windows only", true, true, plain, {}, {}, K::X11, W::X11,
        false, none, u"XWayland"_s);
    row("no key path, pure Wayland: refused with a reason", true, false, plain, {}, {}, K::None,
        W::None, false, none, u"zwp_virtual_keyboard_manager_v1"_s);
}

void TestKeyboardBackend::choosesFromTheSession()
{
    QFETCH(bool, wayland);
    QFETCH(bool, x11);
    QFETCH(QStringList, globals);
    QFETCH(QString, services);
    QFETCH(QString, desktop);
    QFETCH(KeystrokeBackend, keys);
    QFETCH(ActivationBackend, windows);
    QFETCH(bool, portalFallback);
    QFETCH(Translations, translations);
    QFETCH(QString, message);
    SessionFacts facts;
    facts.wayland = wayland;
    facts.x11 = x11;
    facts.waylandGlobals = globals;
    facts.mutterRemoteDesktop = services.contains(u'm');
    facts.portalRemoteDesktop = services.contains(u'p');
    facts.kwinScripting = services.contains(u'k');
    facts.currentDesktop = desktop;
    const BackendChoice choice = chooseBackends(facts);
    QCOMPARE(choice.keys, keys);
    QCOMPARE(choice.windows, windows);
    QCOMPARE(choice.portalFallback, portalFallback);
    QCOMPARE(choice.translations, translations);
    if (message.isEmpty())
        QCOMPARE(choice.message, QString());
    else
        QVERIFY2(choice.message.contains(message), qPrintable(choice.message));
}

QTEST_GUILESS_MAIN(TestKeyboardBackend)
#include "test_keyboardbackend.moc"
