// DesktopPlatform's dialogs, event loop, program end, logout and sound, on the
// offscreen platform.

#include "desktopplatform.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace korvane;

Q_DECLARE_METATYPE(korvane::MessageButtons)
Q_DECLARE_METATYPE(korvane::MessageAnswer)

namespace {

// Runs `handle` on the modal dialog that is shown next: the timer fires in the
// event loop that the dialog's exec() runs.
template<typename T> void whenShown(QObject *context, std::function<void(T *)> handle)
{
    QTimer::singleShot(0, context, [handle] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        handle(dialog);
    });
}

// A short, valid PCM wave file: 16-bit mono at 8 kHz, 800 silent samples.
QByteArray silentWave()
{
    return QByteArray::fromHex("524946466406000057415645666d74201000000001000100401f0000803e0000"
                               "020010006461746140060000") +
           QByteArray(1600, '\0');
}

} // namespace

class TestDesktopPlatform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messageBox_data();
    void messageBox();
    void inputBoxGivesTypedTextOrEmpty();
    void fileDialogs();

    void doEventsRunsPendingEvents();
    void waitForEventsWakesOnEvent();
    void endProgramFlushesAndExitsWithCode();
    void logoutWithoutSessionBusFails();
    void playWaveResolvesCaseAndIgnoresMissingFiles();

private:
    DesktopPlatform m_platform;
    QTemporaryDir m_dir;
};

void TestDesktopPlatform::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("KORVANE_HOME", m_dir.path().toLocal8Bit());
    QDir::setCurrent(m_dir.path());
    m_platform.dialogs().setUseNativeFileDialogs(false);
}

void TestDesktopPlatform::messageBox_data()
{
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<int>("shownButtons");
    QTest::addColumn<int>("click"); // 0: the box is closed
    QTest::addColumn<MessageAnswer>("answer");
    const int ok = QMessageBox::Ok, yes = QMessageBox::Yes, no = QMessageBox::No;
    const int cancel = QMessageBox::Cancel;
    const auto row = [](const char *name, MessageButtons buttons, int shown, int click,
                        MessageAnswer answer) {
        QTest::newRow(name) << buttons << shown << click << answer;
    };
    row("ok", MessageButtons::Ok, ok, ok, MessageAnswer::Ok);
    row("yes", MessageButtons::YesNo, yes | no, yes, MessageAnswer::Yes);
    row("no", MessageButtons::YesNo, yes | no, no, MessageAnswer::No);
    row("cancel", MessageButtons::YesNoCancel, yes | no | cancel, cancel, MessageAnswer::Cancel);
    row("yes/no closed", MessageButtons::YesNo, yes | no, 0, MessageAnswer::No);
    row("closed", MessageButtons::YesNoCancel, yes | no | cancel, 0, MessageAnswer::Cancel);
}

void TestDesktopPlatform::messageBox()
{
    QFETCH(MessageButtons, buttons);
    QFETCH(int, shownButtons);
    QFETCH(int, click);
    QFETCH(MessageAnswer, answer);

    QString title, text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::Warning;
    int shown = 0;
    whenShown<QMessageBox>(this, [&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        format = box->textFormat();
        icon = box->icon();
        shown = int(box->standardButtons());
        if (click)
            box->button(QMessageBox::StandardButton(click))->click();
        else
            box->reject();
    });
    QCOMPARE(m_platform.dialogs().messageBox(u"<b>Oops!</b>\r\rJust click.\r\nDone"_s, buttons),
             answer);
    // Plain text: markup shown as typed, carriage returns break lines.
    QCOMPARE(text, u"<b>Oops!</b>\n\nJust click.\nDone"_s);
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(title, u"Korvane"_s);
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(shown, shownButtons);
}

