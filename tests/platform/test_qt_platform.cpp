// SPDX-License-Identifier: GPL-3.0-or-later
// DesktopPlatform's dialogs, event loop, program end, sound and keys without a
// display, on the offscreen platform, and its logout through a session manager on
// a private D-Bus session bus.

#include "desktopplatform.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace korvane;

namespace {

// Runs `handle` on the modal dialog that is shown next: the timer fires in the
// event loop that the dialog's exec() runs.
template<typename T> void whenShown(std::function<void(T *)> handle)
{
    QTimer::singleShot(0, qApp,
                       [=] { handle(qobject_cast<T *>(QApplication::activeModalWidget())); });
}

// Answers every call on its paths and notes it as "interface.member(arguments)".
class SessionManagerStub : public QDBusVirtualObject
{
public:
    QStringList calls;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QString arguments = QVariant(message.arguments()).toStringList().join(u',');
        calls.append(u"%1.%2(%3)"_s.arg(message.interface(), message.member(), arguments));
        return connection.send(message.createReply());
    }
    QString introspect(const QString &) const override { return {}; }
};

} // namespace

class TestDesktopPlatform : public QObject
{
    Q_OBJECT

    DesktopPlatform m_platform;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        qputenv("KORVANE_HOME", m_dir.path().toLocal8Bit());
        QDir::setCurrent(m_dir.path());
        m_platform.dialogs().setUseNativeFileDialogs(false);
    }

    void messageBoxTitledKorvaneWithoutIcon()
    {
        using Box = QMessageBox;
        const int yesNo = Box::Yes | Box::No;
        // The buttons asked for, those shown, the one clicked (0: the box is closed),
        // and the answer.
        const QList<std::tuple<MessageButtons, int, int, MessageAnswer>> rows{
            {MessageButtons::Ok, Box::Ok, Box::Ok, MessageAnswer::Ok},
            {MessageButtons::YesNo, yesNo, Box::Yes, MessageAnswer::Yes},
            {MessageButtons::YesNo, yesNo, 0, MessageAnswer::No},
            {MessageButtons::YesNoCancel, yesNo | Box::Cancel, Box::No, MessageAnswer::No},
            {MessageButtons::YesNoCancel, yesNo | Box::Cancel, 0, MessageAnswer::Cancel}};
        for (const auto &[buttons, shown, click, answer] : rows) {
            QStringList seen;
            whenShown<Box>([&, click = click](Box *box) {
                seen = {box->windowTitle(), box->text(), QString::number(box->textFormat()),
                        QString::number(box->icon()), QString::number(box->standardButtons())};
                click ? box->button(Box::StandardButton(click))->click() : box->reject();
            });
            QCOMPARE(m_platform.dialogs().messageBox(u"<b>Oops!</b>\r\rJust\r\nclick."_s, buttons),
                     answer);
            // Plain text: markup shown as typed, carriage returns break lines.
            QCOMPARE(seen, (QStringList{u"Korvane"_s, u"<b>Oops!</b>\n\nJust\nclick."_s,
                                        QString::number(Qt::PlainText),
                                        QString::number(Box::NoIcon), QString::number(shown)}));
        }
    }

    void inputBoxGivesTypedTextOrEmpty()
    {
        QStringList seen;
        for (const auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
            whenShown<QInputDialog>([&](QInputDialog *dialog) {
                seen = {dialog->windowTitle(), dialog->labelText(), dialog->textValue()};
                QTest::keyClicks(dialog->findChild<QLineEdit *>(), u"hello there"_s);
                dialog->findChild<QDialogButtonBox *>()->button(button)->click();
            });
            const QString typed = m_platform.dialogs().inputBox(u"Your name:"_s);
            QCOMPARE(typed, button == QDialogButtonBox::Ok ? u"hello there"_s : QString());
            QCOMPARE(seen, (QStringList{u"Korvane"_s, u"Your name:"_s, QString()}));
        }
    }

    void fileDialogsLeaveTheNameWhenCancelled()
    {
        // A pattern preset is the dialog's filter. An open dialog takes existing files
        // only, unless asked to take a new name as well.
        QStringList filters;
        QString name = u"*.vlm"_s;
        for (const OpenFileName accepts : {OpenFileName::Existing, OpenFileName::ExistingOrNew}) {
            whenShown<QFileDialog>([&](QFileDialog *dialog) {
                filters << dialog->nameFilters() << QString::number(dialog->fileMode());
                dialog->reject();
            });
            m_platform.dialogs().openFileName(name, accepts);
        }
        QCOMPARE(filters, (QStringList{u"*.vlm"_s, QString::number(QFileDialog::ExistingFile),
                                       u"*.vlm"_s, QString::number(QFileDialog::AnyFile)}));
        QCOMPARE(name, u"*.vlm"_s);
        // A new name is accepted by a dialog in that mode (a save dialog's).
        whenShown<QFileDialog>([&](QFileDialog *dialog) {
            dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(u"New.vlm"_s);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept() is protected
        });
        m_platform.dialogs().saveFileName(name);
        QCOMPARE(name, m_dir.filePath(u"New.vlm"_s));
    }

    void eventLoopRunsPendingEventsAndWakesOnOne()
    {
        bool ran = false;
        QTimer::singleShot(0, this, [&ran] { ran = true; });
        m_platform.events().doEvents();
        QVERIFY(ran);
        QTimer::singleShot(20, this, [&ran] { ran = false; });
        // It sleeps until the event comes (no spinning), and returns on it, not after
        // its ten seconds.
        const QDeadlineTimer deadline(5000);
        int passes = 0;
        for (; ran && passes < 100 && !deadline.hasExpired(); ++passes)
            m_platform.events().waitForEvents(10000);
        QVERIFY(!ran && passes <= 3 && !deadline.hasExpired());
    }

    void endProgramFlushesAndExitsWithCode()
    {
        int output[2];
        QCOMPARE(::pipe(output), 0);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(output[1], STDOUT_FILENO);
            std::printf("buffered, no newline");
            m_platform.events().endProgram(7);
            std::printf(" -- after the end");
            ::_exit(99);
        }
        ::close(output[1]);
        QFile written;
        QVERIFY(written.open(output[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QCOMPARE(written.readAll(), QByteArray("buffered, no newline"));
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 7);
    }

    void logoutAsksTheSessionManager()
    {
        QProcess daemon;
        daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
        QVERIFY2(daemon.waitForReadyRead(10000), "needs dbus-daemon (Debian package dbus-daemon)");
        const QString address = QString::fromUtf8(daemon.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        qunsetenv("XDG_SESSION_ID");
        // The stub answers from a thread of its own: logout() blocks this one.
        QThread thread;
        auto *stub = new SessionManagerStub;
        stub->moveToThread(&thread);
        connect(&thread, &QThread::finished, stub, &QObject::deleteLater);
        thread.start();
        const auto stop = qScopeGuard([&] { thread.quit(), thread.wait(), daemon.close(); });
        QDBusConnection bus = QDBusConnection::connectToBus(address, u"stub"_s);
        QVERIFY(bus.registerVirtualObject(u"/org/gnome/SessionManager"_s, stub));
        QVERIFY(bus.registerVirtualObject(u"/KSMServer"_s, stub));
        QVERIFY(!m_platform.session().logout()); // no session manager at all
        QVERIFY(bus.registerService(u"org.kde.ksmserver"_s) && m_platform.session().logout());
        QVERIFY(bus.registerService(u"org.gnome.SessionManager"_s) &&
                m_platform.session().logout());
        QCOMPARE(stub->calls, (QStringList{u"org.kde.KSMServerInterface.logout(0,0,0)"_s,
                                           u"org.gnome.SessionManager.Logout(1)"_s}));
    }

    void playWaveResolvesCaseAndIgnoresMissingFiles()
    {
        QFile wave(m_dir.filePath(u"noapp.wav"_s));
        QVERIFY(wave.open(QIODevice::WriteOnly));
        // A short, valid PCM wave file: 16-bit mono at 8 kHz, 800 silent samples.
        wave.write(QByteArray::fromHex("524946466406000057415645666d74201000000001000100401f0000"
                                       "803e0000020010006461746140060000") +
                   QByteArray(1600, '\0'));
        wave.close();
        // A second prompt replaces the first, with or without a sound device; a
        // missing file, or a folder, is silence.
        for (const auto &[name, played] : {std::pair{u"NoApp.Wav"_s, wave.fileName()},
                                           {u"NOAPP.WAV"_s, wave.fileName()},
                                           {u"Delete.Wav"_s, QString()},
                                           {QString(), QString()}}) {
            m_platform.sound().playWave(m_dir.filePath(name));
            QCOMPARE(m_platform.sound().currentFile(), played);
        }
    }

    void keysAndWindowsFailWithoutDisplay()
    {
        qunsetenv("DISPLAY"); // before the X connection is first opened
        QVERIFY(!m_platform.keyboard().sendKeys(u"abc"_s, true));
        QVERIFY(!m_platform.windows().activate(u"Korvane"_s));
        QVERIFY(m_platform.keyboard().unavailableReason().contains(u"DISPLAY"));
    }
};

QTEST_MAIN(TestDesktopPlatform)
#include "test_qt_platform.moc"
