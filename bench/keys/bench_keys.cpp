// SPDX-License-Identifier: GPL-3.0-or-later
// Characters per second delivered into a real window (the test suite's key_target)
// by Korvane's X11 keyboard, beside `xdotool type --delay 0` on the same text, for
// three texts: plain ASCII, accented prose and all of Windows-1252. Run by hand on
// an X display with a window manager:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" scripts/with-openbox build/bench/keys/bench_keys

#include "benchsupport.h"
#include "desktopdriver.h"
#include "x11keyboard.h"
#include "x11windowactivator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

using namespace korvane;
using korvane::bench::printResult;
using korvane::e2e::KeyTarget;
using korvane::e2e::literalNotation;
using korvane::e2e::waitUntil;
using korvane::e2e::windows1252Printable;

namespace {

constexpr int kCharacters = 2000;
constexpr quint32 kSeed = 1252;
constexpr int kTimeoutMs = 120000;
// Delivery has ended when the recorded text has not changed for this long.
constexpr int kQuietMs = 3000;
// The window's program is busy while it uses over a tenth of a core in such a slice.
constexpr int kBusySliceMs = 100;
const QString kTargetTitle = QStringLiteral("Korvane Key Bench");

// Everyday prose in three languages, written for this bench; repeated to length.
const QString kProse = QStringLiteral(
    "« Ce matin-là, Hélène ouvrit la fenêtre de la cuisine et regarda le jardin : les "
    "pêchers étaient en fleur, le café fumait déjà et Benoît, fidèle à lui-même, cherchait "
    "ses clés sous le buffet. — Où as-tu mis mon manteau ? — Là où tu l’as laissé hier soir, "
    "près du piano », répondit-elle. L’œuvre naïve de Zoë lui plaisait ; à Noël, elle en "
    "parlerait à toute la famille, même à l’oncle Aimé qui ne s’intéresse qu’aux bœufs. "
    "Am Nachmittag fuhren die beiden über die Brücke nach Straßburg, wo Jürgen schon auf "
    "sie wartete. Er hatte für jeden ein Stück Käsekuchen gekauft und erzählte, dass sein "
    "Großvater früher Bäcker in Lübeck gewesen sei; die Bäckerei sei größer geworden, aber "
    "die Rezepte seien dieselben geblieben. „Übrigens“, sagte er, „müssen wir noch Öl, "
    "Äpfel und ein paar Brötchen für das Frühstück besorgen.“ Por la noche, en la terraza, "
    "Begoña leyó en voz alta la carta de su tía: «¿Cuándo vendréis a Cádiz? Aquí el otoño "
    "es suave, el mar está tranquilo y la señora Núñez pregunta por vosotros cada día. ¡No "
    "tardéis demasiado!» Nadie supo qué contestar; José prometió escribir mañana, después "
    "de la reunión con el ingeniero, y Ramón añadió que el próximo año irían todos juntos. ");

QString randomText(const QString &alphabet, QRandomGenerator &random)
{
    QString text;
    for (int i = 0; i < kCharacters; ++i)
        text += alphabet.at(random.bounded(int(alphabet.size())));
    return text;
}

// Shuffled copies of the whole alphabet one after another, so each character
// occurs about equally often and every one at least once.
QString shuffledText(const QString &alphabet, QRandomGenerator &random)
{
    QString text;
    while (text.size() < kCharacters) {
        QString round = alphabet;
        std::shuffle(round.begin(), round.end(), random);
        text += round;
    }
    return text.left(kCharacters);
}

QString repeatedText(const QString &passage)
{
    return passage.repeated(kCharacters / passage.size() + 1).left(kCharacters);
}

// Edit distance: characters lost, added or changed, however they shift the rest.
int differences(const QString &got, const QString &expected)
{
    QList<int> previous(expected.size() + 1);
    QList<int> current(expected.size() + 1);
    for (qsizetype j = 0; j <= expected.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= got.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= expected.size(); ++j) {
            const int change = previous[j - 1] + (got.at(i - 1) != expected.at(j - 1));
            current[j] = std::min({change, previous[j] + 1, current[j - 1] + 1});
        }
        std::swap(previous, current);
    }
    return previous[expected.size()];
}

struct Run
{
    double perSecond = 0; // characters of the text over the time until the last change
    int wrong = 0;        // characters lost, added or changed
    bool exact = false;
};

