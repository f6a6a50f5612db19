#pragma once

// The step-by-step tutorial: Pibbet shows a text and speaks a narration for each
// step of the chosen topic, and points into the keyword editor while it explains it.

#include "tutorialsteps.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace korvane {

class Platform;

inline const QString kStepByStepTitle = QStringLiteral("StepByStep");
// The colour of the keyword editor's KeyWord field while a step points at it.
inline const QColor kKeyWordHighlight = QColor(0, 255, 0);

// What the tutorial needs of the keyword editor; an unset hook does nothing.
struct KeywordEditorLink
{
    // Shows the keyword editor, modeless.
    std::function<void()> show;
    // The editor's KeyWord field; the editor is loaded, not shown, when it was not.
    std::function<QLineEdit *()> keyWordField;
};

class TutorialWindow : public QWidget
{
    Q_OBJECT
public:
    TutorialWindow(Platform &platform, KeywordEditorLink editor, QWidget *parent = nullptr);
    ~TutorialWindow() override;

    // Centres the window on the screen and greets; the step counter stays empty.
    void Form_Load();

    // Performs the step numbered `steps` of the selected topic; 0 is the greeting.
    // A number the topic has no step for changes nothing.
    void Perform_Step(int steps);

    void Say_Hello();
    void Step1_Add();
    void Step2_Add();
    void Step3_Add();
    void Step1_Delete();
    void Exploring_Folders();
    void Setup_WebBrowser();
    void QuestionMark();

    void NextButton_Click();
    void PreviousButton_Click();
    void RewindButton_Click();
    void AddKeyWordOption_Click();
    void DeleteKeyWordOption_Click();
    void SpecialFeaturesButton_Click();
    void ExitButton_Click();

    // Empty until a button or topic sets it; then a whole number, never below 0.
    std::optional<int> stepCounter() const { return m_stepCounter; }
    TutorialTopic selectedTopic() const;

    QPlainTextEdit *pibbetText() const { return m_pibbetText; }
    QLabel *label1() const { return m_label1; }
    QLabel *image1() const { return m_image1; }
    QRadioButton *addKeyWordOption() const { return m_addKeyWordOption; }
    QRadioButton *deleteKeyWordOption() const { return m_deleteKeyWordOption; }
    QRadioButton *specialFeaturesButton() const { return m_specialFeaturesButton; }
    QPushButton *nextButton() const { return m_nextButton; }
    QPushButton *previousButton() const { return m_previousButton; }
    QPushButton *rewindButton() const { return m_rewindButton; }
    QPushButton *exitButton() const { return m_exitButton; }

signals:
    // The window was closed (Exit or its title bar) and is to be discarded.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void performStep(const TutorialStep &step);
    void performRow(TutorialTopic topic, int number);
    void highlightKeyWordField();
    void chooseTopic(bool showEditor);

    Platform &m_platform;
    KeywordEditorLink m_editor;
    std::optional<int> m_stepCounter;

    QRadioButton *m_addKeyWordOption = nullptr;
    QRadioButton *m_deleteKeyWordOption = nullptr;
    QRadioButton *m_specialFeaturesButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_previousButton = nullptr;
    QPushButton *m_rewindButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPlainTextEdit *m_pibbetText = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_image1 = nullptr;
};

} // namespace korvane
