// SPDX-License-Identifier: GPL-3.0-or-later
// The tutorial window on the offscreen platform, wired to the real keyword editor
// as the program wires it: its steps against the chosen topic, the step counter,
// the narration per step, the editor's key word field, and the data files it ships.

#include "appfolder.h"
#include "fakeplatform.h"
#include "keywordeditorhost.h"
#include "keywordeditorwindow.h"
#include "programwindows.h"
#include "testhome.h"
#include "tutorialhost.h"
#include "tutorialsteps.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstdlib>

using namespace korvane;

namespace {

const QString kSourceData = QStringLiteral(KORVANE_SOURCE_DATA);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program's windows in a fresh Application folder holding the shipped texts.
struct TutorialFixture
{
    test::TempHome home;
    FakePlatform platform;
    const bool copied = copyShippedTexts(home);
    ProgramWindows windows{platform};
    TutorialHost &tutorial = windows.tutorial();

    static bool copyShippedTexts(const test::TempHome &home)
    {
        for (const QString &name : QDir(kSourceData).entryList({QStringLiteral("*.txt")}))
            QFile::copy(kSourceData + u'/' + name, home.file(name));
        return true;
    }
    TutorialWindow &open()
    {
        tutorial.show();
        return tutorial.window();
    }
    const QStringList &played() const { return platform.player.played; }
    QString wave(const QString &name) const { return home.file(name); }
    QString text(const QString &f) const { return QString::fromUtf8(readAll(home.file(f))); }
    KeywordEditorWindow *editor() { return windows.keywordEditor().window(); }
};

} // namespace

class TestTutorial : public QObject
{
    Q_OBJECT

private slots:
    void opensWithTheGreetingEachTime();
    void stepsFollowTheChosenTopic();
    void counterHasNoUpperLimitAndNeverGoesBelowZero();
    void keywordEditorOpensTheTutorialAndTurnsGreen();
    void keyWordFieldTurnsGreenInAnEditorNeverShown();
    void everyNamedDataFileShipsAndIsUsable();
};

void TestTutorial::opensWithTheGreetingEachTime()
{
    TutorialFixture f;
    TutorialWindow &window = f.open();
    QCOMPARE(window.titleLabel()->text(), QStringLiteral("Hello There!"));
    QCOMPARE(window.guideText()->toPlainText(), f.text("pibbethello.txt"));
    QCOMPARE(f.played(), QStringList{f.wave("PibbetHello.Wav")});
    QVERIFY(!window.guidePicture()->pixmap().isNull());
    f.tutorial.show();                          // shown again: no second greeting
    QCOMPARE(f.platform.loop.doEventsCalls, 0); // the greeting does not yield

    // A step's text is on screen before its narration starts.
    QString titleWhileYielding;
    f.platform.loop.onYield = [&] {
        titleWhileYielding = window.titleLabel()->text() + QString::number(f.played().size());
    };
    QTest::mouseClick(window.topicButton(TutorialTopic::SpecialFeatures), Qt::LeftButton);
    window.nextButton()->click();
    QCOMPARE(titleWhileYielding, QStringLiteral("Exploring Your Folders1"));
    QCOMPARE(f.played().size(), 2);

    // A click during the yield that closes the tutorial ends the step silently.
    QPointer<TutorialWindow> first(&window);
    f.platform.loop.onYield = [&] { QTest::mouseClick(window.exitButton(), Qt::LeftButton); };
    window.nextButton()->click();
    QCOMPARE(f.played().size(), 2);
    QVERIFY(!f.tutorial.isLoaded());
    QTRY_VERIFY(first.isNull()); // deleted once back in the event loop
    // The next opening starts again: greeting, empty counter, no topic.
    TutorialWindow &again = f.open();
    QVERIFY(!again.stepCounter().has_value());
    QCOMPARE(again.selectedTopic(), TutorialTopic::None);
    QCOMPARE(f.played().constLast(), f.wave("PibbetHello.Wav"));
}

