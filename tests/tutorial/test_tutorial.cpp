// The tutorial window on the offscreen platform: its step table against the chosen
// topic, the step counter, the narration per step, the keyword editor's field (a
// stand-in, then the real editor wired as the program wires it), and the data
// files it ships.

#include "fakeplatform.h"
#include "keywordeditorhost.h"
#include "keywordeditorwindow.h"
#include "maintenance.h"
#include "programwindows.h"
#include "tutorialhost.h"
#include "tutorialsteps.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace korvane;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fileText(const QString &path)
{
    return QString::fromUtf8(readAll(path));
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
    TutorialHost tutorial{platform, KeywordEditorLink{}};

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

    TutorialWindow &open()
    {
        tutorial.show();
        return tutorial.window();
    }
    QStringList played() const { return platform.player.played; }
    QString wave(const QString &name) const { return home.filePath(name); }
    QString text(const QString &name) const { return fileText(home.filePath(name)); }
};

// The tutorial and the real keyword editor, wired as the program wires them.
struct Program
{
    QTemporaryDir home;
    FakePlatform platform;
    const bool inHome = enterHome(home);
    ProgramWindows windows{platform};
    TutorialHost &tutorial = windows.tutorial();
    KeywordEditorHost &keywordEditor = windows.keywordEditor();

    static bool enterHome(const QTemporaryDir &home)
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        return QDir::setCurrent(home.path());
    }

    int greetings() const
    {
        return int(platform.player.played.count(home.filePath("PibbetHello.Wav")));
    }
};

const QColor kGreen(0, 255, 0);

bool isGreen(const QLineEdit *field)
{
    return field->palette().color(QPalette::Base) == kGreen;
}

quint16 le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

} // namespace

class TestTutorial : public QObject
{
    Q_OBJECT

private slots:
    void openingGreetsCentredWithEmptyCounter();
    void stepsFollowTheChosenTopic_data();
    void stepsFollowTheChosenTopic();
    void counterHasNoUpperLimitAndNeverGoesBelowZero();
    void choosingATopicWaitsForNext();
    void textIsShownBeforeTheNarrationAndExitDiscards();
    void missingFilesGiveEmptyTextAndGoOn();
    void keywordEditorOpensAndClosesTheTutorial();
    void addingStepsTwoAndThreeTurnTheKeyWordFieldGreen();
    void everyNamedDataFileShipsAndIsUsable();
};

void TestTutorial::openingGreetsCentredWithEmptyCounter()
{
    TutorialFixture fixture;
    TutorialWindow &window = fixture.open();
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("StepByStep"));
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(window.pibbetText()->toPlainText(), fixture.text("pibbethello.txt"));
    QCOMPARE(fixture.played(), QStringList{fixture.wave("PibbetHello.Wav")});
    QVERIFY(!window.stepCounter().has_value());
    QCOMPARE(window.selectedTopic(), TutorialTopic::None);
    QCOMPARE(window.nextButton()->text(), QStringLiteral("&Next >>"));

    const QRect screen = window.screen()->geometry();
    QCOMPARE(window.x(), screen.width() / 2 - window.width() / 2);
    QCOMPARE(window.y(), screen.height() / 2 - window.height() / 2);
    QVERIFY(!window.image1()->pixmap().isNull());

    // A second request only shows it: no second greeting.
    fixture.tutorial.show();
    QCOMPARE(fixture.played().size(), 1);
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
    TutorialWindow &window = fixture.open();
    QTest::mouseClick(window.findChild<QRadioButton *>(topic), Qt::LeftButton);

    QStringList expectedWaves{fixture.wave("PibbetHello.Wav")};
    for (int i = 0; i < titles.size(); ++i) {
        QTest::mouseClick(window.nextButton(), Qt::LeftButton);
        QCOMPARE(window.stepCounter().value_or(-1), i + 1);
        QCOMPARE(window.label1()->text(), titles[i]);
        QCOMPARE(window.pibbetText()->toPlainText(), fixture.text(texts[i]));
        expectedWaves.append(fixture.wave(waves[i]));
        QCOMPARE(fixture.played(), expectedWaves); // one new prompt per step
    }
    // Walking back shows the previous step again.
    QTest::mouseClick(window.previousButton(), Qt::LeftButton);
    const int back = titles.size() - 2;
    QCOMPARE(window.label1()->text(), back >= 0 ? titles[back] : QStringLiteral("Hello There!"));
    QCOMPARE(fixture.played().constLast(),
             fixture.wave(back >= 0 ? waves[back] : "PibbetHello.Wav"));
}

