// The tutorial window on the offscreen platform: its step table against the chosen
// topic, the step counter, the narration per step and the keyword editor's field.

#include "fakeplatform.h"
#include "stepbystepinstance.h"

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

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A fresh Application folder holding the shipped texts, a stand-in keyword editor
// and the tutorial's one instance.
struct TutorialFixture
{
    QTemporaryDir home;
    FakePlatform platform;
    QWidget editor;
    QLineEdit *keyWord = new QLineEdit(&editor);
    int editorShown = 0;
    StepByStepInstance tutorial{platform, KeywordEditorLink{}};

    explicit TutorialFixture(bool withTexts = true)
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
        if (withTexts) {
            const QStringList texts = QDir(QStringLiteral(KORVANE_SOURCE_DATA))
                                          .entryList({QStringLiteral("*.txt")}, QDir::Files);
            for (const QString &name : texts)
                QFile::copy(QStringLiteral(KORVANE_SOURCE_DATA "/") + name, home.filePath(name));
        }
        tutorial.setKeywordEditorLink({[this] {
                                           ++editorShown;
                                           editor.show();
                                       },
                                       [this] { return keyWord; }});
    }

    StepByStep &open()
    {
        tutorial.show();
        return tutorial.window();
    }
    QStringList played() const { return platform.player.played; }
    QString wave(const QString &name) const { return home.filePath(name); }
    QString text(const QString &name) const { return fileText(home.filePath(name)); }
};

bool isGreen(const QLineEdit *field)
{
    return field->palette().color(QPalette::Base) == QColor(0, 255, 0);
}

} // namespace

class TestTutorial : public QObject
{
    Q_OBJECT

private slots:
    void openingGreetsCentredWithEmptyCounter();
    void controlsCarryTheirCaptions();
    void stepsFollowTheChosenTopic_data();
    void stepsFollowTheChosenTopic();
    void counterHasNoUpperLimitAndNeverGoesBelowZero();
    void previousAndRewindReturnToTheGreeting();
    void choosingATopicWaitsForNext();
    void withoutATopicNextShowsNothing();
    void stepsTwoAndThreeTurnTheKeyWordFieldGreen();
    void hiddenEditorTurnsGreenWithoutFocus();
    void textIsShownBeforeTheNarrationStarts();
    void missingFilesGiveEmptyTextAndGoOn();
    void exitDiscardsTheWindowAndCounter();
    void editorHooksGreetAndClose();
};

void TestTutorial::openingGreetsCentredWithEmptyCounter()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("StepByStep"));
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(window.pibbetText()->toPlainText(), fixture.text("pibbethello.txt"));
    QVERIFY(window.pibbetText()->toPlainText().contains(QLatin1String("Pibbet")));
    QCOMPARE(fixture.played(), QStringList{fixture.wave("PibbetHello.Wav")});
    QVERIFY(!window.stepCounter().has_value());
    QCOMPARE(window.selectedTopic(), TutorialTopic::None);

    const QRect screen = window.screen()->geometry();
    QCOMPARE(window.x(), screen.width() / 2 - window.width() / 2);
    QCOMPARE(window.y(), screen.height() / 2 - window.height() / 2);
    QCOMPARE(window.label1()->font().family(), QStringLiteral("Times New Roman"));
    QVERIFY(!window.image1()->pixmap().isNull());

    // A second request only shows it: no second greeting.
    fixture.tutorial.show();
    QCOMPARE(fixture.played().size(), 1);
}

void TestTutorial::controlsCarryTheirCaptions()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    QCOMPARE(window.addKeyWordOption()->text(), QStringLiteral("Adding KeyWords"));
    QCOMPARE(window.deleteKeyWordOption()->text(), QStringLiteral("Deleting KeyWords"));
    QCOMPARE(window.specialFeaturesButton()->text(), QStringLiteral("Special Features"));
    QCOMPARE(window.nextButton()->text(), QStringLiteral("&Next >>"));
    QCOMPARE(window.previousButton()->text(), QStringLiteral("<< &Previous"));
    QCOMPARE(window.rewindButton()->text(), QStringLiteral("<<< &Rewind"));
    QCOMPARE(window.exitButton()->text(), QStringLiteral("&Exit"));

    // The three topics form one group.
    QTest::mouseClick(window.addKeyWordOption(), Qt::LeftButton);
    QTest::mouseClick(window.specialFeaturesButton(), Qt::LeftButton);
    QVERIFY(!window.addKeyWordOption()->isChecked());
    QCOMPARE(window.selectedTopic(), TutorialTopic::SpecialFeatures);
}

