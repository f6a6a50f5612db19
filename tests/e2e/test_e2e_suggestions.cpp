// SPDX-License-Identifier: GPL-3.0-or-later
// The real korvane binary under Xvfb with openbox, driven through XTEST as a user
// would: a prefix typed into the field, a suggestion chosen with Down and Enter
// starts that key word's program, and no other.

#include "desktopdriver.h"
#include "keyworddatabase.h"
#include "testhome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace korvane;
using namespace korvane::e2e;

constexpr int kTimeout = 15000;

class TestE2ESuggestions : public QObject
{
    Q_OBJECT

private slots:
    void chosenSuggestionStartsItsProgram();
};

void TestE2ESuggestions::chosenSuggestionStartsItsProgram()
{
    test::TempHome home;
    const QString script = home.file("Mark.sh");
    QVERIFY(writeExecutable(script, "#!/bin/sh\ntouch \"$(dirname \"$0\")/launched-$1\"\n"));
    // "MARK" is the start of two key words and inside a third.
    db::KeywordDatabase database(home.path());
    for (const QString word : {"marker", "markdown", "remark"})
        QVERIFY(database.addLinkedRecord(word, script + ' ' + word));
    // The files the script has left (the database keeps its argument in upper case).
    const auto launched = [&home] {
        return QDir(home.path()).entryList({"launched-*"}, QDir::Files).join(' ');
    };

    QProcess korvane;
    korvane.setWorkingDirectory(home.path());
    korvane.setProcessChannelMode(QProcess::ForwardedChannels); // its reasons, when it fails
    korvane.start(KORVANE_BINARY);
    QVERIFY(activate(windowOf(korvane.processId(), "^Korvane Command Center$", kTimeout)));
    // The prefix group in order (MARKDOWN, MARKER), then the words containing it.
    type("mark");
    key("Down Down Down Return");
    QTRY_COMPARE_WITH_TIMEOUT(launched(), "launched-REMARK", kTimeout);
    QTest::qWait(300);
    QCOMPARE(launched(), "launched-REMARK"); // that program alone

    korvane.kill();
    korvane.waitForFinished(5000);
}

QTEST_MAIN(TestE2ESuggestions)
#include "test_e2e_suggestions.moc"
