// Scripts run from the command line by the real korvane binary under Xvfb with
// openbox: keystroke lines and "`U" type into real windows (the key_target test
// program records what it receives) under three keyboard layouts, "`A" switches
// between windows by title and by prefix, and "`E" starts a real program.

#include "desktopdriver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

    // Writes `lines` as a script (CR LF) and runs it with the real korvane.
    int runScript(const QStringList &lines)
    {
        const QString path = m_home.filePath(QStringLiteral("job.VLM"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return -1;
        file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        file.close();
        QProcess korvane;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KORVANE_HOME"), m_home.path());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        korvane.setProcessEnvironment(environment);
        korvane.setWorkingDirectory(m_home.path());
        korvane.setProcessChannelMode(QProcess::ForwardedChannels);
        korvane.start(QStringLiteral(KORVANE_BINARY), {path});
        if (!korvane.waitForFinished(kTimeout))
            return -2;
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
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), kTimeout);
        QFile result(marker);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), QByteArray("ran\n"));
    }
};

QTEST_MAIN(TestE2EScripts)
#include "test_e2e_scripts.moc"
