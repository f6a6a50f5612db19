// SPDX-License-Identifier: GPL-3.0-or-later
// Times what the installed applications cost, in the places a user meets them:
// - reading them from desktop entries through GIO, the first time and from the
//   cache (kApplications generated entries, plus what the machine has);
// - building the command center's Applications and Key Words submenus at 10,000
//   and 100,000 records, with no installed application (no icon look-up at all)
//   and with kApplications of them, a tenth of the stored programs matching;
// - popping the Applications submenu up until it is on screen, both ways.
// Prints a table and @result lines for bench/run.

#include "applicationicons.h"
#include "benchsupport.h"
#include "commandcentermenu.h"
#include "gioapplications.h"
#include "keyworddatabase.h"
#include "menuicons.h"
#include "records.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <optional>

using namespace korvane;
using korvane::bench::printResult;

namespace {

constexpr int kApplications = 300;
constexpr int kRepeats = 5;
// Generic icons the Adwaita theme has, so look-ups find real files.
const char *const kIconNames[] = {"accessories-calculator", "accessories-text-editor",
                                  "utilities-terminal",     "web-browser",
                                  "system-file-manager",    "help-browser",
                                  "preferences-system",     "system-software-install",
                                  "camera-photo",           "applications-system"};

QString programFor(int i)
{
    return QStringLiteral("/usr/local/bin/tool-%1").arg(i, 6, 10, QLatin1Char('0'));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Desktop entries for kApplications programs on a PATH of their own, read through
// XDG_DATA_DIRS ahead of the system's.
void writeDesktopEntries(const QString &folder)
{
    QDir().mkpath(folder + QStringLiteral("/bin"));
    for (int i = 0; i < kApplications; ++i) {
        const QString name = QStringLiteral("bench-tool-%1").arg(i);
        const QString program = folder + QStringLiteral("/bin/") + name;
        if (!QFile::link(QStringLiteral("/bin/true"), program))
            qFatal("cannot link %s", qPrintable(program));
        writeFile(folder + QStringLiteral("/data/applications/") + name +
                      QStringLiteral(".desktop"),
                  QStringLiteral("[Desktop Entry]\nType=Application\nName=Tool %1\n"
                                 "Comment=Does thing number %1\nIcon=%2\nExec=%3 %U\n")
                      .arg(i)
                      .arg(QLatin1String(kIconNames[i % std::size(kIconNames)]), name)
                      .toUtf8());
    }
}

// The record file alone (the menus read nothing else): `records` key words, each
// linked to one of `programs` distinct programs.
void writeRecords(const QString &folder, int records, int programs)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(records) * db::kRecordSize);
    for (int i = 1; i <= records; ++i) {
        const db::KeywordRecord record{
            db::kStatusActive,
            db::fitField(db::upperCase(programFor(i % programs)), db::kProgramWidth),
            db::fitField(QStringLiteral("WORD%1").arg(i, 6, 10, QLatin1Char('0')),
                         db::kKeyWordWidth)};
        bytes += db::encodeRecord(record);
    }
    writeFile(folder + u'/' + db::kRecordFileName, bytes);
}

class ListedApplications : public InstalledApplications
{
public:
    QList<InstalledApplication> list() override { return applications; }
    QList<InstalledApplication> applications;
};

// A tenth of the database's first programs are installed applications.
QList<InstalledApplication> installedFor(int programs)
{
    QList<InstalledApplication> applications;
    for (int i = 0; i < kApplications; ++i) {
        const QString program = programFor(i * 10 % programs);
        applications.append({QString::number(i), QString::number(i), QString(),
                             QLatin1String(kIconNames[i % std::size(kIconNames)]), program,
                             program});
    }
    return applications;
}

double medianMs(int repeats, const std::function<void()> &prepare, const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return korvane::bench::median(times);
}

