// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's installed applications: which one a stored program belongs to, how
// an Exec value becomes a command line without field codes, and what the GIO
// backend lists from desktop entries written here (NoDisplay, Hidden, TryExec,
// OnlyShowIn, NotShowIn, the user's own folder, a program found on PATH), each
// environment in a child process, as GLib reads it once per process.

#include "desktopentrycommand.h"
#include "installedapplications.h"
#include "launchplan.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvane;

namespace {

InstalledApplication application(const QString &id, const QString &program,
                                 const QString &commandLine)
{
    return {id, id, QString(), QString(), program, commandLine};
}

const QList<InstalledApplication> kInstalled = {
    application("calculator", "/usr/bin/gnome-calculator", "/usr/bin/gnome-calculator"),
    application("shell-one", "/usr/bin/sh", "/usr/bin/sh -c \"echo one\""),
    application("shell-two", "/usr/bin/sh", "/usr/bin/sh -c \"echo two\""),
    application("editor", "/usr/bin/gedit", "/usr/bin/gedit --new-window"),
    application("login-terminal", "/usr/bin/xterm", "/usr/bin/xterm -ls"),
    application("terminal", "/usr/bin/xterm", "/usr/bin/xterm"),
    application("street", QString::fromUtf8("/opt/straße/µtool"),
                QString::fromUtf8("/opt/straße/µtool")),
};

// Desktop entries of the listing tests: file name (under "data/" for XDG_DATA_DIRS,
// "home/" for the user's folder) and content after "[Desktop Entry]".
struct Entry
{
    const char *file;
    const char *keys;
};

const Entry kEntries[] = {
    {"data/applications/plain.desktop",
     "Name=Echo Plain\nComment=Does plain things\nIcon=plain-icon\n"
     "Exec=korvane-test-tool --new-window %U\n"},
    {"data/applications/codes.desktop",
     "Name=Bravo Codes\nIcon=/icons/codes.svg\n"
     "Exec=korvane-test-tool %f %F %u %U %i %c %k --title=%c \"two words\" 100%%\n"},
    {"data/applications/absolute.desktop", "Name=Alpha Absolute\nExec=/bin/sh -c \"exit 0\"\n"},
    {"data/applications/nodisplay.desktop", "Name=No Display\nExec=korvane-test-tool\n"
                                            "NoDisplay=true\n"},
    {"data/applications/hidden.desktop", "Name=Hidden\nExec=korvane-test-tool\nHidden=true\n"},
    {"data/applications/masked.desktop", "Name=Masked\nExec=korvane-test-tool\n"},
    {"home/applications/masked.desktop", "Name=Masked\nExec=korvane-test-tool\nHidden=true\n"},
    {"data/applications/override.desktop", "Name=Foxtrot System Copy\nExec=korvane-test-tool\n"},
    {"home/applications/override.desktop", "Name=Foxtrot User Copy\nExec=korvane-test-tool -u\n"},
    {"home/applications/own.desktop", "Name=Golf Own\nExec=korvane-test-tool --own\n"},
    {"data/applications/tryexec.desktop",
     "Name=Try Exec\nExec=korvane-test-tool\nTryExec=korvane-no-such-program\n"},
    {"data/applications/missing.desktop", "Name=Missing\nExec=korvane-no-such-program %f\n"},
    {"data/applications/onlykde.desktop",
     "Name=Delta Only KDE\nExec=korvane-test-tool\nOnlyShowIn=KDE;\n"},
    {"data/applications/notgnome.desktop",
     "Name=Charlie Not GNOME\nExec=korvane-test-tool\nNotShowIn=GNOME;\n"},
};

// Desktop entries under a temporary folder, and a program on a PATH of their own.
struct DesktopEntries
{
    QTemporaryDir dir;

