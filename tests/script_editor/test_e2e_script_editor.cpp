// The real korvane binary under Xvfb with openbox: Velmora is opened from the
// command center's pop-up menu, a script is written with the tool box, saved
// through the file dialog and run, and its effect lands on disk.

#include "desktopdriver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace korvane::e2e;

namespace {

constexpr int kTimeout = 20000;

// Clicks at a point of `window`'s client area, in pixels.
void click(const QString &window, int x, int y)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x),
             QString::number(y), QStringLiteral("click"), QStringLiteral("1")});
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestE2EScriptEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void writeSaveAndRunAScriptFromTheMenu();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QProcess> m_korvane;
};

void TestE2EScriptEditor::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("KORVANE_HOME", m_home->path().toLocal8Bit());
    QVERIFY(QDir::setCurrent(m_home->path()));
}

void TestE2EScriptEditor::cleanup()
{
    if (m_korvane) {
        m_korvane->kill();
        m_korvane->waitForFinished(5000);
        m_korvane.reset();
    }
    QDir::setCurrent(QDir::tempPath());
    m_home.reset();
}

void TestE2EScriptEditor::writeSaveAndRunAScriptFromTheMenu()
{
    m_korvane = std::make_unique<QProcess>();
    m_korvane->setProgram(QStringLiteral(KORVANE_BINARY));
    m_korvane->setWorkingDirectory(m_home->path());
    m_korvane->start();
    QVERIFY(m_korvane->waitForStarted(kTimeout));
    const qint64 pid = m_korvane->processId();

    // POPUP in the command center opens its menu; V chooses "&Velmora ".
    QString center;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(center = windowOf(pid, QStringLiteral("^Korvane Command Center$"))).isEmpty(), kTimeout);
    QVERIFY(activate(center));
    QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), QStringLiteral("Korvane Command Center"),
                              kTimeout);
    const qsizetype before = windowsOf(pid).size();
    type(QStringLiteral("popup"));
    key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(windowsOf(pid).size() > before, kTimeout); // the menu
    key(QStringLiteral("v"));

    QString editor;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(editor = windowOf(pid, QStringLiteral("^Velmora - Untitled$"))).isEmpty(), kTimeout);
    QVERIFY(activate(editor));

    // F6 shows the tool box; SET (column 3, row 6) then `S (column 3, row 4).
    key(QStringLiteral("F6"));
    QString toolBox;
    QTRY_VERIFY_WITH_TIMEOUT(!(toolBox = windowOf(pid, QStringLiteral("^Tool Box$"))).isEmpty(),
                             kTimeout);
    click(toolBox, 88 + 16, 168 + 12);
    click(toolBox, 88 + 16, 104 + 12);

    // F7 on an untitled script asks for a name in the file dialog.
    const QString script = m_home->filePath(QStringLiteral("e2e.vlm"));
    QVERIFY(activate(editor));
    key(QStringLiteral("F7"));
    QString dialog;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(dialog = windowOf(pid, QStringLiteral("^Save As$|^Save File$"))).isEmpty(), kTimeout);
    QVERIFY(activate(dialog));
    key(QStringLiteral("ctrl+a"));
    type(script);
    key(QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(readBytes(script),
                              QByteArray("`SET Text to set\r\n`S filename.ext\r\n\r\n"), kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(
        !windowOf(pid, QStringLiteral("^Velmora - ") + script.toUpper() + u'$').isEmpty(),
        kTimeout);

    // F5 runs it: the SET data goes to filename.ext in the current directory.
    QVERIFY(activate(editor));
    key(QStringLiteral("F5"));
    QTRY_VERIFY_WITH_TIMEOUT(
        readBytes(m_home->filePath(QStringLiteral("filename.ext"))).startsWith("Text to set"),
        kTimeout);
    QCOMPARE(m_korvane->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestE2EScriptEditor)
#include "test_e2e_script_editor.moc"