void TestTutorial::counterHasNoUpperLimitAndNeverGoesBelowZero()
{
    TutorialFixture fixture;
    TutorialWindow &window = fixture.open();
    // Right after opening the counter is empty: minus one is below 0, so 0, the greeting.
    QTest::mouseClick(window.previousButton(), Qt::LeftButton);
    window.PreviousButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 0);
    QCOMPARE(fixture.played(), QStringList(3, fixture.wave("PibbetHello.Wav")));
    // Without a topic Next only counts.
    window.NextButton_Click();
    window.NextButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 2);
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(fixture.played().size(), 3);
    QCOMPARE(fixture.editorShown, 0);

    // Past the last step the counter climbs and nothing changes on screen.
    QTest::mouseClick(window.deleteKeyWordOption(), Qt::LeftButton);
    for (int i = 0; i < 5; ++i)
        window.NextButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 5);
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 1: Deleting a KeyWord"));
    QCOMPARE(fixture.played().size(), 4);

    // Previous counts back down through those values before step 1 shows again.
    for (int i = 0; i < 3; ++i)
        window.PreviousButton_Click();
    QCOMPARE(window.stepCounter().value_or(-1), 2);
    QCOMPARE(fixture.played().size(), 4);
    window.PreviousButton_Click();
    QCOMPARE(fixture.played().constLast(), fixture.wave("step1_delete.Wav"));

    QTest::mouseClick(window.rewindButton(), Qt::LeftButton);
    QCOMPARE(window.stepCounter().value_or(-1), 0);
    QCOMPARE(window.label1()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(window.pibbetText()->toPlainText(), fixture.text("pibbethello.txt"));
    QCOMPARE(fixture.played().constLast(), fixture.wave("PibbetHello.Wav"));
}

void TestTutorial::choosingATopicWaitsForNext()
{
    TutorialFixture fixture;
    TutorialWindow &window = fixture.open();
    QTest::mouseClick(window.specialFeaturesButton(), Qt::LeftButton);
    window.NextButton_Click();
    window.NextButton_Click();

    // Adding and Deleting show the keyword editor and reset the counter; no step runs.
    QTest::mouseClick(window.addKeyWordOption(), Qt::LeftButton);
    QCOMPARE(fixture.editorShown, 1);
    QVERIFY(fixture.editor.isVisible());
    QVERIFY(!window.specialFeaturesButton()->isChecked()); // the topics form one group
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

void TestTutorial::textIsShownBeforeTheNarrationAndExitDiscards()
{
    TutorialFixture fixture;
    TutorialWindow &window = fixture.open();
    QPointer<TutorialWindow> first(&window);
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
    fixture.platform.loop.onYield = [&] { QTest::mouseClick(window.exitButton(), Qt::LeftButton); };
    window.NextButton_Click();
    QCOMPARE(fixture.played().size(), 2);
    QVERIFY(!fixture.tutorial.isLoaded());
    QVERIFY(!window.isVisible());
    QTRY_VERIFY(first.isNull()); // deleted once back in the event loop

    // The next opening starts again: greeting, empty counter, no topic.
    TutorialWindow &again = fixture.open();
    QVERIFY(!again.stepCounter().has_value());
    QCOMPARE(again.selectedTopic(), TutorialTopic::None);
    QCOMPARE(fixture.played().constLast(), fixture.wave("PibbetHello.Wav"));
}

void TestTutorial::missingFilesGiveEmptyTextAndGoOn()
{
    TutorialFixture fixture(false);
    TutorialWindow &window = fixture.open();
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

void TestTutorial::keywordEditorOpensAndClosesTheTutorial()
{
    Program program;
    program.keywordEditor.show();
    KeywordEditorWindow *editor = program.keywordEditor.window();
    QVERIFY(editor);

    // Left click on the face: the tutorial loads (greeting) and greets again.
    editor->Image1_MouseDown(Qt::LeftButton, QPoint());
    QVERIFY(program.tutorial.window().isVisible());
    QCOMPARE(program.greetings(), 2);

    // The pop-up menu's second entry closes it; its first entry loads and greets
    // the same way; the Help menu greets once more when it is open.
    editor->MenuItem_Click(2);
    QVERIFY(!program.tutorial.isLoaded());
    editor->MenuItem_Click(2); // nothing to close: no effect
    editor->MenuItem_Click(1);
    QVERIFY(program.tutorial.isLoaded());
    QCOMPARE(program.greetings(), 4);
    editor->Mnu_Help_Click();
    QCOMPARE(program.greetings(), 5);
    QCOMPARE(program.tutorial.window().label1()->text(), QStringLiteral("Hello There!"));
}

void TestTutorial::addingStepsTwoAndThreeTurnTheKeyWordFieldGreen()
{
    Program program;
    program.tutorial.show();
    TutorialWindow &window = program.tutorial.window();
    QVERIFY(!program.keywordEditor.isOpen());

    QTest::mouseClick(window.addKeyWordOption(), Qt::LeftButton);
    QVERIFY(program.keywordEditor.isOpen());
    KeywordEditorWindow *editor = program.keywordEditor.window();
    QLineEdit *keyWord = editor->keyWordField();
    editor->programNameField()->setFocus();
    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    QVERIFY(!isGreen(keyWord));
    QCOMPARE(editor->focusWidget(), editor->programNameField());
    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 2: Adding a KeyWord"));
    QCOMPARE(editor->focusWidget(), keyWord);
    // What the field shows is green.
    const QImage shown = keyWord->grab().toImage();
    QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2), kGreen);

    editor->programNameField()->setFocus();
    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 3: Adding a KeyWord"));
    QCOMPARE(editor->focusWidget(), keyWord);
    // The colour stays: the tutorial never resets it.
    window.RewindButton_Click();
    QVERIFY(isGreen(keyWord));
}

