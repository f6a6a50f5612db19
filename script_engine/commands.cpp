#include "commands.h"

#include "numbertext.h"
#include "platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace korvane::script {
namespace {

// One polling pass of a wait blocks for the next event, or this long at most.
constexpr int kPollMs = 20;

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// "`F" takes at most this much of a file into the SET data, so that naming a file
// of gigabytes cannot exhaust memory.
constexpr qint64 kMaxReadFileBytes = qint64(16) << 20;

QString argument(LineKind kind, const QString &line)
{
    return argumentFrom(line, argumentPosition(kind));
}

Flow execute(const QString &line, ScriptRun &run)
{
    run.platform.processes().start(argument(LineKind::Execute, line));
    return Flow::Next;
}

Flow removeDir(const QString &line, ScriptRun &)
{
    const QString dir = argument(LineKind::RemoveDir, line);
    if (!dir.isEmpty())
        QDir().rmdir(dir); // only an empty directory goes
    return Flow::Next;
}

Flow makeDir(const QString &line, ScriptRun &)
{
    const QString dir = argument(LineKind::MakeDir, line);
    if (!dir.isEmpty())
        QDir().mkdir(dir); // one level: the parent must exist
    return Flow::Next;
}

Flow serialPort(const QString &line, ScriptRun &run)
{
    const SerialArguments args = serialArguments(line);
    Dialogs &dialogs = run.platform.dialogs();
    dialogs.messageBox(args.port, MessageButtons::Ok);
    dialogs.messageBox(args.data, MessageButtons::Ok);

    // A serial device is opened, never created: a missing /dev/ttyS7 is an error,
    // not a new file.
    const QString device = serialDevice(args.port);
    QIODevice::OpenMode mode = QIODevice::WriteOnly;
    if (device != args.port)
        mode |= QIODevice::ExistingOnly;
    QFile port(device);
    QString failure;
    if (!port.open(mode))
        failure = port.errorString();
    // After a failed open the write fails too; its description is the one shown.
    if (port.write(args.data.toUtf8() + kLineEnd) < 0)
        failure = port.isOpen() ? port.errorString()
                                : QStringLiteral("Cannot write to %1: %2")
                                      .arg(args.port, failure.isEmpty() ? QStringLiteral("not open")
                                                                        : failure);
    port.close();
    if (!failure.isEmpty())
        dialogs.messageBox(failure, MessageButtons::Ok);
    return Flow::Next;
}

Flow copyFile(const QString &line, ScriptRun &)
{
    const CopyArguments args = copyArguments(line);
    const QFileInfo source(args.source);
    const QFileInfo destination(args.destination);
    if (args.source.isEmpty() || args.destination.isEmpty() || !source.isFile() ||
        destination.isDir())
        return Flow::Next;
    if (destination.exists() && source.canonicalFilePath() == destination.canonicalFilePath())
        return Flow::Next; // copying a file onto itself must not delete it
    // Copy beside the destination first, so a failed copy leaves it untouched.
    const QString partial = args.destination + QStringLiteral(".korvane-copy");
    QFile::remove(partial);
    if (QFile::copy(args.source, partial)) {
        QFile::remove(args.destination);
        if (!QFile::rename(partial, args.destination))
            QFile::remove(partial);
    }
    return Flow::Next;
}

// True when `name` matches `pattern` with "*" and "?" as its only wildcards.
bool wildcardMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

Flow killFiles(const QString &line, ScriptRun &)
{
    const QString target = argument(LineKind::Kill, line);
    if (target.isEmpty())
        return Flow::Next;
    const qsizetype slash = target.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral(".") : target.left(slash + 1);
    const QString pattern = target.sliced(slash + 1);
    if (pattern.isEmpty())
        return Flow::Next;
    // Wildcards count in the last part only; only plain files go, never a
    // directory, never anything below one.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        if (wildcardMatch(pattern, entry.fileName()))
            QFile::remove(entry.filePath());
    }
    // A symbolic link named exactly is removed itself, never what it points to.
    const QFileInfo exact(target);
    if (exact.isSymLink() && !pattern.contains(u'*') && !pattern.contains(u'?'))
        QFile::remove(target);
    return Flow::Next;
}

