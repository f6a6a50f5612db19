#pragma once

// One handler per kind of script line. Each carries out its line against the
// platform and the run's SET data, and says whether the run goes on.

#include "scriptfile.h"
#include "scripthost.h"
#include "scriptline.h"

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
    ScriptRun(ScriptHost &host, Platform &platform, const bool &hostGone, QString scriptFile);

    ScriptHost &host;
    Platform &platform;
    ScriptFileReader script;
    QString setData;

    // The stop check: a stop was requested (the caption reads "&Run Script") or the
    // host is gone. Re-enables the debug box, closes the script and says true.
    bool stopRequested();
    // Ends the run the way an early end does (`EXIT, a failed `F): the window goes
    // back to idle; in auto-run mode the program ends instead.
    void endEarly(int exitCode);
    bool hostGone() const { return m_hostGone; }

private:
    const bool &m_hostGone;
};

enum class Flow { Next, EndRun };

// Carries out `line`, already classified as `kind`.
Flow runLine(LineKind kind, const QString &line, ScriptRun &run);

} // namespace korvane::script