void TestTutorial::stepsFollowTheChosenTopic_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("waves");

    QTest::newRow("adding") << QStringLiteral("AddKeyWordOption")
                            << QStringList{"Step 1: Adding a KeyWord", "Step 2: Adding a KeyWord",
                                           "Step 3: Adding a KeyWord"}
                            << QStringList{"Step1_Add.txt", "Step2_Add.txt", "Step3_Add.txt"}
                            << QStringList{"step1_add.Wav", "step2_add.Wav", "step3_add.Wav"};
    QTest::newRow("deleting") << QStringLiteral("DeleteKeyWordOption")
                              << QStringList{"Step 1: Deleting a KeyWord"}
                              << QStringList{"Step1_delete.txt"} << QStringList{"step1_delete.Wav"};
    QTest::newRow("special") << QStringLiteral("SpecialFeaturesButton")
                             << QStringList{"Exploring Your Folders", "Setting Up Your Web Browser",
                                            "Question Mark after KeyWord"}
                             << QStringList{"Exploring_Folders.txt", "Setup_WebBrowser.txt",
                                            "QuestionMark.txt"}
                             << QStringList{"Exploring_Folders.Wav", "Setup_Browser.Wav",
                                            "QuestionMark.Wav"};
}

void TestTutorial::stepsFollowTheChosenTopic()
{
    QFETCH(QString, topic);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, waves);

    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    QTest::mouseClick(window.findChild<QRadioButton *>(topic), Qt::LeftButton);

    QStringList expectedWaves{fixture.wave("PibbetHello.Wav")};
    for (int i = 0; i < titles.size(); ++i) {
        QTest::mouseClick(window.nextButton(), Qt::LeftButton);
        QCOMPARE(window.stepCounter().value_or(-1), i + 1);
        QCOMPARE(window.label1()->text(), titles[i]);
        QVERIFY(!fixture.text(texts[i]).isEmpty());
        QCOMPARE(window.pibbetText()->toPlainText(), fixture.text(texts[i]));
        expectedWaves.append(fixture.wave(waves[i]));
        QCOMPARE(fixture.played(), expectedWaves); // one new prompt per step
    }
    // Walking back shows each step again, down to the greeting.
    for (int i = titles.size() - 2; i >= 0; --i) {
        QTest::mouseClick(window.previousButton(), Qt::LeftButton);
        QCOMPARE(window.label1()->text(), titles[i]);
        QCOMPARE(fixture.played().constLast(), fixture.wave(waves[i]));
    }
    QTest::mouseClick(window.previousButton(), Qt::LeftButton);
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(window.stepCounter().value_or(-1), 0);
}

void TestTutorial::counterHasNoUpperLimitAndNeverGoesBelowZero()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    QTest::mouseClick(window.deleteKeyWordOption(), Qt::LeftButton);
    window.NextButton_Click();
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 1: Deleting a KeyWord"));
    const int prompts = fixture.played().size();

    // Past the last step the counter climbs and nothing changes on screen.
    for (int i = 0; i < 4; ++i)
        window.NextButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 5);
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 1: Deleting a KeyWord"));
    QCOMPARE(fixture.played().size(), prompts);

    // Previous counts back down through those values before step 1 shows again.
    for (int i = 0; i < 3; ++i)
        window.PreviousButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 2);
    QCOMPARE(fixture.played().size(), prompts);
    window.PreviousButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 1);
    QCOMPARE(fixture.played().size(), prompts + 1);
    QCOMPARE(fixture.played().constLast(), fixture.wave("step1_delete.Wav"));
}

