#pragma once

// "Velmora", the script editor: one script document, the Run/Stop button and
// the debug view through which the script engine shows a run.

#include "scriptengine.h"
#include "scripthost.h"

#include <QMainWindow>

class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace korvane {
class Platform;
}

namespace korvane::editor {

inline const QString kScriptExecuting = QStringLiteral("Script is executing!");
inline const QString kSavePrompt =
    QStringLiteral("This script has changed.  Do you wish to save changes?");
inline const QString kUntitledCaption = QStringLiteral("Velmora - Untitled");
inline const QString kScriptPattern = QStringLiteral("*.vlm");

class Scripter : public QMainWindow, public script::ScriptHost
{
    Q_OBJECT

public:
    // With a non-empty `commandLine` the window runs that script at once, before
    // it is ever shown (auto-run), and the run ends the program.
    explicit Scripter(Platform &platform, const QString &commandLine = QString(),
                      QWidget *parent = nullptr);
    ~Scripter() override;

    // The document.
    QString ScriptFileName;
    bool ScriptChanged = false;
    bool AutoRun = false;

    void new_Click();
    void open_Click();
    void save_Click() override;
    void saveas_Click();
    void run_script_Click();
    void Command2_Click();
    void Check1_Click();

    // The script engine's view of the window.
    bool scriptChanged() const override { return ScriptChanged; }
    bool autoRun() const override { return AutoRun; }
    QString command2Caption() const override;
    void setCommand2Caption(const QString &caption) override;
    bool check1Enabled() const override;
    void setCheck1Enabled(bool enabled) override;
    bool check1Value() const override;
    void selectListItem(int index) override;
    void setLabel1(const QString &caption) override;
    qsizetype textLength() const override;
    void closeWindow() override;

    QPlainTextEdit *Text1() const { return m_text1; }
    QListWidget *List1() const { return m_list1; }
    QLabel *Label1() const { return m_label1; }
    QPushButton *Command2() const { return m_command2; }
    QCheckBox *Check1() const { return m_check1; }

    // The character count label: " 42 Characters".
    void showCharacterCount();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool refuseWhileRunning();
    // Asks to save a changed script; false when the user cancels.
    bool savePrompt();
    bool writeScript(const QString &fileName, bool reportFailure);
    void setDocumentCaption();
    void buildMenus();

    Platform &m_platform;
    script::ScriptEngine m_engine;
    QPlainTextEdit *m_text1 = nullptr;
    QListWidget *m_list1 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QPushButton *m_command2 = nullptr;
    QCheckBox *m_check1 = nullptr;
    bool m_fillingText = false;
};

} // namespace korvane::editor