void waitUntilExposed(QMenu *menu)
{
    while (!menu->windowHandle() || !menu->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Figures for one database: the submenus built without and with installed
// applications, popped up, and the icon step alone on an already built submenu.
void benchmarkMenus(int records, int programs)
{
    QTemporaryDir dir;
    writeRecords(dir.path(), records, programs);
    const db::KeywordDatabase database(dir.path());
    const db::AvailableLists lists = db::buildAvailableLists(database);
    QWidget window;
    ListedApplications applications;
    CommandCenterMenu menu(database, &window);
    menu.showApplicationIcons(applications);
    // A 100,000-entry submenu takes seconds to build whatever the icons: once is enough.
    const int repeats = records >= 100000 ? 1 : kRepeats;

    const auto fill = [&](QMenu *submenu) { emit submenu->aboutToShow(); };
    // Hidden before each run: a shown menu resizes itself on every entry added.
    const auto fresh = [&] {
        menu.applicationsMenu()->hide();
        menu.setLists(lists);
    };
    const QString key = QStringLiteral("menu.%1.%2.").arg(records).arg(programs);
    double figures[2][3] = {};
    for (const bool withIcons : {false, true}) {
        applications.applications =
            withIcons ? installedFor(programs) : QList<InstalledApplication>();
        double *row = figures[withIcons];
        row[0] = medianMs(repeats, fresh, [&] { fill(menu.applicationsMenu()); });
        row[1] = medianMs(repeats, fresh, [&] { fill(menu.keyWordsMenu()); });
        row[2] = medianMs(repeats, fresh, [&] {
            menu.applicationsMenu()->popup(QPoint(0, 0));
            waitUntilExposed(menu.applicationsMenu());
        });
        const QString suffix = withIcons ? QStringLiteral("icons_ms") : QStringLiteral("plain_ms");
        printResult(key + QStringLiteral("applications.") + suffix, row[0]);
        printResult(key + QStringLiteral("keywords.") + suffix, row[1]);
        printResult(key + QStringLiteral("shown.") + suffix, row[2]);
    }
    menu.applicationsMenu()->hide();

    // The icon step alone, on the Key Words submenu as built without icons: a fresh
    // look-up table each time (reading the applications and indexing them included).
    applications.applications.clear();
    menu.setLists(lists);
    fill(menu.keyWordsMenu());
    QStringList keyWordPrograms; // as writeRecords linked them
    keyWordPrograms.reserve(lists.keyWords.size());
    for (const db::RecordItem &item : lists.keyWords)
        keyWordPrograms.append(db::upperCase(programFor(item.recordNumber % programs)));
    applications.applications = installedFor(programs);
    std::optional<ApplicationIcons> icons;
    const double iconStep = medianMs(
        kRepeats, [&] { icons.emplace(applications); },
        [&] { setProgramIcons(menu.keyWordsMenu(), keyWordPrograms, *icons); });
    printResult(key + QStringLiteral("keywords.icon_step_ms"), iconStep);

    std::printf("%8d %8d   %8.1f %8.1f   %8.1f %8.1f   %8.1f %8.1f   %8.1f\n", records, programs,
                figures[0][0], figures[1][0], figures[0][1], figures[1][1], figures[0][2],
                figures[1][2], iconStep);
}

} // namespace

int main(int argc, char *argv[])
{
    // GLib reads these once, on first use: set before anything asks it.
    QTemporaryDir entries;
    writeDesktopEntries(entries.path());
    qputenv("XDG_DATA_DIRS", (entries.path() + QStringLiteral("/data:") +
                              qEnvironmentVariable("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
                                 .toLocal8Bit());
    qputenv(
        "PATH",
        (entries.path() + QStringLiteral("/bin:") + qEnvironmentVariable("PATH")).toLocal8Bit());
    QApplication application(argc, argv);

    GioApplications gio;
    QList<InstalledApplication> listed;
    QElapsedTimer timer;
    timer.start();
    listed = gio.list();
    const double first = timer.nsecsElapsed() / 1e6;
    timer.restart();
    listed = gio.list();
    const double cached = timer.nsecsElapsed() / 1e6;
    timer.restart();
    for (const InstalledApplication &installed : std::as_const(listed))
        applicationIcon(installed.iconName);
    const double icons = timer.nsecsElapsed() / 1e6;
    std::printf("Installed applications through GIO: %lld listed (%d written here); first "
                "reading %.1f ms, from the cache %.3f ms; their icons found in %.1f ms\n\n",
                qlonglong(listed.size()), kApplications, first, cached, icons);
    printResult(QStringLiteral("apps.count"), double(listed.size()), 0);
    printResult(QStringLiteral("apps.list.first_ms"), first);
    printResult(QStringLiteral("apps.list.cached_ms"), cached, 3);
    printResult(QStringLiteral("apps.icons_ms"), icons);

    std::printf("Submenus, ms (median of %d; one run at 100,000 records): built on aboutToShow "
                "(Applications, Key Words), and the Applications submenu popped up until "
                "exposed; without installed applications, then with %d (a tenth of the "
                "programs matching); last, the icon step alone on the built Key Words submenu\n",
                kRepeats, kApplications);
    std::printf("%8s %8s   %17s   %17s   %17s   %8s\n", "records", "programs", "Applications",
                "Key Words", "shown", "icons");
    std::printf("%8s %8s   %8s %8s   %8s %8s   %8s %8s   %8s\n", "", "", "plain", "icons", "plain",
                "icons", "plain", "icons", "step");
    for (const auto &[records, programs] : {std::pair{10000, 500}, std::pair{10000, 10000},
                                            std::pair{100000, 500}, std::pair{100000, 100000}})
        benchmarkMenus(records, programs);
    return 0;
}
