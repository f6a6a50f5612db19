// The choice of keystroke and activation backends from what a session offers.

#include "keyboardbackend.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace korvane;

Q_DECLARE_METATYPE(korvane::KeystrokeBackend)
Q_DECLARE_METATYPE(korvane::ActivationBackend)

class TestKeyboardBackend : public QObject
{
    Q_OBJECT

private slots:
    void choosesFromTheSession_data();
    void choosesFromTheSession();
};

void TestKeyboardBackend::choosesFromTheSession_data()
{
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<bool>("x11");
    QTest::addColumn<QStringList>("globals");
    QTest::addColumn<bool>("mutter");
    QTest::addColumn<KeystrokeBackend>("keys");
    QTest::addColumn<ActivationBackend>("windows");
    QTest::addColumn<QString>("message"); // a word the message holds; empty: no message

    const QStringList wlroots = {u"wl_seat"_s, u"zwp_virtual_keyboard_manager_v1"_s,
                                 u"zwlr_foreign_toplevel_manager_v1"_s};
    const QStringList river = {u"wl_seat"_s, u"zwp_virtual_keyboard_manager_v1"_s};
    const QStringList plain = {u"wl_seat"_s, u"xdg_wm_base"_s};
    using K = KeystrokeBackend;
    using W = ActivationBackend;
    QTest::newRow("X11") << false << true << QStringList() << false << K::X11 << W::X11 << QString();
    QTest::newRow("no display at all")
        << false << false << QStringList() << false << K::None << W::None << u"DISPLAY"_s;
    QTest::newRow("sway, no XWayland")
        << true << false << wlroots << false << K::WlrootsVirtualKeyboard
        << W::WlrootsForeignToplevel << QString();
    QTest::newRow("sway with XWayland: the Wayland protocols still win")
        << true << true << wlroots << false << K::WlrootsVirtualKeyboard
        << W::WlrootsForeignToplevel << QString();
    QTest::newRow("virtual keyboard without window list")
        << true << false << river << false << K::WlrootsVirtualKeyboard << W::None
        << u"activate"_s;
    QTest::newRow("GNOME with XWayland")
        << true << true << plain << true << K::MutterRemoteDesktop << W::X11 << u"XWayland"_s;
    QTest::newRow("GNOME without XWayland")
        << true << false << plain << true << K::MutterRemoteDesktop << W::None << u"layout"_s;
    QTest::newRow("no key path, XWayland: X11 windows only")
        << true << true << plain << false << K::X11 << W::X11 << u"XWayland"_s;
    QTest::newRow("no key path, pure Wayland: refused with a reason")
        << true << false << plain << false << K::None << W::None
        << u"zwp_virtual_keyboard_manager_v1"_s;
}

void TestKeyboardBackend::choosesFromTheSession()
{
    QFETCH(bool, wayland);
    QFETCH(bool, x11);
    QFETCH(QStringList, globals);
    QFETCH(bool, mutter);
    QFETCH(KeystrokeBackend, keys);
    QFETCH(ActivationBackend, windows);
    QFETCH(QString, message);
    SessionFacts facts;
    facts.wayland = wayland;
    facts.x11 = x11;
    facts.waylandGlobals = globals;
    facts.mutterRemoteDesktop = mutter;
    const BackendChoice choice = chooseBackends(facts);
    QCOMPARE(choice.keys, keys);
    QCOMPARE(choice.windows, windows);
    if (message.isEmpty())
        QCOMPARE(choice.message, QString());
    else
        QVERIFY2(choice.message.contains(message), qPrintable(choice.message));
}

QTEST_GUILESS_MAIN(TestKeyboardBackend)
#include "test_keyboardbackend.moc"
