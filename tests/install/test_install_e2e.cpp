// The installed Korvane under Xvfb with openbox: `cmake --install` of the build
// tree into a temporary prefix, then the installed program with a temporary home
// and no KORVANE_HOME. It makes its private data folder, finds the tutorial's
// texts in share/korvane, launches a key word from that folder's database, and
// follows XDG_DATA_HOME and KORVANE_HOME.

#include "appfolder.h"
#include "desktopdriver.h"
#include "keyworddatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <memory>

using namespace korvane;
using namespace korvane::e2e;

namespace {

const QString kAppId = QStringLiteral(KORVANE_APP_ID);
constexpr int kTimeout = 20000;

QString windowProperty(const QString &window, const QString &name)
{
    return runTool(QStringLiteral("xprop"), {QStringLiteral("-id"), window, name});
}

// Read by a new client: the owner refuses requests stamped before it took the
// selection, and this process's last server time is older than that.
QString clipboardText()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    xclip.waitForFinished(10000);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

int permissionBits(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

QString normalizedText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.trimmed();
}

} // namespace

class TestInstallE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void installPutsEveryFileInPlace();
    void firstStartMakesAPrivateFolderAndFindsTheTutorial();
    void dataFolderAndItsOverridesHoldTheKeyWords();

private:
    QString installed(const QString &path) const { return m_prefix + u'/' + path; }
    QString korvaneBinary() const { return installed(QStringLiteral("bin/korvane")); }
    // The environment of a desktop session with `home` and no KORVANE_HOME.
    QProcessEnvironment sessionEnvironment(const QString &home) const;
    // Links `keyWord` in `folder`'s database to a program that leaves the file
    // "launched-WHICH" beside itself.
    void addMarkerKeyWord(const QString &folder, const QString &keyWord, const QString &which);
    QString markerFile(const QString &which) const;
    int runToEnd(const QProcessEnvironment &environment, const QStringList &arguments);

    QTemporaryDir m_root;
    QString m_prefix;
    std::unique_ptr<QProcess> m_korvane;
};

void TestInstallE2E::initTestCase()
{
    QVERIFY(m_root.isValid());
    qputenv("KORVANE_HOME", m_root.filePath(QStringLiteral("unused")).toLocal8Bit());
    QVERIFY(QDir::setCurrent(m_root.path()));
    m_prefix = m_root.filePath(QStringLiteral("prefix"));

    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(KORVANE_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(KORVANE_BUILD_DIR),
                   QStringLiteral("--prefix"), m_prefix});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    const QString program = m_root.filePath(QStringLiteral("Launch-Tools/Mark.sh"));
    QVERIFY(QDir().mkpath(m_root.filePath(QStringLiteral("Launch-Tools"))));
    QVERIFY(writeExecutable(program, "#!/bin/sh\ntouch \"$(dirname \"$0\")/launched-$1\"\n"));
}

void TestInstallE2E::cleanup()
{
    if (m_korvane) {
        m_korvane->kill();
        m_korvane->waitForFinished(5000);
        m_korvane.reset();
    }
}

QProcessEnvironment TestInstallE2E::sessionEnvironment(const QString &home) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name :
         {"KORVANE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    return environment;
}

void TestInstallE2E::addMarkerKeyWord(const QString &folder, const QString &keyWord,
                                      const QString &which)
{
    const QString program = m_root.filePath(QStringLiteral("Launch-Tools/Mark.sh")) + u' ' + which;
    QVERIFY(db::KeywordDatabase(folder).addLinkedRecord(keyWord, program).has_value());
}

QString TestInstallE2E::markerFile(const QString &which) const
{
    return m_root.filePath(QStringLiteral("Launch-Tools/launched-") + which);
}

int TestInstallE2E::runToEnd(const QProcessEnvironment &environment, const QStringList &arguments)
{
    QProcess korvane;
    korvane.setProcessEnvironment(environment);
    korvane.setWorkingDirectory(m_root.path());
    korvane.start(korvaneBinary(), arguments);
    if (!korvane.waitForFinished(kTimeout) || korvane.exitStatus() != QProcess::NormalExit) {
        korvane.kill();
        korvane.waitForFinished(5000);
        return -1;
    }
    return korvane.exitCode();
}

void TestInstallE2E::installPutsEveryFileInPlace()
{
    QVERIFY(QFileInfo(korvaneBinary()).isExecutable());
    QStringList shipped =
        QDir(QStringLiteral(KORVANE_DATA_SOURCE_DIR))
            .entryList({QStringLiteral("*.txt"), QStringLiteral("*.Wav")}, QDir::Files);
    shipped.removeAll(QStringLiteral("CMakeLists.txt"));
    QVERIFY(shipped.size() >= 10);
    for (const QString &name : shipped) {
        const QString copy = installed(QStringLiteral("share/korvane/") + name);
        QVERIFY2(QFileInfo::exists(copy), qPrintable(copy));
        QCOMPARE(QFileInfo(copy).size(),
                 QFileInfo(QStringLiteral(KORVANE_DATA_SOURCE_DIR "/") + name).size());
    }

    for (const QString &path :
         {QStringLiteral("share/applications/") + kAppId + QStringLiteral(".desktop"),
          QStringLiteral("share/icons/hicolor/scalable/apps/") + kAppId + QStringLiteral(".svg"),
          QStringLiteral("share/metainfo/") + kAppId + QStringLiteral(".metainfo.xml"),
          QStringLiteral("share/mime/packages/") + kAppId + QStringLiteral(".xml"),
          QStringLiteral("share/man/man1/korvane.1")})
        QVERIFY2(QFileInfo(installed(path)).size() > 0, qPrintable(path));
}

