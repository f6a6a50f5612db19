#include "sendkeys.h"

#include <array>
#include <utility>

namespace korvane {

namespace {

struct KeyName
{
    const char *name;
    SpecialKey key;
};

// Every accepted spelling; the first one of a key is its canonical name.
constexpr std::array kKeyNames{
    KeyName{"BACKSPACE", SpecialKey::Backspace},
    KeyName{"BS", SpecialKey::Backspace},
    KeyName{"BKSP", SpecialKey::Backspace},
    KeyName{"BREAK", SpecialKey::Break},
    KeyName{"CAPSLOCK", SpecialKey::CapsLock},
    KeyName{"DELETE", SpecialKey::Delete},
    KeyName{"DEL", SpecialKey::Delete},
    KeyName{"DOWN", SpecialKey::Down},
    KeyName{"END", SpecialKey::End},
    KeyName{"ENTER", SpecialKey::Enter},
    KeyName{"ESC", SpecialKey::Escape},
    KeyName{"HELP", SpecialKey::Help},
    KeyName{"HOME", SpecialKey::Home},
    KeyName{"INSERT", SpecialKey::Insert},
    KeyName{"INS", SpecialKey::Insert},
    KeyName{"LEFT", SpecialKey::Left},
    KeyName{"NUMLOCK", SpecialKey::NumLock},
    KeyName{"PGDN", SpecialKey::PageDown},
    KeyName{"PGUP", SpecialKey::PageUp},
    KeyName{"PRTSC", SpecialKey::PrintScreen},
    KeyName{"RIGHT", SpecialKey::Right},
    KeyName{"SCROLLLOCK", SpecialKey::ScrollLock},
    KeyName{"TAB", SpecialKey::Tab},
    KeyName{"UP", SpecialKey::Up},
};

constexpr int kFunctionKeys = 16;

KeyModifiers modifierFor(char32_t c)
{
    switch (c) {
    case U'+':
        return KeyModifier::Shift;
    case U'^':
        return KeyModifier::Control;
    case U'%':
        return KeyModifier::Alt;
    default:
        return {};
    }
}

QString fromCodePoints(const QList<uint> &codePoints)
{
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codePoints.constData()),
                             codePoints.size());
}

SendKeysParse failure(const QString &why)
{
    return SendKeysParse{{}, why};
}

// A repeat count of decimal digits, saturating at the cap; nullopt when malformed.
std::optional<int> parseRepeat(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    int count = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        count = std::min(kMaxKeyRepeat, count * 10 + (c.unicode() - u'0'));
    }
    return count;
}

} // namespace

QString specialKeyName(SpecialKey key)
{
    if (key >= SpecialKey::F1)
        return QStringLiteral("F%1").arg(int(key) - int(SpecialKey::F1) + 1);
    for (const KeyName &entry : kKeyNames) {
        if (entry.key == key)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

std::optional<SpecialKey> specialKeyFromName(const QString &name)
{
    const QString upper = name.toUpper();
    for (const KeyName &entry : kKeyNames) {
        if (upper == QLatin1String(entry.name))
            return entry.key;
    }
    if (upper.size() >= 2 && upper.size() <= 3 && upper.front() == u'F' && upper.at(1) != u'0') {
        const std::optional<int> n = parseRepeat(upper.mid(1));
        if (n && *n >= 1 && *n <= kFunctionKeys)
            return SpecialKey(int(SpecialKey::F1) + *n - 1);
    }
    return std::nullopt;
}

SendKeysParse parseSendKeys(const QString &notation)
{
    const QList<uint> text = notation.toUcs4();
    QList<KeyAction> actions;
    QList<KeyModifiers> groups; // modifiers held by each open parenthesis
    KeyModifiers pending;       // modifiers waiting for the next key or group

    const auto held = [&] { return (groups.isEmpty() ? KeyModifiers() : groups.last()) | pending; };
    const auto addCharacter = [&](char32_t c, int count) {
        if (count > 0)
            actions.append({KeyAction::Kind::Character, c, SpecialKey::Enter, held(), count});
        pending = {};
    };
    const auto addKey = [&](SpecialKey key, int count) {
        if (count > 0)
            actions.append({KeyAction::Kind::Special, 0, key, held(), count});
        pending = {};
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = text.at(i);
        if (const KeyModifiers mod = modifierFor(c)) {
            pending |= mod;
        } else if (c == U'(') {
            groups.append(held());
            pending = {};
        } else if (c == U')') {
            if (groups.isEmpty())
                return failure(QStringLiteral("unbalanced \")\" at %1").arg(i + 1));
            if (pending)
                return failure(QStringLiteral("modifier without a key at %1").arg(i + 1));
            groups.removeLast();
        } else if (c == U'}') {
            return failure(QStringLiteral("unbalanced \"}\" at %1").arg(i + 1));
        } else if (c == U'~') {
            addKey(SpecialKey::Enter, 1);
        } else if (c == U'{') {
            // The first character inside the braces is always part of the name, so
            // "{}}" and "{{}" name the brace characters themselves.
            const qsizetype start = i + 1;
            const qsizetype close = start < text.size() ? text.indexOf(U'}', start + 1) : -1;
            if (close < 0)
                return failure(QStringLiteral("unbalanced \"{\" at %1").arg(i + 1));
            QList<uint> name = text.mid(start, close - start);
            int count = 1;
            const qsizetype blank = name.lastIndexOf(U' ');
            if (name.size() > 1 && blank >= 1) {
                const std::optional<int> repeat = parseRepeat(fromCodePoints(name.mid(blank + 1)));
                if (!repeat)
                    return failure(QStringLiteral("bad repeat count at %1").arg(i + 1));
                count = *repeat;
                name.resize(blank);
            }
            if (name.size() == 1) {
                addCharacter(name.front(), count);
            } else {
                const QString keyName = fromCodePoints(name);
                const std::optional<SpecialKey> key = specialKeyFromName(keyName);
                if (!key)
                    return failure(QStringLiteral("unknown key name \"%1\"").arg(keyName));
                addKey(*key, count);
            }
            i = close;
        } else {
            addCharacter(c, 1);
        }
    }
    if (!groups.isEmpty())
        return failure(QStringLiteral("unbalanced \"(\""));
    if (pending)
        return failure(QStringLiteral("modifier without a key at the end"));
    return SendKeysParse{actions, {}};
}

QString describeKeyActions(const QList<KeyAction> &actions)
{
    QString out;
    for (const KeyAction &action : actions) {
        if (action.modifiers & KeyModifier::Shift)
            out += u'+';
        if (action.modifiers & KeyModifier::Control)
            out += u'^';
        if (action.modifiers & KeyModifier::Alt)
            out += u'%';
        QString name = action.kind == KeyAction::Kind::Special
                           ? specialKeyName(action.key)
                           // Not QString::fromUcs4, which drops a U+FEFF as a byte order mark.
                           : QStringView(QChar::fromUcs4(action.character)).toString();
        if (action.kind == KeyAction::Kind::Special || action.count != 1 ||
            QStringLiteral("+^%~(){}[]").contains(name))
            out += u'{' + name +
                   (action.count != 1 ? QStringLiteral(" %1").arg(action.count) : QString()) + u'}';
        else
            out += name;
    }
    return out;
}

} // namespace korvane
