// The About window on the offscreen platform: its presentation list, the title
// and detail animations stepped frame by frame, the button's states, and the
// timer that drives it all.

#include "abouthost.h"
#include "fakeplatform.h"
#include "presentationsurface.h"

#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace korvane;

namespace {

// A frame that never comes by itself: the test steps the presentation by hand.
constexpr PresentationClock kSteppedClock{3600 * 1000, 0.0};
// A presentation that runs in a second or two.
constexpr PresentationClock kFastClock{1, 0.02};

int countPixels(const QImage &image, const std::function<bool(QColor)> &match)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += match(image.pixelColor(x, y));
    return count;
}

bool isLit(QColor c)
{
    return c.red() + c.green() + c.blue() > 0;
}

struct AboutFixture
{
    QTemporaryDir home;
    FakePlatform platform;

    AboutFixture()
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
    }
};

// An About window, loaded, in a fresh Application folder.
struct LoadedAbout : AboutFixture
{
    AboutWindow about;

    explicit LoadedAbout(PresentationClock clock = kSteppedClock)
        : about(platform, clock)
    {
        about.Form_Load();
    }
};

// Steps until `done` holds; fails after `limit` frames.
bool stepUntil(AboutWindow &about, const std::function<bool()> &done, int limit = 2000)
{
    for (int i = 0; i < limit; ++i) {
        if (done())
            return true;
        about.advanceFrame();
    }
    return done();
}

bool printsContain(const PresentationSurface *surface, const QString &text)
{
    const QList<PresentationSurface::Print> &prints = surface->prints();
    return std::any_of(prints.begin(), prints.end(),
                       [&text](const PresentationSurface::Print &p) { return p.text == text; });
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void openingWaitsThenTitleGrowsAndEndsYellow();
    void detailMovesRecoloursAndDissolves();
    void buttonEndsThePresentationAtTheNextFrame();
    void presentationRunsToTheEndAndCloses();
    void timerStopsWhenHiddenAndResumesWhenShown();
    void twinkleAndFlashDrawOnTheBackground();
    void secondRequestOnlyRaises();
};

void TestAbout::openingWaitsThenTitleGrowsAndEndsYellow()
{
    LoadedAbout fixture;
    AboutWindow &about = fixture.about;
    QVERIFY(about.isVisible());
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    const QRect screen = about.screen()->geometry();
    QCOMPARE(about.x(), screen.width() / 2 - about.width() / 2);
    QCOMPARE(about.y(), screen.height() / 2 - about.height() / 2);
    QCOMPARE(fixture.platform.loop.doEventsCalls, 1);
    // The version line shows major and revision.
    QCOMPARE(versionLine(QVersionNumber(2, 7, 31)), QStringLiteral("Version 2.31"));
    const QVersionNumber built = QVersionNumber::fromString(QStringLiteral(KORVANE_TEST_VERSION));
    QCOMPARE(about.presentation().titles[2].trimmed(),
             QStringLiteral("Version %1.%2").arg(built.majorVersion()).arg(built.microVersion()));

    about.advanceFrame(); // the opening pause
    QCOMPARE(about.command1()->text(), QStringLiteral("Setting Up"));
    QVERIFY(about.picture2()->prints().isEmpty());
    // Each frame prints the title over the last, a point larger and a pixel lower.
    for (int k = 0; k <= 20; ++k) {
        about.advanceFrame();
        const QList<PresentationSurface::Print> &prints = about.picture2()->prints();
        QCOMPARE(prints.size(), k + 1);
        QCOMPARE(prints.last().text, QStringLiteral("Presenting"));
        QCOMPARE(prints.last().pointSize, qreal(10 + k));
        QCOMPARE(prints.last().topLeft, QPoint(0, k));
        QCOMPARE(prints.last().colour, QColor(Qt::white));
        QCOMPARE(about.command1()->text(), QStringLiteral("OK"));
    }

    about.advanceFrame();
    const QList<PresentationSurface::Print> &prints = about.picture2()->prints();
    QCOMPARE(prints.size(), 1);
    QCOMPARE(prints.last().pointSize, qreal(30));
    QCOMPARE(prints.last().colour, QColor(255, 255, 0));
    QVERIFY(countPixels(about.picture2()->image(), [](QColor c) {
                return c.red() > 200 && c.green() > 200 && c.blue() < 80;
            }) > 100);

    // Titles without a detail line leave Picture1 alone; the next title follows.
    QVERIFY(stepUntil(about, [&] { return printsContain(about.picture2(), "Korvane"); }));
    QVERIFY(about.picture1()->prints().isEmpty());
}

