// A window for keystroke tests: it records what it is typed to files a test reads.
//
//   key_target --title TITLE --out FILE
//
// FILE holds the text of its edit field (UTF-8, written whole on every change) and
// FILE.keys one line per key press: "<Qt key> <modifiers> <text as hex code points>".
// It prints "ready" once its window is shown, and answers the line "clear" on
// standard input by emptying both records and printing "cleared".

#include <QApplication>
#include <QCommandLineParser>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {

void writeWhole(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(data);
        file.commit();
    }
}

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

class KeyRecorder : public QObject
{
public:
    KeyRecorder(QPlainTextEdit &edit, const QString &out)
        : m_edit(edit)
        , m_out(out)
    {
        edit.installEventFilter(this);
        // Records are written at most every few milliseconds: a file per key would
        // make this window, not the typing, the bottleneck of a benchmark.
        m_flush.setSingleShot(true);
        m_flush.setInterval(5);
        connect(&m_flush, &QTimer::timeout, this, [this] {
            saveText();
            saveKeys();
        });
        connect(&edit, &QPlainTextEdit::textChanged, &m_flush, qOverload<>(&QTimer::start));
        saveText();
        saveKeys();
    }

    void clear()
    {
        m_flush.stop();
        m_keys.clear();
        m_edit.clear();
        saveText();
        saveKeys();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            QStringList codes;
            for (const char32_t c : key->text().toUcs4())
                codes.append(QString::number(c, 16));
            m_keys += QStringLiteral("%1 %2 %3\n")
                          .arg(key->key())
                          .arg(int(key->modifiers()), 0, 16)
                          .arg(codes.join(u','))
                          .toUtf8();
            if (!m_flush.isActive())
                m_flush.start();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void saveText()
    {
        // The raw text keeps no-break spaces; blocks are separated by U+2029.
        QString text = m_edit.document()->toRawText();
        text.replace(QChar::ParagraphSeparator, u'\n');
        writeWhole(m_out, text.toUtf8());
    }
    void saveKeys() { writeWhole(m_out + QStringLiteral(".keys"), m_keys); }

    QPlainTextEdit &m_edit;
    QString m_out;
    QByteArray m_keys;
    QTimer m_flush;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addOption(
        {QStringLiteral("title"), QStringLiteral("Window title."), QStringLiteral("title")});
    options.addOption(
        {QStringLiteral("out"), QStringLiteral("Record file."), QStringLiteral("file")});
    options.process(app);

    QPlainTextEdit edit;
    edit.setWindowTitle(options.value(QStringLiteral("title")));
    edit.resize(480, 200);
    KeyRecorder recorder(edit, options.value(QStringLiteral("out")));
    edit.show();

    QTimer shown;
    QObject::connect(&shown, &QTimer::timeout, &app, [&] {
        if (edit.windowHandle() && edit.windowHandle()->isExposed()) {
            shown.stop();
            say("ready");
        }
    });
    shown.start(10);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            app.quit(); // the test has gone
            return;
        }
        if (QByteArray(buffer, got).contains("clear")) {
            recorder.clear();
            say("cleared");
        }
    });
    return app.exec();
}