void TestTutorial::stepsFollowTheChosenTopic()
{
    TutorialFixture f;
    TutorialWindow &window = f.open();
    // Each topic's narrations, in the order Next plays them.
    const QList<QStringList> narrations = {
        {"step1_add.Wav", "step2_add.Wav", "step3_add.Wav"},
        {"step1_delete.Wav"},
        {"Exploring_Folders.Wav", "Setup_Browser.Wav", "QuestionMark.Wav"}};
    for (qsizetype topic = 0; topic < narrations.size(); ++topic) {
        // Choosing a topic shows no step by itself, only the keyword editor if it is
        // about the editor; Next shows the first step.
        const TutorialTopicChoice &choice = tutorialTopicChoices()[topic];
        const QString before = window.titleLabel()->text();
        if (f.editor())
            f.editor()->close();
        QTest::mouseClick(window.topicButton(choice.topic), Qt::LeftButton);
        QCOMPARE(window.titleLabel()->text(), before);
        QCOMPARE(window.stepCounter().value_or(-1), 0);
        QCOMPARE(f.windows.keywordEditor().isOpen(),
                 choice.topic != TutorialTopic::SpecialFeatures);
        for (qsizetype number = 1; number <= narrations[topic].size(); ++number) {
            const qsizetype prompts = f.played().size();
            window.nextButton()->click();
            const TutorialStep *step = findTutorialStep(choice.topic, int(number));
            QCOMPARE(window.titleLabel()->text(), step->title);
            QCOMPARE(window.guideText()->toPlainText(), f.text(step->textFile));
            QCOMPARE(f.played().mid(prompts), QStringList{f.wave(narrations[topic][number - 1])});
        }
        // Walking back shows the previous step again (the greeting before step 1).
        window.previousButton()->click();
        const qsizetype back = narrations[topic].size() - 1;
        QCOMPARE(f.played().constLast(),
                 f.wave(back ? narrations[topic][back - 1] : QStringLiteral("PibbetHello.Wav")));
    }
}

void TestTutorial::counterHasNoUpperLimitAndNeverGoesBelowZero()
{
    TutorialFixture f;
    TutorialWindow &window = f.open();
    // Right after opening the counter is empty: minus one is below 0, so 0, the
    // greeting. Without a topic, Next only counts.
    for (QPushButton *button : {window.previousButton(), window.previousButton(),
                                window.nextButton(), window.nextButton()})
        button->click();
    QCOMPARE(window.stepCounter().value_or(-1), 2);
    QCOMPARE(f.played(), QStringList(3, f.wave("PibbetHello.Wav")));

    // Past the last step the counter climbs and nothing changes on screen; Previous
    // counts back down through those values before step 1 shows again.
    QTest::mouseClick(window.topicButton(TutorialTopic::DeleteKeyWords), Qt::LeftButton);
    for (int i = 0; i < 5; ++i)
        window.nextButton()->click();
    QCOMPARE(window.stepCounter().value_or(-1), 5);
    QCOMPARE(window.titleLabel()->text(), QStringLiteral("Step 1: Deleting a KeyWord"));
    for (int i = 0; i < 3; ++i)
        window.previousButton()->click();
    QCOMPARE(f.played().size(), 4);
    window.previousButton()->click();
    QCOMPARE(f.played().size(), 5);

    // Rewind shows the greeting again; a missing text file gives an empty text,
    // and the narration is asked for all the same.
    window.rewindButton()->click();
    QCOMPARE(window.stepCounter().value_or(-1), 0);
    QCOMPARE(window.guideText()->toPlainText(), f.text("pibbethello.txt"));
    QCOMPARE(f.played().constLast(), f.wave("PibbetHello.Wav"));
    removeEntriesWithSuffix(f.home.path(), QStringLiteral(".txt"));
    window.nextButton()->click();
    QVERIFY(window.guideText()->toPlainText().isEmpty());
    QCOMPARE(f.played().constLast(), f.wave("step1_delete.Wav"));
}

