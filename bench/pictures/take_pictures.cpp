// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the README's picture of the installed-applications picker: the picker
// over a handful of applications with icons from the Adwaita theme, "te" typed.
// Writes application-picker.png into the folder given as the argument.

#include "applicationpicker.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

using namespace korvane;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: take_pictures FOLDER\n");
        return 2;
    }
    QIcon::setThemeName(QStringLiteral("Adwaita"));
    const auto installed = [](const char *name, const char *comment, const char *icon,
                              const char *program) {
        const QString path = QStringLiteral("/usr/bin/") + QLatin1String(program);
        return InstalledApplication{QLatin1String(program) + QStringLiteral(".desktop"),
                                    QLatin1String(name),
                                    QLatin1String(comment),
                                    QLatin1String(icon),
                                    path,
                                    path};
    };
    ApplicationPicker picker({
        installed("Calculator", "Perform arithmetic, scientific or financial calculations",
                  "accessories-calculator", "gnome-calculator"),
        installed("Characters", "Character map application", "accessories-character-map",
                  "gnome-characters"),
        installed("Help", "Help viewer for the desktop", "help-browser", "yelp"),
        installed("Terminal", "Use the command line", "utilities-terminal", "gnome-terminal"),
        installed("Text Editor", "Edit text files", "accessories-text-editor", "gedit"),
        installed("Web", "Browse the web", "web-browser", "epiphany"),
    });
    picker.resize(460, 320);
    picker.show();
    if (!QTest::qWaitForWindowExposed(&picker))
        return 1;
    QTest::keyClicks(picker.searchField(), QStringLiteral("te"));
    QTest::qWait(200);
    const QString file =
        QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("application-picker.png"));
    if (!picker.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s\n", qPrintable(file));
    return 0;
}
