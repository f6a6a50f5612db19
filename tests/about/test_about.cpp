// SPDX-License-Identifier: GPL-3.0-or-later
// The About window on a real X display, stepped by hand: what it shows and in which
// order (with a screenshot kept as a test artefact), how its button ends it, the
// effects it leaves on the background, and the one window its host keeps.

#include "abouthost.h"
#include "fakeplatform.h"
#include "presentationsurface.h"

#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

namespace {

int countPixels(const QImage &image, const std::function<bool(QColor)> &match)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += match(image.pixelColor(x, y));
    return count;
}

bool isLit(QColor colour)
{
    return colour != Qt::black;
}

QStringList nonBlank(const QStringList &lines)
{
    QStringList kept;
    for (const QString &line : lines)
        if (!line.trimmed().isEmpty())
            kept.append(line.trimmed());
    return kept;
}

struct PresentedAbout
{
    QTemporaryDir home;
    FakePlatform platform;
    // No frame comes by itself, and a pause lasts one frame: the test steps it all.
    AboutHost host{platform, PresentationClock{3600 * 1000, 0.0}};
    AboutWindow *about = nullptr;
    PresentedAbout()
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        host.show();
        about = host.window();
    }
    // Steps until `done` holds, at most `limit` frames.
    bool stepUntil(const std::function<bool()> &done, int limit = 5000)
    {
        for (int i = 0; i < limit && !done(); ++i)
            about->advanceFrame();
        return done();
    }
    QString button() const { return about->presentationButton()->text(); }
    const auto &titles() const { return about->titleSurface()->prints(); }
};

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void presentsEveryEntryInOrderThenCloses();
    void buttonEndsThePresentationAtTheNextFrame();
};

void TestAbout::presentsEveryEntryInOrderThenCloses()
{
    PresentedAbout f;
    const QRect screen = f.about->screen()->geometry();
    QCOMPARE(f.about->pos(), QPoint(screen.width() / 2 - f.about->width() / 2,
                                    screen.height() / 2 - f.about->height() / 2));
    QCOMPARE(f.platform.loop.doEventsCalls, 1);
    QCOMPARE(versionLine(QVersionNumber(2, 7, 31)), QStringLiteral("Version 2.31"));
    const PresentationList &list = f.about->presentation();
    const QVersionNumber version = QVersionNumber::fromString(KORVANE_TEST_VERSION "");
    QCOMPARE(nonBlank(list.titles).mid(0, 3),
             (QStringList{"Presenting", "Korvane", versionLine(version)}));
    QCOMPARE(nonBlank(list.titles).constLast(), QStringLiteral("Thank You For Using the Korvane"));
    QCOMPARE(nonBlank(list.details).constLast(), QStringLiteral("Have A Nice Day!!"));

    f.about->advanceFrame(); // the opening pause
    f.about->advanceFrame();
    QCOMPARE(f.button(), QStringLiteral("OK"));
    // A title grows from size 10 to size 30, and stays alone in yellow.
    QCOMPARE(f.titles().constFirst().pointSize, qreal(10));
    QVERIFY(f.stepUntil([&] { return f.titles().constLast().colour == QColor(Qt::yellow); }));
    QCOMPARE(f.titles().size(), 1);
    QCOMPARE(f.titles().constFirst().pointSize, qreal(30));
    // What the screen shows where the titles go: the yellow title on black.
    QVERIFY(QTest::qWaitForWindowExposed(f.about));
    QTest::qWait(100);
    const QImage shot = f.about->screen()->grabWindow(f.about->winId()).toImage();
    QDir().mkpath(QStringLiteral(KORVANE_ARTIFACTS));
    shot.save(QStringLiteral(KORVANE_ARTIFACTS "/about-presenting.png"));
    const QImage titleArea = shot.copy(f.about->titleSurface()->geometry());
    QVERIFY(countPixels(titleArea, [](QColor c) { return c == Qt::yellow; }) > 100);
    QVERIFY(countPixels(titleArea, [](QColor c) { return !isLit(c); }) > titleArea.width() * 50);

    // Every entry is shown, in order, and then the window closes.
    QStringList shownTitles, shownDetails;
    QVERIFY(f.stepUntil([&] {
        for (auto [surface, shown] : {std::pair{f.about->titleSurface(), &shownTitles},
                                      std::pair{f.about->detailSurface(), &shownDetails}})
            if (!surface->prints().isEmpty() &&
                shown->value(shown->size() - 1) != surface->prints().constLast().text)
                shown->append(surface->prints().constLast().text);
        return !f.host.isOpen();
    }));
    QCOMPARE(shownTitles, nonBlank(list.titles));
    QCOMPARE(shownDetails, nonBlank(list.details));
}

void TestAbout::buttonEndsThePresentationAtTheNextFrame()
{
    PresentedAbout f;
    f.about->advanceFrame();
    // A flash: a ring of radius 10, three pixels wide.
    QVERIFY(countPixels(f.about->background(), isLit) > 60);
    for (int i = 0; i < 200; ++i)
        f.about->advanceFrame();
    f.about->hide(); // nothing is drawn while the window is hidden
    QVERIFY(!f.about->isAnimating());
    f.host.show(); // a second request only brings it to the front
    QCOMPARE(f.host.window(), f.about);
    QVERIFY(f.about->isAnimating());

    QTest::mouseClick(f.about->presentationButton(), Qt::LeftButton);
    QCOMPARE(f.button(), QStringLiteral("Setting Up"));
    const qsizetype printed = f.titles().size();
    f.about->advanceFrame();
    QCOMPARE(f.button(), QStringLiteral("Exiting"));
    QCOMPARE(f.titles().size(), printed);
    QTest::mouseClick(f.about->presentationButton(), Qt::LeftButton);
    QCOMPARE(f.button(), QStringLiteral("Exiting"));
    // Each flash is drawn twice, which removes it; the four twinkles stay as points.
    const int lit = countPixels(f.about->background(), isLit);
    QVERIFY2(lit >= 1 && lit <= 5, qPrintable(QString::number(lit)));
    QVERIFY(f.stepUntil([&] { return !f.host.isOpen(); }, 50)); // closed and discarded
    f.host.show();
    QCOMPARE(f.host.window()->presentationButton()->text(), QStringLiteral("Setting Up"));
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