void TestTutorial::everyNamedDataFileShipsAndIsUsable()
{
    // Under exactly the name the program uses, in data/ and beside the executable;
    // texts short and free of Windows paths; waves 16 kHz mono 16-bit PCM, audible.
    QStringList names = tutorialDataFiles();
    names << kNoAppWave << kNoKeyWordWave << kDeleteWave;
    const QStringList source = QDir(QStringLiteral(KORVANE_SOURCE_DATA)).entryList(QDir::Files);
    const QStringList built = QDir(QStringLiteral(KORVANE_BUILT_APP_DIR)).entryList(QDir::Files);
    for (const QString &name : std::as_const(names)) {
        QVERIFY2(source.contains(name), qPrintable(name));
        QVERIFY2(built.contains(name), qPrintable(name));
        const QByteArray bytes = readAll(QStringLiteral(KORVANE_SOURCE_DATA "/") + name);
        QCOMPARE(readAll(QStringLiteral(KORVANE_BUILT_APP_DIR "/") + name), bytes);
        if (name.endsWith(QLatin1String(".txt"))) {
            QVERIFY2(!bytes.trimmed().isEmpty() && bytes.size() < 1200, qPrintable(name));
            QVERIFY2(!bytes.contains('\\'), qPrintable(name));
            continue;
        }
        QVERIFY2(bytes.size() > 32000 && bytes.size() <= 400 * 1024, qPrintable(name));
        QCOMPARE(bytes.left(4), QByteArray("RIFF"));
        QCOMPARE(bytes.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(le16(bytes, 20), quint16(1)); // PCM
        QCOMPARE(le16(bytes, 22), quint16(1)); // mono
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 24), quint32(16000));
        QCOMPARE(le16(bytes, 34), quint16(16)); // bits per sample
        const int data = bytes.indexOf("data");
        QVERIFY(data > 0);
        int loud = 0;
        for (int at = data + 8; at + 1 < bytes.size(); at += 2)
            loud += std::abs(qint16(le16(bytes, at))) > 2000;
        QVERIFY2(loud > 1000, qPrintable(name + QStringLiteral(" is silent")));
    }
}

QTEST_MAIN(TestTutorial)
#include "test_tutorial.moc"
