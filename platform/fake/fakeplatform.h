// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The fake backend: a recording stand-in for the desktop, for tests. It remembers
// every program started, box shown, key typed, window activated, sound played and
// logout asked for, and answers dialogs with the replies a test queued.

#include "platform.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

namespace korvane {

class FakeProcessLauncher : public ProcessLauncher
{
public:
    bool start(const QString &commandLine) override;

    QStringList started;       // every command line, in order
    bool startSucceeds = true; // what start() reports
};

class FakeDialogs : public Dialogs
{
public:
    struct Box
    {
        QString text;
        MessageButtons buttons;
    };

    MessageAnswer messageBox(const QString &text, MessageButtons buttons) override;
    QString inputBox(const QString &prompt) override;
    void openFileName(QString &fileName, OpenFileName accepts = OpenFileName::Existing) override;
    void saveFileName(QString &fileName) override;
    void fontDialog(FontChoice &font, FontDialogOptions options) override;
    bool printerDialog(QPrinter &printer) override;

    QList<Box> boxes;                // message boxes shown, in order
    QStringList inputPrompts;        // input boxes shown
    QStringList openPresets;         // file name each open dialog was shown with
    QList<OpenFileName> openAccepts; // what each open dialog accepted
    QStringList savePresets;

    // Queued replies; when a queue is empty a box answers its first button
    // (Ok or Yes), an input box gives "" and a file dialog is cancelled.
    QQueue<MessageAnswer> answers;
    QQueue<QString> inputs;
    QQueue<QString> openChoices; // a null QString() means "cancelled"
    QQueue<QString> saveChoices;

    struct FontRequest
    {
        FontChoice preset;
        FontDialogOptions options;
    };
    QList<FontRequest> fontRequests; // each font dialog's presets and options
    QQueue<FontChoice> fontChoices;  // empty: the dialog is cancelled
    int printerDialogs = 0;
    bool printerDialogAccepted = false;
};

class FakeClock;

class FakeEventLoop : public EventLoop
{
public:
    void doEvents() override;
    void waitForEvents(int maxMs) override;
    void endProgram(int exitCode) override;

    int doEventsCalls = 0;
    int waitCalls = 0;
    // Runs on every doEvents()/waitForEvents(): a test's stand-in for the user
    // acting while Korvane yields.
    std::function<void()> onYield;
    // When set, waitForEvents() moves this clock on by its timeout.
    FakeClock *advancing = nullptr;
    bool ended = false;
    int exitCode = 0;
    // Also pass the real Qt event loop (for widget tests); off by default.
    bool processQtEvents = false;
};

class FakeSession : public Session
{
public:
    bool logout() override;
    int logoutRequests = 0;
};

class FakeSoundPlayer : public SoundPlayer
{
public:
    void playWave(const QString &path) override;
    void beep() override { ++beeps; }
    QStringList played; // full paths, in order
    int beeps = 0;
};

class FakeKeyboard : public Keyboard
{
public:
    struct Sent
    {
        QString notation;
        bool wait;
    };
    bool sendKeys(const QString &notation, bool wait) override;
    QString lastFailure() const override { return succeeds ? QString() : failure; }
    QList<Sent> sent;
    bool succeeds = true;
    QString failure = QStringLiteral("the fake keyboard was told to fail");
};

class FakeWindowActivator : public WindowActivator
{
public:
    bool activate(const QString &title) override;
    bool bringForward(const QString &title) override;
    QStringList activated;      // every title asked for
    QStringList broughtForward; // every title asked for without a wait
    bool succeeds = true;
};

// A clock that stands still until a test (or a wait) moves it.
class FakeClock : public Clock
{
public:
    QDateTime now() const override { return current; }
    QDateTime current = QDateTime(QDate(2026, 1, 15), QTime(10, 0));
};

// Installed applications a test writes down.
class FakeApplications : public InstalledApplications
{
public:
    QList<InstalledApplication> list() override { return installed; }
    QList<InstalledApplication> installed;
};

class FakePlatform : public Platform
{
public:
    ProcessLauncher &processes() override { return launcher; }
    Dialogs &dialogs() override { return dialog; }
    EventLoop &events() override { return loop; }
    Session &session() override { return sessions; }
    SoundPlayer &sound() override { return player; }
    Keyboard &keyboard() override { return keys; }
    WindowActivator &windows() override { return activator; }
    Clock &clock() override { return time; }
    InstalledApplications &applications() override { return apps; }

    FakeProcessLauncher launcher;
    FakeDialogs dialog;
    FakeEventLoop loop;
    FakeSession sessions;
    FakeSoundPlayer player;
    FakeKeyboard keys;
    FakeWindowActivator activator;
    FakeClock time;
    FakeApplications apps;
};

} // namespace korvane
