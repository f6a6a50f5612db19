// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the script engine needs of the window it runs in: the script editor, or a
// test's stand-in. These are its only contacts with that window.

#include <QString>

namespace korvane::script {

// Where the engine is with a run. Stopping: a stop was requested and the run
// has not reached its next stop check yet; no new run starts meanwhile.
enum class RunState { Idle, Running, Stopping };

class ScriptHost
{
public:
    virtual ~ScriptHost() = default;

    virtual bool scriptChanged() const = 0;
    virtual bool autoRun() const = 0;
    // Saves the text to the current file name, asking for one when it is empty.
    virtual void saveScript() = 0;

    // The engine's state changed; the window shows it (Run/Stop, the debug box).
    virtual void runStateChanged(RunState state) = 0;
    // The debug view is on: the run marks each line it reaches.
    virtual bool debugViewOn() const = 0;
    // Marks line `index` (from 0) of the debug view; one past its end changes nothing.
    virtual void showDebugLine(int index) = 0;
    // A run's progress ("29 Seconds Remaining"), or "" to clear it.
    virtual void showProgress(const QString &text) = 0;
    virtual void showCharacterCount() = 0;
    // A line failed and the run goes on past it (a keystroke line that was not
    // typed, a program that did not start, a file not written): `line` counts from
    // 1, `reason` says what failed and why. The engine has already written it to
    // standard error; a window shows it as well.
    virtual void reportProblem(int line, const QString &reason)
    {
        Q_UNUSED(line)
        Q_UNUSED(reason)
    }

    // Closes the window through its closing sequence (which may ask to save).
    virtual void closeWindow() = 0;
};

} // namespace korvane::script
