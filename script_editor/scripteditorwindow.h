#pragma once

// "Velmora", the script editor: one script document with its file, print, font
// and clipboard commands, the tool buttons, the clock, the Run/Stop button and the
// debug view through which the script engine shows a run. Find and replace, the
// tool box, the settings files, printing and highlighting live in their own files.

#include "findreplace.h"
#include "scriptengine.h"
#include "scripthost.h"
#include "toolbox.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QTimer;

namespace korvane {
class Platform;
}

namespace korvane::editor {

class ScriptHighlighter;
class ScriptSearch;
class ThreeDButton;

inline const QString kRunCaption = QStringLiteral("&Run Script");
inline const QString kStopCaption = QStringLiteral("&Stop Script");
inline const QString kScriptExecuting = QStringLiteral("Script is executing!");
inline const QString kSavePrompt =
    QStringLiteral("This script has changed.  Do you wish to save changes?");
inline const QString kUntitledCaption = QStringLiteral("Velmora - Untitled");
inline const QString kScriptPattern = QStringLiteral("*.vlm");
inline const QString kNothingToPrint = QStringLiteral("There is nothing to print!");
inline const QString kGettingHelp = QStringLiteral(
    "To get help on any item just click the RIGHT mouse button on the item you wish to view "
    "help on.");

class ScriptEditorWindow : public QMainWindow, public script::ScriptHost
{
    Q_OBJECT

public:
    // With a non-empty `commandLine` the window runs that script at once, before
    // it is ever shown (auto-run), and the run ends the program.
    explicit ScriptEditorWindow(Platform &platform, const QString &commandLine = QString(),
                                QWidget *parent = nullptr);
    ~ScriptEditorWindow() override;

    // Shows the window, loading it afresh (settings, an untitled script) when it
    // was closed before.
    void showWindow();
    // What the About menu entry shows; nothing while unset.
    void setShowAbout(std::function<void()> showAbout) { m_showAbout = std::move(showAbout); }

    // The document.
    QString ScriptFileName;
    bool ScriptChanged = false;
    bool AutoRun = false;

    // File menu and tool buttons.
    void new_Click();
    void open_Click();
    void saveScript() override;
    void saveas_Click();
    void print_Click();
    void printsetup_Click();
    void display_tools_Click();
    void run_script_Click();
    void exit_Click();
    void Command2_Click();
    void Check1_Click();
    // Edit menu.
    void cut_Click();
    void Copy_Click();
    void paste_Click();
    void Fonts_Click();
    void Find_Click();
    void FindNext_Click();
    void replace_Click();
    // Help menu.
    void get_help_Click();
    void AboutMenu_Click();

    void Timer1_Timer();
    // Sizes Text1 and List1 to the window's outer size, in twips.
    void Form_Resize();

    // The script engine's view of the window.
    bool scriptChanged() const override { return ScriptChanged; }
    bool autoRun() const override { return AutoRun; }
    void runStateChanged(script::RunState state) override;
    bool debugViewOn() const override;
    void showDebugLine(int index) override;
    void showProgress(const QString &text) override;
    void showCharacterCount() override;
    void closeWindow() override;

    QPlainTextEdit *Text1() const { return m_text1; }
    QListWidget *List1() const { return m_list1; }
    QLabel *Label1() const { return m_label1; }
    QLabel *Label2() const { return m_label2; }
    QLabel *Label3() const { return m_label3; }
    QLabel *Label4() const { return m_label4; }
    QPushButton *Command2() const { return m_command2; }
    QCheckBox *Check1() const { return m_check1; }
    QTimer *Timer1() const { return m_timer1; }
    // Tool button `number` from 1 to 9.
    ThreeDButton *SSCommand(int number) const { return m_ssCommands.at(number - 1); }
    ScriptSearch &module() const { return *m_module; }
    ToolBoxWindow *toolBox() const { return m_toolBox; }
    FindDialog *findText() const { return m_findText; }
    ReplaceDialog *replaceForm() const { return m_replaceForm; }
    QPrinter &printer() const { return *m_printer; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    bool refuseWhileRunning();
    // Asks to save a changed script; false when the user cancels.
    bool savePrompt();
    void setDocumentCaption();
    void setEditorText(const QString &text);
    void buildControls();
    void buildToolButtons(QWidget *client);
    void buildMenus();
    void applyDesignFont();
    void applySettings();
    void writeSettings();

    Platform &m_platform;
    script::ScriptEngine m_engine;
    QWidget *m_client = nullptr;
    QPlainTextEdit *m_text1 = nullptr;
    QListWidget *m_list1 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_label3 = nullptr;
    QLabel *m_label4 = nullptr;
    QPushButton *m_command2 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QTimer *m_timer1 = nullptr;
    std::array<ThreeDButton *, 9> m_ssCommands{};
    std::unique_ptr<ScriptSearch> m_module;
    std::unique_ptr<QPrinter> m_printer;
    ScriptHighlighter *m_highlighter = nullptr;
    QPointer<ToolBoxWindow> m_toolBox;
    QPointer<FindDialog> m_findText;
    QPointer<ReplaceDialog> m_replaceForm;
    std::function<void()> m_showAbout;
    bool m_fillingText = false;
    bool m_loaded = false;
};

} // namespace korvane::editor
