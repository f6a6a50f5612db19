// SPDX-License-Identifier: GPL-3.0-or-later
#include "tutorialwindow.h"

#include "appfolder.h"
#include "pictures.h"
#include "platform.h"
#include "screencentre.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace korvane {

namespace {

constexpr QSize kWindowSize(600, 380);
constexpr QSize kGuideSize(120, 160);

// A push button at the end of `row` that calls `handler` of `window`; Enter in the
// window does not press it.
template<typename Handler>
QPushButton *addButton(QBoxLayout *row, const QString &caption, TutorialWindow *window,
                       Handler handler)
{
    auto *button = new QPushButton(caption);
    button->setAutoDefault(false);
    row->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, window, handler);
    return button;
}

} // namespace

TutorialWindow::TutorialWindow(Platform &platform, KeywordEditorLink editor, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_platform(platform)
    , m_editor(std::move(editor))
{
    setWindowTitle(kTutorialTitle);
    buildControls();
}

TutorialWindow::~TutorialWindow() = default;

void TutorialWindow::buildControls()
{
    auto *topics = new QGroupBox;
    auto *topicRow = new QHBoxLayout(topics);
    for (const TutorialTopicChoice &choice : tutorialTopicChoices()) {
        auto *button = new QRadioButton(choice.caption);
        topicRow->addWidget(button);
        // Clicked, not toggled: choosing the chosen topic again resets the counter too.
        connect(button, &QRadioButton::clicked, this, [this, &choice] { chooseTopic(choice); });
        m_topicButtons.append(button);
    }

    m_guidePicture = new QLabel;
    m_guidePicture->setObjectName(QStringLiteral("guidePicture"));
    m_guidePicture->setPixmap(picturePixmap(kPibbetGuidePicture, kGuideSize, devicePixelRatioF()));
    m_guidePicture->setFixedSize(kGuideSize);

    m_titleLabel = new QLabel;
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    QFont titleFont(QStringLiteral("Times New Roman"), 16, QFont::Bold);
    titleFont.setStyleHint(QFont::Serif);
    m_titleLabel->setFont(titleFont);

    m_guideText = new QPlainTextEdit;
    m_guideText->setObjectName(QStringLiteral("guideText"));
    m_guideText->setReadOnly(true);
    m_guideText->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto *buttons = new QHBoxLayout;
    m_rewindButton =
        addButton(buttons, QStringLiteral("<<< &Rewind"), this, &TutorialWindow::rewind);
    m_previousButton =
        addButton(buttons, QStringLiteral("<< &Previous"), this, &TutorialWindow::previous);
    m_nextButton = addButton(buttons, QStringLiteral("&Next >>"), this, &TutorialWindow::next);
    buttons->addStretch();
    m_exitButton = addButton(buttons, QStringLiteral("&Exit"), this, &QWidget::close);

    auto *grid = new QGridLayout(this);
    grid->addWidget(topics, 0, 0, 1, 2);
    grid->addWidget(m_guidePicture, 1, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(m_titleLabel, 1, 1);
    grid->addWidget(m_guideText, 2, 1);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    resize(kWindowSize);
}

void TutorialWindow::load()
{
    centreOnScreen(*this);
    sayHello();
}

TutorialTopic TutorialWindow::selectedTopic() const
{
    const std::span<const TutorialTopicChoice> choices = tutorialTopicChoices();
    for (qsizetype index = 0; index < m_topicButtons.size(); ++index) {
        if (m_topicButtons[index]->isChecked())
            return choices[index].topic;
    }
    return TutorialTopic::None;
}

QRadioButton *TutorialWindow::topicButton(TutorialTopic topic) const
{
    const std::span<const TutorialTopicChoice> choices = tutorialTopicChoices();
    for (qsizetype index = 0; index < m_topicButtons.size(); ++index) {
        if (choices[index].topic == topic)
            return m_topicButtons[index];
    }
    return nullptr;
}

void TutorialWindow::sayHello()
{
    present(tutorialSteps().front());
}

void TutorialWindow::performStep(int number)
{
    // Past a topic's last step there is no row: the window keeps the previous step.
    if (const TutorialStep *step = findTutorialStep(selectedTopic(), number))
        present(*step);
}

void TutorialWindow::present(const TutorialStep &step)
{
    if (step.highlightsKeyWord)
        highlightKeyWordField();
    m_guideText->setPlainText(readTextFile(shippedDataPath(step.textFile)));
    m_titleLabel->setText(step.title);
    show();
    if (step.number != 0) {
        // Paint the new text before the narration starts. A click handled meanwhile
        // may close (and so discard) this window: then the step ends here.
        const QPointer<TutorialWindow> self(this);
        m_platform.events().doEvents();
        if (!self || !isVisible())
            return;
    }
    m_platform.sound().playWave(shippedDataPath(step.waveFile));
}

void TutorialWindow::highlightKeyWordField()
{
    QLineEdit *field = m_editor.keyWordField ? m_editor.keyWordField() : nullptr;
    if (!field)
        return;
    // A field that is not on screen cannot take the focus; it still turns green.
    if (field->isVisible()) {
        field->window()->activateWindow();
        field->setFocus(Qt::OtherFocusReason);
    }
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, kKeyWordHighlight);
    field->setPalette(palette);
}

void TutorialWindow::next()
{
    m_stepCounter = m_stepCounter.value_or(0) + 1;
    performStep(*m_stepCounter);
}

void TutorialWindow::previous()
{
    m_stepCounter = std::max(m_stepCounter.value_or(0) - 1, 0);
    performStep(*m_stepCounter);
}

void TutorialWindow::rewind()
{
    m_stepCounter = 0;
    performStep(*m_stepCounter);
}

void TutorialWindow::chooseTopic(const TutorialTopicChoice &choice)
{
    if (choice.showsKeywordEditor && m_editor.show)
        m_editor.show();
    // The first step waits for Next.
    m_stepCounter = 0;
}

void TutorialWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit unloaded();
}

} // namespace korvane
