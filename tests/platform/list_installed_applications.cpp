// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper: prints what GioApplications lists in this process's environment,
// one application per line: id, name, comment, icon, program and command line,
// tab-separated. GLib reads XDG_DATA_DIRS and XDG_CURRENT_DESKTOP once per
// process, so each environment needs a process of its own.
//
// With `--then-add SOURCE TARGET` it then copies the entry SOURCE to TARGET, runs
// the event loop until the list changes (at most 10 s), prints "--" and the list
// again.

#include "gioapplications.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QThread>

namespace {

void print(const QList<korvane::InstalledApplication> &applications)
{
    QTextStream out(stdout);
    for (const korvane::InstalledApplication &a : applications)
        out << QStringList{a.id, a.name, a.comment, a.iconName, a.program, a.commandLine}.join(
                   u'\t')
            << '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    korvane::GioApplications applications;
    const QList<korvane::InstalledApplication> first = applications.list();
    print(first);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4 || arguments.at(1) != QLatin1String("--then-add"))
        return 0;

    const QString target = arguments.at(3);
    if (!QFile::copy(arguments.at(2), target + QStringLiteral(".part")) ||
        !QFile::rename(target + QStringLiteral(".part"), target))
        return 2;
    QElapsedTimer clock;
    clock.start();
    QList<korvane::InstalledApplication> now = applications.list();
    while (now.size() == first.size() && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
        now = applications.list();
    }
    QTextStream(stdout) << "--\n";
    print(now);
    return 0;
}