void TestTutorial::previousAndRewindReturnToTheGreeting()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    // Right after opening the counter is empty: minus one is below 0, so 0.
    QTest::mouseClick(window.previousButton(), Qt::LeftButton);
    QCOMPARE(window.stepCounter().value_or(-1), 0);
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    window.PreviousButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 0);
    QCOMPARE(fixture.played(), QStringList(3, fixture.wave("PibbetHello.Wav")));

    QTest::mouseClick(window.addKeyWordOption(), Qt::LeftButton);
    window.NextButton_Click();
    window.NextButton_Click();
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 2: Adding a KeyWord"));
    QTest::mouseClick(window.rewindButton(), Qt::LeftButton);
    QCOMPARE(window.stepCounter().value_or(-1), 0);
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(window.pibbetText()->toPlainText(), fixture.text("pibbethello.txt"));
    QCOMPARE(fixture.played().constLast(), fixture.wave("PibbetHello.Wav"));
}

void TestTutorial::choosingATopicWaitsForNext()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    QTest::mouseClick(window.specialFeaturesButton(), Qt::LeftButton);
    window.NextButton_Click();
    window.NextButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 2);

    // Adding and Deleting show the keyword editor and reset the counter; no step runs.
    QTest::mouseClick(window.addKeyWordOption(), Qt::LeftButton);
    QCOMPARE(fixture.editorShown, 1);
    QVERIFY(fixture.editor.isVisible());
    QCOMPARE(window.stepCounter().value_or(-1), 0);
    QCOMPARE(window.label1()->text(), QStringLiteral("Setting Up Your Web Browser"));
    const int prompts = fixture.played().size();
    QTest::mouseClick(window.deleteKeyWordOption(), Qt::LeftButton);
    QCOMPARE(fixture.editorShown, 2);
    QCOMPARE(fixture.played().size(), prompts);

    // Special Features resets the counter without the editor.
    window.NextButton_Click();
    QTest::mouseClick(window.specialFeaturesButton(), Qt::LeftButton);
    QCOMPARE(window.stepCounter().value_or(-1), 0);
    QCOMPARE(fixture.editorShown, 2);
    window.NextButton_Click();
    QCOMPARE(window.label1()->text(), QStringLiteral("Exploring Your Folders"));
}

void TestTutorial::withoutATopicNextShowsNothing()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    window.NextButton_Click();
    window.NextButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 2);
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(fixture.played().size(), 1);
    QCOMPARE(fixture.editorShown, 0);
}

void TestTutorial::stepsTwoAndThreeTurnTheKeyWordFieldGreen()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    QTest::mouseClick(window.addKeyWordOption(), Qt::LeftButton);
    QVERIFY(fixture.editor.isVisible());
    QWidget other(&fixture.editor);
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.setFocus();

    window.NextButton_Click();
    QVERIFY(!isGreen(fixture.keyWord));
    QCOMPARE(fixture.editor.focusWidget(), &other);

    window.NextButton_Click();
    QVERIFY(isGreen(fixture.keyWord));
    QCOMPARE(fixture.editor.focusWidget(), fixture.keyWord);

    other.setFocus();
    window.NextButton_Click();
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 3: Adding a KeyWord"));
    QCOMPARE(fixture.editor.focusWidget(), fixture.keyWord);

    // The colour stays: the tutorial never resets it.
    window.RewindButton_Click();
    QVERIFY(isGreen(fixture.keyWord));
}

void TestTutorial::hiddenEditorTurnsGreenWithoutFocus()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    window.addKeyWordOption()->setChecked(true); // chosen without showing the editor
    window.Step2_Add();
    QVERIFY(!fixture.editor.isVisible());
    QVERIFY(isGreen(fixture.keyWord));
    QVERIFY(!fixture.keyWord->hasFocus());
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 2: Adding a KeyWord"));
    QCOMPARE(fixture.played().constLast(), fixture.wave("step2_add.Wav"));
}

