#include "scriptengine.h"

#include "commands.h"
#include "numbertext.h"
#include "platform.h"

namespace korvane::script {

ScriptEngine::ScriptEngine(ScriptHost &host, Platform &platform)
    : m_host(host)
    , m_platform(platform)
{
}

void ScriptEngine::Execute_Script(QString &fileName)
{
    // A call while a run is in progress is a stop request; the run notices the
    // caption at its next stop check.
    if (m_host.command2Caption() == kStopCaption) {
        m_host.setCommand2Caption(kRunCaption);
        m_host.setLabel1(QString());
        return;
    }
    // A stopped run that has not wound down yet.
    if (!m_host.check1Enabled())
        return;
    if (m_host.scriptChanged()) {
        const MessageAnswer answer =
            m_platform.dialogs().messageBox(kSaveBeforeRunQuestion, MessageButtons::YesNoCancel);
        if (answer == MessageAnswer::Cancel)
            return;
        if (answer == MessageAnswer::Yes)
            m_host.save_Click();
    }

    m_host.setCheck1Enabled(false);
    m_host.setCommand2Caption(kStopCaption);
    if (m_host.check1Value())
        m_host.selectListItem(0);

    m_running = true;
    m_hostGone = false;
    ScriptRun run(m_host, m_platform, m_hostGone, fileName);
    if (!run.script.isOpen()) {
        m_platform.dialogs().messageBox(kCannotOpenScript, MessageButtons::Ok);
        m_running = false;
        if (m_host.autoRun()) {
            m_platform.events().endProgram(1);
            return;
        }
        m_host.setCheck1Enabled(true);
        m_host.setCommand2Caption(kRunCaption);
        return;
    }

    int lineCounter = 0;
    for (;;) {
        if (run.stopRequested()) {
            m_running = false;
            return;
        }
        const std::optional<QString> line = run.script.readLine();
        if (!line)
            break;
        if (runLine(classifyLine(*line), *line, run) == Flow::EndRun) {
            m_running = false;
            return;
        }
        ++lineCounter;
        if (m_host.check1Value())
            m_host.selectListItem(lineCounter);
    }

    run.script.close();
    m_running = false;
    if (m_host.autoRun()) {
        m_platform.events().endProgram(0);
        return;
    }
    m_host.setLabel1(numberText(m_host.textLength()) + QStringLiteral(" Characters"));
    m_host.setCheck1Enabled(true);
    m_host.setCommand2Caption(kRunCaption);
}

} // namespace korvane::script