    DesktopEntries()
    {
        for (const Entry &entry : kEntries)
            write(entry.file, QByteArray("[Desktop Entry]\nType=Application\n") + entry.keys);
        write("bin/korvane-test-tool", "#!/bin/sh\n");
        QFile::setPermissions(tool(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString path(const QString &relative) const { return dir.filePath(relative); }
    QString tool() const { return path("bin/korvane-test-tool"); }

    void write(const QString &relative, const QByteArray &content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }

    // The helper's output lines in an environment pointing at these entries.
    QStringList list(const QString &desktop, const QStringList &arguments = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_DIRS", path("data"));
        environment.insert("XDG_DATA_HOME", path("home"));
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("PATH", path("bin") + ":/usr/bin:/bin");
        if (desktop.isEmpty())
            environment.remove("XDG_CURRENT_DESKTOP");
        else
            environment.insert("XDG_CURRENT_DESKTOP", desktop);
        QProcess lister;
        lister.setProcessEnvironment(environment);
        lister.start(LIST_INSTALLED_APPLICATIONS, arguments);
        if (!lister.waitForFinished(20000) || lister.exitCode() != 0)
            return {"helper failed: " + QString::fromUtf8(lister.readAllStandardError())};
        return QString::fromUtf8(lister.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
};

QStringList idsOf(const QStringList &lines)
{
    QStringList ids;
    for (const QString &line : lines)
        ids.append(line.section('\t', 0, 0));
    return ids;
}

} // namespace

class TestInstalledApplications : public QObject
{
    Q_OBJECT

private slots:
    void storedProgramsFindTheirApplication_data();
    void storedProgramsFindTheirApplication();
    void execBecomesACommandLine_data();
    void execBecomesACommandLine();
    void desktopEntriesAreFilteredForThisDesktop_data();
    void desktopEntriesAreFilteredForThisDesktop();
    void listedFieldsComeFromTheEntries();
    void aNewEntryIsListedOnceGLibNoticesIt();
};

void TestInstalledApplications::storedProgramsFindTheirApplication_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("id"); // empty: none matches

    QTest::newRow("program as the database stores it") << "/USR/BIN/GNOME-CALCULATOR"
                                                       << "calculator";
    QTest::newRow("padded field") << "/USR/BIN/GNOME-CALCULATOR      "
                                  << "calculator";
    QTest::newRow("command line of one of two") << "/USR/BIN/SH -C \"ECHO TWO\""
                                                << "shell-two";
    QTest::newRow("program with a file argument") << "/USR/BIN/GNOME-CALCULATOR /HOME/ME/SUMS"
                                                  << "calculator";
    QTest::newRow("shared program: the plain entry") << "/USR/BIN/XTERM -E TOP"
                                                     << "terminal";
    QTest::newRow("shared program, no plain entry") << "/USR/BIN/SH"
                                                    << "";
    QTest::newRow("bare name with an argument") << "GEDIT /TMP/NOTES"
                                                << "editor";
    QTest::newRow("sharp s and micro sign kept by the database")
        << QString::fromUtf8("/OPT/STRAßE/µTOOL") << "street";
    QTest::newRow("same name in another folder") << "/USR/LOCAL/BIN/GNOME-CALCULATOR"
                                                 << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestInstalledApplications::storedProgramsFindTheirApplication()
{
    QFETCH(QString, stored);
    QFETCH(QString, id);
    const std::optional<InstalledApplication> found = matchApplication(kInstalled, stored);
    QCOMPARE(found ? found->id : QString(), id);
    QVERIFY(!matchApplication({}, stored));
}

void TestInstalledApplications::execBecomesACommandLine_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("commandLine"); // "SH" stands for sh's full path; empty: none

    QTest::newRow("files and addresses") << "sh %f %F %u %U"
                                         << "SH";
    QTest::newRow("icon, name and location") << "sh %i %c %k -x"
                                             << "SH -x";
    QTest::newRow("code inside an argument") << "sh --title=%c"
                                             << "SH --title=";
    QTest::newRow("percent signs") << "sh 100%% %%u"
                                   << "SH 100% %u";
    QTest::newRow("quoted words") << "sh -c \"echo 'a b'\" %U"
                                  << "SH -c \"echo 'a b'\"";
    QTest::newRow("escaped quote") << "sh \"say \\\"hi\\\"\""
                                   << "SH \"say \\\"hi\\\"\"";
    QTest::newRow("empty argument") << "sh \"\""
                                    << "SH \"\"";
    QTest::newRow("absolute program") << "/bin/sh -x"
                                      << "/bin/sh -x";
    QTest::newRow("program not on PATH") << "korvane-no-such-program %f"
                                         << "";
    QTest::newRow("only field codes") << "%f %U"
                                      << "";
    QTest::newRow("unterminated quote") << "sh \"open"
                                        << "";
}

void TestInstalledApplications::execBecomesACommandLine()
{
    QFETCH(QString, exec);
    QFETCH(QString, commandLine);
    const QString sh = QStandardPaths::findExecutable("sh");
    QVERIFY(!sh.isEmpty());
    if (commandLine.startsWith("SH"))
        commandLine.replace(0, 2, sh);

    const std::optional<EntryCommand> command = commandFromExec(exec);
    QCOMPARE(command ? command->commandLine : QString(), commandLine);
    if (command)
        QCOMPARE(command->program, splitCommandLine(commandLine).first());
}

void TestInstalledApplications::desktopEntriesAreFilteredForThisDesktop_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QStringList>("notShown");

    QTest::newRow("no desktop named") << "" << QStringList{"onlykde.desktop"};
    QTest::newRow("KDE") << "KDE" << QStringList{};
    QTest::newRow("GNOME in a list")
        << "ubuntu:GNOME" << QStringList{"notgnome.desktop", "onlykde.desktop"};
}

void TestInstalledApplications::desktopEntriesAreFilteredForThisDesktop()
{
    QFETCH(QString, desktop);
    QFETCH(QStringList, notShown);
    // Every entry that GLib or the desktop keys do not hide, in name order.
    QStringList ids = {"absolute.desktop", "codes.desktop", "notgnome.desktop",
                       "onlykde.desktop",  "plain.desktop", "override.desktop",
                       "own.desktop"};
    for (const QString &id : std::as_const(notShown))
        ids.removeOne(id);
    const DesktopEntries entries;
    QCOMPARE(idsOf(entries.list(desktop)), ids);
}

void TestInstalledApplications::listedFieldsComeFromTheEntries()
{
    const DesktopEntries entries;
    const QString tool = entries.tool();
    const QStringList expected = {
        "absolute.desktop\tAlpha Absolute\t\t\t/bin/sh\t/bin/sh -c \"exit 0\"",
        "codes.desktop\tBravo Codes\t\t/icons/codes.svg\t" + tool + '\t' + tool +
            " --title= \"two words\" 100%",
        "notgnome.desktop\tCharlie Not GNOME\t\t\t" + tool + '\t' + tool,
        "plain.desktop\tEcho Plain\tDoes plain things\tplain-icon\t" + tool + '\t' + tool +
            " --new-window",
        "override.desktop\tFoxtrot User Copy\t\t\t" + tool + '\t' + tool + " -u",
        "own.desktop\tGolf Own\t\t\t" + tool + '\t' + tool + " --own",
    };
    QCOMPARE(entries.list(QString()), expected);
}

void TestInstalledApplications::aNewEntryIsListedOnceGLibNoticesIt()
{
    const DesktopEntries entries;
    entries.write("new.desktop", "[Desktop Entry]\nType=Application\nName=Hotel New\n"
                                 "Exec=korvane-test-tool --new\n");
    const QStringList lines =
        entries.list("GNOME", {"--then-add", entries.path("new.desktop"),
                               entries.path("home/applications/new.desktop")});
    const qsizetype separator = lines.indexOf("--");
    QVERIFY2(separator > 0, qPrintable(lines.join('\n')));
    QVERIFY(!idsOf(lines.mid(0, separator)).contains("new.desktop"));
    QCOMPARE(idsOf(lines.mid(separator + 1)).last(), "new.desktop");
}

QTEST_GUILESS_MAIN(TestInstalledApplications)
#include "test_installed_applications.moc"