// Types `expected` and watches the window's text until it is exact, or has not
// changed for kQuietMs while the window's program was idle too (it saves its text
// only between bursts of keys, so a backlog of events would look like silence);
// the time counts until the text's last change either way.
Run measure(KeyTarget &target, const QString &expected, const std::function<void()> &type)
{
    target.clear();
    QElapsedTimer timer;
    timer.start();
    type();
    qint64 lastActiveMs = timer.elapsed();
    QString last;
    qint64 lastChangeMs = -1;
    qint64 sliceStartMs = lastActiveMs;
    qint64 cpuAtSliceStart = bench::mainThreadCpuNs(target.pid());
    waitUntil(
        [&] {
            const QString now = target.text();
            const qint64 nowMs = timer.elapsed();
            if (now != last) {
                last = now;
                lastChangeMs = lastActiveMs = nowMs;
            }
            if (nowMs - sliceStartMs >= kBusySliceMs) {
                const qint64 cpu = bench::mainThreadCpuNs(target.pid());
                if (cpu - cpuAtSliceStart > kBusySliceMs * 1'000'000 / 10)
                    lastActiveMs = nowMs;
                sliceStartMs = nowMs;
                cpuAtSliceStart = cpu;
            }
            return last == expected || nowMs - lastActiveMs > kQuietMs;
        },
        kTimeoutMs);
    if (lastChangeMs < 0)
        return {0, int(expected.size()), false};
    return {expected.size() * 1000.0 / std::max<qint64>(1, lastChangeMs),
            last == expected ? 0 : differences(last, expected), last == expected};
}

QString describe(const Run &run)
{
    return run.exact ? QStringLiteral("%1 chars/s exact").arg(run.perSecond, 0, 'f', 0)
                     : QStringLiteral("%1 chars/s, %2 wrong")
                           .arg(run.perSecond, 0, 'f', 0)
                           .arg(run.wrong);
}

void report(const char *name, const QString &key, const Run &ours,
            const std::optional<Run> &xdotool)
{
    std::printf("%-16s korvane %-26s xdotool %-26s", name, qPrintable(describe(ours)),
                xdotool ? qPrintable(describe(*xdotool)) : "not installed");
    const auto results = [&key](const char *who, const Run &run) {
        const QString prefix = QStringLiteral("keys.%1.%2.").arg(key, QLatin1StringView(who));
        printResult(prefix + QStringLiteral("cps"), run.perSecond, 0);
        printResult(prefix + QStringLiteral("wrong"), run.wrong, 0);
        printResult(prefix + QStringLiteral("exact"), QString::number(int(run.exact)));
    };
    if (xdotool && xdotool->perSecond > 0)
        std::printf(" ratio %.2f", ours.perSecond / xdotool->perSecond);
    std::printf("\n");
    results("korvane", ours);
    if (xdotool) {
        results("xdotool", *xdotool);
        const QString ratio = QStringLiteral("keys.%1.ratio").arg(key);
        if (xdotool->perSecond > 0)
            printResult(ratio, ours.perSecond / xdotool->perSecond, 2);
        else
            printResult(ratio, QStringLiteral("-")); // nothing of xdotool's arrived
    }
}

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

    const QString windows1252 = windows1252Printable();
    if (!std::all_of(kProse.cbegin(), kProse.cend(),
                     [&](QChar c) { return windows1252.contains(c); }))
        qFatal("the prose holds a character Windows-1252 lacks");
    QString ascii;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        ascii += QChar(c);
    QRandomGenerator random(kSeed);
    const struct
    {
        const char *name;
        const char *key;
        QString text;
    } texts[] = {{"plain ASCII", "ascii", randomText(ascii, random)},
                 {"accented prose", "prose", repeatedText(kProse)},
                 {"Windows-1252", "cp1252", shuffledText(windows1252, random)}};

    std::printf("%d characters per text, us layout; rate = characters over the time until the "
                "window's text last changed\n",
                kCharacters);
    printResult(QStringLiteral("keys.characters"), kCharacters, 0);
    for (const auto &[name, key, text] : texts) {
        const Run ours =
            measure(target, text, [&] { keyboard.sendKeys(literalNotation(text), true); });
        // Both start from the layout's own key map.
        keyboard.restoreKeymap();
        std::optional<Run> theirs;
        if (!xdotool.isEmpty()) {
            theirs = measure(target, text, [&] {
                QProcess::execute(xdotool, {QStringLiteral("type"), QStringLiteral("--delay"),
                                            QStringLiteral("0"), QStringLiteral("--"), text});
            });
        }
        report(name, QLatin1StringView(key), ours, theirs);
    }
    return 0;
}
