// SPDX-License-Identifier: GPL-3.0-or-later
// The installed Korvane under Xvfb with openbox: `cmake --install` of the build
// tree into a temporary prefix, then the installed program with a temporary home
// and no KORVANE_HOME. It makes its private data folder, shows the tutorial's text
// from share/korvane, launches a key word from that folder's database, and follows
// XDG_DATA_HOME and KORVANE_HOME. (The desktop files themselves are checked by
// scripts/validate-desktop-files.)

#include "appfolder.h"
#include "desktopdriver.h"
#include "keyworddatabase.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace korvane;
using namespace korvane::e2e;
using namespace Qt::StringLiterals;

class TestInstallE2E : public QObject
{
    Q_OBJECT

    static constexpr int kTimeout = 20000;
    QTemporaryDir m_root;
    const QString m_prefix = m_root.filePath(u"prefix"_s);
    const QString m_folder = m_root.filePath(u"home/.local/share/korvane"_s);

    QString installed(const QString &path) const { return m_prefix + u'/' + path; }

    // Starts the installed program as a desktop session would: HOME in the test
    // folder, no KORVANE_HOME or XDG folders unless `extra` sets them.
    void start(QProcess &korvane, const QStringList &arguments, const QStringList &extra = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"KORVANE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(u"HOME"_s, m_root.filePath(u"home"_s));
        for (const QString &setting : extra)
            environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        korvane.setProcessEnvironment(environment);
        korvane.start(installed(u"bin/korvane"_s), arguments);
    }

