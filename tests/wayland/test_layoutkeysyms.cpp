// SPDX-License-Identifier: GPL-3.0-or-later
// Which characters a remote-desktop session can type in a layout, as mutter 43 and
// KDE's portal 5.27 look key symbols up: real layouts compiled by xkbcommon.

#include "layoutkeysyms.h"

#include <QTest>

#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;
using namespace korvane;

Q_DECLARE_METATYPE(korvane::KeysymTranslation)

namespace {

QByteArray keymapText(const char *layout, const char *options = nullptr)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names = {"evdev", "pc105", layout, nullptr, options};
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    const QByteArray result(text);
    free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return result;
}

} // namespace

class TestLayoutKeysyms : public QObject
{
    Q_OBJECT

private slots:
    void typesWhatTheLayoutReaches_data();
    void typesWhatTheLayoutReaches();
    void brokenKeymap();
};

void TestLayoutKeysyms::typesWhatTheLayoutReaches_data()
{
    QTest::addColumn<QByteArray>("keymap");
    QTest::addColumn<KeysymTranslation>("translation");
    QTest::addColumn<QString>("typed");    // each of these comes out as itself
    QTest::addColumn<QString>("refused");  // each of these does not

    const QByteArray us = keymapText("us");
    const QByteArray de = keymapText("de");
    const QByteArray fr = keymapText("fr");
    // Right Alt stays Alt; the third level sits on the left Windows key.
    const QByteArray deLeftWin = keymapText("de", "lv3:ralt_alt,lv3:lwin_switch");
    using T = KeysymTranslation;
    QTest::newRow("us, mutter") << us << T::Mutter << u"aA1!~ "_s << u"éßÆ日"_s;
    QTest::newRow("us, KDE") << us << T::KdePortal << u"aA1!~ "_s << u"éßÆ日"_s;
    // Æ is on the fourth level (Shift+AltGr+a): both would type "a".
    QTest::newRow("de, mutter") << de << T::Mutter << u"zyäßÄ€@µæ"_s << u"ÆéÁ日"_s;
    QTest::newRow("de, KDE") << de << T::KdePortal << u"zyäßÄ€@µæ"_s << u"ÆéÁ日"_s;
    QTest::newRow("fr, mutter") << fr << T::Mutter << u"aqé1&€ù"_s << u"ÉÆñ日"_s;
    QTest::newRow("fr, KDE") << fr << T::KdePortal << u"aqé1&€ù"_s << u"ÉÆñ日"_s;
    // Mutter finds the third-level key wherever it is; KDE's portal always presses
    // Right Alt.
    QTest::newRow("de, AltGr moved, mutter") << deLeftWin << T::Mutter << u"ä€@"_s << u"Æ"_s;
    QTest::newRow("de, AltGr moved, KDE") << deLeftWin << T::KdePortal << u"ä"_s << u"€@Æ"_s;
}

void TestLayoutKeysyms::typesWhatTheLayoutReaches()
{
    QFETCH(QByteArray, keymap);
    QFETCH(KeysymTranslation, translation);
    QFETCH(QString, typed);
    QFETCH(QString, refused);
    QVERIFY(!keymap.isEmpty());
    const LayoutKeysyms layout(keymap, {translation});
    QVERIFY(layout.isValid());
    for (const char32_t c : typed.toUcs4())
        QVERIFY2(layout.types(xkb_utf32_to_keysym(c)), qPrintable(QString::fromUcs4(&c, 1)));
    for (const char32_t c : refused.toUcs4())
        QVERIFY2(!layout.types(xkb_utf32_to_keysym(c)), qPrintable(QString::fromUcs4(&c, 1)));
    // Both translations together let through only what each does.
    const LayoutKeysyms both(keymap, {KeysymTranslation::Mutter, KeysymTranslation::KdePortal});
    for (const char32_t c : refused.toUcs4())
        QVERIFY(!both.types(xkb_utf32_to_keysym(c)));
}

void TestLayoutKeysyms::brokenKeymap()
{
    const LayoutKeysyms layout("xkb_keymap { nonsense", {KeysymTranslation::Mutter});
    QVERIFY(!layout.isValid());
    QVERIFY(!layout.types(XKB_KEY_a));
}

QTEST_GUILESS_MAIN(TestLayoutKeysyms)
#include "test_layoutkeysyms.moc"
