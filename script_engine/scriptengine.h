#pragma once

// Runs a script file line by line on the user-interface thread. The same entry
// point starts a run, requests a stop (while one runs) or does nothing (while a
// stopped run winds down); the host's Run/Stop caption carries the state.

#include "scripthost.h"

#include <QString>

namespace korvane {
class Platform;
}

namespace korvane::script {

inline const QString kSaveBeforeRunQuestion = QStringLiteral(
    "This script has changed.  It must be saved before changes made will be acted upon.  Do "
    "you wish to save changes now?");
inline const QString kCannotOpenScript =
    QStringLiteral("The specified script file could not be opened.");

class ScriptEngine
{
public:
    ScriptEngine(ScriptHost &host, Platform &platform);

    // `fileName` is taken by reference: a Save As made by the pre-run save is
    // seen by the run. Returns when the run has ended, at once for a stop request.
    void Execute_Script(QString &fileName);

    // The host is going away while a run waits: the run ends at its next stop
    // check without touching the host again.
    void abandonHost() { m_hostGone = true; }

    bool isRunning() const { return m_running; }

private:
    ScriptHost &m_host;
    Platform &m_platform;
    bool m_hostGone = false;
    bool m_running = false;
};

} // namespace korvane::script
