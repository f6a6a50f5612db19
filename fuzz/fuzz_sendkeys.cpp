// SPDX-License-Identifier: GPL-3.0-or-later
// The SendKeys parser on any text: a keystroke line is typed only when it parses,
// so a malformed one must yield no actions, and every repeat stays capped.

#include "fuzzsupport.h"
#include "sendkeys.h"

using namespace korvane;

namespace {

void parseAndCheck(const QString &notation)
{
    const SendKeysParse parse = parseSendKeys(notation);
    fuzz::check(parse.ok() || parse.actions.isEmpty(), "a malformed line has no actions");
    for (const KeyAction &action : parse.actions) {
        fuzz::check(action.count >= 1 && action.count <= kMaxKeyRepeat, "repeat in range");
        if (action.kind == KeyAction::Kind::Character)
            fuzz::check(action.character <= 0x10FFFF, "a code point");
    }
    // The readable form parses again, into the same actions. (Lone surrogates, which
    // no decoded file holds, have no readable form.)
    if (parse.ok() && !parse.actions.isEmpty() && notation.isValidUtf16()) {
        const QString described = describeKeyActions(parse.actions);
        const SendKeysParse again = parseSendKeys(described);
        if (!again.ok() || again.actions != parse.actions)
            qWarning("%s -> %s: %s", qUtf8Printable(notation), qUtf8Printable(described),
                     qUtf8Printable(again.error));
        fuzz::check(again.ok() && again.actions == parse.actions,
                    "the described form parses into the same actions");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    parseAndCheck(QString::fromUtf8(bytes));
    // Raw UTF-16 as well, to reach lone surrogates.
    parseAndCheck(QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2));
    const QString name = QString::fromLatin1(bytes.left(16));
    if (const std::optional<SpecialKey> key = specialKeyFromName(name))
        fuzz::check(specialKeyFromName(specialKeyName(*key)) == key, "key names round-trip");
    return 0;
}
