// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "appfolder.h"
#include "commandcenterwindow.h"
#include "desktopplatform.h"
#include "fontwarmup.h"
#include "keywordeditorhost.h"
#include "keywordeditorwindow.h"
#include "programwindows.h"
#include "scripteditorwindow.h"
#include "singleinstance.h"
#include "terminationsignals.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <array>
#include <cstdio>
#include <future>
#include <memory>
#include <optional>

namespace korvane {

namespace {

const char kUsage[] =
    "Usage: korvane [KEYWORD | SCRIPT.vlm]\n"
    "\n"
    "  (nothing)    show the Korvane Command Center, or bring the running one to the front\n"
    "  KEYWORD      act on the key word as if typed in the command center, then end\n"
    "  SCRIPT.vlm   run a script file without a window, then end\n"
    "  --help       show this help and end\n"
    "  --version    show the version and end\n"
    "\n"
    "Data (KeyWord.DAT, its index files, PD.ini) lie in the Application folder: $KORVANE_HOME\n"
    "when set, else the executable's folder when it is writable, else\n"
    "$XDG_DATA_HOME/korvane (~/.local/share/korvane).\n";

// The Qt platform of Korvane's own windows. Through XWayland where it exists, so
// that the command center keeps its remembered position and its place above other
// windows, which a Wayland client cannot set for itself; natively on a Wayland
// session without it. A platform the user chose is left alone. The keystroke and
// activation backends are chosen from the session separately (DesktopPlatform).
QByteArray windowPlatform()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return {};
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return "xcb";
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return "wayland";
    return {};
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int showCommandCenter(Platform &platform)
{
    const QString folder = applicationFolder();
    InstanceLock lock(folder);
    // The lock file is written while the windows are built; they are shown only
    // once it is ours.
    std::future<bool> acquired =
        std::async(std::launch::async, [&lock] { return lock.tryAcquire(); });
    ProgramWindows windows(platform);
    if (!acquired.get()) {
        // Another instance runs: ask it to show itself, never a window of our own.
        // The desktop's activation token lets it raise itself on Wayland.
        const QString reason = requestShow(folder, qEnvironmentVariable("XDG_ACTIVATION_TOKEN"));
        if (reason.isEmpty())
            return 0;
        std::fprintf(stderr, "korvane: %s\n", qPrintable(reason));
        return 1;
    }
    CommandCenterWindow &commandCenter = windows.commandCenter();
    // Second starts are listened for from the first pass of the event loop, after
    // the window is on its way to the screen; one that came sooner left "Show.Txt".
    std::unique_ptr<ShowRequestListener> listener;
    QTimer::singleShot(0, &commandCenter, [&listener, &commandCenter, &folder] {
        listener = std::make_unique<ShowRequestListener>(folder);
        QObject::connect(listener.get(), &ShowRequestListener::showRequested, &commandCenter,
                         [&commandCenter](const QString &activationToken) {
                             // Qt's Wayland backend raises a window with the token it
                             // finds here.
                             if (!activationToken.isEmpty())
                                 qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
                             commandCenter.showRequested();
                         });
        listener->check(); // a request left behind before the watch began
    });
    commandCenter.load();
    return QApplication::exec();
}

int actOnKeyWord(Platform &platform, const QString &commandLine)
{
    // The command center is not shown for a key word given on the command line, so
    // it does not flash up for a moment; only its settings are loaded, so that EXIT
    // writes them back unchanged.
    ProgramWindows windows(platform);
    windows.commandCenter().loadSettings();
    windows.commandCenter().actOnText(commandLine);
    // Yes to the unknown-word question opened the keyword editor: the program
    // keeps running until it closes.
    if (!windows.keywordEditor().isOpen())
        return 0;
    QObject::connect(windows.keywordEditor().window(), &KeywordEditorWindow::unloaded, qApp,
                     &QCoreApplication::quit);
    return QApplication::exec();
}

int runScript(DesktopPlatform &platform, const QString &commandLine)
{
    // A session with no way to type (a Wayland compositor without a virtual
    // keyboard or remote desktop, no XWayland) still runs the script, and says so
    // by its end status.
    constexpr int kNoKeystrokesStatus = 3;
    const QString reason = platform.keyboard().unavailableReason();
    if (!reason.isEmpty()) {
        std::fprintf(stderr, "korvane: %s\nkorvane: keystroke lines will type nothing; the run "
                             "ends with status %d.\n",
                     qPrintable(reason), kNoKeystrokesStatus);
        platform.events().setNormalEndStatus(kNoKeystrokesStatus);
    }
    // The editor runs the script from its load, before it is ever shown, and every
    // ending of that run ends the program.
    editor::ScriptEditorWindow scripter(platform, commandLine);
    return 0;
}

} // namespace

int runKorvane(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString commandLine = arguments.join(u' ');

    if (commandLine == QLatin1String("--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (commandLine == QLatin1String("--version")) {
        std::printf("korvane %s\n", KORVANE_VERSION);
        return 0;
    }
    if (!hasDisplay()) {
        std::fputs("korvane: no graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n"
                   "Korvane's windows need a desktop session (X11 or Wayland); start it from "
                   "one.\n",
                   stderr);
        return 1;
    }

    // The command center shows text in its first frame: its fonts are looked up
    // while Qt connects to the display.
    std::optional<FontConfigurationWarmUp> fonts;
    if (commandLine.isEmpty())
        fonts.emplace();

    // The command line belongs to Korvane: Qt sees only the platform chosen here.
    QByteArray platformName = windowPlatform();
    QByteArray platformOption = "-platform";
    std::array<char *, 4> qtArguments{argv[0], platformOption.data(), platformName.data(), nullptr};
    int qtArgc = platformName.isEmpty() ? 1 : 3;
    QApplication application(qtArgc, qtArguments.data());
    QApplication::setApplicationName(QStringLiteral("korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(KORVANE_APP_ID));
    DesktopPlatform platform;
    // Ended by SIGTERM, SIGINT or SIGHUP, Korvane first gives the keyboard map back.
    installTerminationHandling([&platform] { platform.restoreKeymap(); });

    if (commandLine.isEmpty())
        return showCommandCenter(platform);
    if (commandLine.toUpper().contains(QLatin1String(".VLM")))
        return runScript(platform, commandLine);
    return actOnKeyWord(platform, commandLine);
}

} // namespace korvane
