// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a script file line by line on the user-interface thread. The engine owns
// the run state: one entry point starts a run when idle, requests a stop while
// one runs, and does nothing while a stopped run winds down.

#include "scripthost.h"

#include <QString>

namespace korvane {
class Platform;
}

namespace korvane::script {

inline const QString kSaveBeforeRunQuestion = QStringLiteral(
    "This script has changed.  It must be saved before changes made will be acted upon.  Do "
    "you wish to save changes now?");
// The program's end status when a script run from the command line cannot be opened.
constexpr int kScriptNotOpenedStatus = 2;
inline const QString kCannotOpenScript =
    QStringLiteral("The specified script file could not be opened.");

class ScriptRun;

class ScriptEngine
{
public:
    ScriptEngine(ScriptHost &host, Platform &platform);

    // The Run/Stop command. `fileName` is taken by reference: a Save As made by the
    // pre-run save is seen by the run. Returns when the run has ended, at once for
    // a stop request.
    void runOrStop(QString &fileName);

    // A running script ends at its next stop check (between lines, or in a wait).
    void requestStop();
    RunState state() const { return m_state; }

    // The host is going away while a run waits: the run ends at its next stop
    // check without touching the host again.
    void abandonHost() { m_hostGone = true; }

private:
    friend class ScriptRun;

    void run(QString &fileName);
    void setState(RunState state);

    ScriptHost &m_host;
    Platform &m_platform;
    RunState m_state = RunState::Idle;
    bool m_hostGone = false;
};

} // namespace korvane::script
