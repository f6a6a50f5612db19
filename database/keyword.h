// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A key word as Korvane looks it up and acts on it, normalised once where it
// enters the program: spaces at both ends dropped (the stored fields are padded
// with spaces alone), upper-cased one character for one the way the database
// stores text (so "ß" and "µ" keep their place, where QString::toUpper would write
// "SS" and a Greek capital), and cut to the width of the record's key word field.

#include <QString>
#include <QStringView>

namespace korvane::db {

class KeyWord
{
public:
    KeyWord() = default;
    explicit KeyWord(QStringView typed);

    const QString &text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }

    // A "?" anywhere asks for a file to hand the program; the key word is then the
    // text without its last character (the "?" is expected at the end).
    bool asksForFile() const { return m_text.contains(u'?'); }
    KeyWord withoutLastCharacter() const
    {
        return isEmpty() ? KeyWord() : KeyWord(QStringView(m_text).chopped(1));
    }

    bool operator==(const KeyWord &other) const = default;

private:
    QString m_text;
};

} // namespace korvane::db
