// SPDX-License-Identifier: GPL-3.0-or-later
// The real korvane binary under Xvfb with openbox: --version and no display, the
// second start, EXIT saving the window position, a crashed
// instance, and the window keeping itself shown. Windows are found and driven
// with xdotool and xwininfo.

#include "desktopdriver.h"
#include "keyworddatabase.h"
#include "testhome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace korvane;
using namespace korvane::e2e;

namespace {

const QString kTitle = QStringLiteral("Korvane Command Center");
constexpr int kTimeout = 15000;

bool isViewable(const QString &window)
{
    return runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window})
        .contains(QStringLiteral("Map State: IsViewable"));
}

// The command center windows of process `pid` (by _NET_WM_PID and title).
QStringList commandCenterWindows(qint64 pid)
{
    const QString found =
        xdotool({QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid),
                 QStringLiteral("--name"), QLatin1Char('^') + kTitle + QLatin1Char('$')});
    return found.split(u'\n', Qt::SkipEmptyParts);
}

// The first viewable command center window of `process`, or empty.
QString visibleWindow(const QProcess &process)
{
    const QStringList windows = commandCenterWindows(process.processId());
    return !windows.isEmpty() && isViewable(windows.first()) ? windows.first() : QString();
}

// The window manager's frame's top-left corner, in pixels.
QPoint framePosition(const QString &window)
{
    const QString info = runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    const auto number = [&info](const QString &label) {
        const QRegularExpression pattern(label + QStringLiteral(":\\s*(-?\\d+)"));
        return pattern.match(info).captured(1).toInt();
    };
    const QStringList extents =
        runTool(QStringLiteral("xprop"),
                {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")})
            .section(u'=', 1)
            .split(u',', Qt::SkipEmptyParts);
    const int left = extents.value(0).trimmed().toInt();
    const int top = extents.value(2).trimmed().toInt();
    return {number(QStringLiteral("Absolute upper-left X")) - left,
            number(QStringLiteral("Absolute upper-left Y")) - top};
}

} // namespace

class TestE2ECommandCenter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void helpVersionAndNoDisplay();
    void secondStartShowsTheRunningInstance();
    void exitWritesWindowPositionInTwips();
    void crashedInstanceDoesNotBlockTheNextStart();
    void minimizedWindowComesBack();
    void titleBarOffersNoButtons();

private:
    std::unique_ptr<QProcess> startKorvane(const QStringList &arguments = {});

    std::unique_ptr<test::TempHome> m_home;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

void TestE2ECommandCenter::init()
{
    m_home.reset(); // gives back the previous folder before the next is entered
    m_home = std::make_unique<test::TempHome>();
}

void TestE2ECommandCenter::cleanup()
{
    for (const auto &process : m_processes) {
        process->kill();
        process->waitForFinished(5000);
    }
    m_processes.clear();
}

std::unique_ptr<QProcess> TestE2ECommandCenter::startKorvane(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral(KORVANE_BINARY));
    process->setArguments(arguments);
    process->setWorkingDirectory(m_home->path());
    process->start();
    return process;
}

void TestE2ECommandCenter::helpVersionAndNoDisplay()
{
    QProcess version;
    version.start(QStringLiteral(KORVANE_BINARY), {QStringLiteral("--version")});
    QVERIFY(version.waitForFinished(kTimeout));
    QCOMPARE(version.readAllStandardOutput(), QByteArray("korvane " KORVANE_VERSION "\n"));

    QProcess headless;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    headless.setProcessEnvironment(environment);
    headless.start(QStringLiteral(KORVANE_BINARY));
    QVERIFY(headless.waitForFinished(kTimeout));
    QCOMPARE(headless.exitCode(), 1);
    QVERIFY(headless.readAllStandardError().contains("no graphical display"));
}

