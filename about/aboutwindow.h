// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The About window: a self-running presentation of Korvane's name, version and
// acknowledgements, drawn frame by frame from a timer. It closes itself at the
// end, or at the next frame after its button is pressed.

#include "presentationlist.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace korvane {

class Platform;
class PresentationSurface;

inline const QString kAboutTitle = QStringLiteral("About");
inline const QString kSettingUpCaption = QStringLiteral("Setting Up");
inline const QString kOkCaption = QStringLiteral("OK");
inline const QString kExitingCaption = QStringLiteral("Exiting");

// The presentation's pace: one frame every `frameMs`; pauses last their seconds
// times `pauseScale`. Tests run it fast, or step it by hand with a long frame.
struct PresentationClock
{
    int frameMs = 33;
    double pauseScale = 1.0;
};

class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(Platform &platform, PresentationClock clock = {},
                         QWidget *parent = nullptr);
    ~AboutWindow() override;

    // Centres and shows the window, fills the presentation, and starts it after a
    // one-second pause.
    void present();
    // Runs one frame now, as the timer does.
    void advanceFrame();

    const PresentationList &presentation() const { return m_presentation; }
    bool isAnimating() const { return m_timer.isActive(); }
    int framesRun() const { return m_framesRun; }
    // Starts the presentation during the opening pause, and ends it once it runs.
    QPushButton *presentationButton() const { return m_presentationButton; }
    PresentationSurface *titleSurface() const { return m_titleSurface; }
    PresentationSurface *detailSurface() const { return m_detailSurface; }
    QImage background() const { return m_background; }

signals:
    // The window closed and is to be discarded.
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The button's caption shows the phase: "Setting Up" while the opening pause
    // runs and after a stop was asked for, "OK" while presenting, "Exiting" at the end.
    enum class Phase { Loading, OpeningPause, Presenting, StopRequested, Closing, Done };
    using Frame = std::function<void()>;

    void buildControls();
    void setPhase(Phase phase);
    void onPresentationButtonClicked();
    void startPresentation();
    bool queueNextEntry();
    void queueTitle(const QString &title);
    void queueDetail(const QString &detail);
    void queuePicture(const QString &detail);
    void queuePause(double seconds);
    void finishPresentation();
    void twinkle();
    void flash();
    void removeFlash();
    void invertOnBackground(const std::function<void(QPainter &)> &draw);

    Platform &m_platform;
    PresentationClock m_clock;
    PresentationList m_presentation;
    Phase m_phase = Phase::Loading;
    std::deque<Frame> m_frames;
    int m_nextEntry = 0;
    int m_framesRun = 0;
    int m_twinkleCalls = 0;
    std::optional<QPoint> m_flashCentre;
    QRandomGenerator m_random;
    QTimer m_timer;
    QImage m_background;

    PresentationSurface *m_detailSurface = nullptr;
    PresentationSurface *m_titleSurface = nullptr;
    QPushButton *m_presentationButton = nullptr;
    QLabel *m_pictureLabel = nullptr; // the emblem, or a picture an entry names
};

} // namespace korvane
