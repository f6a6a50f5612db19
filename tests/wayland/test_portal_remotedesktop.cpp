// SPDX-License-Identifier: GPL-3.0-or-later
// Keystrokes through the RemoteDesktop portal, against portal_standin on the
// private session bus this test runs in: the Request/Response sequence, consent
// asked once and the restore token kept, and a declined request. What the keys
// type, and what is refused before any goes out, the e2e tests see in windows.

#include "portalremotedesktop.h"
#include "remotedesktopkeyboard.h"
#include "waylandtest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace korvane;

class TestPortalRemoteDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: run inside dbus-run-session");
        m_portal.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_tokenPath = m_dir->filePath(u"config/korvane/remote-desktop-token"_s);
    }
    void cleanup()
    {
        m_portal.kill();
        m_portal.waitForFinished();
        // The next stand-in must be able to take the name.
        QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            u"org.freedesktop.portal.Desktop"_s));
    }
    void consentAskedOnce()
    {
        QVERIFY(startPortal());
        // Each run's line: the desktop asks (or not), hands back a token that is kept.
        const struct
        {
            const char *storedBefore; // written before the run: a revoked token
            QString line;
            int asked;                // how often the user was asked by then
            const char *presented;    // the token the run showed the portal
        } runs[] = {{nullptr, u"a"_s, 1, nullptr},
                    {nullptr, u"b"_s, 1, "standin-token-1"},
                    {"revoked-token", u"c"_s, 2, "revoked-token"}};
        int number = 0;
        for (const auto &run : runs) {
            if (run.storedBefore)
                QVERIFY(writeRestoreToken(m_tokenPath, QString::fromLatin1(run.storedBefore)));
            auto keyboard = makeKeyboard();
            QVERIFY2(keyboard->sendKeys(run.line, true), qPrintable(keyboard->lastFailure()));
            QCOMPARE(log(u"^consent-asked"_s).size(), run.asked);
            if (run.presented)
                QCOMPARE(log(u"^restore-token"_s).constLast(), u"restore-token "_s + run.presented);
            QCOMPARE(readRestoreToken(m_tokenPath), u"standin-token-%1"_s.arg(++number));
            keyboard.reset();
            QTRY_COMPARE(log(u"^session-closed"_s).size(), number);
        }
        QVERIFY(log(u"^select"_s).contains(u"select types=1 persist=2"_s));
        // Every run's key arrived.
        QCOMPARE(log(u"^keysym 0x6[1-3] press"_s),
                 QStringList({u"keysym 0x61 press"_s, u"keysym 0x62 press"_s, u"keysym 0x63 press"_s}));
    }
    void declinedRequest_data()
    {
        QTest::addColumn<QStringList>("portalArguments");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("asked"); // how often the user is asked, over two lines
        QTest::newRow("the user declines") << QStringList{u"--deny"_s} << u"declined"_s << 1;
        QTest::newRow("no keyboard offered") << QStringList{u"--devices"_s, u"2"_s}
                                             << u"offers no keyboard"_s << 0;
    }
    void declinedRequest()
    {
        QFETCH(QStringList, portalArguments);
        QFETCH(QString, message);
        QVERIFY(startPortal(portalArguments));
        auto keyboard = makeKeyboard();
        // The second line is refused the same way, without asking the user again.
        for (const QString &line : {u"abc"_s, u"d"_s}) {
            QVERIFY(!keyboard->sendKeys(line, true));
            QVERIFY2(keyboard->lastFailure().contains(message), qPrintable(keyboard->lastFailure()));
        }
        QTEST(int(log(u"^consent-asked"_s).size()), "asked");
        QCOMPARE(log(), QStringList());
        QVERIFY(!QFileInfo::exists(m_tokenPath));
    }
    void restoreTokenFile()
    {
        // Whole, private, one line.
        QVERIFY(writeRestoreToken(m_tokenPath, u"0f6b1c2e-token"_s));
        QFile file(m_tokenPath);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.readAll(), QByteArray("0f6b1c2e-token\n"));
        QCOMPARE(file.permissions() & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::Permissions());
        file.close();
        // An empty token removes the file.
        QVERIFY(writeRestoreToken(m_tokenPath, QString()));
        QVERIFY(!QFileInfo::exists(m_tokenPath));
    }

private:
    bool startPortal(const QStringList &arguments = {})
    {
        m_portal.start(QStringLiteral(PORTAL_STANDIN),
                       QStringList{u"--log"_s, m_dir->filePath(u"portal.log"_s)} + arguments);
        return m_portal.waitForReadyRead(10000) && m_portal.readLine().trimmed() == "ready";
    }
    std::unique_ptr<RemoteDesktopKeyboard> makeKeyboard(const char *layout = "us")
    {
        const QByteArray keymap = e2e::keymapText(layout);
        return std::make_unique<RemoteDesktopKeyboard>(
            makePortalRemoteDesktopSession(m_tokenPath, {KeysymTranslation::KdePortal}),
            [keymap] { return keymap; });
    }
    QStringList log(const QString &pattern = u"^(keysym|refused) "_s) const
    {
        QFile file(m_dir->filePath(u"portal.log"_s));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n').filter(QRegularExpression(pattern))
                   : QStringList();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_portal;
    QString m_tokenPath;
};

QTEST_GUILESS_MAIN(TestPortalRemoteDesktop)
#include "test_portal_remotedesktop.moc"
