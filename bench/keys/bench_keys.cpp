// SPDX-License-Identifier: GPL-3.0-or-later
// Characters per second delivered into a real window (the test suite's key_target)
// by Korvane's X11 keyboard, beside `xdotool type --delay 0` on the same text, for
// three texts: plain ASCII, accented prose and all of Windows-1252. Run by hand on
// an X display with a window manager:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" scripts/with-openbox build/bench/keys/bench_keys

#include "benchsupport.h"
#include "typingbench.h"
#include "x11keyboard.h"
#include "x11windowactivator.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

using namespace korvane;
using namespace korvane::bench;
using korvane::e2e::KeyTarget;
using korvane::e2e::literalNotation;
using korvane::e2e::waitUntil;

namespace {

constexpr int kTimeoutMs = 120000;
const QString kTargetTitle = QStringLiteral("Korvane Key Bench");

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("KORVANE_HOME", home.path().toUtf8());
    X11Keyboard keyboard;
    X11WindowActivator windows;
    if (!keyboard.unavailableReason().isEmpty()) {
        std::fprintf(stderr, "bench_keys: %s\n", qPrintable(keyboard.unavailableReason()));
        return 1;
    }
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
    KeyTarget target(QStringLiteral(KEY_TARGET), kTargetTitle,
                     home.filePath(QStringLiteral("bench.txt")));
    if (!target.waitReady()) {
        std::fprintf(stderr, "bench_keys: the key_target window did not show\n");
        return 1;
    }
    waitUntil([&] { return windows.activate(kTargetTitle); }, 20000);

    std::printf("%d characters per text, us layout; rate = characters over the time until the "
                "window's text last changed\n",
                kTypingCharacters);
    printResult(QStringLiteral("keys.characters"), kTypingCharacters, 0);
    for (const TypingText &text : typingTexts()) {
        const TypingRun ours = measureTyping(
            target, text.text, [&] { keyboard.sendKeys(literalNotation(text.text), true); },
            kTimeoutMs);
        // Both start from the layout's own key map.
        keyboard.restoreKeymap();
        std::optional<TypingRun> theirs;
        if (!xdotool.isEmpty()) {
            theirs = measureTyping(
                target, text.text,
                [&] {
                    QProcess::execute(xdotool,
                                      {QStringLiteral("type"), QStringLiteral("--delay"),
                                       QStringLiteral("0"), QStringLiteral("--"), text.text});
                },
                kTimeoutMs);
        }
        reportTyping(QStringLiteral("keys"), text, ours, "xdotool", theirs);
    }
    return 0;
}
