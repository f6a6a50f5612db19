// QtPlatform's dialogs, event loop, program end, logout and sound, on the
// offscreen platform.

#include "qtplatform.h"

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
#include <QtEndian>
#include <QtTest>

#include <ctime>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvane;

Q_DECLARE_METATYPE(korvane::MessageButtons)
Q_DECLARE_METATYPE(korvane::MessageAnswer)

namespace {

// Runs `handle` on the first visible top-level dialog of type T once it appears,
// polling from the event loop that the dialog's exec() runs.
template<typename T> void whenShown(QObject *context, std::function<void(T *)> handle)
{
    auto *poll = new QTimer(context);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, context, [poll, handle] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            auto *dialog = qobject_cast<T *>(window);
            if (dialog && dialog->isVisible()) {
                poll->stop();
                poll->deleteLater();
                handle(dialog);
                return;
            }
        }
    });
    poll->start();
}

// A short, valid PCM wave file: 16-bit mono at 8 kHz, silent.
QByteArray silentWave(int samples)
{
    const quint32 dataSize = quint32(samples) * 2;
    QByteArray wave;
    auto put32 = [&wave](quint32 v) {
        const quint32 le = qToLittleEndian(v);
        wave.append(reinterpret_cast<const char *>(&le), 4);
    };
    auto put16 = [&wave](quint16 v) {
        const quint16 le = qToLittleEndian(v);
        wave.append(reinterpret_cast<const char *>(&le), 2);
    };
    wave.append("RIFF");
    put32(36 + dataSize);
    wave.append("WAVEfmt ");
    put32(16);
    put16(1);     // PCM
    put16(1);     // mono
    put32(8000);  // samples per second
    put32(16000); // bytes per second
    put16(2);     // block align
    put16(16);    // bits per sample
    wave.append("data");
    put32(dataSize);
    wave.append(QByteArray(int(dataSize), '\0'));
    return wave;
}

} // namespace

class TestQtPlatform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void messageBox_data();
    void messageBox();
    void messageBoxClosedGivesEscapeAnswer();
    void messageBoxShowsPlainTextWithCarriageReturnBreaks();
    void inputBoxGivesTypedTextOrEmpty();
    void cancelledFileDialogKeepsPreset();
    void fileDialogsReturnChosenFile();

    void doEventsRunsPendingEvents();
    void waitForEventsWakesOnEventOrTimeout();
    void endProgramFlushesAndExitsWithCode();
    void logoutWithoutSessionBusFails();

    void playWaveResolvesCaseAndIgnoresMissingFiles();

private:
    QtPlatform m_platform;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_savedCwd;
};

void TestQtPlatform::initTestCase()
{
    m_platform.dialogs().setUseNativeFileDialogs(false);
}

void TestQtPlatform::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_savedCwd = QDir::currentPath();
    qputenv("KORVANE_HOME", m_dir->path().toLocal8Bit());
    QDir::setCurrent(m_dir->path());
}

void TestQtPlatform::cleanup()
{
    QDir::setCurrent(m_savedCwd);
    m_dir.reset();
}

// ---- Dialogs ----

void TestQtPlatform::messageBox_data()
{
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<int>("expectedButtons");
    QTest::addColumn<int>("click");
    QTest::addColumn<MessageAnswer>("answer");
    const int yesNo = QMessageBox::Yes | QMessageBox::No;
    QTest::newRow("ok") << MessageButtons::Ok << int(QMessageBox::Ok) << int(QMessageBox::Ok)
                        << MessageAnswer::Ok;
    QTest::newRow("yes") << MessageButtons::YesNo << yesNo << int(QMessageBox::Yes)
                         << MessageAnswer::Yes;
    QTest::newRow("no") << MessageButtons::YesNo << yesNo << int(QMessageBox::No)
                        << MessageAnswer::No;
    QTest::newRow("cancel") << MessageButtons::YesNoCancel << (yesNo | QMessageBox::Cancel)
                            << int(QMessageBox::Cancel) << MessageAnswer::Cancel;
    QTest::newRow("no of three") << MessageButtons::YesNoCancel << (yesNo | QMessageBox::Cancel)
                                 << int(QMessageBox::No) << MessageAnswer::No;
}

void TestQtPlatform::messageBox()
{
    QFETCH(MessageButtons, buttons);
    QFETCH(int, expectedButtons);
    QFETCH(int, click);
    QFETCH(MessageAnswer, answer);

    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    int shownButtons = 0;
    whenShown<QMessageBox>(this, [&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        shownButtons = int(box->standardButtons());
        box->button(QMessageBox::StandardButton(click))->click();
    });
    const QString message = QStringLiteral("Do you wish to add it?");
    QCOMPARE(m_platform.dialogs().messageBox(message, buttons), answer);
    QCOMPARE(title, QStringLiteral("Korvane"));
    QCOMPARE(text, message);
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(shownButtons, expectedButtons);
}

