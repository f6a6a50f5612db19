// The desktop entry, AppStream metainfo, man page and MIME type as the desktop's
// own tools read them: each validator passes without a warning, and the files
// agree on the application id.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kAppId = QStringLiteral(KORVANE_APP_ID);
const QString kSourceDir = QStringLiteral(KORVANE_DESKTOP_SOURCE_DIR "/");
const QString kBuiltDir = QStringLiteral(KORVANE_DESKTOP_BINARY_DIR "/");

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The value of `key` in the [Desktop Entry] group.
QString desktopValue(const QString &text, const QString &key)
{
    const QRegularExpression line(QStringLiteral("^") + QRegularExpression::escape(key) +
                                      QStringLiteral("=(.*)$"),
                                  QRegularExpression::MultilineOption);
    return line.match(text).captured(1);
}

} // namespace

class TestDesktopFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void desktopEntryValidatesAndOpensScripts();
    void metainfoValidatesAndNamesTheEntry();
    void manPageRendersWithoutWarnings();
    void mimeTypeClaimsVlmFiles();

private:
    QTemporaryDir m_home;
};

void TestDesktopFiles::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("KORVANE_HOME", m_home.path().toLocal8Bit());
    QVERIFY(QDir::setCurrent(m_home.path()));
}

void TestDesktopFiles::desktopEntryValidatesAndOpensScripts()
{
    const QString entry = kSourceDir + kAppId + QStringLiteral(".desktop");
    const Run validate = run(QStringLiteral("desktop-file-validate"), {entry});
    QCOMPARE(validate.exitCode, 0);
    QCOMPARE(validate.out + validate.err, QString());

    const QString text = readText(entry);
    QCOMPARE(desktopValue(text, QStringLiteral("Icon")), kAppId);
    QVERIFY(QFile::exists(kSourceDir + kAppId + QStringLiteral(".svg")));
    // A file manager hands a script over as one file argument.
    QCOMPARE(desktopValue(text, QStringLiteral("Exec")), QStringLiteral("korvane %f"));
    QVERIFY(desktopValue(text, QStringLiteral("MimeType"))
                .split(u';')
                .contains(QStringLiteral("text/x-korvane-script")));
    // The window's class, for desktops that match windows to entries by it.
    QCOMPARE(desktopValue(text, QStringLiteral("StartupWMClass")), QStringLiteral("korvane"));
}

void TestDesktopFiles::metainfoValidatesAndNamesTheEntry()
{
    const QString metainfo = kBuiltDir + kAppId + QStringLiteral(".metainfo.xml");
    const Run validate =
        run(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             QStringLiteral("--no-color"), metainfo});
    QVERIFY2(validate.exitCode == 0, qPrintable(validate.out + validate.err));
    QVERIFY2(validate.out.contains(QStringLiteral("Validation was successful")),
             qPrintable(validate.out));
    // Only pedantic remarks are allowed, no warnings or infos.
    QVERIFY2(!validate.out.contains(QRegularExpression(QStringLiteral("^[EWI]: "),
                                                       QRegularExpression::MultilineOption)),
             qPrintable(validate.out));

    const QString text = readText(metainfo);
    QVERIFY(text.contains(QStringLiteral("<launchable type=\"desktop-id\">") + kAppId +
                          QStringLiteral(".desktop</launchable>")));
    QVERIFY(text.contains(QStringLiteral("<release version=\"" KORVANE_VERSION "\"")));
}

void TestDesktopFiles::manPageRendersWithoutWarnings()
{
    const QString page = kBuiltDir + QStringLiteral("korvane.1");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    environment.insert(QStringLiteral("MAN_KEEP_FORMATTING"), QString());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const Run man = run(QStringLiteral("man"),
                        {QStringLiteral("--warnings=all"), QStringLiteral("-P"),
                         QStringLiteral("cat"), QStringLiteral("-l"), page},
                        environment);
    QCOMPARE(man.exitCode, 0);
    QCOMPARE(man.err, QString());
    // groff's own check, every warning enabled.
    const Run groff =
        run(QStringLiteral("groff"), {QStringLiteral("-man"), QStringLiteral("-Tutf8"),
                                      QStringLiteral("-ww"), QStringLiteral("-z"), page});
    QCOMPARE(groff.exitCode, 0);
    QCOMPARE(groff.err, QString());

    // Bold and underlining come as overstrikes on a terminal; compare the letters.
    QString text = man.out;
    text.remove(QRegularExpression(QStringLiteral(".\b")));
    QVERIFY(text.startsWith(QStringLiteral("KORVANE(1)")));
    QVERIFY(text.contains(QStringLiteral("Korvane " KORVANE_VERSION)));
    QVERIFY(text.contains(QStringLiteral("\nSYNOPSIS\n")));
    // Characters groff would otherwise take as its own.
    for (const char *name : {"--version", "~/.local/share/korvane", "`SET text", "{ENTER}"})
        QVERIFY2(text.contains(QLatin1String(name)), name);
}

void TestDesktopFiles::mimeTypeClaimsVlmFiles()
{
    // The database of a fresh data folder holding only our package.
    const QString mime = m_home.filePath(QStringLiteral("mime"));
    QVERIFY(QDir().mkpath(mime + QStringLiteral("/packages")));
    QVERIFY(QFile::copy(kSourceDir + kAppId + QStringLiteral(".xml"),
                        mime + QStringLiteral("/packages/") + kAppId + QStringLiteral(".xml")));
    const Run update = run(QStringLiteral("update-mime-database"), {QStringLiteral("-V"), mime});
    QCOMPARE(update.exitCode, 0);
    QVERIFY2(!update.err.contains(QRegularExpression(QStringLiteral("rror|arning"))),
             qPrintable(update.err));

    QVERIFY(readText(mime + QStringLiteral("/globs2"))
                .contains(QStringLiteral(":text/x-korvane-script:*.vlm")));
    const QString type = readText(mime + QStringLiteral("/text/x-korvane-script.xml"));
    QVERIFY(type.contains(QStringLiteral("<sub-class-of type=\"text/plain\"/>")));
    QVERIFY(type.contains(QStringLiteral("Korvane script")));
}

QTEST_GUILESS_MAIN(TestDesktopFiles)
#include "test_desktop_files.moc"
