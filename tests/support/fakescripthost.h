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
    bool scriptChanged() const override { return changed; }
    bool autoRun() const override { return autoRunMode; }
    void save_Click() override
    {
        ++saves;
        if (onSave)
            onSave();
    }
    QString command2Caption() const override { return caption; }
    void setCommand2Caption(const QString &c) override { caption = c; }
    bool check1Enabled() const override { return checkEnabled; }
    void setCheck1Enabled(bool enabled) override { checkEnabled = enabled; }
    bool check1Value() const override { return debugOn; }
    void selectListItem(int index) override
    {
        if (index < listSize)
            selected.append(index);
    }
    void setLabel1(const QString &text) override { labels.append(text); }
    qsizetype textLength() const override { return textChars; }
    void closeWindow() override { ++closes; }

    bool changed = false;
    bool autoRunMode = false;
    int saves = 0;
    std::function<void()> onSave;
    QString caption = korvane::script::kRunCaption;
    bool checkEnabled = true;
    bool debugOn = false;
    int listSize = 0;
    QList<int> selected;
    QStringList labels;
    qsizetype textChars = 42;
    int closes = 0;
};
