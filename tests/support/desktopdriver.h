// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Drives the real desktop from end-to-end tests and benchmarks: windows and keys
// through xdotool, and the key_target window that records what it is typed.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

namespace korvane::e2e {

// Runs `program` to its end (10 s at most); its standard output, trimmed.
inline QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

inline QString xdotool(const QStringList &arguments)
{
    return runTool(QStringLiteral("xdotool"), arguments);
}

// Writes a program (a shell script) the user may run.
inline bool writeExecutable(const QString &path, const QByteArray &script)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(script) == script.size() &&
           file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// Runs the event loop until `done` holds; false when `timeoutMs` passed first.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// The visible windows of `pid`, oldest first; with `titlePattern` (a regular
// expression) only those whose title matches.
inline QStringList windowsOf(qint64 pid, const QString &titlePattern = {})
{
    // --all: the pid and the name must both match (xdotool's default is either).
    QStringList arguments = {QStringLiteral("search"), QStringLiteral("--all"),
                             QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                             QString::number(pid)};
    if (!titlePattern.isEmpty())
        arguments << QStringLiteral("--name") << titlePattern;
    return xdotool(arguments).split(u'\n', Qt::SkipEmptyParts);
}

// The first window of `pid` whose whole title matches, waiting up to `waitMs` for
// one to show; empty when none did.
inline QString windowOf(qint64 pid, const QString &titlePattern, int waitMs = 0)
{
    QString window;
    waitUntil([&] { return !(window = windowsOf(pid, titlePattern).value(0)).isEmpty(); }, waitMs);
    return window;
}

inline QString activeWindow()
{
    return xdotool({QStringLiteral("getactivewindow")});
}

inline QString activeWindowName()
{
    return xdotool({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")});
}

// Brings `window` to the front; true once it has the X input focus, where typed
// keys go (the window manager's active window can be ahead of it).
inline bool activate(const QString &window, int timeoutMs = 20000)
{
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    return waitUntil(
        [&window] {
            return activeWindow() == window &&
                   xdotool({QStringLiteral("getwindowfocus")}) == window;
        },
        timeoutMs);
}

// Keys typed at the focused window through XTEST. Never send keys "--window" to a
// window that closes on them: xdotool can then leave the key held on the server,
// where it repeats into whatever window comes next.
inline void type(const QString &text)
{
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

// Key names separated by blanks, e.g. "ctrl+a Return".
inline void key(const QString &keys)
{
    xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                        QStringLiteral("--delay"), QStringLiteral("50")} +
            keys.split(u' ', Qt::SkipEmptyParts));
}

// The SendKeys notation that types `text` literally: its own characters in braces.
inline QString literalNotation(const QString &text)
{
    QString notation;
    for (const QChar c : text)
        notation +=
            QStringLiteral("+^%~(){}[]").contains(c) ? u'{' + QString(c) + u'}' : QString(c);
    return notation;
}

// The printable characters of Windows-1252 in code order: ASCII from the space on,
// the 27 defined in 0x80-0x9F, and 0xA0-0xFF.
inline QString windows1252Printable()
{
    QString alphabet;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        alphabet += QChar(c);
    alphabet += QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        alphabet += QChar(c);
    return alphabet;
}

// The key_target window (tests/keyboard/key_target.cpp): it records the text it is
// typed in a file and answers "clear" on its standard input.
class KeyTarget
{
public:
    KeyTarget(const QString &program, const QString &title, const QString &out)
        : m_title(title)
        , m_out(out)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, {QStringLiteral("--title"), title, QStringLiteral("--out"), out});
    }
    ~KeyTarget()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    KeyTarget(const KeyTarget &) = delete;
    KeyTarget &operator=(const KeyTarget &) = delete;

    // True once its window is shown.
    bool waitReady(int timeoutMs = 20000)
    {
        return waitUntil([this] { return said("ready") > 0; }, timeoutMs);
    }
    // Empties the record; true once the window has done so.
    bool clear(int timeoutMs = 20000)
    {
        const int before = said("cleared");
        m_process.write("clear\n");
        return waitUntil([&] { return said("cleared") > before; }, timeoutMs);
    }
    QString text() const
    {
        QFile file(m_out);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // The Qt key of each key press, modifier keys left out, from the record of one
    // line a key press: "<Qt key> <modifiers in hex>".
    QList<int> keyPresses() const
    {
        const QList<int> modifiers{Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_AltGr};
        QFile file(m_out + QStringLiteral(".keys"));
        QList<int> keys;
        for (const QByteArray &line :
             file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>())
            if (const int key = line.split(' ').constFirst().toInt();
                key && !modifiers.contains(key))
                keys.append(key);
        return keys;
    }
    const QString &title() const { return m_title; }
    qint64 pid() const { return m_process.processId(); }

private:
    int said(const char *word)
    {
        m_said += m_process.readAllStandardOutput();
        return int(m_said.count(word));
    }

    QString m_title;
    QString m_out;
    QProcess m_process;
    QByteArray m_said;
};

} // namespace korvane::e2e
