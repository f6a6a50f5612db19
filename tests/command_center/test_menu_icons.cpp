// SPDX-License-Identifier: GPL-3.0-or-later
// The command center's Applications and Key Words submenus with the icons of the
// installed applications their programs belong to (fake platform, icons from
// files written here): which entries show one, and that the submenus follow a
// change of the installed applications when the lists are rebuilt.

#include "commandcenterwindow.h"
#include "fakeplatform.h"
#include "keyworddatabase.h"
#include "testhome.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QTest>

using namespace korvane;

namespace {

// An icon file of one colour.
QString writeIcon(const test::TempHome &home, const QString &name, Qt::GlobalColor colour)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = home.file(name);
    [&] { QVERIFY(image.save(path)); }();
    return path;
}

InstalledApplication application(const QString &program, const QString &icon)
{
    return {program + ".desktop", program, QString(), icon, program, program};
}

// The colour of each entry's icon as a person sees the submenu, "-" for none.
QStringList iconColours(QMenu *menu)
{
    emit menu->aboutToShow();
    QStringList colours;
    for (const QAction *action : menu->actions()) {
        colours.append(action->icon().isNull()
                           ? QStringLiteral("-")
                           : QColor(action->icon().pixmap(16).toImage().pixel(8, 8)).name());
    }
    return colours;
}

} // namespace

class TestMenuIcons : public QObject
{
    Q_OBJECT

private slots:
    void programEntriesShowTheirApplicationsIcon();
};

void TestMenuIcons::programEntriesShowTheirApplicationsIcon()
{
    test::TempHome home;
    db::KeywordDatabase database(home.path());
    QVERIFY(database.addLinkedRecord("SUMS", "/usr/bin/calc"));
    QVERIFY(database.addLinkedRecord("NOTES", "/usr/bin/notes"));
    QVERIFY(database.addLinkedRecord("MORE SUMS", "/usr/bin/calc /home/me/sums"));
    FakePlatform platform;
    platform.apps.installed = {application("/usr/bin/calc", writeIcon(home, "red.png", Qt::red))};
    CommandCenterWindow window(platform, {});
    window.load();
    CommandCenterMenu &menu = window.menu();

    const QString red = QColor(Qt::red).name();
    // "", /USR/BIN/CALC, /USR/BIN/CALC /HOME/ME/SUMS, /USR/BIN/NOTES
    QCOMPARE(iconColours(menu.applicationsMenu()), (QStringList{"-", red, red, "-"}));
    // "", MORE SUMS, NOTES, SUMS
    QCOMPARE(iconColours(menu.keyWordsMenu()), (QStringList{"-", red, "-", red}));
    QCOMPARE(iconColours(menu.keyWordProgramsMenu()), (QStringList{"-", red, "-", red}));

    // Installed since: the rebuilt submenus show it.
    platform.apps.installed.append(
        application("/usr/bin/notes", writeIcon(home, "blue.png", Qt::blue)));
    window.reloadLists();
    const QString blue = QColor(Qt::blue).name();
    QCOMPARE(iconColours(menu.applicationsMenu()), (QStringList{"-", red, red, blue}));
    QCOMPARE(iconColours(menu.keyWordsMenu()), (QStringList{"-", red, blue, red}));
}

QTEST_MAIN(TestMenuIcons)
#include "test_menu_icons.moc"
