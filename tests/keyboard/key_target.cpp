// SPDX-License-Identifier: GPL-3.0-or-later
// A window for keystroke tests: it records what it is typed to files a test reads.
//
//   key_target --title TITLE --out FILE
//
// FILE holds the text of its edit field (UTF-8, written whole on every change) and
// FILE.keys one line per key press: "<Qt key> <modifiers in hex>".
// It prints "ready" once its window is shown, and answers the line "clear" on
// standard input by emptying both records and printing "cleared".

#include <QApplication>
#include <QCommandLineParser>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

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
        connect(&m_flush, &QTimer::timeout, this, &KeyRecorder::save);
        connect(&edit, &QPlainTextEdit::textChanged, &m_flush, qOverload<>(&QTimer::start));
        save();
    }

    void clear()
    {
        m_flush.stop();
        m_keys.clear();
        m_edit.clear();
        save();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            m_keys += QByteArray::number(key->key()) + ' ' +
                      QByteArray::number(int(key->modifiers()), 16) + '\n';
            if (!m_flush.isActive())
                m_flush.start();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void save()
    {
        // The raw text keeps no-break spaces; blocks are separated by U+2029.
        QString text = m_edit.document()->toRawText();
        text.replace(QChar::ParagraphSeparator, u'\n');
        for (const auto &[path, data] : {std::pair{m_out, text.toUtf8()},
                                         std::pair{m_out + QStringLiteral(".keys"), m_keys}}) {
            QSaveFile file(path);
            if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size())
                file.commit();
        }
    }

    QPlainTextEdit &m_edit;
    QString m_out;
    QByteArray m_keys;
    QTimer m_flush;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each line reaches the test at once
    QCommandLineParser options;
    options.addOptions(
        {{QStringLiteral("title"), QStringLiteral("Window title."), QStringLiteral("title")},
         {QStringLiteral("out"), QStringLiteral("Record file."), QStringLiteral("file")}});
    options.process(app);

    QPlainTextEdit edit;
    edit.setWindowTitle(options.value(QStringLiteral("title")));
    KeyRecorder recorder(edit, options.value(QStringLiteral("out")));
    edit.show();
    if (QTest::qWaitForWindowExposed(&edit, 60000))
        std::puts("ready");

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            app.quit(); // the test has gone
        } else if (QByteArray(buffer, got).contains("clear")) {
            recorder.clear();
            std::puts("cleared");
        }
    });
    return app.exec();
}
