// SPDX-License-Identifier: GPL-3.0-or-later
// One running command center per user and Application folder: the lock, and the
// "Show.Txt" signal of a second start.

#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

#include <unistd.h>

using namespace korvane;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void lockPerUserAndFolder();
    void showSignalIsTakenAndReported();
    void secondStartAsksOverTheSocket();
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
    ShowRequestListener listener(home.path());
    QSignalSpy shown(&listener, &ShowRequestListener::showRequested);
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

    // A folder of that name asks nothing, however often the folder changes.
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("SHOW.TXT")));
    QFile other(home.filePath(QStringLiteral("other")));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    QTest::qWait(300);
    QCOMPARE(shown.size(), 2);
}

void TestSingleInstance::secondStartAsksOverTheSocket()
{
    // A folder in the signal file's place (as a read-only folder, it cannot be
    // written): the request still arrives, with the activation token.
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Show.Txt")));
    ShowRequestListener listener(home.path());
    QSignalSpy shown(&listener, &ShowRequestListener::showRequested);
    QString reason;
    auto requesting = std::async(
        std::launch::async, [&] { reason = requestShow(home.path(), QStringLiteral("token-42")); });
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 5000);
    requesting.wait();
    QCOMPARE(reason, QString());
    QCOMPARE(shown.first().first().toString(), QStringLiteral("token-42"));

    // Nobody listening and no file written: the second start says why.
    QTemporaryDir deserted;
    QVERIFY(QDir(deserted.path()).mkdir(QStringLiteral("Show.Txt")));
    const QString why = requestShow(deserted.path(), {});
    QVERIFY2(why.contains(QStringLiteral("Show.Txt")), qPrintable(why));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
