#pragma once

// What the script engine needs of the window it runs in: the script editor, or a
// test's stand-in. These are its only contacts with that window.

#include <QString>

namespace korvane::script {

inline const QString kRunCaption = QStringLiteral("&Run Script");
inline const QString kStopCaption = QStringLiteral("&Stop Script");

class ScriptHost
{
public:
    virtual ~ScriptHost() = default;

    virtual bool scriptChanged() const = 0;
    virtual bool autoRun() const = 0;
    // Saves the text to the current file name, asking for one when it is empty.
    virtual void save_Click() = 0;

    // The Run/Stop button's caption: the run state and the stop signal at once.
    virtual QString command2Caption() const = 0;
    virtual void setCommand2Caption(const QString &caption) = 0;

    virtual bool check1Enabled() const = 0;
    virtual void setCheck1Enabled(bool enabled) = 0;
    virtual bool check1Value() const = 0; // the debug view is on

    // Selects item `index` of the debug list; an index past its end changes nothing.
    virtual void selectListItem(int index) = 0;
    virtual void setLabel1(const QString &caption) = 0;
    virtual qsizetype textLength() const = 0;

    // Closes the window through its closing sequence (which may ask to save).
    virtual void closeWindow() = 0;
};

} // namespace korvane::script