void TestQtPlatform::messageBoxShowsPlainTextWithCarriageReturnBreaks()
{
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    whenShown<QMessageBox>(this, [&](QMessageBox *box) {
        text = box->text();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    m_platform.dialogs().messageBox(QStringLiteral("<b>Oops!</b>\r\rJust click.\r\nDone"),
                                    MessageButtons::Ok);
    QCOMPARE(text, QStringLiteral("<b>Oops!</b>\n\nJust click.\nDone"));
    QCOMPARE(format, Qt::PlainText);
}

void TestQtPlatform::messageBoxClosedGivesEscapeAnswer()
{
    whenShown<QMessageBox>(this, [](QMessageBox *box) { box->reject(); });
    QCOMPARE(m_platform.dialogs().messageBox(QStringLiteral("Sure?"), MessageButtons::YesNoCancel),
             MessageAnswer::Cancel);
}

void TestQtPlatform::inputBoxGivesTypedTextOrEmpty()
{
    QString title, label, preset = QStringLiteral("not read");
    whenShown<QInputDialog>(this, [&](QInputDialog *dialog) {
        title = dialog->windowTitle();
        label = dialog->labelText();
        auto *field = dialog->findChild<QLineEdit *>();
        preset = field ? field->text() : QStringLiteral("no field");
        QTest::keyClicks(field, QStringLiteral("hello there"));
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(m_platform.dialogs().inputBox(QStringLiteral("Your name:")),
             QStringLiteral("hello there"));
    QCOMPARE(title, QStringLiteral("Korvane"));
    QCOMPARE(label, QStringLiteral("Your name:"));
    QCOMPARE(preset, QString());

    whenShown<QInputDialog>(this, [](QInputDialog *dialog) {
        dialog->setTextValue(QStringLiteral("typed, then cancelled"));
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(m_platform.dialogs().inputBox(QStringLiteral("Again:")), QString());
}

void TestQtPlatform::cancelledFileDialogKeepsPreset()
{
    QStringList filters;
    whenShown<QFileDialog>(this, [&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        dialog->reject();
    });
    QString name = QStringLiteral("*.vlm");
    m_platform.dialogs().openFileName(name);
    QCOMPARE(name, QStringLiteral("*.vlm"));
    QCOMPARE(filters, QStringList{QStringLiteral("*.vlm")});

    whenShown<QFileDialog>(this, [](QFileDialog *dialog) { dialog->reject(); });
    name = m_dir->path() + QStringLiteral("/previous.vlm");
    m_platform.dialogs().saveFileName(name);
    QCOMPARE(name, m_dir->path() + QStringLiteral("/previous.vlm"));

    whenShown<QFileDialog>(this, [](QFileDialog *dialog) { dialog->reject(); });
    name.clear();
    m_platform.dialogs().openFileName(name);
    QCOMPARE(name, QString());
}

void TestQtPlatform::fileDialogsReturnChosenFile()
{
    const QString existing = m_dir->path() + QStringLiteral("/Script.vlm");
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    whenShown<QFileDialog>(this, [&](QFileDialog *dialog) {
        mode = dialog->acceptMode();
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept() is protected
    });
    QString name = existing;
    m_platform.dialogs().openFileName(name);
    QCOMPARE(mode, QFileDialog::AcceptOpen);
    QCOMPARE(name, existing);

    whenShown<QFileDialog>(this, [&](QFileDialog *dialog) {
        mode = dialog->acceptMode();
        // Typed into the name field, as a user would.
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("New.vlm"));
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept() is protected
    });
    name = QStringLiteral("*.vlm");
    m_platform.dialogs().saveFileName(name);
    QCOMPARE(mode, QFileDialog::AcceptSave);
    QCOMPARE(name, m_dir->path() + QStringLiteral("/New.vlm"));
}

// ---- Event loop and program end ----

void TestQtPlatform::doEventsRunsPendingEvents()
{
    bool ran = false;
    QMetaObject::invokeMethod(
        this, [&ran] { ran = true; }, Qt::QueuedConnection);
    QVERIFY(!ran);
    m_platform.events().doEvents();
    QVERIFY(ran);
}

void TestQtPlatform::waitForEventsWakesOnEventOrTimeout()
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

    // Nothing arrives: each wait sleeps until its time is up instead of spinning.
    const std::clock_t cpuBefore = std::clock();
    clock.restart();
    while (clock.elapsed() < 300)
        m_platform.events().waitForEvents(20);
    const double cpuMs = 1000.0 * double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 150, qPrintable(QStringLiteral("%1 ms of CPU in 300 ms").arg(cpuMs)));
}

void TestQtPlatform::endProgramFlushesAndExitsWithCode()
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

void TestQtPlatform::logoutWithoutSessionBusFails()
{
    // No bus to ask, and no logind session: nothing may accept, and nothing may hang.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/korvane-test-bus");
    qunsetenv("XDG_SESSION_ID");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!m_platform.session().logout());
    QVERIFY(clock.elapsed() < 10000);
}

// ---- Sound ----

void TestQtPlatform::playWaveResolvesCaseAndIgnoresMissingFiles()
{
    QtSoundPlayer &player = m_platform.sound();
    const QString folder = m_dir->path();
    QFile wave(folder + QStringLiteral("/noapp.wav"));
    QVERIFY(wave.open(QIODevice::WriteOnly));
    wave.write(silentWave(800));
    wave.close();

    player.playWave(folder + QStringLiteral("/Missing.Wav"));
    QCOMPARE(player.currentFile(), QString());

    player.playWave(folder + QStringLiteral("/NoApp.Wav"));
    QCOMPARE(player.currentFile(), wave.fileName());
    // A second prompt replaces the first, with or without a sound device.
    player.playWave(folder + QStringLiteral("/NOAPP.WAV"));
    QCOMPARE(player.currentFile(), wave.fileName());
    m_platform.events().waitForEvents(50);

    player.playWave(folder + QStringLiteral("/Delete.Wav"));
    QCOMPARE(player.currentFile(), QString());
    player.playWave(folder); // a folder is no wave file
    QCOMPARE(player.currentFile(), QString());
}

QTEST_MAIN(TestQtPlatform)
#include "test_qt_platform.moc"