void TestAbout::detailMovesRecoloursAndDissolves()
{
    LoadedAbout fixture;
    AboutWindow &about = fixture.about;
    const QString detail = about.presentation().details[3].trimmed();
    QVERIFY(!detail.isEmpty());

    QVERIFY(stepUntil(about, [&] { return printsContain(about.picture1(), detail); }));
    // Slides in from the right, in cyan.
    QList<int> lefts;
    while (about.picture1()->prints().constLast().colour == QColor(0, 255, 255)) {
        lefts.append(about.picture1()->prints().constLast().topLeft.x());
        about.advanceFrame();
    }
    QVERIFY(lefts.size() > 5);
    QVERIFY(std::is_sorted(lefts.rbegin(), lefts.rend()));
    QVERIFY(lefts.first() > lefts.last());

    // Grows to 22 points, then dissolves: the lit pixels only ever get fewer, until the surface is
    // cleared.
    QVERIFY(stepUntil(about, [&] {
        return about.picture1()->prints().constLast().pointSize == 22 &&
               about.picture1()->prints().size() == 1 &&
               countPixels(about.picture1()->image(), isLit) > 0;
    }));
    QVERIFY(about.picture1()->prints().constLast().colour != QColor(0, 255, 255));
    int lit = countPixels(about.picture1()->image(), isLit);
    const int fullyLit = lit;
    while (!about.picture1()->prints().isEmpty()) {
        about.advanceFrame();
        const int now = countPixels(about.picture1()->image(), isLit);
        QVERIFY(now <= lit);
        lit = now;
    }
    QVERIFY(fullyLit > 200);
    QCOMPARE(lit, 0);
}

void TestAbout::buttonEndsThePresentationAtTheNextFrame()
{
    LoadedAbout fixture;
    AboutWindow &about = fixture.about;
    QSignalSpy unloaded(&about, &AboutWindow::unloaded);
    about.advanceFrame();
    about.advanceFrame();
    QTest::mouseClick(about.command1(), Qt::LeftButton);
    QCOMPARE(about.command1()->text(), QStringLiteral("Setting Up"));
    const int printsBefore = int(about.picture2()->prints().size());
    about.advanceFrame();
    QCOMPARE(about.command1()->text(), QStringLiteral("Exiting"));
    QCOMPARE(about.picture2()->prints().size(), printsBefore); // no further title frame
    QTest::mouseClick(about.command1(), Qt::LeftButton);       // no effect while exiting
    QCOMPARE(about.command1()->text(), QStringLiteral("Exiting"));

    QVERIFY(stepUntil(
        about, [&] { return !unloaded.isEmpty(); }, 50));
    QVERIFY(!about.isVisible());
    QVERIFY(!about.isAnimating());
}

void TestAbout::presentationRunsToTheEndAndCloses()
{
    LoadedAbout fixture(kFastClock);
    AboutWindow &about = fixture.about;
    QSignalSpy unloaded(&about, &AboutWindow::unloaded);
    QStringList titles;
    QTimer probe;
    connect(&probe, &QTimer::timeout, &about, [&] {
        const QList<PresentationSurface::Print> &prints = about.picture2()->prints();
        if (!prints.isEmpty() && (titles.isEmpty() || titles.constLast() != prints.last().text))
            titles.append(prints.last().text);
    });
    probe.start(0);
    QTRY_VERIFY_WITH_TIMEOUT(!unloaded.isEmpty(), 30000);
    QVERIFY(!about.isAnimating());
    QVERIFY(!about.isVisible());
    QCOMPARE(titles.mid(0, 2), (QStringList{"Presenting", "Korvane"}));
    QCOMPARE(titles.constLast(), QStringLiteral("Thank You For Using the Korvane"));
}

void TestAbout::timerStopsWhenHiddenAndResumesWhenShown()
{
    LoadedAbout fixture(kFastClock);
    AboutWindow &about = fixture.about;
    QTRY_VERIFY(about.framesRun() > 3);

    about.hide();
    QVERIFY(!about.isAnimating());
    const int frames = about.framesRun();
    QTest::qWait(50);
    QCOMPARE(about.framesRun(), frames);

    about.show();
    QVERIFY(about.isAnimating());
    QTRY_VERIFY(about.framesRun() > frames);

    about.close();
    QVERIFY(!about.isAnimating());
    about.show();
    QVERIFY(!about.isAnimating()); // a closed presentation does not start again
}

void TestAbout::twinkleAndFlashDrawOnTheBackground()
{
    LoadedAbout fixture;
    AboutWindow &about = fixture.about;
    about.advanceFrame();
    QVERIFY(countPixels(about.background(), isLit) > 60); // a ring of radius 10, three pixels wide

    for (int i = 0; i < 200; ++i)
        about.advanceFrame();
    // Each flash is gone a frame later; twinkles (every 50th frame) stay as points.
    QTest::mouseClick(about.command1(), Qt::LeftButton);
    about.advanceFrame();
    const int remaining = countPixels(about.background(), isLit);
    QVERIFY2(remaining >= 1 && remaining <= 5, qPrintable(QString::number(remaining)));
}

void TestAbout::secondRequestOnlyRaises()
{
    AboutFixture fixture;
    AboutHost instance(fixture.platform, kSteppedClock);
    instance.show();
    QPointer<AboutWindow> first(instance.window());
    first->advanceFrame();
    first->advanceFrame();
    instance.show();
    QCOMPARE(instance.window(), first);
    QCOMPARE(first->command1()->text(), QStringLiteral("OK"));

    first->close();
    QVERIFY(!instance.isLoaded());
    QTRY_VERIFY(first.isNull());
    instance.show();
    QVERIFY(instance.window());
    QCOMPARE(instance.window()->command1()->text(), QStringLiteral("Setting Up"));
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
