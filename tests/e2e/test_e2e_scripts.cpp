// SPDX-License-Identifier: GPL-3.0-or-later
// Scripts run from the command line by the real korvane binary under Xvfb with
// openbox: keystroke lines and "`U" type into real windows (the key_target test
// program records what it receives) under three keyboard layouts, "`A" switches
// between windows by title and by prefix, and "`E" starts a real program. Lines
// that fail say so on standard error, and the keyboard map is given back however
// a run ends.

#include "desktopdriver.h"
#include "keyworddatabase.h"
#include "maintenance.h"
#include "x11keymap.h"
#include "x11properties.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <memory>

// After the Qt headers: Xlib's macros clash with them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using korvane::e2e::KeyTarget;

namespace {

constexpr int kTimeout = 20000;

} // namespace

class TestE2EScripts : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<KeyTarget> m_alpha;
    std::unique_ptr<KeyTarget> m_beta;
    bool m_canSwitchLayouts = false;

    // Starts the real korvane with `arguments`, on the test's data folder.
    void startKorvane(QProcess &korvane, const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KORVANE_HOME"), m_home.path());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        korvane.setProcessEnvironment(environment);
        korvane.setWorkingDirectory(m_home.path());
        korvane.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        korvane.start(QStringLiteral(KORVANE_BINARY), arguments);
    }

    // Writes `lines` as a script (CR LF) and starts the real korvane on it.
    void startScript(QProcess &korvane, const QStringList &lines)
    {
        const QString path = m_home.filePath(QStringLiteral("job.VLM"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        file.close();
        startKorvane(korvane, {path});
    }

    // Runs `lines` as a script to its end; its exit code. What it writes to
    // standard error goes to `errors`.
    int runScript(const QStringList &lines, QString *errors = nullptr)
    {
        QProcess korvane;
        startScript(korvane, lines);
        if (!korvane.waitForFinished(kTimeout))
            return -2;
        const QString written = QString::fromUtf8(korvane.readAllStandardError());
        if (errors)
            *errors = written;
        else
            std::fputs(qPrintable(written), stderr);
        return korvane.exitCode();
    }

    // Switches the layout, then waits until the target reads keys with the new
    // map: letters the three layouts place differently must arrive intact.
    void useLayout(const QString &layout)
    {
        QCOMPARE(QProcess::execute(QStringLiteral("setxkbmap"), {layout}), 0);
        const QString probe = QStringLiteral("qawzy");
        for (int attempt = 0; attempt < 30; ++attempt) {
            QVERIFY(m_alpha->clear());
            QCOMPARE(runScript({QStringLiteral("`A ") + m_alpha->title(), probe}), 0);
            QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text().size(), probe.size(), kTimeout);
            if (m_alpha->text() == probe)
                return;
        }
        QFAIL("the target never picked up the layout");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        m_canSwitchLayouts = !QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty();
        m_alpha = std::make_unique<KeyTarget>(QStringLiteral(KEY_TARGET),
                                              QStringLiteral("Korvane Script Target Alpha"),
                                              m_home.filePath(QStringLiteral("alpha.txt")));
        m_beta = std::make_unique<KeyTarget>(QStringLiteral(KEY_TARGET),
                                             QStringLiteral("Korvane Script Target Beta"),
                                             m_home.filePath(QStringLiteral("beta.txt")));
        QVERIFY(m_alpha->waitReady(kTimeout));
        QVERIFY(m_beta->waitReady(kTimeout));
    }

    void cleanupTestCase()
    {
        if (m_canSwitchLayouts)
            QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
        m_alpha.reset();
        m_beta.reset();
    }

    void typesIntoWindowsChosenByTitle_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("us") << QStringLiteral("us");
        QTest::newRow("de") << QStringLiteral("de");
        QTest::newRow("fr") << QStringLiteral("fr");
    }
    void typesIntoWindowsChosenByTitle()
    {
        QFETCH(QString, layout);
        if (layout != u"us" && !m_canSwitchLayouts)
            QSKIP("setxkbmap is not installed");
        useLayout(layout);
        QVERIFY(m_alpha->clear());
        QVERIFY(m_beta->clear());

        // Every printable Windows-1252 character beyond ASCII, through "`U".
        QString extended;
        for (int byte = 0xA1; byte <= 0xFF; ++byte)
            extended.append(QChar(byte));
        extended += QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");

        const int exitCode = runScript({
            QStringLiteral("`* the exact title, in other letter case"),
            QStringLiteral("`A ") + m_alpha->title().toUpper(),
            QStringLiteral("Hello, World{!} {+}1 {(}x{)} {{}{}} 50{%} a{~}b~"),
            QStringLiteral("`SET ") + extended,
            QStringLiteral("`U"),
            QStringLiteral("{END}"),
            QStringLiteral("`* a prefix of the other window's title"),
            QStringLiteral("`A korvane script target b"),
            QStringLiteral("+(beta) line{ENTER}{TAB}x{BS 2}y"),
        });
        QCOMPARE(exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(),
                                  QStringLiteral("Hello, World! +1 (x) {} 50% a~b\n") + extended,
                                  kTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(m_beta->text(), QStringLiteral("BETA line\ny"), kTimeout);
    }

    void startsProgramsStoredInUpperCase()
    {
        // A program in a mixed-case folder, named in upper case as key words and
        // old scripts store it.
        const QString folder = m_home.filePath(QStringLiteral("Tools Dir"));
        QVERIFY(QDir().mkpath(folder));
        const QString program = folder + QStringLiteral("/Make-Marker.sh");
        const QString marker = m_home.filePath(QStringLiteral("marker.txt"));
        QVERIFY(korvane::e2e::writeExecutable(program, "#!/bin/sh\necho \"$1\" > '" +
                                                           marker.toUtf8() + "'\n"));

        QCOMPARE(
            runScript({QStringLiteral("`E \"") + program.toUpper() + QStringLiteral("\" ran")}), 0);
        // The shell creates the file before it writes to it.
        const auto written = [&marker] {
            QFile result(marker);
            return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
        };
        QTRY_COMPARE_WITH_TIMEOUT(written(), QByteArray("ran\n"), kTimeout);
    }

    void failedLinesAreNamedOnStandardError()
    {
        QVERIFY(m_alpha->clear());
        QString errors;
        // Nothing of a refused keystroke line is typed; the run goes on and ends well.
        QCOMPARE(runScript({QStringLiteral("`A ") + m_alpha->title(), QStringLiteral("a{FOO}"),
                            QStringLiteral("a{{{b"), QStringLiteral("+"),
                            QStringLiteral("a") + QChar(1) + QStringLiteral("b"),
                            QStringLiteral("`E /no/such/program"),
                            QStringLiteral("`E ") + m_home.path(), QStringLiteral("ok")},
                           &errors),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), QStringLiteral("ok"), kTimeout);
        const QString job = m_home.filePath(QStringLiteral("job.VLM"));
        QCOMPARE(
            errors.split(u'\n').filter(QRegularExpression(QStringLiteral("^korvane: "))),
            (QStringList{
                 job + QStringLiteral(":2: keys not typed: unknown key name \"FOO\""),
                 job + QStringLiteral(":3: keys not typed: unbalanced \"{\" at 2"),
                 job + QStringLiteral(":4: keys not typed: modifier without a key at the end"),
                 job + QStringLiteral(":5: keys not typed: no key types U+0001"),
                 job + QStringLiteral(":6: cannot start \"/no/such/program\": no such file"),
                 job +
                     QStringLiteral(":7: cannot start \"%1\": it is a folder").arg(m_home.path())})
                .replaceInStrings(QRegularExpression(QStringLiteral("^")),
                                  QStringLiteral("korvane: ")));
    }

    void keyWordWhoseProgramIsMissingSaysSo()
    {
        korvane::db::KeywordDatabase database(m_home.path());
        QCOMPARE(korvane::db::addKeyWord(database, QStringLiteral("GONE"),
                                         QStringLiteral("/no/such/program"))
                     .outcome,
                 korvane::db::AddOutcome::Added);
        QProcess korvane;
        startKorvane(korvane, {QStringLiteral("gone")});
        QVERIFY(korvane.waitForFinished(kTimeout));
        QCOMPARE(korvane.exitCode(), 0);
        QVERIFY2(korvane.readAllStandardError().contains(
                     "korvane: GONE: cannot start \"/NO/SUCH/PROGRAM\": no such file\n"),
                 "no word of the program that did not start");
    }

    // Characters the layout lacks borrow spare keycodes. However a run ends, they
    // are given back: at its end, at once on SIGTERM, and after SIGKILL by the
    // next run, which finds them in the mark the killed run left on the root window.
    void givesTheKeyboardMapBack()
    {
        using namespace korvane;
        Display *display = XOpenDisplay(nullptr);
        QVERIFY(display);
        const auto cleanup = qScopeGuard([display] { XCloseDisplay(display); });
        const auto spareKeycodes = [display] {
            X11Keymap keymap;
            return keymap.load(display, {}) ? keymap.emptyKeycodes().size() : -1;
        };
        const auto marks = [display] {
            return x11::listProperty(display, DefaultRootWindow(display),
                                     "_KORVANE_BORROWED_KEYCODES", XA_CARDINAL);
        };
        const qsizetype spare = spareKeycodes();
        QVERIFY(spare > 0);
        QString letters; // À to Ó: twenty letters, more than the spare keycodes of Xvfb
        for (char16_t c = 0xC0; c <= 0xD3; ++c)
            letters.append(QChar(c));
        const QString target = QStringLiteral("`A ") + m_alpha->title();

        QVERIFY(m_alpha->clear());
        QCOMPARE(runScript({target, letters}), 0);
        QCOMPARE(spareKeycodes(), spare);
        QVERIFY(marks().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(m_alpha->text(), letters, kTimeout);

        for (const bool kill : {true, false}) {
            QProcess korvane;
            startScript(korvane, {target, letters.repeated(2000)});
            QTRY_VERIFY_WITH_TIMEOUT(spareKeycodes() < spare, kTimeout); // typing has begun
            QCOMPARE(qint64(marks().value(0)), korvane.processId());
            kill ? korvane.kill() : korvane.terminate();
            QVERIFY(korvane.waitForFinished(kTimeout));
            QCOMPARE(korvane.exitStatus(), QProcess::CrashExit);
            if (kill) {
                QVERIFY(spareKeycodes() < spare);
                // The next run gives them back, even one that types nothing.
                QCOMPARE(runScript({QStringLiteral("`* types nothing")}), 0);
            }
            QCOMPARE(spareKeycodes(), spare);
            QVERIFY(marks().isEmpty());
        }
        QVERIFY(m_alpha->clear());
    }
};

QTEST_MAIN(TestE2EScripts)
#include "test_e2e_scripts.moc"
