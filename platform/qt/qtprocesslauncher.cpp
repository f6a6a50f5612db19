#include "qtprocesslauncher.h"
#include "launchplan.h"

#include <QDir>
#include <QProcess>

namespace korvane {

bool QtProcessLauncher::start(const QString &commandLine)
{
    const std::optional<LaunchPlan> plan = planLaunch(commandLine);
    if (!plan)
        return false;
    // Qt forks twice and calls setsid() in between: the program gets its own
    // session and is adopted by init, and startDetached() reports a failed exec.
    return QProcess::startDetached(plan->program, plan->arguments, QDir::currentPath());
}

} // namespace korvane