void TestTutorial::keywordEditorOpensTheTutorialAndTurnsGreen()
{
    TutorialFixture f;
    f.windows.keywordEditor().show();
    KeywordEditorWindow *editor = f.editor();
    // A left click on the guide's face loads the tutorial (a greeting) and greets;
    // the guide's menu closes it.
    QTest::mouseClick(editor->guideFace(), Qt::LeftButton);
    QCOMPARE(f.played(), QStringList(2, f.wave("PibbetHello.Wav")));
    editor->findChild<QAction *>(QStringLiteral("stopTutorialAction"))->trigger();
    QVERIFY(!f.tutorial.isLoaded());

    // Adding steps 2 and 3 focus the key word field and turn it green, for good.
    TutorialWindow &window = f.open();
    QTest::mouseClick(window.topicButton(TutorialTopic::AddKeyWords), Qt::LeftButton);
    QLineEdit *keyWord = editor->keyWordField();
    for (int step = 1; step <= 3; ++step) {
        editor->programPathField()->setFocus();
        window.nextButton()->click();
        QCOMPARE(editor->focusWidget() == keyWord, step > 1);
        const QImage shown = keyWord->grab().toImage();
        QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2) == kKeyWordHighlight,
                 step > 1);
    }
    window.rewindButton()->click();
    QCOMPARE(keyWord->palette().color(QPalette::Base), kKeyWordHighlight);
    // Green until the editor is unloaded and loaded again.
    editor->close();
    f.windows.keywordEditor().show();
    QVERIFY(keyWord->palette().color(QPalette::Base) != kKeyWordHighlight);
}

void TestTutorial::keyWordFieldTurnsGreenInAnEditorNeverShown()
{
    // The topic chosen with the arrow keys shows no editor; step 2 loads it unseen
    // and its key word field turns green all the same.
    TutorialFixture f;
    TutorialWindow &window = f.open();
    window.topicButton(TutorialTopic::AddKeyWords)->setChecked(true);
    window.nextButton()->click();
    window.nextButton()->click();
    QVERIFY(f.editor() && !f.editor()->isVisible());
    QCOMPARE(f.editor()->keyWordField()->palette().color(QPalette::Base), kKeyWordHighlight);
}

void TestTutorial::everyNamedDataFileShipsAndIsUsable()
{
    // Under exactly the name the program uses, in data/ and beside the executable;
    // texts short and free of Windows paths; waves 16 kHz mono 16-bit PCM, audible.
    QStringList names = tutorialDataFiles();
    names << kNoAppWave << kNoKeyWordWave << kDeleteWave;
    for (const QString &name : std::as_const(names)) {
        const QByteArray bytes = readAll(kSourceData + u'/' + name);
        QVERIFY2(QDir(kSourceData).entryList().contains(name), qPrintable(name));
        QCOMPARE(readAll(QStringLiteral(KORVANE_BUILT_APP_DIR "/") + name), bytes);
        if (name.endsWith(QLatin1String(".txt"))) {
            QVERIFY2(bytes.trimmed().size() > 0 && bytes.size() < 1200, qPrintable(name));
            QVERIFY2(!bytes.contains('\\'), qPrintable(name));
            continue;
        }
        QVERIFY2(bytes.size() > 32000 && bytes.size() <= 400 * 1024, qPrintable(name));
        QCOMPARE(bytes.left(4) + bytes.mid(8, 8), QByteArray("RIFFWAVEfmt "));
        // PCM, mono, 16000 samples and 32000 bytes a second, 2-byte frames, 16 bits.
        QCOMPARE(bytes.mid(20, 16).toHex(), QByteArray("01000100803e0000007d000002001000"));
        int loud = 0;
        for (qsizetype at = bytes.indexOf("data") + 8; at + 1 < bytes.size(); at += 2)
            loud += std::abs(qFromLittleEndian<qint16>(bytes.constData() + at)) > 2000;
        QVERIFY2(loud > 1000, qPrintable(name + QStringLiteral(" is silent")));
    }
}

QTEST_MAIN(TestTutorial)
#include "test_tutorial.moc"
