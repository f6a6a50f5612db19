// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The step-by-step tutorial: Pibbet shows a text and speaks a narration for each
// step of the chosen topic, and points into the keyword editor while it explains it.

#include "tutorialsteps.h"

#include <QColor>
#include <QList>
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

inline const QString kTutorialTitle = QStringLiteral("StepByStep");
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
    void load();
    // The greeting, step 0 of every topic.
    void sayHello();

    // Empty until a button or topic sets it; then a whole number, never below 0.
    std::optional<int> stepCounter() const { return m_stepCounter; }
    TutorialTopic selectedTopic() const;

    // Controls, for tests.
    QPlainTextEdit *guideText() const { return m_guideText; }
    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *guidePicture() const { return m_guidePicture; }
    QRadioButton *topicButton(TutorialTopic topic) const;
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

    // Performs step `number` of the selected topic; 0 is the greeting. A number the
    // topic has no step for changes nothing.
    void performStep(int number);
    void present(const TutorialStep &step);
    void highlightKeyWordField();

    void next();
    void previous();
    void rewind();
    void chooseTopic(const TutorialTopicChoice &choice);

    Platform &m_platform;
    KeywordEditorLink m_editor;
    std::optional<int> m_stepCounter;

    // One per row of tutorialTopicChoices(), in its order.
    QList<QRadioButton *> m_topicButtons;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_previousButton = nullptr;
    QPushButton *m_rewindButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPlainTextEdit *m_guideText = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_guidePicture = nullptr;
};

} // namespace korvane
