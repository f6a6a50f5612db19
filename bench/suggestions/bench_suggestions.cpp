// SPDX-License-Identifier: GPL-3.0-or-later
// Times the command center's suggestions on the real widget on an X display: for
// databases of 10,000, 100,000 and 162,000 key words, each keystroke typed into
// the key word field until the suggestion list has painted its new rows; how long
// building the suggestions takes (on the worker thread); and how long the window
// is held while the Key Words, its programs and the Applications submenus are built
// and painted.
//   xvfb-run -a -s "-screen 0 1280x1024x24" scripts/with-openbox
//   build/bench/suggestions/bench_suggestions

#include "benchdatabase.h"
#include "benchsupport.h"
#include "commandcenterwindow.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "records.h"
#include "suggestions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QMenu>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <ctime>
#include <vector>

using namespace korvane;
using namespace korvane::bench;

namespace {

constexpr int kWordsTyped = 25;
constexpr int kDistinctPrograms = 2000;
const char *const kSyllables[] = {"KA", "LO",  "MI",  "NU",  "PE", "RA",  "SO",  "TI",
                                  "VE", "ZU",  "BRA", "CHI", "DO", "FEL", "GAR", "HU",
                                  "JO", "KRI", "MAR", "NEL", "OR", "PLU", "QUI", "STE"};

// Distinct, word-like key words: two to four syllables, some two words long.
QStringList makeKeyWords(int count)
{
    QRandomGenerator random(15);
    QSet<QString> seen;
    QStringList words;
    while (words.size() < count) {
        QString word;
        const int syllables = 2 + int(random.bounded(3));
        for (int s = 0; s < syllables; ++s)
            word += QLatin1String(kSyllables[random.bounded(int(std::size(kSyllables)))]);
        if (random.bounded(8) == 0)
            word += QStringLiteral(" ") + QLatin1String(kSyllables[random.bounded(8)]);
        if (seen.contains(word))
            word += QString::number(words.size() % 97);
        if (word.size() > db::kIndexKeyWidth || seen.contains(word))
            continue;
        seen.insert(word);
        words.append(word);
    }
    return words;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Runs the event loop until `painter` has painted again; the time from `clock`'s
// start until the pass that painted it returned (the frame is then sent to the
// X server). -1 when nothing was painted within two seconds.
double untilPainted(const PaintCounter &counter, int paintsBefore, const QElapsedTimer &clock)
{
    while (counter.paints == paintsBefore) {
        if (clock.elapsed() > 2000)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return clock.nsecsElapsed() / 1e6;
}

// CPU time of the calling thread, in milliseconds.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(std::min(values.size() - 1, size_t(fraction * double(values.size()))));
}

struct Keystrokes
{
    double medianMs = -1;
    double p95Ms = -1;
    double maxMs = -1;
    double cpuMedianMs = -1; // the window's own work, whatever else runs on the machine
    double cpuP95Ms = -1;
    int count = 0;
};

// Types whole key words into the field, one key at a time, timing each key from
// the key event until the list has painted.
Keystrokes timeKeystrokes(CommandCenterWindow &window, const QStringList &keyWords)
{
    QLineEdit *field = window.keyWordField();
    SuggestionList &list = window.suggestions();
    const PaintCounter counter(&list);
    std::vector<double> times;
    std::vector<double> cpuTimes;
    QRandomGenerator random(17);
    for (int w = 0; w < kWordsTyped; ++w) {
        const QString word = keyWords.at(random.bounded(keyWords.size()));
        field->clear();
        list.hide();
        QCoreApplication::processEvents();
        for (const QChar c : word) {
            const int before = counter.paints;
            const double cpuBefore = threadCpuMs();
            QElapsedTimer clock;
            clock.start();
            QTest::keyClick(field, c.toLatin1());
            const double ms = untilPainted(counter, before, clock);
            cpuTimes.push_back(threadCpuMs() - cpuBefore);
            if (ms < 0)
                qFatal("the list was not painted after typing %s", qPrintable(field->text()));
            times.push_back(ms);
            if (qEnvironmentVariableIsSet("BENCH_SUGGESTIONS_TRACE")) {
                QElapsedTimer matching;
                matching.start();
                const auto matches = list.source().index()->match(db::KeyWord(field->text()));
                std::printf("  %-26s %7.2f ms  match %6.2f ms  %lld rows\n",
                            qPrintable(field->text()), ms, matching.nsecsElapsed() / 1e6,
                            qlonglong(matches.count()));
            }
        }
    }
    return {median(times),    percentile(times, 0.95),    percentile(times, 1.0),
            median(cpuTimes), percentile(cpuTimes, 0.95), int(times.size())};
}

// The time a submenu holds the window from being asked to open until it has
// painted, first opening (its entries are built then).
double timeSubmenu(QMenu *menu, const QPoint &where)
{
    const PaintCounter counter(menu);
    QElapsedTimer clock;
    clock.start();
    menu->popup(where);
    const double ms = untilPainted(counter, 0, clock);
    menu->hide();
    QCoreApplication::processEvents();
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        std::fputs("bench_suggestions: not on X11; the figures are for another platform.\n",
                   stderr);
    std::printf("Suggestions: each keystroke until the list is painted (%d key words typed "
                "in full)\n",
                kWordsTyped);
    std::printf("%9s  %8s  %5s  %9s  %9s  %9s  %9s  %9s  %9s  %9s  %9s\n", "key words", "build",
                "keys", "median", "95th pct", "worst", "CPU med.", "CPU 95th", "Key Words",
                "programs", "Applic.");
    for (const int size : {10'000, 100'000, 162'000}) {
        QTemporaryDir home;
        const QStringList keyWords = makeKeyWords(size);
        bench::writeDatabase(home.path(), int(keyWords.size()), [&keyWords](int i) {
            return std::pair{
                keyWords.at(i - 1),
                QStringLiteral("/usr/local/bin/tool-%1 --open").arg(i % kDistinctPrograms)};
        });
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());

        QElapsedTimer building;
        building.start();
        const db::SuggestionIndex built =
            db::SuggestionIndex::build(db::KeywordDatabase(home.path()), kReservedWords);
        const double buildMs = building.nsecsElapsed() / 1e6;
        if (built.suggestions().size() != size + kReservedWords.size())
            qFatal("%lld suggestions for %d key words", qlonglong(built.suggestions().size()),
                   size);

        FakePlatform platform;
        CommandCenterWindow window(platform, WindowDirectory{});
        window.load();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            std::fputs("bench_suggestions: the command center was not activated.\n", stderr);
        // The suggestions are built on the worker thread meanwhile.
        QElapsedTimer waiting;
        waiting.start();
        while (window.suggestions().source().index()->suggestions().size() !=
               built.suggestions().size()) {
            if (waiting.elapsed() > 60000)
                qFatal("the suggestions were not built within a minute");
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        window.keyWordField()->setFocus();

        const Keystrokes keys = timeKeystrokes(window, keyWords);
        window.keyWordField()->clear();
        window.suggestions().hide();
        const QPoint where = window.mapToGlobal(QPoint(0, 0));
        const double keyWordsMenuMs = timeSubmenu(window.menu().keyWordsMenu(), where);
        const double programsMenuMs = timeSubmenu(window.menu().keyWordProgramsMenu(), where);
        const double applicationsMenuMs = timeSubmenu(window.menu().applicationsMenu(), where);

        std::printf("%9d  %5.0f ms  %5d  %6.2f ms  %6.2f ms  %6.2f ms  %6.2f ms  %6.2f ms  "
                    "%6.0f ms  %6.0f ms  %6.0f ms\n",
                    size, buildMs, keys.count, keys.medianMs, keys.p95Ms, keys.maxMs,
                    keys.cpuMedianMs, keys.cpuP95Ms, keyWordsMenuMs, programsMenuMs,
                    applicationsMenuMs);
        std::fflush(stdout);
        const QString key = QString::number(size);
        printResult(QStringLiteral("suggestions.%1.build_ms").arg(key), buildMs, 0);
        printResult(QStringLiteral("suggestions.%1.key_median_ms").arg(key), keys.medianMs, 2);
        printResult(QStringLiteral("suggestions.%1.key_p95_ms").arg(key), keys.p95Ms, 2);
        printResult(QStringLiteral("suggestions.%1.key_max_ms").arg(key), keys.maxMs, 2);
        printResult(QStringLiteral("suggestions.%1.key_cpu_median_ms").arg(key), keys.cpuMedianMs,
                    2);
        printResult(QStringLiteral("suggestions.%1.key_cpu_p95_ms").arg(key), keys.cpuP95Ms, 2);
        printResult(QStringLiteral("menus.%1.keywords_ms").arg(key), keyWordsMenuMs, 0);
        printResult(QStringLiteral("menus.%1.programs_ms").arg(key), programsMenuMs, 0);
        printResult(QStringLiteral("menus.%1.applications_ms").arg(key), applicationsMenuMs, 0);
    }
    return 0;
}
