// SPDX-License-Identifier: GPL-3.0-or-later
// The real korvane binary under Xvfb with openbox, driven through XTEST as a user
// would: a prefix typed into the field, a suggestion chosen with Down and Enter
// starts that key word's program; a second start leaves the field focused with its
// text selected, so that the next word typed replaces it.

#include "desktopdriver.h"
#include "keyworddatabase.h"
#include "testhome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace korvane;
using namespace korvane::e2e;

namespace {

const QString kTitle = QStringLiteral("^Korvane Command Center$");
constexpr int kTimeout = 15000;

} // namespace

class TestE2ESuggestions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void chosenSuggestionStartsItsProgram_data();
    void chosenSuggestionStartsItsProgram();
    void secondStartSelectsTheFieldText();

private:
    // Starts korvane on the database and returns its window.
    QString startKorvane();
    // The file the script leaves for a key word (the database keeps its argument in
    // upper case).
    QString marker(const QString &word) const
    {
        return m_home->file(QStringLiteral("launched-") + word.toUpper());
    }

    std::unique_ptr<test::TempHome> m_home;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

void TestE2ESuggestions::init()
{
    m_home.reset();
    m_home = std::make_unique<test::TempHome>();
    const QString script = m_home->file(QStringLiteral("Mark.sh"));
    QVERIFY(writeExecutable(script, "#!/bin/sh\ntouch \"$(dirname \"$0\")/launched-$1\"\n"));
    // "MARK" is the start of two key words and inside a third.
    db::KeywordDatabase database(m_home->path());
    for (const char *word : {"marker", "markdown", "remark"})
        QVERIFY(database.addLinkedRecord(QString::fromLatin1(word),
                                         script + u' ' + QString::fromLatin1(word)));
}

void TestE2ESuggestions::cleanup()
{
    for (const auto &process : m_processes) {
        process->kill();
        process->waitForFinished(5000);
    }
    m_processes.clear();
}

QString TestE2ESuggestions::startKorvane()
{
    auto &process = m_processes.emplace_back(std::make_unique<QProcess>());
    process->setProgram(QStringLiteral(KORVANE_BINARY));
    process->setWorkingDirectory(m_home->path());
    process->setProcessChannelMode(QProcess::ForwardedChannels); // its reasons, when it fails
    process->start();
    QString window;
    waitUntil([&] { return !(window = windowOf(process->processId(), kTitle)).isEmpty(); },
              kTimeout);
    return window;
}

void TestE2ESuggestions::chosenSuggestionStartsItsProgram_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("started");
    // The prefix group in order (MARKDOWN, MARKER), then the words containing it.
    QTest::newRow("prefix group") << "Down Down Return"
                                  << "marker";
    QTest::newRow("containing group") << "Down Down Down Return"
                                      << "remark";
}

void TestE2ESuggestions::chosenSuggestionStartsItsProgram()
{
    QFETCH(QString, keys);
    QFETCH(QString, started);
    const QString window = startKorvane();
    QVERIFY(!window.isEmpty());
    QVERIFY(activate(window));
    type(QStringLiteral("mark"));
    key(keys);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker(started)), kTimeout);
    QTest::qWait(300);
    // That program alone.
    QCOMPARE(QDir(m_home->path()).entryList({QStringLiteral("launched-*")}, QDir::Files),
             QStringList{QStringLiteral("launched-") + started.toUpper()});
}

void TestE2ESuggestions::secondStartSelectsTheFieldText()
{
    const QString window = startKorvane();
    QVERIFY(!window.isEmpty());
    QVERIFY(activate(window));
    type(QStringLiteral("zzz"));

    QWidget other;
    other.setWindowTitle(QStringLiteral("Other window"));
    other.resize(300, 200);
    other.show();
    other.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(activeWindowName(), QStringLiteral("Other window"), kTimeout);

    QProcess second;
    second.start(QStringLiteral(KORVANE_BINARY), {});
    QVERIFY(second.waitForFinished(kTimeout));
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), window, kTimeout);
    // Had "zzz" stayed unselected, the field would read ZZZMARKER, no key word.
    type(QStringLiteral("marker"));
    key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker(QStringLiteral("marker"))), kTimeout);
}

QTEST_MAIN(TestE2ESuggestions)
#include "test_e2e_suggestions.moc"
