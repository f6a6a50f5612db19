// SPDX-License-Identifier: GPL-3.0-or-later
// Characters per second delivered into a native Wayland window (the test suite's
// key_target on Qt's wayland platform) by Korvane's wlroots keyboard, beside
// `wtype` on the same text, for the texts of the X11 bench (bench/keys): plain
// ASCII, accented prose and all of Windows-1252, made with the same seed. Run by
// hand inside a headless sway:
//
//   scripts/with-sway build/bench/wayland/bench_wayland
//
// Rows are printed as "@result<TAB>wayland.TEXT.WHO.FIGURE<TAB>value" for bench/run.

#include "benchsupport.h"
#include "typingbench.h"
#include "waylandconnection.h"
#include "wlrootskeyboard.h"
#include "wlrootswindowactivator.h"

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

constexpr int kTimeoutMs = 180000;
const QString kTargetTitle = QStringLiteral("Korvane Wayland Key Bench");

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("KORVANE_HOME", home.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "wayland");
    auto connection = std::make_shared<WaylandConnection>();
    WlrootsKeyboard keyboard(connection);
    WlrootsWindowActivator windows(connection);
    if (!keyboard.unavailableReason().isEmpty()) {
        std::fprintf(stderr, "bench_wayland: %s\n", qPrintable(keyboard.unavailableReason()));
        return 1;
    }
    const QString wtype = QStandardPaths::findExecutable(QStringLiteral("wtype"));
    KeyTarget target(QStringLiteral(KEY_TARGET), kTargetTitle,
                     home.filePath(QStringLiteral("bench.txt")));
    if (!target.waitReady() || !waitUntil([&] { return windows.activate(kTargetTitle); }, 20000)) {
        std::fprintf(stderr, "bench_wayland: the key_target window did not show\n");
        return 1;
    }
    // The keyboard exists before the first measurement, as in a running Korvane.
    keyboard.sendKeys(QString(), true);

    std::printf("%d characters per text, headless sway, native Wayland window; rate = "
                "characters over the time until the window's text last changed\n",
                kTypingCharacters);
    printResult(QStringLiteral("wayland.characters"), kTypingCharacters, 0);
    for (const TypingText &text : typingTexts()) {
        const TypingRun ours = measureTyping(
            target, text.text, [&] { keyboard.sendKeys(literalNotation(text.text), true); },
            kTimeoutMs);
        std::optional<TypingRun> theirs;
        if (!wtype.isEmpty()) {
            theirs = measureTyping(
                target, text.text,
                [&] {
                    QProcess::execute(wtype, {QStringLiteral("--"), text.text});
                },
                kTimeoutMs);
        }
        reportTyping(QStringLiteral("wayland"), text, ours, "wtype", theirs);
    }
    return 0;
}