void TestDesktopPlatform::inputBoxGivesTypedTextOrEmpty()
{
    QString title, label, preset = u"not read"_s;
    whenShown<QInputDialog>(this, [&](QInputDialog *dialog) {
        title = dialog->windowTitle();
        label = dialog->labelText();
        auto *field = dialog->findChild<QLineEdit *>();
        preset = field->text();
        QTest::keyClicks(field, u"hello there"_s);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(m_platform.dialogs().inputBox(u"Your name:"_s), u"hello there"_s);
    QCOMPARE(title, u"Korvane"_s);
    QCOMPARE(label, u"Your name:"_s);
    QCOMPARE(preset, QString());

    whenShown<QInputDialog>(this, [](QInputDialog *dialog) {
        dialog->setTextValue(u"typed, then cancelled"_s);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(m_platform.dialogs().inputBox(u"Again:"_s), QString());
}

void TestDesktopPlatform::fileDialogs()
{
    // Cancelled: the name is left as it was; a pattern preset is the dialog's filter.
    QStringList filters;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    whenShown<QFileDialog>(this, [&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        mode = dialog->acceptMode();
        dialog->reject();
    });
    QString name = u"*.vlm"_s;
    m_platform.dialogs().openFileName(name);
    QCOMPARE(name, u"*.vlm"_s);
    QCOMPARE(filters, QStringList{u"*.vlm"_s});
    QCOMPARE(mode, QFileDialog::AcceptOpen);

    whenShown<QFileDialog>(this, [&](QFileDialog *dialog) {
        mode = dialog->acceptMode();
        // Typed into the name field, as a user would.
        dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(u"New.vlm"_s);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept() is protected
    });
    m_platform.dialogs().saveFileName(name);
    QCOMPARE(mode, QFileDialog::AcceptSave);
    QCOMPARE(name, m_dir.path() + u"/New.vlm"_s);
}

void TestDesktopPlatform::doEventsRunsPendingEvents()
{
    bool ran = false;
    QMetaObject::invokeMethod(
        this, [&ran] { ran = true; }, Qt::QueuedConnection);
    m_platform.events().doEvents();
    QVERIFY(ran);
}

void TestDesktopPlatform::waitForEventsWakesOnEvent()
{
    bool fired = false;
    QTimer::singleShot(20, this, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    while (!fired && clock.elapsed() < 5000)
        m_platform.events().waitForEvents(10000);
    QVERIFY(fired);
    // It returned on the event, not at the end of its ten seconds.
    QVERIFY(clock.elapsed() < 5000);
}

void TestDesktopPlatform::endProgramFlushesAndExitsWithCode()
{
    int output[2];
    QCOMPARE(::pipe(output), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        std::printf("buffered, no newline");
        m_platform.events().endProgram(7);
        std::printf(" -- after the end");
        ::_exit(99);
    }
    ::close(output[1]);
    QByteArray written;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(output[0], buffer, sizeof buffer)) > 0)
        written.append(buffer, n);
    ::close(output[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 7);
    QCOMPARE(written, QByteArray("buffered, no newline"));
}

void TestDesktopPlatform::logoutWithoutSessionBusFails()
{
    // No bus to ask, and no logind session: nothing may accept, and nothing may hang.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/korvane-test-bus");
    qunsetenv("XDG_SESSION_ID");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!m_platform.session().logout());
    QVERIFY(clock.elapsed() < 10000);
}

void TestDesktopPlatform::playWaveResolvesCaseAndIgnoresMissingFiles()
{
    QtSoundPlayer &player = m_platform.sound();
    const QString folder = m_dir.path();
    QFile wave(folder + u"/noapp.wav"_s);
    QVERIFY(wave.open(QIODevice::WriteOnly));
    wave.write(silentWave());
    wave.close();

    player.playWave(folder + u"/NoApp.Wav"_s);
    QCOMPARE(player.currentFile(), wave.fileName());
    // A second prompt replaces the first, with or without a sound device.
    player.playWave(folder + u"/NOAPP.WAV"_s);
    QCOMPARE(player.currentFile(), wave.fileName());
    m_platform.events().waitForEvents(50);

    player.playWave(folder + u"/Delete.Wav"_s);
    QCOMPARE(player.currentFile(), QString());
    player.playWave(folder); // a folder is no wave file
    QCOMPARE(player.currentFile(), QString());
}

QTEST_MAIN(TestDesktopPlatform)
#include "test_qt_platform.moc"
