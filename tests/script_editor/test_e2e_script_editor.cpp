// The real korvane binary under Xvfb with openbox: Velmora is opened from the
// command center's pop-up menu, a script is written with the tool box, saved
// through the file dialog and run, and its effect lands on disk.

#include "desktopdriver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane::e2e;

namespace {

constexpr int kTimeout = 20000;

// The first window of `pid` whose whole title matches `pattern`, once it shows.
QString waitForWindow(qint64 pid, const QString &pattern)
{
    QString window;
    waitUntil([&] { return !(window = windowOf(pid, pattern)).isEmpty(); }, kTimeout);
    return window;
}

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
    void writeSaveAndRunAScriptFromTheMenu();
};

void TestE2EScriptEditor::writeSaveAndRunAScriptFromTheMenu()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());
    QVERIFY(QDir::setCurrent(home.path()));
    QProcess korvane;
    korvane.setProgram(QStringLiteral(KORVANE_BINARY));
    korvane.setWorkingDirectory(home.path());
    korvane.start();
    const auto stop = qScopeGuard([&korvane] {
        korvane.kill();
        korvane.waitForFinished(5000);
        QDir::setCurrent(QDir::tempPath());
    });
    QVERIFY(korvane.waitForStarted(kTimeout));
    const qint64 pid = korvane.processId();

    // POPUP in the command center opens its menu; V chooses "&Velmora ".
    QVERIFY(activate(waitForWindow(pid, QStringLiteral("^Korvane Command Center$"))));
    QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), QStringLiteral("Korvane Command Center"),
                              kTimeout);
    const qsizetype before = windowsOf(pid).size();
    type(QStringLiteral("popup"));
    key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(windowsOf(pid).size() > before, kTimeout); // the menu
    key(QStringLiteral("v"));
    const QString editor = waitForWindow(pid, QStringLiteral("^Velmora - Untitled$"));
    QVERIFY(activate(editor));

    // F6 shows the tool box; SET (column 3, row 6) then `S (column 3, row 4).
    key(QStringLiteral("F6"));
    const QString toolBox = waitForWindow(pid, QStringLiteral("^Tool Box$"));
    QVERIFY(!toolBox.isEmpty());
    click(toolBox, 88 + 16, 168 + 12);
    click(toolBox, 88 + 16, 104 + 12);

    // F7 on an untitled script asks for a name in the file dialog.
    const QString script = home.filePath(QStringLiteral("e2e.vlm"));
    QVERIFY(activate(editor));
    key(QStringLiteral("F7"));
    QVERIFY(activate(waitForWindow(pid, QStringLiteral("^Save As$|^Save File$"))));
    key(QStringLiteral("ctrl+a"));
    type(script);
    key(QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(readBytes(script),
                              QByteArray("`SET Text to set\r\n`S filename.ext\r\n\r\n"), kTimeout);
    QVERIFY(!waitForWindow(pid, QStringLiteral("^Velmora - ") + script.toUpper() + u'$').isEmpty());

    // F5 runs it: the SET data goes to filename.ext in the current directory.
    QVERIFY(activate(editor));
    key(QStringLiteral("F5"));
    QTRY_VERIFY_WITH_TIMEOUT(
        readBytes(home.filePath(QStringLiteral("filename.ext"))).startsWith("Text to set"),
        kTimeout);
    QCOMPARE(korvane.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestE2EScriptEditor)
#include "test_e2e_script_editor.moc"
