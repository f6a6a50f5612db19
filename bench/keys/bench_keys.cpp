// Characters per second delivered, with nothing lost, into a real window (the test
// suite's key_target) by Korvane's X11 keyboard, beside `xdotool type --delay 0` on
// the same text. Run by hand on an X display with a window manager:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" scripts/with-openbox build/bench/keys/bench_keys

#include "x11keyboard.h"
#include "x11windowactivator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace korvane;

namespace {

constexpr int kCharacters = 2000;
constexpr int kTimeoutMs = 120000;
// Delivery has ended when the recorded text has not changed for this long.
constexpr int kQuietMs = 3000;

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    return true;
}

class Target
{
public:
    Target(const QString &program, const QString &out)
        : m_out(out)
    {
        m_process.start(program, {QStringLiteral("--title"), QStringLiteral("Korvane Key Bench"),
                                  QStringLiteral("--out"), out});
        waitUntil([this] { return said("ready") > 0; }, 20000);
    }
    ~Target()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    void clear()
    {
        const int before = said("cleared");
        m_process.write("clear\n");
        waitUntil([&] { return said("cleared") > before; }, 20000);
    }
    QString text() const
    {
        QFile file(m_out);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    int said(const char *word)
    {
        m_said += m_process.readAllStandardOutput();
        return int(m_said.count(word));
    }

    QString m_out;
    QProcess m_process;
    QByteArray m_said;
};

QString randomText(const QString &alphabet)
{
    QString text;
    for (int i = 0; i < kCharacters; ++i)
        text += alphabet.at(QRandomGenerator::global()->bounded(int(alphabet.size())));
    return text;
}

QString literalNotation(const QString &text)
{
    QString notation;
    for (const QChar c : text)
        notation +=
            QStringLiteral("+^%~(){}[]").contains(c) ? u'{' + QString(c) + u'}' : QString(c);
    return notation;
}

struct Result
{
    double perSecond = 0;
    int wrong = 0; // characters lost, added or changed
};

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

// Times from the start of typing until the window shows exactly `expected`; when
// it never does, the text is compared once it has stopped changing.
Result measure(Target &target, const QString &expected, const std::function<void()> &type)
{
    target.clear();
    QElapsedTimer timer;
    timer.start();
    type();
    if (waitUntil([&] { return target.text() == expected; }, kTimeoutMs))
        return {expected.size() * 1000.0 / std::max<qint64>(1, timer.elapsed()), 0};
    QString last;
    waitUntil(
        [&] {
            const QString now = target.text();
            static QElapsedTimer quiet;
            if (now != last || !quiet.isValid()) {
                last = now;
                quiet.start();
            }
            return quiet.elapsed() > kQuietMs;
        },
        kTimeoutMs);
    return {0, differences(last, expected)};
}

void report(const char *name, const Result &ours, const Result &xdotool)
{
    const auto figure = [](const Result &r) {
        return r.wrong == 0
                   ? QStringLiteral("%1 chars/s").arg(r.perSecond, 0, 'f', 0)
                   : QStringLiteral("%1 of %2 characters wrong").arg(r.wrong).arg(kCharacters);
    };
    std::printf("%-28s korvane %-28s xdotool %-28s", name, qPrintable(figure(ours)),
                qPrintable(figure(xdotool)));
    if (ours.wrong == 0 && xdotool.wrong == 0)
        std::printf(" ratio %.2f", ours.perSecond / xdotool.perSecond);
    std::printf("\n");
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
    Target target(QStringLiteral(KEY_TARGET), home.filePath(QStringLiteral("bench.txt")));
    waitUntil([&] { return windows.activate(QStringLiteral("Korvane Key Bench")); }, 20000);

    QString ascii;
    for (char16_t c = 0x21; c <= 0x7E; ++c)
        ascii += QChar(c);
    QString remapped = u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"_qs;
    for (char16_t c = 0xA1; c <= 0xFF; ++c)
        remapped += QChar(c);

    std::printf("%d characters per run, us layout\n", kCharacters);
    for (const auto &[name, alphabet] :
         {std::pair{"plain ASCII", ascii}, std::pair{"Windows-1252 beyond ASCII", remapped}}) {
        const QString text = randomText(alphabet);
        const Result ours =
            measure(target, text, [&] { keyboard.sendKeys(literalNotation(text), true); });
        Result theirs;
        if (!xdotool.isEmpty()) {
            theirs = measure(target, text, [&] {
                QProcess::execute(xdotool, {QStringLiteral("type"), QStringLiteral("--delay"),
                                            QStringLiteral("0"), QStringLiteral("--"), text});
            });
        }
        report(name, ours, theirs);
    }
    keyboard.restoreSpareKeycodes();
    return 0;
}
