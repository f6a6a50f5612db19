// SPDX-License-Identifier: GPL-3.0-or-later
#include "typingbench.h"

#include "benchsupport.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

namespace korvane::bench {

namespace {

constexpr quint32 kSeed = 1252;
// Delivery has ended when the recorded text has not changed for this long.
constexpr int kQuietMs = 3000;
// The window's program is busy while it uses over a tenth of a core in such a slice.
constexpr int kBusySliceMs = 100;

// Everyday prose in three languages, written for these benches; repeated to length.
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
    for (int i = 0; i < kTypingCharacters; ++i)
        text += alphabet.at(random.bounded(int(alphabet.size())));
    return text;
}

// Shuffled copies of the whole alphabet one after another, so each character
// occurs about equally often and every one at least once.
QString shuffledText(const QString &alphabet, QRandomGenerator &random)
{
    QString text;
    while (text.size() < kTypingCharacters) {
        QString round = alphabet;
        std::shuffle(round.begin(), round.end(), random);
        text += round;
    }
    return text.left(kTypingCharacters);
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

QString describe(const TypingRun &run)
{
    return run.exact ? QStringLiteral("%1 chars/s exact").arg(run.perSecond, 0, 'f', 0)
                     : QStringLiteral("%1 chars/s, %2 wrong")
                           .arg(run.perSecond, 0, 'f', 0)
                           .arg(run.wrong);
}

} // namespace

QList<TypingText> typingTexts()
{
    const QString windows1252 = e2e::windows1252Printable();
    if (!std::all_of(kProse.cbegin(), kProse.cend(),
                     [&](QChar c) { return windows1252.contains(c); }))
        qFatal("the prose holds a character Windows-1252 lacks");
    QString ascii;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        ascii += QChar(c);
    QRandomGenerator random(kSeed);
    QList<TypingText> texts;
    texts.append({"plain ASCII", "ascii", randomText(ascii, random)});
    texts.append({"accented prose", "prose",
                  kProse.repeated(kTypingCharacters / kProse.size() + 1).left(kTypingCharacters)});
    texts.append({"Windows-1252", "cp1252", shuffledText(windows1252, random)});
    return texts;
}

TypingRun measureTyping(e2e::KeyTarget &target, const QString &expected,
                        const std::function<void()> &type, int timeoutMs)
{
    target.clear();
    QElapsedTimer timer;
    timer.start();
    type();
    qint64 lastActiveMs = timer.elapsed();
    QString last;
    qint64 lastChangeMs = -1;
    qint64 sliceStartMs = lastActiveMs;
    qint64 cpuAtSliceStart = mainThreadCpuNs(target.pid());
    e2e::waitUntil(
        [&] {
            const QString now = target.text();
            const qint64 nowMs = timer.elapsed();
            if (now != last) {
                last = now;
                lastChangeMs = lastActiveMs = nowMs;
            }
            if (nowMs - sliceStartMs >= kBusySliceMs) {
                const qint64 cpu = mainThreadCpuNs(target.pid());
                if (cpu - cpuAtSliceStart > kBusySliceMs * 1'000'000 / 10)
                    lastActiveMs = nowMs;
                sliceStartMs = nowMs;
                cpuAtSliceStart = cpu;
            }
            return last == expected || nowMs - lastActiveMs > kQuietMs;
        },
        timeoutMs);
    if (lastChangeMs < 0)
        return {0, int(expected.size()), false};
    return {expected.size() * 1000.0 / std::max<qint64>(1, lastChangeMs),
            last == expected ? 0 : differences(last, expected), last == expected};
}

void reportTyping(const QString &prefix, const TypingText &text, const TypingRun &ours,
                  const char *other, const std::optional<TypingRun> &theirs)
{
    std::printf("%-16s korvane %-26s %s %-26s", text.name, qPrintable(describe(ours)), other,
                theirs ? qPrintable(describe(*theirs)) : "not installed");
    const QString key = prefix + u'.' + QLatin1StringView(text.key);
    const auto results = [&key](const QString &who, const TypingRun &run) {
        printResult(key + u'.' + who + QStringLiteral(".cps"), run.perSecond, 0);
        printResult(key + u'.' + who + QStringLiteral(".wrong"), run.wrong, 0);
        printResult(key + u'.' + who + QStringLiteral(".exact"), QString::number(int(run.exact)));
    };
    if (theirs && theirs->perSecond > 0)
        std::printf(" ratio %.2f", ours.perSecond / theirs->perSecond);
    std::printf("\n");
    results(QStringLiteral("korvane"), ours);
    if (theirs) {
        results(QLatin1StringView(other), *theirs);
        if (theirs->perSecond > 0)
            printResult(key + QStringLiteral(".ratio"), ours.perSecond / theirs->perSecond, 2);
        else
            printResult(key + QStringLiteral(".ratio"), QStringLiteral("-")); // nothing arrived
    }
}

} // namespace korvane::bench
