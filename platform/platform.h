// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seam between Korvane and the desktop. Windows and the script engine reach
// processes, dialogs, the event loop, the session and sound only through these
// interfaces. The backends stand beside it: platform/qt (dialogs, processes, event
// loop, session, sound), platform/x11 (keystrokes, window activation) and
// platform/fake (the recording stand-in for tests); app/ picks the real ones.

#include "keyboard.h"

#include <QDateTime>
#include <QList>
#include <QFlags>
#include <QString>
#include <QStringList>

class QPrinter;

namespace korvane {

// Starts programs the way the classic shell call did: one command line, no shell,
// detached, not waited for.
class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    // Starts `commandLine` (program, optionally a blank and arguments). The program
    // name "explorer" opens the folder argument in the desktop's file manager.
    // Returns false when nothing could be started; callers are free to ignore it.
    virtual bool start(const QString &commandLine) = 0;
    // Why the last start() returned false, in words for the user; empty otherwise.
    virtual QString lastFailure() const { return {}; }
};

enum class MessageButtons { Ok, YesNo, YesNoCancel };

// What the font dialog shows and returns. The colour is an RGB value with red in
// the low byte, as the settings files store it.
struct FontChoice
{
    QString name;
    double size = 0;
    bool bold = false;
    bool italic = false;
    quint32 colour = 0;
};

// What the font dialog offers: screen fonts, printer fonts, and effects
// (underline, strike-out and the text colour).
enum class FontDialogOption { ScreenFonts = 0x1, PrinterFonts = 0x2, Effects = 0x100 };
Q_DECLARE_FLAGS(FontDialogOptions, FontDialogOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(FontDialogOptions)

enum class MessageAnswer { Ok, Yes, No, Cancel };

// The names an open dialog accepts: existing files only, or also a name that does
// not exist yet (which the caller then creates).
enum class OpenFileName { Existing, ExistingOrNew };

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // A modal box titled "Korvane", without an icon.
    virtual MessageAnswer messageBox(const QString &text, MessageButtons buttons) = 0;
    // A modal box titled "Korvane" with the prompt and an empty field; Cancel gives "".
    virtual QString inputBox(const QString &prompt) = 0;
    // File dialogs: `fileName` is the preset name on entry and the chosen name on
    // return. A cancelled dialog leaves it exactly as it was.
    virtual void openFileName(QString &fileName, OpenFileName accepts = OpenFileName::Existing) = 0;
    virtual void saveFileName(QString &fileName) = 0;
    // The font dialog, preset with `font`; OK copies the choice into it, Cancel
    // leaves it as it was. The colour is offered with FontDialogOption::Effects.
    virtual void fontDialog(FontChoice &font, FontDialogOptions options)
    {
        Q_UNUSED(font)
        Q_UNUSED(options)
    }
    // The printer dialog: chooses the printer (or a PDF file) and its settings.
    // Returns false when cancelled.
    virtual bool printerDialog(QPrinter &printer)
    {
        Q_UNUSED(printer)
        return false;
    }
};

class EventLoop
{
public:
    virtual ~EventLoop() = default;
    // One pass over the pending events, not blocking.
    virtual void doEvents() = 0;
    // Blocks until the next event arrives or `maxMs` has passed, then handles what
    // is pending. Used by polling waits so that they cost no CPU.
    virtual void waitForEvents(int maxMs) = 0;
    // Ends the program at once: no window close handler runs. The caller must
    // return straight after (a fake only records the request).
    virtual void endProgram(int exitCode) = 0;
};

class Session
{
public:
    virtual ~Session() = default;
    // Asks the session manager to log the user out. Returns false when no session
    // manager accepted the request; callers ignore the result.
    virtual bool logout() = 0;
};

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Plays a wave file without waiting. A new sound stops the one still playing;
    // a missing file or sound device gives silence.
    virtual void playWave(const QString &path) = 0;
    // The desktop's default beep.
    virtual void beep() {}
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// An application the desktop lists in its menus (an XDG desktop entry that is
// shown on this desktop).
struct InstalledApplication
{
    QString id;          // the desktop file id, e.g. "org.gnome.Calculator.desktop"
    QString name;        // "Calculator"
    QString comment;     // "Perform arithmetic calculations"
    QString iconName;    // an icon theme name, or an icon file's absolute path
    QString program;     // the full path of the program its command runs
    QString commandLine; // its command without field codes (%f, %u...), program resolved
};

class InstalledApplications
{
public:
    virtual ~InstalledApplications() = default;
    // Every application shown in this desktop's menus, by name.
    virtual QList<InstalledApplication> list() = 0;
};

// Everything above, handed to windows and the engine through their constructors.
class Platform
{
public:
    virtual ~Platform() = default;
    virtual ProcessLauncher &processes() = 0;
    virtual Dialogs &dialogs() = 0;
    virtual EventLoop &events() = 0;
    virtual Session &session() = 0;
    virtual SoundPlayer &sound() = 0;
    // Keystrokes and window activation need an X11 display; the defaults do
    // nothing and report failure, as on a desktop without one.
    virtual Keyboard &keyboard();
    virtual WindowActivator &windows();
    // The system clock unless a test replaces it.
    virtual Clock &clock();
    // The desktop's installed applications; none unless a backend lists them.
    virtual InstalledApplications &applications();
};

} // namespace korvane
