// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the README's picture of the command center suggesting key words: a small
// database, "NOTE" typed into the field, the second suggestion chosen; the bar and
// the list under it are grabbed and drawn into one PNG at their places on screen.

#include "commandcenterwindow.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace korvane;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: suggestions_picture OUTPUT.png\n", stderr);
        return 2;
    }
    QTemporaryDir home;
    qputenv("KORVANE_HOME", home.path().toLocal8Bit());
    db::KeywordDatabase database(home.path());
    const std::pair<const char *, const char *> links[] = {
        {"notepad", "/usr/bin/mousepad"},
        {"notes", "/usr/bin/gedit /home/ann/notes.txt"},
        {"notes", "/usr/bin/xterm -e vim /home/ann/todo.txt"},
        {"notebook", "/usr/bin/jupyter-notebook"},
        {"keynote", "/usr/bin/libreoffice --impress"},
        {"release notes", "/usr/bin/firefox /home/ann/release-notes.html"},
        {"mail", "/usr/bin/thunderbird"},
    };
    for (const auto &[word, program] : links)
        if (!database.addLinkedRecord(QString::fromLatin1(word), QString::fromLatin1(program)))
            qFatal("cannot write the database in %s", qPrintable(home.path()));

    FakePlatform platform;
    CommandCenterWindow window(platform, WindowDirectory{});
    window.moveToTwips(1500, 1500);
    window.load();
    window.activateWindow();
    QTest::qWaitForWindowActive(&window);
    window.keyWordField()->setFocus();
    QTest::keyClicks(window.keyWordField(), QStringLiteral("note"));
    QTest::keyClick(window.keyWordField(), Qt::Key_Down);
    QTest::keyClick(window.keyWordField(), Qt::Key_Down);
    QTest::qWait(300);
    SuggestionList &list = window.suggestions();
    if (!list.isVisible() || list.rowCount() == 0)
        qFatal("the suggestion list is not shown");

    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    const QRect bar(origin, window.size());
    const QRect below(list.mapToGlobal(QPoint(0, 0)), list.size());
    const QRect both = bar.united(below);
    QImage picture(both.size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(bar.topLeft() - both.topLeft(), window.grab());
    painter.drawPixmap(below.topLeft() - both.topLeft(), list.grab());
    painter.end();
    if (!picture.save(QString::fromLocal8Bit(argv[1])))
        qFatal("cannot write %s", argv[1]);
    return 0;
}
