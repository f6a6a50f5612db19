// SPDX-License-Identifier: GPL-3.0-or-later
// The keymap uploaded to virtual keyboards, compiled by xkbcommon as compositors
// and clients compile it: every key must type its character, Shift the capital of
// a letter, Caps Lock nothing different, and the modifier keys must set their
// modifiers. The pool hands out keys and takes back the least recently used.

#include "virtualkeymap.h"

#include <QTest>

#include <memory>

#include <xkbcommon/xkbcommon.h>

using namespace korvane;

namespace {

using Context = std::unique_ptr<xkb_context, decltype(&xkb_context_unref)>;
using Keymap = std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)>;
using State = std::unique_ptr<xkb_state, decltype(&xkb_state_unref)>;

struct Compiled
{
    Context context{xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES), xkb_context_unref};
    Keymap keymap{nullptr, xkb_keymap_unref};
};

Compiled compile(const VirtualKeymap &keymap)
{
    Compiled compiled;
    compiled.keymap.reset(xkb_keymap_new_from_string(compiled.context.get(),
                                                     keymap.text().constData(),
                                                     XKB_KEYMAP_FORMAT_TEXT_V1,
                                                     XKB_KEYMAP_COMPILE_NO_FLAGS));
    return compiled;
}

// What pressing `keycode` types with `held` modifier keys pressed first (and
// locks toggled by pressing and releasing them), as a client computes it.
QString typed(xkb_keymap *keymap, unsigned keycode, QList<VirtualKeymap::Modifier> held = {})
{
    State state(xkb_state_new(keymap), xkb_state_unref);
    for (const VirtualKeymap::Modifier modifier : held) {
        const unsigned code = VirtualKeymap::keycodeOf(modifier);
        xkb_state_update_key(state.get(), code, XKB_KEY_DOWN);
        if (modifier == VirtualKeymap::Modifier::CapsLock)
            xkb_state_update_key(state.get(), code, XKB_KEY_UP);
    }
    char text[16] = {};
    xkb_state_key_get_utf8(state.get(), keycode, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace

class TestVirtualKeymap : public QObject
{
    Q_OBJECT

private slots:
    void everyKeyTypesItsCharacter_data();
    void everyKeyTypesItsCharacter();
    void modifierKeysSetTheirModifiers();
    void reusesLeastRecentlyUsedKeys();
};

void TestVirtualKeymap::everyKeyTypesItsCharacter_data()
{
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("shifted");

    QTest::newRow("letters") << u"aZéß"_qs << u"AZÉß"_qs;
    QTest::newRow("digits and signs") << u"1+€ "_qs << u"1+€ "_qs;
    QTest::newRow("beyond the basic plane") << u"漢😀"_qs << u"漢😀"_qs;
}

void TestVirtualKeymap::everyKeyTypesItsCharacter()
{
    using Modifier = VirtualKeymap::Modifier;
    QFETCH(QString, characters);
    QFETCH(QString, shifted);
    const QList<uint> codes = characters.toUcs4();
    const QList<uint> shiftedCodes = shifted.toUcs4();
    QList<uint32_t> keysyms;
    for (const uint c : codes)
        keysyms.append(xkb_utf32_to_keysym(c));
    VirtualKeymap keymap;
    bool changed = false;
    QVERIFY(keymap.assign(keysyms, changed));
    QVERIFY(changed);
    const Compiled compiled = compile(keymap);
    QVERIFY2(compiled.keymap, keymap.text().constData());
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const unsigned keycode = keymap.keycodeOf(keysyms.at(i));
        QVERIFY(keycode > VirtualKeymap::kFirstKeycode + 4 && keycode <= VirtualKeymap::kLastKeycode);
        const char32_t c = codes.at(i);
        const char32_t s = shiftedCodes.at(i);
        QCOMPARE(typed(compiled.keymap.get(), keycode), QString::fromUcs4(&c, 1));
        QCOMPARE(typed(compiled.keymap.get(), keycode, {Modifier::Shift}), QString::fromUcs4(&s, 1));
        QCOMPARE(typed(compiled.keymap.get(), keycode, {Modifier::CapsLock}), QString::fromUcs4(&c, 1));
    }
}

void TestVirtualKeymap::modifierKeysSetTheirModifiers()
{
    using Modifier = VirtualKeymap::Modifier;
    VirtualKeymap keymap;
    const Compiled compiled = compile(keymap);
    QVERIFY(compiled.keymap);
    const struct
    {
        Modifier key;
        const char *modifier;
        xkb_state_component component;
    } rows[] = {{Modifier::Shift, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_DEPRESSED},
                {Modifier::Control, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_DEPRESSED},
                {Modifier::Alt, XKB_MOD_NAME_ALT, XKB_STATE_MODS_DEPRESSED},
                {Modifier::CapsLock, XKB_MOD_NAME_CAPS, XKB_STATE_MODS_LOCKED},
                {Modifier::NumLock, XKB_MOD_NAME_NUM, XKB_STATE_MODS_LOCKED}};
    for (const auto &row : rows) {
        State state(xkb_state_new(compiled.keymap.get()), xkb_state_unref);
        const unsigned code = VirtualKeymap::keycodeOf(row.key);
        xkb_state_update_key(state.get(), code, XKB_KEY_DOWN);
        if (row.component == XKB_STATE_MODS_LOCKED)
            xkb_state_update_key(state.get(), code, XKB_KEY_UP);
        QVERIFY2(xkb_state_mod_name_is_active(state.get(), row.modifier, row.component) == 1,
                 row.modifier);
        // The mask the compositor is told for this modifier is the keymap's own.
        QCOMPARE(VirtualKeymap::modifierMask(1u << unsigned(row.key)),
                 1u << xkb_keymap_mod_get_index(compiled.keymap.get(), row.modifier));
    }
}

void TestVirtualKeymap::reusesLeastRecentlyUsedKeys()
{
    VirtualKeymap keymap;
    QList<uint32_t> first;
    for (int i = 0; i < VirtualKeymap::kCapacity; ++i)
        first.append(0x1004E00 + uint32_t(i));
    bool changed = false;
    QVERIFY(keymap.assign(first, changed));
    QVERIFY(changed);
    // Already there: no new keymap needed.
    QVERIFY(keymap.assign(first.mid(10, 5), changed));
    QVERIFY(!changed);
    // One more than the pool holds is refused whole.
    QVERIFY(!keymap.assign(first + QList<uint32_t>{0x20AC}, changed));
    QCOMPARE(keymap.keycodeOf(0x20AC), 0u);
    // A new symbol takes the key used longest ago, never one just used.
    const unsigned oldest = keymap.keycodeOf(first.at(0));
    QVERIFY(keymap.assign({0x20AC}, changed));
    QVERIFY(changed);
    QCOMPARE(keymap.keycodeOf(0x20AC), oldest);
    QCOMPARE(keymap.keycodeOf(first.at(0)), 0u);
    QVERIFY(keymap.keycodeOf(first.at(10)) != 0);
    QVERIFY(compile(keymap).keymap);
}

QTEST_GUILESS_MAIN(TestVirtualKeymap)
#include "test_virtualkeymap.moc"
