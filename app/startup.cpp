// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "appfolder.h"
#include "commandcenterwindow.h"
#include "desktopplatform.h"
#include "keywordeditorhost.h"
#include "keywordeditorwindow.h"
#include "programwindows.h"
#include "scripteditorwindow.h"
#include "singleinstance.h"
#include "terminationsignals.h"

#include <QApplication>
#include <QStringList>

#include <array>
#include <cstdio>
#include <memory>

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
    if (!lock.tryAcquire()) {
        // Another instance runs: ask it to show itself, never a window of our own.
        // The desktop's activation token lets it raise itself on Wayland.
        const QString reason = requestShow(folder, qEnvironmentVariable("XDG_ACTIVATION_TOKEN"));
        if (reason.isEmpty())
            return 0;
        std::fprintf(stderr, "korvane: %s\n", qPrintable(reason));
        return 1;
    }
    ProgramWindows windows(platform);
    CommandCenterWindow &commandCenter = windows.commandCenter();
    ShowRequestListener listener(folder);
    QObject::connect(&listener, &ShowRequestListener::showRequested, &commandCenter,
                     [&commandCenter](const QString &activationToken) {
                         // Qt's Wayland backend raises a window with the token it
                         // finds here.
                         if (!activationToken.isEmpty())
                             qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
                         commandCenter.showRequested();
                     });
    commandCenter.load();
    listener.check(); // a request left behind before the watch began
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
    const QString reason = platform.keyboard().unavailableReason();
    if (!reason.isEmpty())
        std::fprintf(stderr, "korvane: %s: keystroke lines and `A will have no effect.\n",
                     qPrintable(reason));
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
    installTerminationHandling([&platform] { platform.keyboard().restoreKeymap(); });

    if (commandLine.isEmpty())
        return showCommandCenter(platform);
    if (commandLine.toUpper().contains(QLatin1String(".VLM")))
        return runScript(platform, commandLine);
    return actOnKeyWord(platform, commandLine);
}

} // namespace korvane
