#include "tutorialwindow.h"

#include "appfolder.h"
#include "platform.h"

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
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace korvane {

namespace {

constexpr QSize kWindowSize(600, 380);
constexpr QSize kGuideSize(120, 160);

QPixmap renderGuide(qreal devicePixelRatio)
{
    QSvgRenderer renderer(QStringLiteral(":/korvane/tutorial/pibbet-guide.svg"));
    QPixmap pixmap(kGuideSize * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), kGuideSize));
    return pixmap;
}

} // namespace

TutorialWindow::TutorialWindow(Platform &platform, KeywordEditorLink editor, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_platform(platform)
    , m_editor(std::move(editor))
{
    setWindowTitle(kStepByStepTitle);
    buildControls();
}

TutorialWindow::~TutorialWindow() = default;

void TutorialWindow::buildControls()
{
    m_addKeyWordOption = new QRadioButton(QStringLiteral("Adding KeyWords"));
    m_addKeyWordOption->setObjectName(QStringLiteral("AddKeyWordOption"));
    m_deleteKeyWordOption = new QRadioButton(QStringLiteral("Deleting KeyWords"));
    m_deleteKeyWordOption->setObjectName(QStringLiteral("DeleteKeyWordOption"));
    m_specialFeaturesButton = new QRadioButton(QStringLiteral("Special Features"));
    m_specialFeaturesButton->setObjectName(QStringLiteral("SpecialFeaturesButton"));

    auto *topics = new QGroupBox;
    auto *topicRow = new QHBoxLayout(topics);
    topicRow->addWidget(m_addKeyWordOption);
    topicRow->addWidget(m_deleteKeyWordOption);
    topicRow->addWidget(m_specialFeaturesButton);

    m_image1 = new QLabel;
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setPixmap(renderGuide(devicePixelRatioF()));
    m_image1->setFixedSize(kGuideSize);

    m_label1 = new QLabel;
    m_label1->setObjectName(QStringLiteral("Label1"));
    QFont titleFont(QStringLiteral("Times New Roman"), 16, QFont::Bold);
    titleFont.setStyleHint(QFont::Serif);
    m_label1->setFont(titleFont);

    m_pibbetText = new QPlainTextEdit;
    m_pibbetText->setObjectName(QStringLiteral("PibbetText"));
    m_pibbetText->setReadOnly(true);
    m_pibbetText->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    m_rewindButton = new QPushButton(QStringLiteral("<<< &Rewind"));
    m_rewindButton->setObjectName(QStringLiteral("RewindButton"));
    m_previousButton = new QPushButton(QStringLiteral("<< &Previous"));
    m_previousButton->setObjectName(QStringLiteral("PreviousButton"));
    m_nextButton = new QPushButton(QStringLiteral("&Next >>"));
    m_nextButton->setObjectName(QStringLiteral("NextButton"));
    m_exitButton = new QPushButton(QStringLiteral("&Exit"));
    m_exitButton->setObjectName(QStringLiteral("ExitButton"));
    for (QPushButton *button : {m_rewindButton, m_previousButton, m_nextButton, m_exitButton})
        button->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_rewindButton);
    buttons->addWidget(m_previousButton);
    buttons->addWidget(m_nextButton);
    buttons->addStretch();
    buttons->addWidget(m_exitButton);

    auto *grid = new QGridLayout(this);
    grid->addWidget(topics, 0, 0, 1, 2);
    grid->addWidget(m_image1, 1, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(m_label1, 1, 1);
    grid->addWidget(m_pibbetText, 2, 1);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    resize(kWindowSize);

    connect(m_nextButton, &QPushButton::clicked, this, &TutorialWindow::NextButton_Click);
    connect(m_previousButton, &QPushButton::clicked, this, &TutorialWindow::PreviousButton_Click);
    connect(m_rewindButton, &QPushButton::clicked, this, &TutorialWindow::RewindButton_Click);
    connect(m_exitButton, &QPushButton::clicked, this, &TutorialWindow::ExitButton_Click);
    connect(m_addKeyWordOption, &QRadioButton::clicked, this,
            &TutorialWindow::AddKeyWordOption_Click);
    connect(m_deleteKeyWordOption, &QRadioButton::clicked, this,
            &TutorialWindow::DeleteKeyWordOption_Click);
    connect(m_specialFeaturesButton, &QRadioButton::clicked, this,
            &TutorialWindow::SpecialFeaturesButton_Click);
}

void TutorialWindow::Form_Load()
{
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + area.height() / 2 - height() / 2);
    }
    Perform_Step(0);
}

