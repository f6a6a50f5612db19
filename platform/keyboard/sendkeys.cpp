// SPDX-License-Identifier: GPL-3.0-or-later
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

char32_t SendKeysReader::read()
{
    const QChar first = m_text[m_pos++];
    ++m_column;
    if (first.isHighSurrogate() && m_pos < m_text.size() && m_text[m_pos].isLowSurrogate())
        return QChar::surrogateToUcs4(first, m_text[m_pos++]);
    // A lone surrogate stands for no character.
    return first.isSurrogate() ? char32_t(QChar::ReplacementCharacter) : first.unicode();
}

std::optional<KeyAction> SendKeysReader::fail(const QString &why)
{
    m_error = why;
    m_done = true;
    return std::nullopt;
}

KeyModifiers SendKeysReader::held() const
{
    return (m_groups.isEmpty() ? KeyModifiers() : m_groups.last()) | m_pending;
}

std::optional<KeyAction> SendKeysReader::next()
{
    while (!m_done) {
        if (m_pos >= m_text.size()) {
            m_done = true;
            if (!m_groups.isEmpty())
                return fail(QStringLiteral("unbalanced \"(\""));
            if (m_pending)
                return fail(QStringLiteral("modifier without a key at the end"));
            return std::nullopt;
        }
        const char32_t c = read();
        const qsizetype column = m_column;
        if (const KeyModifiers mod = modifierFor(c)) {
            m_pending |= mod;
        } else if (c == U'(') {
            m_groups.append(held());
            m_pending = {};
        } else if (c == U')') {
            if (m_groups.isEmpty())
                return fail(QStringLiteral("unbalanced \")\" at %1").arg(column));
            if (m_pending)
                return fail(QStringLiteral("modifier without a key at %1").arg(column));
            m_groups.removeLast();
        } else if (c == U'}') {
            return fail(QStringLiteral("unbalanced \"}\" at %1").arg(column));
        } else if (c == U'~') {
            const KeyAction enter{KeyAction::Kind::Special, 0, SpecialKey::Enter, held(), 1};
            m_pending = {};
            return enter;
        } else if (c == U'{') {
            if (std::optional<KeyAction> action = braced(column))
                return action;
        } else {
            const KeyAction character{KeyAction::Kind::Character, c, SpecialKey::Enter, held(), 1};
            m_pending = {};
            return character;
        }
    }
    return std::nullopt;
}

// After a "{" at `column`: a braced character or key name, with an optional repeat
// count. Nothing for a count of 0, or at an error.
std::optional<KeyAction> SendKeysReader::braced(qsizetype column)
{
    // The first character inside the braces is always part of the name, so "{}}"
    // and "{{}" name the brace characters themselves.
    if (m_pos >= m_text.size())
        return fail(QStringLiteral("unbalanced \"{\" at %1").arg(column));
    const qsizetype start = m_pos;
    read();
    const qsizetype close = m_text.indexOf(u'}', m_pos);
    if (close < 0)
        return fail(QStringLiteral("unbalanced \"{\" at %1").arg(column));
    while (m_pos <= close)
        read();
    QStringView name = m_text.sliced(start, close - start);
    const auto isOneCharacter = [](QStringView text) {
        return text.size() == 1 ||
               (text.size() == 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate());
    };
    int count = 1;
    const qsizetype blank = name.lastIndexOf(u' ');
    if (!isOneCharacter(name) && blank >= 1) {
        const std::optional<int> repeat = parseRepeat(name.sliced(blank + 1).toString());
        if (!repeat)
            return fail(QStringLiteral("bad repeat count at %1").arg(column));
        count = *repeat;
        name = name.first(blank);
    }
    KeyAction action{KeyAction::Kind::Character, 0, SpecialKey::Enter, held(), count};
    if (isOneCharacter(name)) {
        action.character = name.size() == 2        ? QChar::surrogateToUcs4(name[0], name[1])
                           : name[0].isSurrogate() ? char32_t(QChar::ReplacementCharacter)
                                                   : name[0].unicode();
    } else {
        const std::optional<SpecialKey> key = specialKeyFromName(name.toString());
        if (!key)
            return fail(QStringLiteral("unknown key name \"%1\"").arg(name));
        action.kind = KeyAction::Kind::Special;
        action.key = *key;
    }
    m_pending = {};
    if (count == 0)
        return std::nullopt;
    return action;
}

SendKeysParse parseSendKeys(const QString &notation)
{
    SendKeysReader reader(notation);
    QList<KeyAction> actions;
    while (const std::optional<KeyAction> action = reader.next())
        actions.append(*action);
    if (!reader.error().isEmpty())
        return SendKeysParse{{}, reader.error()};
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
