// SPDX-License-Identifier: GPL-3.0-or-later
// The real korvane binary under Xvfb with openbox: Velmora is opened from the
// command center's pop-up menu, a script is typed and written with the tool box, saved
// through the file dialog and run, and its effect lands on disk.

#include "desktopdriver.h"
#include "testhome.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTest>

using namespace korvane::e2e;
using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeout = 20000;

} // namespace

class TestE2EScriptEditor : public QObject
{
    Q_OBJECT

private slots:
    void writeSaveAndRunAScriptFromTheMenu()
    {
        korvane::test::TempHome home;
        QProcess korvane;
        korvane.setWorkingDirectory(home.path());
        korvane.start(QStringLiteral(KORVANE_BINARY), QStringList());
        const auto stop = qScopeGuard([&korvane] {
            korvane.kill();
            korvane.waitForFinished(5000);
        });
        QVERIFY(korvane.waitForStarted(kTimeout));
        const qint64 pid = korvane.processId();

        // POPUP in the command center opens its menu; V chooses "&Velmora ".
        QVERIFY(activate(windowOf(pid, u"^Korvane Command Center$"_s, kTimeout)));
        QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), u"Korvane Command Center"_s, kTimeout);
        const qsizetype before = windowsOf(pid).size();
        type(u"popup"_s);
        key(u"Return"_s);
        QTRY_VERIFY_WITH_TIMEOUT(windowsOf(pid).size() > before, kTimeout); // the menu
        key(u"v"_s);
        const QString editor = windowOf(pid, u"^Velmora - Untitled$"_s, kTimeout);
        QVERIFY(activate(editor));
        type(u"`B"_s); // the keyboard starts in the text
        key(u"Return"_s);

        // F6 shows the tool box; SET (column 3, row 6) then `S (column 3, row 4),
        // clicked in the middle.
        key(u"F6"_s);
        const QString toolBox = windowOf(pid, u"^Tool Box$"_s, kTimeout);
        for (const char *y : {"180", "116"})
            xdotool({u"mousemove"_s, u"--window"_s, toolBox, u"104"_s, QLatin1String(y), u"click"_s,
                     u"1"_s});

        // F7 on an untitled script asks for a name in the file dialog.
        const QString script = home.file(u"e2e.vlm"_s);
        QVERIFY(activate(editor));
        key(u"F7"_s);
        QVERIFY(activate(windowOf(pid, u"^Save As$|^Save File$"_s, kTimeout)));
        key(u"ctrl+a"_s);
        type(script);
        key(u"Return"_s);
        QTRY_COMPARE_WITH_TIMEOUT(home.read(script),
                                  QByteArray("`B\r\n`SET Text to set\r\n`S filename.ext\r\n\r\n"),
                                  kTimeout);
        QVERIFY(!windowOf(pid, u"^Velmora - "_s + script.toUpper() + u'$', kTimeout).isEmpty());

        // F5 runs it: the SET data goes to filename.ext in the current directory.
        QVERIFY(activate(editor));
        key(u"F5"_s);
        QTRY_VERIFY_WITH_TIMEOUT(home.read(u"filename.ext"_s).startsWith("Text to set"), kTimeout);
        QCOMPARE(korvane.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestE2EScriptEditor)
#include "test_e2e_script_editor.moc"
