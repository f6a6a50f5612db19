// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"

#include "appfolder.h"
#include "pictures.h"
#include "platform.h"
#include "presentationsurface.h"
#include "screencentre.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTime>

namespace korvane {

namespace {

constexpr QSize kWindowSize(680, 400);
constexpr QRect kPictureArea(308, 12, 64, 64);
constexpr QRect kTitleArea(16, 88, 648, 100);
constexpr QRect kDetailArea(16, 200, 648, 120);
constexpr QRect kButtonArea(280, 344, 120, 36);

constexpr int kTitleFrames = 21; // font sizes 10 to 30
constexpr int kTitleFirstSize = 10;
constexpr qreal kDetailSize = 14;
constexpr int kSlideFrames = 24;
constexpr int kGrowFrames = 20;
constexpr qreal kGrowBy = 8;
constexpr int kDissolveFrames = 30;
constexpr int kDissolvePointsPerFrame = 60;
constexpr int kCurtainFrames = 12;
constexpr int kTwinkleEvery = 50;
constexpr int kFlashRadius = 10;

const QColor kCyan(0, 255, 255);
const QColor kYellow(255, 255, 0);

bool isBlack(QRgb pixel)
{
    return (pixel & RGB_MASK) == 0;
}

QVersionNumber programVersion()
{
    return QVersionNumber::fromString(QStringLiteral(KORVANE_VERSION));
}

} // namespace

AboutWindow::AboutWindow(Platform &platform, PresentationClock clock, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_platform(platform)
    , m_clock(clock)
    , m_random(quint32(QTime::currentTime().msecsSinceStartOfDay()))
{
    setWindowTitle(kAboutTitle);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(kWindowSize);
    buildControls();
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AboutWindow::advanceFrame);
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::buildControls()
{
    m_pictureLabel = new QLabel(this);
    m_pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
    m_pictureLabel->setGeometry(kPictureArea);
    m_pictureLabel->setAlignment(Qt::AlignCenter);
    m_pictureLabel->setPixmap(
        picturePixmap(kKorvaneEmblemPicture, kPictureArea.size(), devicePixelRatioF()));

    m_titleSurface = new PresentationSurface(this);
    m_titleSurface->setObjectName(QStringLiteral("titleSurface"));
    m_titleSurface->setGeometry(kTitleArea);
    m_detailSurface = new PresentationSurface(this);
    m_detailSurface->setObjectName(QStringLiteral("detailSurface"));
    m_detailSurface->setGeometry(kDetailArea);

    m_presentationButton = new QPushButton(kSettingUpCaption, this);
    m_presentationButton->setObjectName(QStringLiteral("presentationButton"));
    m_presentationButton->setGeometry(kButtonArea);
    connect(m_presentationButton, &QPushButton::clicked, this,
            &AboutWindow::onPresentationButtonClicked);
}

void AboutWindow::setPhase(Phase phase)
{
    m_phase = phase;
    switch (phase) {
    case Phase::Loading:
    case Phase::OpeningPause:
    case Phase::StopRequested:
        m_presentationButton->setText(kSettingUpCaption);
        break;
    case Phase::Presenting:
        m_presentationButton->setText(kOkCaption);
        break;
    case Phase::Closing:
    case Phase::Done:
        m_presentationButton->setText(kExitingCaption);
        break;
    }
}

void AboutWindow::present()
{
    centreOnScreen(*this);
    show();
    m_platform.events().doEvents();
    m_presentation = fillPresentationList(programVersion());
    show();
    queuePause(1.0);
    setPhase(Phase::OpeningPause);
    m_timer.start(m_clock.frameMs);
}

void AboutWindow::onPresentationButtonClicked()
{
    switch (m_phase) {
    case Phase::OpeningPause:
        startPresentation();
        break;
    case Phase::Presenting:
        // The presentation notices this at its next frame and ends.
        setPhase(Phase::StopRequested);
        break;
    case Phase::StopRequested:
        // Pressed again before that frame came: the presentation goes on.
        setPhase(Phase::Presenting);
        break;
    case Phase::Loading:
    case Phase::Closing:
    case Phase::Done:
        break;
    }
}

void AboutWindow::startPresentation()
{
    setPhase(Phase::Presenting);
    m_frames.clear(); // the rest of the opening pause
    m_nextEntry = 0;
}

void AboutWindow::advanceFrame()
{
    removeFlash();
    switch (m_phase) {
    case Phase::Loading:
    case Phase::Done:
        return;
    case Phase::OpeningPause:
        if (!m_frames.empty())
            break;
        startPresentation();
        [[fallthrough]];
    case Phase::Presenting:
        if (m_frames.empty() && !queueNextEntry())
            finishPresentation();
        break;
    case Phase::StopRequested:
        finishPresentation();
        break;
    case Phase::Closing:
        break;
    }

    if (!m_frames.empty()) {
        const Frame frame = std::move(m_frames.front());
        m_frames.pop_front();
        frame();
        ++m_framesRun;
    }
    if (m_phase == Phase::OpeningPause || m_phase == Phase::Presenting) {
        flash();
        twinkle();
    }
}

bool AboutWindow::queueNextEntry()
{
    while (m_nextEntry < kPresentationEntries) {
        const QString title = m_presentation.titles.value(m_nextEntry).trimmed();
        const QString detail = m_presentation.details.value(m_nextEntry).trimmed();
        ++m_nextEntry;
        if (!title.isEmpty())
            queueTitle(title);
        if (detail.contains(QLatin1String("bmp")))
            queuePicture(detail);
        else if (!detail.isEmpty())
            queueDetail(detail);
        if (!m_frames.empty())
            return true;
    }
    return false;
}

void AboutWindow::queueTitle(const QString &title)
{
    // The title grows downwards from size 10 to 30, leaving a trail, then stands in yellow.
    for (int k = 0; k < kTitleFrames; ++k) {
        m_frames.emplace_back([this, title, k] {
            if (k == 0)
                m_titleSurface->clear();
            m_titleSurface->print(title, QPoint(0, k), kTitleFirstSize + k, Qt::white);
        });
    }
    m_frames.emplace_back([this, title] {
        m_titleSurface->clear();
        m_titleSurface->print(title, QPoint(0, kTitleFrames - 1),
                              kTitleFirstSize + kTitleFrames - 1, kYellow);
    });
    queuePause(0.8);
}

void AboutWindow::queueDetail(const QString &detail)
{
    auto centredLeft = [this, detail](qreal size) {
        return (m_detailSurface->width() - m_detailSurface->textSize(detail, size).width()) / 2;
    };
    auto centredTop = [this, detail](qreal size) {
        return (m_detailSurface->height() - m_detailSurface->textSize(detail, size).height()) / 2;
    };

    // Slides in from the right, in cyan.
    for (int i = 1; i <= kSlideFrames; ++i) {
        m_frames.emplace_back([this, detail, i, centredLeft, centredTop] {
            const int target = centredLeft(kDetailSize);
            const int x =
                m_detailSurface->width() - (m_detailSurface->width() - target) * i / kSlideFrames;
            m_detailSurface->clear();
            m_detailSurface->print(detail, QPoint(x, centredTop(kDetailSize)), kDetailSize, kCyan);
        });
    }
    queuePause(0.4);

    // Grows while its colour turns from cyan through blue to magenta.
    for (int i = 1; i <= kGrowFrames; ++i) {
        m_frames.emplace_back([this, detail, i, centredLeft, centredTop] {
            const qreal size = kDetailSize + kGrowBy * i / kGrowFrames;
            const QColor colour = QColor::fromHsv(180 + 120 * i / kGrowFrames, 255, 255);
            m_detailSurface->clear();
            m_detailSurface->print(detail, QPoint(centredLeft(size), centredTop(size)), size,
                                   colour);
        });
    }
    queuePause(1.0);

    // Dissolves under black points scattered over it.
    m_frames.emplace_back(
        [this] { m_random.seed(quint32(QTime::currentTime().msecsSinceStartOfDay())); });
    for (int i = 0; i < kDissolveFrames; ++i) {
        m_frames.emplace_back([this, detail, centredLeft, centredTop] {
            const qreal size = kDetailSize + kGrowBy;
            const QRect area(QPoint(centredLeft(size), centredTop(size)),
                             m_detailSurface->textSize(detail, size));
            m_detailSurface->scatterBlackPoints(area, kDissolvePointsPerFrame, m_random);
        });
    }
    queuePause(0.3);
    m_frames.emplace_back([this] { m_detailSurface->clear(); });
}

void AboutWindow::queuePicture(const QString &detail)
{
    m_frames.emplace_back([this, detail] {
        const QPixmap picture(shippedDataPath(detail));
        if (!picture.isNull())
            m_pictureLabel->setPixmap(picture.scaled(m_pictureLabel->size(), Qt::KeepAspectRatio,
                                                     Qt::SmoothTransformation));
    });
    queuePause(1.0);
}

void AboutWindow::queuePause(double seconds)
{
    const double frames = seconds * 1000.0 * m_clock.pauseScale / std::max(m_clock.frameMs, 1);
    for (int i = std::max(1, qRound(frames)); i > 0; --i)
        m_frames.emplace_back([] {});
}

void AboutWindow::finishPresentation()
{
    setPhase(Phase::Closing);
    m_frames.clear();
    // The closing effect: a black curtain closes over the window from top and bottom.
    for (int i = 1; i <= kCurtainFrames; ++i) {
        m_frames.emplace_back([this, i] {
            for (PresentationSurface *surface : {m_detailSurface, m_titleSurface})
                surface->closeCurtain(surface->height() * i / (2 * kCurtainFrames) + 1);
            m_titleSurface->update();
        });
    }
    m_frames.emplace_back([this] {
        m_phase = Phase::Done;
        m_timer.stop();
        close();
    });
}

void AboutWindow::invertOnBackground(const std::function<void(QPainter &)> &draw)
{
    if (m_background.size() != size()) {
        m_background = QImage(size(), QImage::Format_RGB32);
        m_background.fill(Qt::black);
    }
    QPainter painter(&m_background);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    draw(painter);
}

void AboutWindow::twinkle()
{
    if (++m_twinkleCalls % kTwinkleEvery != 0)
        return;
    const QPoint point(m_random.bounded(width()), m_random.bounded(height()));
    if (!m_background.isNull() && !isBlack(m_background.pixel(point)))
        return;
    invertOnBackground([point](QPainter &painter) {
        painter.setPen(QPen(Qt::white, 1));
        painter.drawPoint(point);
    });
    update(QRect(point, QSize(1, 1)));
}

void AboutWindow::flash()
{
    const QPoint point(m_random.bounded(width()), m_random.bounded(height()));
    if (!m_background.isNull() && !isBlack(m_background.pixel(point)))
        return;
    invertOnBackground([point](QPainter &painter) {
        painter.setPen(QPen(Qt::white, 3));
        painter.drawEllipse(point, kFlashRadius, kFlashRadius);
    });
    m_flashCentre = point;
    update(QRect(point, QSize())
               .adjusted(-kFlashRadius - 2, -kFlashRadius - 2, kFlashRadius + 2, kFlashRadius + 2));
}

void AboutWindow::removeFlash()
{
    // Drawing the same inverted circle again restores the background under it.
    if (!m_flashCentre)
        return;
    const QPoint point = *m_flashCentre;
    m_flashCentre.reset();
    invertOnBackground([point](QPainter &painter) {
        painter.setPen(QPen(Qt::white, 3));
        painter.drawEllipse(point, kFlashRadius, kFlashRadius);
    });
    update(QRect(point, QSize())
               .adjusted(-kFlashRadius - 2, -kFlashRadius - 2, kFlashRadius + 2, kFlashRadius + 2));
}

void AboutWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (m_background.size() != size())
        painter.fillRect(event->rect(), Qt::black);
    else
        painter.drawImage(event->rect(), m_background, event->rect());
}

void AboutWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    const bool running = m_phase != Phase::Loading && m_phase != Phase::Done;
    if (running && !m_timer.isActive())
        m_timer.start(m_clock.frameMs);
}

void AboutWindow::hideEvent(QHideEvent *event)
{
    // Nothing is drawn while the window is hidden or minimised.
    m_timer.stop();
    QWidget::hideEvent(event);
}

void AboutWindow::closeEvent(QCloseEvent *event)
{
    m_timer.stop();
    m_phase = Phase::Done;
    event->accept();
    emit closed();
}

} // namespace korvane
