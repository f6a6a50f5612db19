// SPDX-License-Identifier: GPL-3.0-or-later
// The script beep ("`B") through the real sound player: the sound theme's bell reaches a sound
// server (a PulseAudio of the test's own, playing into a null sink), and without a
// sound server the X display's bell rings instead (seen as an XKB bell event).

#include "qtsoundplayer.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <X11/XKBlib.h>

using namespace korvane;
using namespace Qt::StringLiterals;

class TestDesktopBell : public QObject
{
    Q_OBJECT

private slots:
    void themeBellReachesTheSoundServer()
    {
        QTemporaryDir dir;
        const QString socket = dir.filePath(u"native"_s);
        qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, dir.path());
        environment.insert(u"XDG_RUNTIME_DIR"_s, dir.path());
        QProcess server;
        server.setProcessEnvironment(environment);
        server.start(u"pulseaudio"_s, {u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s,
                                       u"--load=module-null-sink"_s,
                                       u"--load=module-native-protocol-unix socket="_s + socket});
        QVERIFY2(server.waitForStarted(), "needs pulseaudio (Debian package pulseaudio)");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 10000);
        QProcess events; // what the server reports as it happens
        events.start(u"pactl"_s, {u"subscribe"_s});
        QVERIFY(events.waitForStarted());
        QTest::qWait(300);

        QtSoundPlayer player;
        QSignalSpy fellBack(&player.bell(), &DesktopBell::fellBackToDisplayBell);
        player.beep();
        QByteArray reported;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (reported += events.readAllStandardOutput()).contains("'new' on sink-input"),
            reported.constData(), 10000);
        QCOMPARE(fellBack.size(), 0);
        events.kill();
        server.kill();
        server.waitForFinished();
    }

    void displayBellWithoutASoundServer()
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/korvane-no-sound-server");
        Display *display = XOpenDisplay(nullptr);
        QVERIFY(display);
        QVERIFY(XkbSelectEvents(display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask));
        int xkbEvent = 0;
        QVERIFY(XkbQueryExtension(display, nullptr, &xkbEvent, nullptr, nullptr, nullptr));
        XSync(display, False);

        QtSoundPlayer player;
        QSignalSpy fellBack(&player.bell(), &DesktopBell::fellBackToDisplayBell);
        player.beep();
        QTRY_COMPARE_WITH_TIMEOUT(fellBack.size(), 1, 10000);
        bool rang = false;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                while (XPending(display)) {
                    XEvent event;
                    XNextEvent(display, &event);
                    rang =
                        rang || (event.type == xkbEvent &&
                                 reinterpret_cast<XkbAnyEvent &>(event).xkb_type == XkbBellNotify);
                }
                return rang;
            }(),
            10000);
        XCloseDisplay(display);
    }
};

QTEST_MAIN(TestDesktopBell)
#include "test_desktop_bell_e2e.moc"
