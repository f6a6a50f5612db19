#include "commands.h"

#include "numbertext.h"
#include "platform.h"
#include "scriptline.h"

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

Flow execute(const ClassifiedLine &line, ScriptRun &run)
{
    run.platform.processes().start(line.argument);
    return Flow::Next;
}

Flow removeDir(const ClassifiedLine &line, ScriptRun &)
{
    const QString dir = line.argument;
    if (!dir.isEmpty())
        QDir().rmdir(dir); // only an empty directory goes
    return Flow::Next;
}

Flow makeDir(const ClassifiedLine &line, ScriptRun &)
{
    const QString dir = line.argument;
    if (!dir.isEmpty())
        QDir().mkdir(dir); // one level: the parent must exist
    return Flow::Next;
}

Flow serialPort(const QString &text, const ClassifiedLine &line, ScriptRun &run)
{
    const QString portName = serialPortName(text);
    Dialogs &dialogs = run.platform.dialogs();
    dialogs.messageBox(portName, MessageButtons::Ok);
    dialogs.messageBox(line.argument, MessageButtons::Ok);

    // A serial device is opened, never created: a missing /dev/ttyS7 is an error,
    // not a new file.
    const QString device = serialDevice(portName);
    QIODevice::OpenMode mode = QIODevice::WriteOnly;
    if (device != portName)
        mode |= QIODevice::ExistingOnly;
    QFile port(device);
    QString failure;
    if (!port.open(mode))
        failure = port.errorString();
    // After a failed open the write fails too; its description is the one shown.
    if (port.write(line.argument.toUtf8() + kLineEnd) < 0)
        failure = port.isOpen() ? port.errorString()
                                : QStringLiteral("Cannot write to %1: %2")
                                      .arg(portName, failure.isEmpty() ? QStringLiteral("not open")
                                                                       : failure);
    port.close();
    if (!failure.isEmpty())
        dialogs.messageBox(failure, MessageButtons::Ok);
    return Flow::Next;
}

Flow copyFile(const ClassifiedLine &line, ScriptRun &)
{
    const CopyArguments args = copyArguments(line.argument);
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

Flow killFiles(const ClassifiedLine &line, ScriptRun &)
{
    const QString target = line.argument;
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

Flow input(const ClassifiedLine &line, ScriptRun &run)
{
    run.setData = run.platform.dialogs().inputBox(line.argument);
    return Flow::Next;
}

Flow setDate(const ClassifiedLine &, ScriptRun &run)
{
    run.setData = usDate(run.platform.clock().now().date());
    return Flow::Next;
}

Flow setTime12(const ClassifiedLine &, ScriptRun &run)
{
    run.setData = time12(run.platform.clock().now().time());
    return Flow::Next;
}

Flow setTime24(const ClassifiedLine &, ScriptRun &run)
{
    run.setData = time24(run.platform.clock().now().time());
    return Flow::Next;
}

Flow set(const ClassifiedLine &line, ScriptRun &run)
{
    run.setData = line.argument;
    return Flow::Next;
}

Flow readFile(const ClassifiedLine &line, ScriptRun &run)
{
    run.setData.clear();
    ScriptFileReader file(line.argument);
    if (!file.isOpen()) {
        run.platform.dialogs().messageBox(kCannotOpenReadFile, MessageButtons::Ok);
        run.endEarly(1);
        return Flow::EndRun;
    }
    while (const std::optional<QString> text = file.readLine(kMaxReadFileBytes - file.bytesRead()))
        run.setData += *text;
    return Flow::Next;
}

Flow beep(const ClassifiedLine &, ScriptRun &run)
{
    run.platform.sound().beep();
    return Flow::Next;
}

Flow saveAppend(const ClassifiedLine &line, ScriptRun &run)
{
    QFile file(line.argument);
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

Flow save(const ClassifiedLine &line, ScriptRun &run)
{
    const QString name = line.argument;
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

Flow message(const ClassifiedLine &line, ScriptRun &run)
{
    run.platform.dialogs().messageBox(line.argument, MessageButtons::Ok);
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

Flow waitDate(const ClassifiedLine &line, ScriptRun &run)
{
    // A date the reader does not understand means no wait.
    const std::optional<QDate> date = parseUsDate(line.argument);
    if (!date)
        return Flow::Next;
    return waitUntil(run, [&] { return run.platform.clock().now().date() >= *date; });
}

Flow waitTime(const ClassifiedLine &line, ScriptRun &run)
{
    const std::optional<QTime> time = parseTimeOfDay(line.argument);
    if (!time)
        return Flow::Next;
    return waitUntil(run, [&] { return run.platform.clock().now().time() >= *time; });
}

Flow useKeys(const ClassifiedLine &, ScriptRun &run)
{
    if (!run.setData.isEmpty())
        run.platform.keyboard().sendKeys(run.setData, false);
    return Flow::Next;
}

Flow activate(const ClassifiedLine &line, ScriptRun &run)
{
    run.platform.windows().activate(line.argument);
    return Flow::Next;
}

Flow wait(const ClassifiedLine &line, ScriptRun &run)
{
    // Measured on the full date and time rather than seconds since midnight, so
    // a wait across midnight lasts as long as asked. Absurd lengths are capped at
    // about thirty thousand years; the wait stays stoppable either way.
    constexpr double kLongestWaitMs = 1e15;
    const double seconds = waitSeconds(line.argument);
    const QDateTime end =
        run.platform.clock().now().addMSecs(qint64(std::min(seconds * 1000.0, kLongestWaitMs)));
    for (QDateTime now = run.platform.clock().now(); now <= end; now = run.platform.clock().now()) {
        const qint64 remainingMs = now.msecsTo(end);
        run.host.showProgress(numberText(remainingMs / 1000) +
                              QStringLiteral(" Seconds Remaining"));
        run.platform.events().waitForEvents(int(std::min<qint64>(kPollMs, remainingMs + 1)));
        if (run.stopRequested())
            return Flow::EndRun;
    }
    run.host.showProgress(QString());
    return Flow::Next;
}

Flow keystrokes(const ClassifiedLine &line, ScriptRun &run)
{
    // "Processed" means the display server has handed the keys on and Korvane's
    // own pending events have run (the keys may be meant for its own windows).
    if (!line.argument.isEmpty() && run.platform.keyboard().sendKeys(line.argument, true))
        run.platform.events().doEvents();
    return Flow::Next;
}

Flow exitScript(const ClassifiedLine &, ScriptRun &run)
{
    run.endEarly(0);
    if (!run.host.autoRun() && !run.hostGone())
        run.host.closeWindow();
    return Flow::EndRun;
}

Flow comment(const ClassifiedLine &, ScriptRun &)
{
    return Flow::Next;
}

} // namespace

ScriptRun::ScriptRun(ScriptEngine &engine, const QString &scriptFile)
    : host(engine.m_host)
    , platform(engine.m_platform)
    , script(scriptFile)
    , m_engine(engine)
{
}

bool ScriptRun::stopRequested()
{
    if (!m_engine.m_hostGone && m_engine.state() != RunState::Stopping)
        return false;
    m_engine.setState(RunState::Idle);
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
    m_engine.setState(RunState::Idle);
}

Flow runLine(const QString &text, ScriptRun &run)
{
    const ClassifiedLine line = classifyLine(text);
    switch (line.kind) {
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
        return serialPort(text, line, run);
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
