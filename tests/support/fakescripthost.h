// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A stand-in for the script editor window in engine tests: the run's view of the
// window as plain fields a test can read and poke.

#include "scripthost.h"

#include <QList>
#include <QStringList>

#include <functional>

class FakeScriptHost : public korvane::script::ScriptHost
{
public:
    using RunState = korvane::script::RunState;

    bool scriptChanged() const override { return changed; }
    bool autoRun() const override { return autoRunMode; }
    void saveScript() override
    {
        ++saves;
        if (onSave)
            onSave();
    }
    void runStateChanged(RunState state) override { states.append(state); }
    bool debugViewOn() const override { return debugOn; }
    void showDebugLine(int index) override
    {
        if (index < debugLines)
            shownLines.append(index);
    }
    void showProgress(const QString &text) override { progress.append(text); }
    void showCharacterCount() override { ++characterCounts; }
    void closeWindow() override { ++closes; }

    bool changed = false;
    bool autoRunMode = false;
    int saves = 0;
    std::function<void()> onSave;
    QList<RunState> states;
    bool debugOn = false;
    int debugLines = 0;
    QList<int> shownLines;
    QStringList progress;
    int characterCounts = 0;
    int closes = 0;
};
