// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the typing benches (X11 against xdotool, sway against wtype) share: the
// three texts, the measurement of one delivery into the test suite's key_target
// window, and the printed row with its result lines.

#include "desktopdriver.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace korvane::bench {

constexpr int kTypingCharacters = 2000;

struct TypingText
{
    const char *name; // as printed: "plain ASCII"
    const char *key;  // in result keys: "ascii"
    QString text;
};

// Plain ASCII drawn at random, accented prose in three languages, and shuffled
// rounds of every printable Windows-1252 character: the same texts at every run.
QList<TypingText> typingTexts();

struct TypingRun
{
    double perSecond = 0; // characters of the text over the time until the last change
    int wrong = 0;        // characters lost, added or changed
    bool exact = false;
};

// Calls `type`, then watches the window's text until it is `expected`, or has not
// changed for a while as the window's program was idle too (it saves its text only
// between bursts of keys, so a backlog of events would look like silence). The time
// counts until the text's last change either way.
TypingRun measureTyping(e2e::KeyTarget &target, const QString &expected,
                        const std::function<void()> &type, int timeoutMs);

// Prints one row, Korvane beside the other tool (`theirs` empty when it is not
// installed), and the result lines "PREFIX.KEY.WHO.cps|wrong|exact" and
// "PREFIX.KEY.ratio" for bench/run.
void reportTyping(const QString &prefix, const TypingText &text, const TypingRun &ours,
                  const char *other, const std::optional<TypingRun> &theirs);

} // namespace korvane::bench
