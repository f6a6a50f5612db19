// One running command center per user and Application folder: the lock, and the
// "Show.Txt" signal of a second start.

#include "singleinstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace korvane;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void lockPerUserAndFolder();
    void showSignalIsTakenAndReported();
};

void TestSingleInstance::lockPerUserAndFolder()
{
    QTemporaryDir one;
    QTemporaryDir two;
    QVERIFY(instanceLockPath(one.path()) != instanceLockPath(two.path()));
    QVERIFY(instanceLockPath(one.path()).contains(QString::number(getuid())));
    {
        InstanceLock first(one.path());
        QVERIFY(first.tryAcquire());
        InstanceLock second(one.path());
        QVERIFY(!second.tryAcquire());
        InstanceLock other(two.path());
        QVERIFY(other.tryAcquire());
    }
    InstanceLock again(one.path());
    QVERIFY(again.tryAcquire());
}

void TestSingleInstance::showSignalIsTakenAndReported()
{
    QTemporaryDir home;
    ShowSignalWatcher watcher(home.path());
    QSignalSpy shown(&watcher, &ShowSignalWatcher::showRequested);
    QVERIFY(writeShowSignal(home.path()));
    QFile written(home.filePath(QStringLiteral("Show.Txt")));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("s\r\n"));
    written.close();
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 5000);
    QVERIFY(!QFile::exists(written.fileName()));

    // Any letter case asks too.
    QFile lower(home.filePath(QStringLiteral("show.txt")));
    QVERIFY(lower.open(QIODevice::WriteOnly));
    lower.close();
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, 5000);
    QVERIFY(!QFile::exists(lower.fileName()));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