void TestE2ECommandCenter::secondStartShowsTheRunningInstance()
{
    auto &first = m_processes.emplace_back(startKorvane());
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = visibleWindow(*first)).isEmpty(), kTimeout);
    QVERIFY(activate(window));
    type(QStringLiteral("zzz"));

    // Another window takes the focus.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Other window"));
    other.resize(300, 200);
    other.show();
    other.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), QStringLiteral("Other window"), kTimeout);

    auto second = startKorvane();
    QVERIFY(second->waitForFinished(kTimeout));
    QCOMPARE(second->exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), kTitle, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(m_home->file(QStringLiteral("Show.Txt"))), kTimeout);
    QCOMPARE(commandCenterWindows(first->processId()), QStringList{window});
    // The field has the keys, its old text selected: EXIT replaces "zzz" and ends it.
    type(QStringLiteral("exit"));
    key(QStringLiteral("Return"));
    QVERIFY(first->waitForFinished(kTimeout));
}

void TestE2ECommandCenter::exitWritesWindowPositionInTwips()
{
    m_home->write(QStringLiteral("PD.ini"), " 1500\r\n 3000\r\n\r\n");

    auto &korvane = m_processes.emplace_back(startKorvane());
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = visibleWindow(*korvane)).isEmpty(), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(framePosition(window), QPoint(200, 100), kTimeout);

    xdotool({QStringLiteral("windowmove"), window, QStringLiteral("333"), QStringLiteral("222")});
    QPoint moved;
    QTRY_VERIFY_WITH_TIMEOUT((moved = framePosition(window)) != QPoint(200, 100), kTimeout);

    // At the focused window, never "--window": see key().
    QVERIFY(activate(window));
    type(QStringLiteral("exit"));
    key(QStringLiteral("Return"));
    QVERIFY(korvane->waitForFinished(kTimeout));
    QCOMPARE(korvane->exitCode(), 0);

    QCOMPARE(m_home->read(QStringLiteral("PD.ini")),
             QByteArray(" " + QByteArray::number(moved.y() * 15) + "\r\n " +
                        QByteArray::number(moved.x() * 15) + "\r\n\r\n"));
}

void TestE2ECommandCenter::crashedInstanceDoesNotBlockTheNextStart()
{
    auto &crashed = m_processes.emplace_back(startKorvane());
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindow(*crashed).isEmpty(), kTimeout);
    crashed->kill(); // SIGKILL: the lock file stays behind
    QVERIFY(crashed->waitForFinished(kTimeout));

    auto &next = m_processes.emplace_back(startKorvane());
    QVERIFY(next->waitForStarted(kTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindow(*next).isEmpty(), kTimeout);
    // Still running: it did not take the stale lock for another instance's.
    QVERIFY(!next->waitForFinished(500));
}

void TestE2ECommandCenter::minimizedWindowComesBack()
{
    auto &korvane = m_processes.emplace_back(startKorvane());
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = visibleWindow(*korvane)).isEmpty(), kTimeout);
    xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), window});
    QTRY_VERIFY_WITH_TIMEOUT(isViewable(window), kTimeout);
    // Still shown a while later: the window manager's state now says so too.
    QTRY_VERIFY_WITH_TIMEOUT(runTool(QStringLiteral("xprop"),
                                     {QStringLiteral("-id"), window, QStringLiteral("WM_STATE")})
                                 .contains(QStringLiteral("Normal")),
                             kTimeout);
}

void TestE2ECommandCenter::titleBarOffersNoButtons()
{
    // The Motif hints ask the window manager for a title bar that can be moved and
    // nothing else: no close, minimise or maximise function (openbox ignores them).
    auto &korvane = m_processes.emplace_back(startKorvane());
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = visibleWindow(*korvane)).isEmpty(), kTimeout);
    const QStringList hints = runTool(QStringLiteral("xprop"), {QStringLiteral("-id"), window,
                                                                QStringLiteral("_MOTIF_WM_HINTS")})
                                  .section(u'=', 1)
                                  .split(u',');
    QCOMPARE(hints.size(), 5);
    constexpr uint kFunctionsGiven = 0x1, kMove = 0x4, kMinimize = 0x8, kMaximize = 0x10,
                   kClose = 0x20;
    QVERIFY(hints.at(0).trimmed().toUInt(nullptr, 16) & kFunctionsGiven);
    const uint functions = hints.at(1).trimmed().toUInt(nullptr, 16);
    QCOMPARE(functions & (kMove | kMinimize | kMaximize | kClose), kMove);
}

QTEST_MAIN(TestE2ECommandCenter)
#include "test_e2e_command_center.moc"