void TestInstallE2E::firstStartMakesAPrivateFolderAndFindsTheTutorial()
{
    const QString home = m_root.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home));
    const QString folder = home + QStringLiteral("/.local/share/korvane");
    QVERIFY(!QFileInfo::exists(folder));

    m_korvane = std::make_unique<QProcess>();
    m_korvane->setProcessEnvironment(sessionEnvironment(home));
    m_korvane->setWorkingDirectory(m_root.path());
    m_korvane->start(korvaneBinary(), QStringList());
    QVERIFY(m_korvane->waitForStarted(kTimeout));
    const qint64 pid = m_korvane->processId();
    QString center;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(center = windowOf(pid, QStringLiteral("^Korvane Command Center$"))).isEmpty(), kTimeout);

    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(permissionBits(folder), 0700);
    // Task bars match the window to the desktop entry's StartupWMClass.
    QCOMPARE(windowProperty(center, QStringLiteral("WM_CLASS")),
             QStringLiteral("WM_CLASS(STRING) = \"korvane\", \"korvane\""));

    // POPUP opens the menu; H chooses "&Help", the tutorial, at its first step.
    QVERIFY(activate(center));
    QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), QStringLiteral("Korvane Command Center"),
                              kTimeout);
    const int before = int(windowsOf(pid).size());
    type(QStringLiteral("popup"));
    key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(int(windowsOf(pid).size()) > before, kTimeout);
    key(QStringLiteral("h"));
    QString tutorial;
    QTRY_VERIFY_WITH_TIMEOUT(!(tutorial = windowOf(pid, QStringLiteral("^StepByStep$"))).isEmpty(),
                             kTimeout);

    // The text it shows is the installed share/korvane file: copy it out of the
    // text box through the clipboard.
    const QString expected =
        normalizedText(LoadTextFile(installed(QStringLiteral("share/korvane/pibbethello.txt"))));
    QVERIFY(expected.size() > 20);
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/pibbethello.txt")));
    QVERIFY(activate(tutorial));
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), tutorial,
             QStringLiteral("360"), QStringLiteral("200"), QStringLiteral("click"),
             QStringLiteral("1")});
    const auto copiedText = [] {
        key(QStringLiteral("ctrl+a"));
        key(QStringLiteral("ctrl+c"));
        return normalizedText(clipboardText());
    };
    QTRY_COMPARE_WITH_TIMEOUT(copiedText(), expected, kTimeout);

    // EXIT writes the window settings into the data folder, not beside the program.
    QVERIFY(activate(center));
    QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), QStringLiteral("Korvane Command Center"),
                              kTimeout);
    type(QStringLiteral("exit"));
    key(QStringLiteral("Return"));
    QVERIFY(m_korvane->waitForFinished(kTimeout));
    QCOMPARE(m_korvane->exitCode(), 0);
    QVERIFY(QFileInfo(folder + QStringLiteral("/PD.ini")).size() > 0);
    // Nothing but the program in bin/: its data never lives there.
    QCOMPARE(
        QDir(installed(QStringLiteral("bin"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("korvane")});
}

void TestInstallE2E::dataFolderAndItsOverridesHoldTheKeyWords()
{
    // The same key word in three folders, each leaving its own marker.
    const QString home = m_root.filePath(QStringLiteral("home"));
    const QString folder = home + QStringLiteral("/.local/share/korvane");
    const QString xdgData = m_root.filePath(QStringLiteral("xdg-data"));
    const QString portable = m_root.filePath(QStringLiteral("portable"));
    QVERIFY2(QFileInfo(folder).isDir(), "made by the first start");
    QVERIFY(QDir().mkpath(xdgData + QStringLiteral("/korvane")));
    QVERIFY(QDir().mkpath(portable));
    addMarkerKeyWord(folder, QStringLiteral("SWITCH"), QStringLiteral("HOMEDATA"));
    addMarkerKeyWord(xdgData + QStringLiteral("/korvane"), QStringLiteral("SWITCH"),
                     QStringLiteral("XDG"));
    addMarkerKeyWord(portable, QStringLiteral("SWITCH"), QStringLiteral("PORTABLE"));

    QProcessEnvironment environment = sessionEnvironment(home);
    QCOMPARE(runToEnd(environment, {QStringLiteral("switch")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(markerFile(QStringLiteral("HOMEDATA"))), kTimeout);
    QVERIFY(QFile::remove(markerFile(QStringLiteral("HOMEDATA"))));
    QCOMPARE(permissionBits(folder), 0700);

    environment.insert(QStringLiteral("XDG_DATA_HOME"), xdgData);
    QCOMPARE(runToEnd(environment, {QStringLiteral("switch")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(markerFile(QStringLiteral("XDG"))), kTimeout);

    environment.insert(QStringLiteral("KORVANE_HOME"), portable);
    QCOMPARE(runToEnd(environment, {QStringLiteral("switch")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(markerFile(QStringLiteral("PORTABLE"))), kTimeout);

    // Started programs run detached: give a wrong one time to show up.
    QTest::qWait(500);
    QVERIFY(!QFileInfo::exists(markerFile(QStringLiteral("HOMEDATA"))));
}

QTEST_GUILESS_MAIN(TestInstallE2E)
#include "test_install_e2e.moc"
