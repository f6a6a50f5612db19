// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtprocesslauncher.h"
#include "launchplan.h"

#include <QDir>
#include <QProcess>

namespace korvane {

bool QtProcessLauncher::start(const QString &commandLine)
{
    m_lastFailure.clear();
    const std::optional<LaunchPlan> plan = planLaunch(commandLine, &m_lastFailure);
    if (!plan)
        return false;
    // Qt forks twice and calls setsid() in between: the program gets its own
    // session and is adopted by init, and startDetached() reports a failed exec.
    QProcess process;
    process.setProgram(plan->program);
    process.setArguments(plan->arguments);
    process.setWorkingDirectory(QDir::currentPath());
    if (process.startDetached())
        return true;
    m_lastFailure = process.errorString();
    return false;
}

} // namespace korvane