    // Links SWITCH in `folder`'s database to a program that leaves "launched-`which`"
    // beside it; `korvane switch` must start exactly that one.
    void switchLaunches(const QString &folder, const QString &which, const QStringList &extra)
    {
        const QString mark = m_root.filePath(u"mark.sh"_s);
        QVERIFY(db::KeywordDatabase(folder).addLinkedRecord(u"SWITCH"_s, mark + u' ' + which));
        QProcess korvane;
        start(korvane, {u"switch"_s}, extra);
        QVERIFY(korvane.waitForFinished(kTimeout));
        QCOMPARE(korvane.exitCode(), 0);
        const QString marker = m_root.filePath(u"launched-"_s + which);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), kTimeout);
        QVERIFY(QFile::remove(marker));
        // Started programs run detached: give a wrong one time to show up.
        QTest::qWait(300);
        QCOMPARE(QDir(m_root.path()).entryList({u"launched-*"_s}), QStringList());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(m_root.path()));
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(KORVANE_CMAKE),
                      {u"--install"_s, QStringLiteral(KORVANE_BUILD_DIR), u"--prefix"_s, m_prefix});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
        QVERIFY(writeExecutable(m_root.filePath(u"mark.sh"_s),
                                "#!/bin/sh\ntouch \"$(dirname \"$0\")/launched-$1\"\n"));
    }

    void installPutsEveryFileInPlace()
    {
        const QDir data(QStringLiteral(KORVANE_DATA_SOURCE_DIR));
        const QStringList shipped = data.entryList({u"*.txt"_s, u"*.Wav"_s}, QDir::Files);
        QVERIFY(shipped.size() > 10);
        for (const QString &name : shipped) {
            if (name != u"CMakeLists.txt")
                QCOMPARE(QFileInfo(installed(u"share/korvane/"_s + name)).size(),
                         QFileInfo(data.filePath(name)).size());
        }
        const QString id = QStringLiteral(KORVANE_APP_ID);
        for (const QString &path : {u"applications/"_s + id + u".desktop"_s,
                                    u"icons/hicolor/scalable/apps/"_s + id + u".svg"_s,
                                    u"metainfo/"_s + id + u".metainfo.xml"_s,
                                    u"mime/packages/"_s + id + u".xml"_s, u"man/man1/korvane.1"_s})
            QVERIFY2(QFileInfo(installed(u"share/"_s + path)).size() > 0, qPrintable(path));
    }

    // The licence is named where packagers and software centres look, and in
    // every source file.
    void licenceIsNamedEverywhere()
    {
        const QString licence = u"GPL-3.0-or-later"_s;
        QVERIFY(readTextFile(installed(u"share/doc/korvane/copyright"_s))
                    .contains(u"License: "_s + licence));
        QVERIFY(readTextFile(installed(u"share/metainfo/"_s + QStringLiteral(KORVANE_APP_ID) +
                                       u".metainfo.xml"_s))
                    .contains(u"<project_license>"_s + licence + u"</project_license>"_s));
        QVERIFY(readTextFile(QStringLiteral(KORVANE_SOURCE_DIR "/LICENSE"))
                    .contains(u"GNU GENERAL PUBLIC LICENSE"_s));
        QStringList unmarked;
        QDirIterator sources(QStringLiteral(KORVANE_SOURCE_DIR), {u"*.cpp"_s, u"*.h"_s},
                             QDir::Files, QDirIterator::Subdirectories);
        while (sources.hasNext()) {
            const QString source = sources.next();
            if (!source.contains(u"/build"_s) &&
                !readTextFile(source).left(200).contains(u"SPDX-License-Identifier: "_s + licence))
                unmarked.append(source);
        }
        QVERIFY2(unmarked.isEmpty(), qPrintable(unmarked.join(u' ')));
    }

    void firstStartMakesAPrivateFolderAndShowsTheTutorial()
    {
        QProcess korvane;
        start(korvane, {});
        const QString center =
            windowOf(korvane.processId(), u"^Korvane Command Center$"_s, kTimeout);
        QVERIFY(!center.isEmpty());
        QCOMPARE(QFileInfo(m_folder).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadUser |
                                                        QFile::WriteUser | QFile::ExeUser);
        // Task bars match the window to the desktop entry's StartupWMClass.
        QCOMPARE(runTool(u"xprop"_s, {u"-id"_s, center, u"WM_CLASS"_s}),
                 u"WM_CLASS(STRING) = \"korvane\", \"korvane\""_s);

        // POPUP opens the menu; H chooses "&Help", the tutorial, whose text box shows
        // the installed share/korvane file: copied out through the clipboard.
        QVERIFY(activate(center));
        const qsizetype windows = windowsOf(korvane.processId()).size();
        type(u"popup"_s);
        key(u"Return"_s);
        QTRY_VERIFY_WITH_TIMEOUT(windowsOf(korvane.processId()).size() > windows, kTimeout);
        key(u"h"_s);
        const QString tutorial = windowOf(korvane.processId(), u"^StepByStep$"_s, kTimeout);
        QVERIFY(activate(tutorial));
        xdotool({u"mousemove"_s, u"--window"_s, tutorial, u"360"_s, u"200"_s, u"click"_s, u"1"_s});
        const auto copied = [] {
            key(u"ctrl+a ctrl+c"_s);
            return runTool(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s});
        };
        // The text box shows line ends as LF; runTool trims.
        const QString expected = readTextFile(installed(u"share/korvane/pibbethello.txt"_s));
        QTRY_COMPARE_WITH_TIMEOUT(copied(), expected.trimmed().replace(u"\r\n"_s, u"\n"_s),
                                  kTimeout);

        // EXIT writes the window settings into the data folder, never beside the program.
        QVERIFY(activate(center));
        type(u"exit"_s);
        key(u"Return"_s);
        QVERIFY(korvane.waitForFinished(kTimeout));
        QVERIFY(QFileInfo(m_folder + u"/PD.ini"_s).size() > 0);
        QCOMPARE(QDir(installed(u"bin"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"korvane"_s});
    }

    // The same key word in three folders, each leaving its own marker.
    void dataFolderAndItsOverridesHoldTheKeyWords()
    {
        const QString xdgData = m_root.filePath(u"xdg-data"_s);
        const QString portable = m_root.filePath(u"portable"_s);
        QVERIFY(QDir().mkpath(xdgData + u"/korvane"_s) && QDir().mkpath(portable));
        switchLaunches(m_folder, u"HOMEDATA"_s, {});
        switchLaunches(xdgData + u"/korvane"_s, u"XDG"_s, {u"XDG_DATA_HOME="_s + xdgData});
        switchLaunches(portable, u"PORTABLE"_s,
                       {u"XDG_DATA_HOME="_s + xdgData, u"KORVANE_HOME="_s + portable});
    }
};

QTEST_GUILESS_MAIN(TestInstallE2E)
#include "test_install_e2e.moc"
