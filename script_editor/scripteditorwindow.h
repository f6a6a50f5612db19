// SPDX-License-Identifier: GPL-3.0-or-later
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
struct FontChoice;
} // namespace korvane

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

// The picture buttons above the text, by what they do.
enum class ToolButton { Open, New, Save, Print, Copy, Cut, Paste, ToolBox, Font };

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

    // The script file's name: empty while untitled.
    const QString &fileName() const { return m_fileName; }

    // File menu and tool buttons.
    void newScript();
    void openScript();
    void saveScript() override;
    void saveScriptAs();
    void printScript();
    void showPrintSetup();
    void showToolBox();
    // The Run/Stop button and the Run Script menu entry.
    void onRunClicked();
    // Edit menu.
    void cutText();
    void copyText();
    void pasteText();
    void chooseFont();
    void showFindDialog();
    void findNext();
    void showReplaceDialog();
    // Help menu.
    void showGettingHelp();
    void showAbout();

    // The script engine's view of the window.
    bool scriptChanged() const override { return m_changed; }
    bool autoRun() const override { return m_autoRun; }
    void runStateChanged(script::RunState state) override;
    bool debugViewOn() const override;
    void showDebugLine(int index) override;
    void showProgress(const QString &text) override;
    // " 42 Characters", counting each line break as the two characters saved.
    void showCharacterCount() override;
    // "Line 3: reason" in the status line, whole in its tool tip, until the next run.
    void reportProblem(int line, const QString &reason) override;
    void closeWindow() override;

    QPlainTextEdit *scriptText() const { return m_scriptText; }
    QListWidget *debugList() const { return m_debugList; }
    QLabel *countLabel() const { return m_countLabel; }
    QLabel *statusLabel() const { return m_statusLabel; }
    QLabel *clockLabel() const { return m_clockLabel; }
    QPushButton *runButton() const { return m_runButton; }
    QCheckBox *debugCheck() const { return m_debugCheck; }
    QTimer *clockTimer() const { return m_clockTimer; }
    ThreeDButton *toolButton(ToolButton job) const { return m_toolButtons.at(int(job)); }
    ScriptSearch &search() const { return *m_search; }
    ToolBoxWindow *toolBox() const { return m_toolBox; }
    FindDialog *findDialog() const { return m_findDialog; }
    ReplaceDialog *replaceDialog() const { return m_replaceDialog; }
    QPrinter &printer() const { return *m_printer; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Prepares the window for a new session: settings, an untitled script, the clock.
    void loadWindow();
    void updateClock();
    void onDebugToggled(bool on);
    // Sizes the text and the debug list to the window.
    void fitToWindow();
    bool refuseWhileRunning();
    // Asks to save a changed script; false when the user cancels or the save
    // does not happen.
    bool savePrompt();
    // Save and Save As; true when the text reached the disk.
    bool saveDocument();
    bool saveDocumentAs();
    // Writes the text to the current file name; false, after a message, when it fails.
    bool writeDocument();
    void setDocumentCaption();
    void setEditorText(const QString &text);
    void buildControls();
    void buildToolButtons(QWidget *client);
    void buildMenus();
    FontChoice currentFontChoice() const;
    // The one way the text's and the debug list's font and colour are set.
    void applyFontChoice(const FontChoice &choice);
    void applySettings();
    void writeSettings();
    // Shows one of the modeless search dialogs, creating it when needed.
    template<typename Dialog> void showSearchDialog(QPointer<Dialog> &dialog);

    Platform &m_platform;
    script::ScriptEngine m_engine;
    QString m_fileName;
    bool m_changed = false;
    bool m_autoRun = false;

    QWidget *m_client = nullptr;
    QPlainTextEdit *m_scriptText = nullptr;
    QListWidget *m_debugList = nullptr;
    QLabel *m_countLabel = nullptr;   // the character count, or a wait's progress
    QLabel *m_statusLabel = nullptr;  // what the tool button under the pointer does
    QLabel *m_textKeyLabel = nullptr; // carries the access key Alt+T to the text
    QLabel *m_clockLabel = nullptr;
    QPushButton *m_runButton = nullptr;
    QCheckBox *m_debugCheck = nullptr;
    QTimer *m_clockTimer = nullptr;
    std::array<ThreeDButton *, 9> m_toolButtons{};
    std::unique_ptr<ScriptSearch> m_search;
    std::unique_ptr<QPrinter> m_printer;
    ScriptHighlighter *m_highlighter = nullptr;
    QPointer<ToolBoxWindow> m_toolBox;
    QPointer<FindDialog> m_findDialog;
    QPointer<ReplaceDialog> m_replaceDialog;
    std::function<void()> m_showAbout;
    bool m_fillingText = false;
    bool m_loaded = false;
};

} // namespace korvane::editor
