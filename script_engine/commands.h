// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One handler per kind of script line. Each carries out its line against the
// platform and the run's SET data, and says whether the run goes on.

#include "scriptengine.h"
#include "scriptfile.h"
#include "scripthost.h"

#include <QString>

namespace korvane {
class Platform;
}

namespace korvane::script {

inline const QString kCannotOpenReadFile =
    QStringLiteral("Could not open the specified file.  The script will now end execution.");

// The state of one run, shared by the engine loop and the command handlers.
class ScriptRun
{
public:
    ScriptRun(ScriptEngine &engine, const QString &scriptFile);

    ScriptHost &host;
    Platform &platform;
    ScriptFileReader script;
    QString setData;
    int lineNumber = 0; // the line being run, from 1

    // The current line failed and the run goes on: says so on standard error
    // ("korvane: job.vlm:3: reason") and to the host.
    void reportProblem(const QString &reason);

    // The stop check: a stop was requested or the host is gone. The engine goes
    // back to idle, the script is closed, and the answer is true.
    bool stopRequested();
    // Ends the run the way an early end does (`EXIT, a failed `F, a script that
    // cannot be opened): the engine goes back to idle; in auto-run mode the
    // program ends instead.
    void endEarly(int exitCode);
    // Ends the program (auto-run mode), the keyboard map given back first.
    void endProgram(int exitCode);
    bool hostGone() const { return m_engine.m_hostGone; }

private:
    ScriptEngine &m_engine;
    QString m_scriptName;
};

enum class Flow { Next, EndRun };

// Classifies `line` and carries it out.
Flow runLine(const QString &line, ScriptRun &run);

} // namespace korvane::script
