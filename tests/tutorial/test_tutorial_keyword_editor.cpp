// The tutorial and the real keyword editor together, wired as the program wires
// them: the editor's face, Help menu and pop-up menu open and close the tutorial,
// and the tutorial's steps reach into the editor's KeyWord field.

#include "fakeplatform.h"
#include "keyscan.h"
#include "linkbuilder.h"
#include "linkbuilderhost.h"
#include "stepbystepinstance.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;

namespace {

struct Program
{
    QTemporaryDir home;
    FakePlatform platform;
    StepByStepInstance tutorial{platform};
    LinkBuilderHost keywordEditor{platform, TutorialHooks{[this] {
                                                              tutorial.show();
                                                              tutorial.sayHello();
                                                          },
                                                          [this] { tutorial.unload(); }}};
    std::unique_ptr<KeyScan> keyScan;

    Program()
    {
        qputenv("KORVANE_HOME", home.path().toLocal8Bit());
        QDir::setCurrent(home.path());
        tutorial.setKeywordEditorLink({[this] { keywordEditor.show(); },
                                       [this]() -> QLineEdit * {
                                           LinkBuilder *editor = keywordEditor.window();
                                           return editor ? editor->keyWordField() : nullptr;
                                       }});
        keyScan = std::make_unique<KeyScan>(platform, WindowDirectory{});
        keywordEditor.setCommandCenter(*keyScan);
    }

    int greetings() const
    {
        return int(platform.player.played.count(home.filePath("PibbetHello.Wav")));
    }
};

} // namespace

class TestTutorialKeywordEditor : public QObject
{
    Q_OBJECT

private slots:
    void editorOpensAndClosesTheTutorial();
    void addingStepsTurnTheEditorsKeyWordFieldGreen();
};

void TestTutorialKeywordEditor::editorOpensAndClosesTheTutorial()
{
    Program program;
    program.keywordEditor.show();
    LinkBuilder *editor = program.keywordEditor.window();
    QVERIFY(editor);

    // Left click on the face: the tutorial loads (greeting) and greets again.
    editor->Image1_MouseDown(Qt::LeftButton, QPoint());
    QVERIFY(program.tutorial.isLoaded());
    QVERIFY(program.tutorial.window().isVisible());
    QCOMPARE(program.greetings(), 2);

    // The pop-up menu's second entry closes it; the Help menu opens it again.
    editor->MenuItem_Click(2);
    QVERIFY(!program.tutorial.isLoaded());
    editor->Mnu_Help_Click();
    QVERIFY(program.tutorial.isLoaded());
    QCOMPARE(program.greetings(), 4);
    editor->MenuItem_Click(1); // already loaded: one greeting
    QCOMPARE(program.greetings(), 5);
    QCOMPARE(program.tutorial.window().label1()->text(), QStringLiteral("Hello There!"));
}

void TestTutorialKeywordEditor::addingStepsTurnTheEditorsKeyWordFieldGreen()
{
    Program program;
    program.tutorial.show();
    StepByStep &window = program.tutorial.window();
    QVERIFY(!program.keywordEditor.isOpen());

    QTest::mouseClick(window.addKeyWordOption(), Qt::LeftButton);
    QVERIFY(program.keywordEditor.isOpen());
    LinkBuilder *editor = program.keywordEditor.window();
    QLineEdit *keyWord = editor->keyWordField();
    const QColor before = keyWord->palette().color(QPalette::Base);
    QVERIFY(before != QColor(0, 255, 0));

    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    QCOMPARE(keyWord->palette().color(QPalette::Base), before);
    QTest::mouseClick(window.nextButton(), Qt::LeftButton);
    QCOMPARE(window.label1()->text(), QStringLiteral("Step 2: Adding a KeyWord"));
    QCOMPARE(keyWord->palette().color(QPalette::Base), QColor(0, 255, 0));
    QCOMPARE(editor->focusWidget(), keyWord);
    // What the field shows is green, too.
    const QImage shown = keyWord->grab().toImage();
    QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(0, 255, 0));
}

QTEST_MAIN(TestTutorialKeywordEditor)
#include "test_tutorial_keyword_editor.moc"
