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
    void Form_Load();
    // "Setting Up" starts the presentation; "OK" asks it to end at the next frame.
    void Command1_Click();

    // Runs one frame now, as the timer does.
    void advanceFrame();

    const PresentationList &presentation() const { return m_presentation; }
    bool isAnimating() const { return m_timer.isActive(); }
    int framesRun() const { return m_framesRun; }
    QPushButton *command1() const { return m_command1; }
    PresentationSurface *picture1() const { return m_picture1; }
    PresentationSurface *picture2() const { return m_picture2; }
    QLabel *image1() const { return m_image1; }
    QImage background() const { return m_background; }

signals:
    // The window closed and is to be discarded.
    void unloaded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Phase { Loading, SettingUp, Presenting, Closing, Done };
    using Frame = std::function<void()>;

    void buildControls();
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

    PresentationSurface *m_picture1 = nullptr;
    PresentationSurface *m_picture2 = nullptr;
    QPushButton *m_command1 = nullptr;
    QLabel *m_image1 = nullptr;
};

} // namespace korvane
