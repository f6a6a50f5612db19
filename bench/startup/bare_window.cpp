// SPDX-License-Identifier: GPL-3.0-or-later
// One titled, empty Qt Widgets window and nothing else: the yardstick the start-up
// and idle benchmarks measure korvane against.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral(BARE_WINDOW_TITLE));
    window.resize(480, 120);
    window.show();
    return application.exec();
}
