// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's installed applications: which one a stored program belongs to, how
// an Exec value becomes a command line without field codes, and what the GIO
// backend lists from desktop entries written here (NoDisplay, Hidden, TryExec,
// OnlyShowIn, the user's own folder, a program found on PATH).

#include "desktopentrycommand.h"
#include "gioapplications.h"
#include "installedapplications.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QtTest>

using namespace korvane;

class TestInstalledApplications : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void storedProgramsFindTheirApplication();
    void execBecomesACommandLine();
    void desktopEntriesAreFilteredForThisDesktop();
    void aNewEntryIsListedOnceGLibNoticesIt();

private:
    bool write(const QString &name, const QByteArray &content) const
    {
        QDir().mkpath(QFileInfo(m_dir.filePath(name)).path());
        QSaveFile file(m_dir.filePath(name)); // whole, as GLib may read it at once
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
               file.commit() &&
               QFile::setPermissions(file.fileName(), QFile::ReadOwner | QFile::ExeOwner);
    }
    // What GioApplications lists, one line per entry, the folder called "T".
    QStringList listed(GioApplications &applications) const
    {
        QStringList lines;
        for (const InstalledApplication &a : applications.list())
            lines.append(QString("%1\t%2\t%3\t%4\t%5\t%6")
                             .arg(a.id, a.name, a.comment, a.iconName, a.program, a.commandLine));
        return lines.replaceInStrings(m_dir.path(), "T");
    }

    QTemporaryDir m_dir;
};

// GLib reads the environment once per process, so it is set before any look-up:
// "T/data" is XDG_DATA_DIRS, "T/home" the user's folder, "ktool" is on PATH and
// the desktop is KDE.
void TestInstalledApplications::initTestCase()
{
    const char *entries[][2] = {
        {"plain", "Name=Echo Plain\nComment=Does plain things\nIcon=plain-icon\n"
                  "Exec=ktool -n %U"},
        {"zulu", "Name=charlie\nExec=ktool"},
        {"nodisplay", "Name=ND\nExec=ktool\nNoDisplay=true"},
        {"hidden", "Name=Hidden\nExec=ktool\nHidden=true"},
        {"tryexec", "Name=Try\nExec=ktool\nTryExec=korvane-no-such-program"},
        {"missing", "Name=Missing\nExec=korvane-no-such-program %f"},
        {"onlykde", "Name=Delta\nExec=ktool\nOnlyShowIn=KDE;"},
        {"onlygnome", "Name=Gnome\nExec=ktool\nOnlyShowIn=GNOME;"},
    };
    QVERIFY(write("bin/ktool", "#!/bin/sh\n") && QDir(m_dir.path()).mkpath("home/applications"));
    for (const auto &[name, keys] : entries)
        QVERIFY(write(QString("data/applications/%1.desktop").arg(name),
                      QByteArray("[Desktop Entry]\nType=Application\n") + keys + '\n'));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir.filePath("data")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("home")));
    qputenv("PATH", QFile::encodeName(m_dir.filePath("bin")) + ":/usr/bin:/bin");
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
}

void TestInstalledApplications::storedProgramsFindTheirApplication()
{
    const auto app = [](const char *id, const QString &program, const QString &commandLine) {
        return InstalledApplication{id, id, QString(), QString(), program, commandLine};
    };
    const QString street = QString::fromUtf8("/opt/straße/µtool");
    const QList<InstalledApplication> installed = {
        app("calculator", "/usr/bin/gnome-calculator", "/usr/bin/gnome-calculator"),
        app("shell-one", "/usr/bin/sh", "/usr/bin/sh -c \"echo one\""),
        app("shell-two", "/usr/bin/sh", "/usr/bin/sh -c \"echo two\""),
        app("editor", "/usr/bin/gedit", "/usr/bin/gedit --new-window"),
        app("login-terminal", "/usr/bin/xterm", "/usr/bin/xterm -ls"),
        app("terminal", "/usr/bin/xterm", "/usr/bin/xterm"),
        app("street", street, street),
    };
    // Stored as the database keeps it (upper case, padded) -> id, empty for none.
    const char *cases[][2] = {
        {"/USR/BIN/GNOME-CALCULATOR      ", "calculator"},
        {"/USR/BIN/SH -C \"ECHO TWO\"", "shell-two"},              // command line of one of two
        {"/USR/BIN/GNOME-CALCULATOR /HOME/ME/SUMS", "calculator"}, // with a file argument
        {"/USR/BIN/XTERM -E TOP", "terminal"},   // shared program: the plain entry
        {"/USR/BIN/SH", ""},                     // shared, no plain entry
        {"GEDIT /TMP/NOTES", "editor"},          // bare name with an argument
        {"/OPT/STRAßE/µTOOL", "street"},         // ß and µ kept by the database
        {"/USR/LOCAL/BIN/GNOME-CALCULATOR", ""}, // same name, another folder
        {"", ""},
    };
    for (const auto &[stored, id] : cases) {
        const std::optional<InstalledApplication> found =
            matchApplication(installed, QString::fromUtf8(stored));
        QVERIFY2((found ? found->id : QString()) == id, stored);
    }
}

void TestInstalledApplications::execBecomesACommandLine()
{
    const QString sh = QStandardPaths::findExecutable("sh");
    // Exec value -> command line, "SH" standing for sh's full path; empty: none.
    const char *cases[][2] = {
        {"sh %f %F %u %U", "SH"},
        {"sh %i %c %k -x", "SH -x"},
        {"sh --title=%c", "SH --title="},
        {"sh 100%% %%u", "SH 100% %u"},
        {"sh -c \"echo 'a b'\" %U", "SH -c \"echo 'a b'\""},
        {"sh \"say \\\"hi\\\"\"", "SH \"say \\\"hi\\\"\""},
        {"sh \"\"", "SH \"\""},
        {"/bin/sh -x", "/bin/sh -x"},
        {"korvane-no-such-program %f", ""},
        {"%f %U", ""},
        {"sh \"open", ""},
    };
    for (const auto &[exec, expected] : cases) {
        const QString commandLine = QString(expected).replace(QRegularExpression("^SH"), sh);
        const std::optional<EntryCommand> command = commandFromExec(exec);
        QVERIFY2((command ? command->commandLine : QString()) == commandLine, exec);
    }
}

void TestInstalledApplications::desktopEntriesAreFilteredForThisDesktop()
{
    GioApplications applications;
    // Sorted by name, whatever the case.
    QCOMPARE(listed(applications),
             (QStringList{"zulu.desktop\tcharlie\t\t\tT/bin/ktool\tT/bin/ktool",
                          "onlykde.desktop\tDelta\t\t\tT/bin/ktool\tT/bin/ktool",
                          "plain.desktop\tEcho Plain\tDoes plain things\tplain-icon\t"
                          "T/bin/ktool\tT/bin/ktool -n"}));
}

void TestInstalledApplications::aNewEntryIsListedOnceGLibNoticesIt()
{
    GioApplications applications;
    QCOMPARE(applications.list().size(), 3);
    QVERIFY(write("home/applications/new.desktop",
                  "[Desktop Entry]\nType=Application\nName=Hotel New\nExec=ktool --new\n"));
    QTRY_COMPARE_WITH_TIMEOUT(applications.list().size(), 4, 10000);
    QVERIFY(listed(applications).last().startsWith("new.desktop\tHotel New\t"));
}

QTEST_GUILESS_MAIN(TestInstalledApplications)
#include "test_installed_applications.moc"
