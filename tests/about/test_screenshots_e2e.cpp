// Screenshots on a real X display: the About window in mid-presentation and the
// tutorial at a step, saved as test artefacts and checked for what they show.
// The frame-by-frame behaviour is tested offscreen; here it is what the screen shows.

#include "abouthost.h"
#include "fakeplatform.h"
#include "presentationsurface.h"
#include "tutorialhost.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

namespace {

// What the screen shows where `window` is, frame included.
QImage screenshot(QWidget &window, const QString &name)
{
    const QRect frame = window.frameGeometry();
    const QImage shot = window.screen()
                            ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                            .toImage();
    QDir().mkpath(QStringLiteral(KORVANE_ARTIFACTS));
    shot.save(QStringLiteral(KORVANE_ARTIFACTS "/") + name);
    return shot;
}

int countPixels(const QImage &image, const std::function<bool(QColor)> &match)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += match(image.pixelColor(x, y));
    return count;
}

} // namespace

class TestScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void aboutMidPresentation();
    void tutorialAtAStep();

private:
    QTemporaryDir m_home;
    FakePlatform m_platform;
};

void TestScreenshots::initTestCase()
{
    qputenv("KORVANE_HOME", m_home.path().toLocal8Bit());
    QDir::setCurrent(m_home.path());
    const QStringList texts =
        QDir(QStringLiteral(KORVANE_SOURCE_DATA)).entryList({QStringLiteral("*.txt")}, QDir::Files);
    for (const QString &name : texts)
        QVERIFY(QFile::copy(QStringLiteral(KORVANE_SOURCE_DATA "/") + name, m_home.filePath(name)));
}

void TestScreenshots::aboutMidPresentation()
{
    AboutHost about(m_platform);
    about.show();
    AboutWindow *window = about.window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // Into the presentation: the first title stands in yellow.
    QTRY_VERIFY_WITH_TIMEOUT(window->picture2()->prints().size() == 1 &&
                                 window->picture2()->prints().constLast().pointSize == 30,
                             10000);
    QTest::qWait(100);
    const QImage shot = screenshot(*window, QStringLiteral("about-presenting.png"));
    QVERIFY(countPixels(shot, [](QColor c) {
                return c.red() > 200 && c.green() > 200 && c.blue() < 80;
            }) > 100);
    QVERIFY(countPixels(shot, [](QColor c) { return c == Qt::black; }) > shot.width() * 100);

    QTest::mouseClick(window->command1(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!about.isLoaded(), 5000);
}

void TestScreenshots::tutorialAtAStep()
{
    QWidget editor;
    auto *keyWord = new QLineEdit(&editor);
    editor.move(0, 0);
    TutorialHost tutorial(m_platform,
                          {[&editor] { editor.show(); }, [keyWord] { return keyWord; }});
    tutorial.show();
    TutorialWindow &window = tutorial.window();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.topicButton(TutorialTopic::AddKeyWords), Qt::LeftButton);
    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    QCOMPARE(window.titleLabel()->text(), QStringLiteral("Step 2: Adding a KeyWord"));
    window.raise();
    QTest::qWait(300);

    const QImage shot = screenshot(window, QStringLiteral("tutorial-step2.png"));
    // Pibbet is green, and so is the editor's field (seen in its own screenshot).
    QVERIFY(countPixels(shot, [](QColor c) {
                return c.green() > 150 && c.red() < 120 && c.blue() < 150;
            }) > 500);
    const QImage field = screenshot(editor, QStringLiteral("tutorial-keyword-field.png"));
    QVERIFY(countPixels(field, [](QColor c) { return c == QColor(0, 255, 0); }) > 100);
}

QTEST_MAIN(TestScreenshots)
#include "test_screenshots_e2e.moc"