void TestTutorial::textIsShownBeforeTheNarrationStarts()
{
    TutorialFixture fixture;
    StepByStep &window = fixture.open();
    QCOMPARE(fixture.platform.loop.doEventsCalls, 0); // the greeting does not yield

    QString textWhileYielding;
    int promptsWhileYielding = -1;
    fixture.platform.loop.onYield = [&] {
        textWhileYielding = window.label1()->text();
        promptsWhileYielding = int(fixture.played().size());
    };
    QTest::mouseClick(window.specialFeaturesButton(), Qt::LeftButton);
    window.NextButton_Click();
    QCOMPARE(fixture.platform.loop.doEventsCalls, 1);
    QCOMPARE(textWhileYielding, QStringLiteral("Exploring Your Folders"));
    QCOMPARE(promptsWhileYielding, 1);
    QCOMPARE(fixture.played().size(), 2);

    // A click during the yield that closes the tutorial ends the step silently.
    fixture.platform.loop.onYield = [&] { window.ExitButton_Click(); };
    window.NextButton_Click();
    QCOMPARE(fixture.played().size(), 2);
    QVERIFY(!fixture.tutorial.isLoaded());
}

void TestTutorial::missingFilesGiveEmptyTextAndGoOn()
{
    TutorialFixture fixture(false);
    StepByStep &window = fixture.open();
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    QVERIFY(window.pibbetText()->toPlainText().isEmpty());
    QTest::mouseClick(window.addKeyWordOption(), Qt::LeftButton);
    window.NextButton_Click();
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 1: Adding a KeyWord"));
    QVERIFY(window.pibbetText()->toPlainText().isEmpty());
    QCOMPARE(fixture.played().constLast(), fixture.wave("step1_add.Wav"));

    // Data files are found whatever their letter case on disk.
    QFile::copy(QStringLiteral(KORVANE_SOURCE_DATA "/Step2_Add.txt"),
                fixture.home.filePath("STEP2_ADD.TXT"));
    window.NextButton_Click();
    QCOMPARE(window.pibbetText()->toPlainText(),
             fileText(QStringLiteral(KORVANE_SOURCE_DATA "/Step2_Add.txt")));
}

void TestTutorial::exitDiscardsTheWindowAndCounter()
{
    TutorialFixture fixture;
    StepByStep *window = &fixture.open();
    QTest::mouseClick(window->addKeyWordOption(), Qt::LeftButton);
    window->NextButton_Click();
    QPointer<StepByStep> first(window);
    QTest::mouseClick(window->exitButton(), Qt::LeftButton);
    QVERIFY(!fixture.tutorial.isLoaded());
    QVERIFY(!first->isVisible());
    QTRY_VERIFY(first.isNull()); // deleted once back in the event loop

    // The next opening starts again: greeting, empty counter, no topic.
    StepByStep &again = fixture.open();
    QVERIFY(!again.stepCounter().has_value());
    QCOMPARE(again.label1()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(again.selectedTopic(), TutorialTopic::None);
    QCOMPARE(fixture.played().constLast(), fixture.wave("PibbetHello.Wav"));
}

void TestTutorial::editorHooksGreetAndClose()
{
    TutorialFixture fixture;
    // The editor's face and Help menu: show, then Say_Hello. Loading greets too,
    // so the greeting runs twice; the second narration replaces the first.
    fixture.tutorial.show();
    fixture.tutorial.sayHello();
    QCOMPARE(fixture.played(), QStringList(2, fixture.wave("PibbetHello.Wav")));
    QVERIFY(fixture.tutorial.window().isVisible());

    fixture.tutorial.unload();
    QVERIFY(!fixture.tutorial.isLoaded());
    fixture.tutorial.unload(); // nothing to close: no effect

    // The pop-up menu's first entry alone loads and greets.
    fixture.tutorial.sayHello();
    QVERIFY(fixture.tutorial.isLoaded());
    QCOMPARE(fixture.played().size(), 4);
}

QTEST_MAIN(TestTutorial)
#include "test_tutorial.moc"
