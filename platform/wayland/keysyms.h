// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Key symbols for key actions, shared by the Wayland keyboards.

#include "sendkeys.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace korvane {

// The XKB key symbol an action types: a special key's, the key a control
// character stands for (Enter, Tab, Backspace, Escape), or the character's own;
// XKB_KEY_NoSymbol for a control character no key makes.
uint32_t keysymForAction(const KeyAction &action);

// Characters for a message: "é (U+00E9), U+0001".
QString describeCharacters(const QList<char32_t> &characters);

} // namespace korvane