TutorialTopic TutorialWindow::selectedTopic() const
{
    if (m_addKeyWordOption->isChecked())
        return TutorialTopic::AddKeyWords;
    if (m_deleteKeyWordOption->isChecked())
        return TutorialTopic::DeleteKeyWords;
    if (m_specialFeaturesButton->isChecked())
        return TutorialTopic::SpecialFeatures;
    return TutorialTopic::None;
}

void TutorialWindow::Perform_Step(int steps)
{
    if (steps == 0) {
        Say_Hello();
        return;
    }
    // Past a topic's last step there is no row: the window keeps the previous step.
    if (const TutorialStep *step = findTutorialStep(selectedTopic(), steps))
        performStep(*step);
}

void TutorialWindow::performRow(TutorialTopic topic, int number)
{
    if (const TutorialStep *step = findTutorialStep(topic, number))
        performStep(*step);
}

void TutorialWindow::Say_Hello()
{
    performRow(TutorialTopic::Any, 0);
}
void TutorialWindow::Step1_Add()
{
    performRow(TutorialTopic::AddKeyWords, 1);
}
void TutorialWindow::Step2_Add()
{
    performRow(TutorialTopic::AddKeyWords, 2);
}
void TutorialWindow::Step3_Add()
{
    performRow(TutorialTopic::AddKeyWords, 3);
}
void TutorialWindow::Step1_Delete()
{
    performRow(TutorialTopic::DeleteKeyWords, 1);
}
void TutorialWindow::Exploring_Folders()
{
    performRow(TutorialTopic::SpecialFeatures, 1);
}
void TutorialWindow::Setup_WebBrowser()
{
    performRow(TutorialTopic::SpecialFeatures, 2);
}
void TutorialWindow::QuestionMark()
{
    performRow(TutorialTopic::SpecialFeatures, 3);
}

void TutorialWindow::performStep(const TutorialStep &step)
{
    if (step.highlightsKeyWord)
        highlightKeyWordField();
    m_pibbetText->setPlainText(LoadTextFile(shippedDataPath(step.textFile)));
    m_label1->setText(step.title);
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

void TutorialWindow::NextButton_Click()
{
    m_stepCounter = m_stepCounter.value_or(0) + 1;
    Perform_Step(*m_stepCounter);
}

void TutorialWindow::PreviousButton_Click()
{
    m_stepCounter = std::max(m_stepCounter.value_or(0) - 1, 0);
    Perform_Step(*m_stepCounter);
}

void TutorialWindow::RewindButton_Click()
{
    m_stepCounter = 0;
    Perform_Step(*m_stepCounter);
}

void TutorialWindow::chooseTopic(bool showEditor)
{
    if (showEditor && m_editor.show)
        m_editor.show();
    // The first step waits for Next.
    m_stepCounter = 0;
}

void TutorialWindow::AddKeyWordOption_Click()
{
    chooseTopic(true);
}

void TutorialWindow::DeleteKeyWordOption_Click()
{
    chooseTopic(true);
}

void TutorialWindow::SpecialFeaturesButton_Click()
{
    chooseTopic(false);
}

void TutorialWindow::ExitButton_Click()
{
    close();
}

void TutorialWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit unloaded();
}

} // namespace korvane
