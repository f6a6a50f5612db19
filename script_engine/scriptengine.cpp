// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptengine.h"

#include "commands.h"
#include "platform.h"
#include <cstdio>

namespace korvane::script {

ScriptEngine::ScriptEngine(ScriptHost &host, Platform &platform)
    : m_host(host)
    , m_platform(platform)
{
}

void ScriptEngine::setState(RunState state)
{
    m_state = state;
    if (!m_hostGone)
        m_host.runStateChanged(state);
}

void ScriptEngine::requestStop()
{
    if (m_state == RunState::Running)
        setState(RunState::Stopping);
}

void ScriptEngine::runOrStop(QString &fileName)
{
    switch (m_state) {
    case RunState::Running:
        requestStop();
        m_host.showProgress(QString());
        return;
    case RunState::Stopping:
        return;
    case RunState::Idle:
        run(fileName);
        return;
    }
}

void ScriptEngine::run(QString &fileName)
{
    if (m_host.scriptChanged()) {
        const MessageAnswer answer =
            m_platform.dialogs().messageBox(kSaveBeforeRunQuestion, MessageButtons::YesNoCancel);
        if (answer == MessageAnswer::Cancel)
            return;
        if (answer == MessageAnswer::Yes)
            m_host.saveScript();
    }

    m_hostGone = false;
    setState(RunState::Running);
    if (m_host.debugViewOn())
        m_host.showDebugLine(0);

    ScriptRun run(*this, fileName);
    if (!run.script.isOpen()) {
        // The box names neither the file nor the reason: standard error does.
        std::fprintf(stderr, "korvane: cannot open script \"%s\": %s\n", qPrintable(fileName),
                     qPrintable(run.script.failure()));
        m_platform.dialogs().messageBox(kCannotOpenScript, MessageButtons::Ok);
        run.endEarly(kScriptNotOpenedStatus);
        return;
    }

    for (int lineIndex = 1;; ++lineIndex) {
        if (run.stopRequested())
            return;
        const std::optional<QString> line = run.script.readLine();
        if (!line)
            break;
        run.lineNumber = lineIndex;
        if (runLine(*line, run) == Flow::EndRun)
            return;
        if (m_host.debugViewOn())
            m_host.showDebugLine(lineIndex);
    }

    run.script.close();
    if (m_host.autoRun()) {
        run.endProgram(0);
        return;
    }
    m_host.showCharacterCount();
    setState(RunState::Idle);
}

} // namespace korvane::script