Flow input(const QString &line, ScriptRun &run)
{
    run.setData = run.platform.dialogs().inputBox(argument(LineKind::Input, line));
    return Flow::Next;
}

Flow setDate(const QString &, ScriptRun &run)
{
    run.setData = usDate(run.platform.clock().now().date());
    return Flow::Next;
}

Flow setTime12(const QString &, ScriptRun &run)
{
    run.setData = time12(run.platform.clock().now().time());
    return Flow::Next;
}

Flow setTime24(const QString &, ScriptRun &run)
{
    run.setData = time24(run.platform.clock().now().time());
    return Flow::Next;
}

Flow set(const QString &line, ScriptRun &run)
{
    run.setData = argument(LineKind::Set, line);
    return Flow::Next;
}

Flow readFile(const QString &line, ScriptRun &run)
{
    run.setData.clear();
    ScriptFileReader file(argument(LineKind::ReadFile, line));
    if (!file.isOpen()) {
        run.platform.dialogs().messageBox(kCannotOpenReadFile, MessageButtons::Ok);
        run.endEarly(1);
        return Flow::EndRun;
    }
    while (const std::optional<QString> text = file.readLine(kMaxReadFileBytes - file.bytesRead()))
        run.setData += *text;
    return Flow::Next;
}

Flow beep(const QString &, ScriptRun &run)
{
    run.platform.sound().beep();
    return Flow::Next;
}

Flow saveAppend(const QString &line, ScriptRun &run)
{
    QFile file(argument(LineKind::SaveAppend, line));
    if (file.fileName().isEmpty())
        return Flow::Next;
    if (!file.open(QIODevice::Append)) {
        // Create it empty, then append once more.
        if (file.open(QIODevice::WriteOnly))
            file.close();
        if (!file.open(QIODevice::Append))
            return Flow::Next;
    }
    file.write(run.setData.toUtf8() + kLineEnd);
    return Flow::Next;
}

Flow save(const QString &line, ScriptRun &run)
{
    const QString name = argument(LineKind::Save, line);
    if (name.isEmpty())
        return Flow::Next;
    // Written aside and renamed into place: a full disk keeps the old content.
    // Unbuffered, so that a short write shows here: a buffered QSaveFile commits
    // the truncated file without reporting it.
    QSaveFile file(name);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QByteArray bytes = run.setData.toUtf8() + kLineEnd;
        if (file.write(bytes) == bytes.size())
            file.commit();
        else
            file.cancelWriting();
    }
    return Flow::Next;
}

Flow message(const QString &line, ScriptRun &run)
{
    run.platform.dialogs().messageBox(argument(LineKind::Message, line), MessageButtons::Ok);
    return Flow::Next;
}

// A polling wait: test the condition, make the stop check, yield once, again.
template<typename Over> Flow waitUntil(ScriptRun &run, Over over)
{
    while (!over()) {
        if (run.stopRequested())
            return Flow::EndRun;
        run.platform.events().waitForEvents(kPollMs);
    }
    return Flow::Next;
}

Flow waitDate(const QString &line, ScriptRun &run)
{
    // A date the reader does not understand means no wait.
    const std::optional<QDate> date = parseUsDate(argument(LineKind::WaitDate, line));
    if (!date)
        return Flow::Next;
    return waitUntil(run, [&] { return run.platform.clock().now().date() >= *date; });
}

Flow waitTime(const QString &line, ScriptRun &run)
{
    const std::optional<QTime> time = parseTimeOfDay(argument(LineKind::WaitTime, line));
    if (!time)
        return Flow::Next;
    return waitUntil(run, [&] { return run.platform.clock().now().time() >= *time; });
}

Flow useKeys(const QString &, ScriptRun &run)
{
    if (!run.setData.isEmpty())
        run.platform.keyboard().sendKeys(run.setData, false);
    return Flow::Next;
}

Flow activate(const QString &line, ScriptRun &run)
{
    run.platform.windows().activate(argument(LineKind::Activate, line));
    return Flow::Next;
}

Flow wait(const QString &line, ScriptRun &run)
{
    // Measured on the full date and time rather than seconds since midnight, so
    // a wait across midnight lasts as long as asked. Absurd lengths are capped at
    // about thirty thousand years; the wait stays stoppable either way.
    constexpr double kLongestWaitMs = 1e15;
    const double seconds = waitSeconds(argument(LineKind::Wait, line));
    const QDateTime end =
        run.platform.clock().now().addMSecs(qint64(std::min(seconds * 1000.0, kLongestWaitMs)));
    for (QDateTime now = run.platform.clock().now(); now <= end; now = run.platform.clock().now()) {
        const qint64 remainingMs = now.msecsTo(end);
        run.host.setLabel1(numberText(remainingMs / 1000) + QStringLiteral(" Seconds Remaining"));
        run.platform.events().waitForEvents(int(std::min<qint64>(kPollMs, remainingMs + 1)));
        if (run.stopRequested())
            return Flow::EndRun;
    }
    run.host.setLabel1(QString());
    return Flow::Next;
}

Flow keystrokes(const QString &line, ScriptRun &run)
{
    // "Processed" means the display server has handed the keys on and Korvane's
    // own pending events have run (the keys may be meant for its own windows).
    if (!line.isEmpty() && run.platform.keyboard().sendKeys(line, true))
        run.platform.events().doEvents();
    return Flow::Next;
}

Flow exitScript(const QString &, ScriptRun &run)
{
    run.endEarly(0);
    if (!run.host.autoRun() && !run.hostGone())
        run.host.closeWindow();
    return Flow::EndRun;
}

Flow comment(const QString &, ScriptRun &)
{
    return Flow::Next;
}

} // namespace

ScriptRun::ScriptRun(ScriptHost &host_, Platform &platform_, const bool &hostGone,
                     QString scriptFile)
    : host(host_)
    , platform(platform_)
    , script(scriptFile)
    , m_hostGone(hostGone)
{
}

bool ScriptRun::stopRequested()
{
    if (m_hostGone) {
        script.close();
        return true;
    }
    if (host.command2Caption() != kRunCaption)
        return false;
    host.setCheck1Enabled(true);
    script.close();
    return true;
}

void ScriptRun::endEarly(int exitCode)
{
    script.close();
    if (host.autoRun()) {
        platform.events().endProgram(exitCode);
        return;
    }
    if (m_hostGone)
        return;
    host.setCheck1Enabled(true);
    host.setCommand2Caption(kRunCaption);
}

Flow runLine(LineKind kind, const QString &line, ScriptRun &run)
{
    switch (kind) {
    case LineKind::Comment:
        return comment(line, run);
    case LineKind::Exit:
        return exitScript(line, run);
    case LineKind::Execute:
        return execute(line, run);
    case LineKind::RemoveDir:
        return removeDir(line, run);
    case LineKind::MakeDir:
        return makeDir(line, run);
    case LineKind::SerialPort:
        return serialPort(line, run);
    case LineKind::Copy:
        return copyFile(line, run);
    case LineKind::Kill:
        return killFiles(line, run);
    case LineKind::Input:
        return input(line, run);
    case LineKind::SetDate:
        return setDate(line, run);
    case LineKind::SetTime12:
        return setTime12(line, run);
    case LineKind::SetTime24:
        return setTime24(line, run);
    case LineKind::Set:
        return set(line, run);
    case LineKind::ReadFile:
        return readFile(line, run);
    case LineKind::Beep:
        return beep(line, run);
    case LineKind::SaveAppend:
        return saveAppend(line, run);
    case LineKind::Save:
        return save(line, run);
    case LineKind::Message:
        return message(line, run);
    case LineKind::WaitDate:
        return waitDate(line, run);
    case LineKind::WaitTime:
        return waitTime(line, run);
    case LineKind::UseKeys:
        return useKeys(line, run);
    case LineKind::Activate:
        return activate(line, run);
    case LineKind::Wait:
        return wait(line, run);
    case LineKind::Keystrokes:
        return keystrokes(line, run);
    }
    return Flow::Next;
}

} // namespace korvane::script
