// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "numbertext.h"
#include "platform.h"
#include "scriptline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

namespace korvane::script {

using namespace Qt::StringLiterals;

namespace {

// One polling pass of a wait blocks for the next event, or this long at most.
constexpr int kPollMs = 20;

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// "`F" takes at most this much of a file into the SET data, so that naming a file
// of gigabytes cannot exhaust memory.
constexpr qint64 kMaxReadFileBytes = qint64(16) << 20;

// A name as a message shows it: quoted, with a NUL and the line-breaking
// characters written as escapes so that the message stays one line.
QString shown(const QString &name)
{
    QString text = name;
    text.replace(u'\\', u"\\\\"_s)
        .replace(QChar(0), u"\\0"_s)
        .replace(u'\n', u"\\n"_s)
        .replace(u'\r', u"\\r"_s);
    return u'"' + text + u'"';
}

// A NUL ends a name at the system call: "notes<NUL>.log" would open "notes".
// Such a name is refused; true when it was.
bool refusedForNul(const QString &name, ScriptRun &run)
{
    if (!name.contains(QChar(0)))
        return false;
    run.reportProblem(u"a file name with a NUL character is refused: "_s + shown(name));
    return true;
}

QString errnoText(int error)
{
    return qt_error_string(error);
}

Flow execute(const ClassifiedLine &line, ScriptRun &run)
{
    ProcessLauncher &launcher = run.platform.processes();
    if (!launcher.start(line.argument)) {
        const QString why = launcher.lastFailure();
        run.reportProblem(u"cannot start "_s + shown(line.argument) +
                          (why.isEmpty() ? QString() : u": "_s + why));
    }
    return Flow::Next;
}

Flow removeDir(const ClassifiedLine &line, ScriptRun &run)
{
    const QString dir = line.argument;
    if (dir.isEmpty() || refusedForNul(dir, run))
        return Flow::Next;
    // Only an empty directory goes.
    if (::rmdir(QFile::encodeName(dir).constData()) != 0) {
        const int error = errno;
        run.reportProblem(u"cannot remove the folder %1: %2"_s.arg(shown(dir), errnoText(error)));
    }
    return Flow::Next;
}

Flow makeDir(const ClassifiedLine &line, ScriptRun &run)
{
    const QString dir = line.argument;
    if (dir.isEmpty() || refusedForNul(dir, run))
        return Flow::Next;
    // One level: the parent must exist.
    if (::mkdir(QFile::encodeName(dir).constData(), 0777) != 0) {
        const int error = errno;
        run.reportProblem(u"cannot make the folder %1: %2"_s.arg(shown(dir), errnoText(error)));
    }
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
    if (device.contains(QChar(0)))
        failure = u"a file name with a NUL character is refused: "_s + shown(device);
    else if (!port.open(mode))
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

Flow copyFile(const ClassifiedLine &line, ScriptRun &run)
{
    const CopyArguments args = copyArguments(line.argument);
    if (args.source.isEmpty() || args.destination.isEmpty()) {
        run.reportProblem(u"`CP needs a source and a destination"_s);
        return Flow::Next;
    }
    if (refusedForNul(args.source, run) || refusedForNul(args.destination, run))
        return Flow::Next;
    const QFileInfo source(args.source);
    const QFileInfo destination(args.destination);
    if (!source.isFile()) {
        const QString why = !source.exists() ? errnoText(ENOENT)
                            : source.isDir() ? u"it is a folder"_s
                                             : u"it is not a regular file"_s;
        run.reportProblem(u"cannot copy %1: %2"_s.arg(shown(args.source), why));
        return Flow::Next;
    }
    if (destination.isDir()) {
        run.reportProblem(u"cannot copy to %1: it is a folder"_s.arg(shown(args.destination)));
        return Flow::Next;
    }
    if (destination.exists() && source.canonicalFilePath() == destination.canonicalFilePath())
        return Flow::Next; // copying a file onto itself must not delete it
    // Copy beside the destination first, then rename it into place: a failed copy
    // leaves the destination untouched.
    const QString partial = args.destination + QStringLiteral(".korvane-copy");
    QFile::remove(partial);
    QFile input(args.source);
    if (!input.copy(partial)) {
        run.reportProblem(u"cannot copy %1 to %2: %3"_s.arg(
            shown(args.source), shown(args.destination), input.errorString()));
        return Flow::Next;
    }
    if (::rename(QFile::encodeName(partial).constData(),
                 QFile::encodeName(args.destination).constData()) != 0) {
        const int error = errno;
        QFile::remove(partial);
        run.reportProblem(
            u"cannot copy to %1: %2"_s.arg(shown(args.destination), errnoText(error)));
    }
    return Flow::Next;
}

// True when `name` matches `pattern` with "*" and "?" as its only wildcards. As
// in the shell, a leading dot is matched only by a dot: "*" leaves dot-files.
bool wildcardMatch(QStringView pattern, QStringView name)
{
    if (name.startsWith(u'.') && !pattern.startsWith(u'.'))
        return false;
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

Flow killFiles(const ClassifiedLine &line, ScriptRun &run)
{
    const QString target = line.argument;
    if (target.isEmpty() || refusedForNul(target, run))
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
    // A name with a NUL is refused as by the other file commands, and then ends
    // the run as any file that cannot be read.
    const bool refused = refusedForNul(line.argument, run);
    ScriptFileReader file(refused ? QString() : line.argument);
    if (!file.isOpen()) {
        if (!refused)
            run.reportProblem(u"cannot read %1: %2"_s.arg(shown(line.argument), file.failure()));
        run.platform.dialogs().messageBox(kCannotOpenReadFile, MessageButtons::Ok);
        run.endEarly(kScriptNotOpenedStatus);
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
    const QString name = line.argument;
    if (name.isEmpty() || refusedForNul(name, run))
        return Flow::Next;
    // Appending creates a missing file. Unbuffered, so that a failed write shows
    // here; what fitted on a full disk stays.
    QFile file(name);
    const QByteArray bytes = run.setData.toUtf8() + kLineEnd;
    if (!file.open(QIODevice::Append | QIODevice::Unbuffered) || file.write(bytes) != bytes.size())
        run.reportProblem(u"cannot append to %1: %2"_s.arg(shown(name), file.errorString()));
    return Flow::Next;
}

Flow save(const ClassifiedLine &line, ScriptRun &run)
{
    const QString name = line.argument;
    if (name.isEmpty() || refusedForNul(name, run))
        return Flow::Next;
    // Written aside and renamed into place: a full disk keeps the old content.
    // Unbuffered, so that a short write shows here: a buffered QSaveFile commits
    // the truncated file without reporting it.
    QSaveFile file(name);
    file.setDirectWriteFallback(true);
    const QByteArray bytes = run.setData.toUtf8() + kLineEnd;
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (saved && file.write(bytes) != bytes.size()) {
        saved = false;
        file.cancelWriting();
    }
    if (!saved || !file.commit())
        run.reportProblem(u"cannot write %1: %2"_s.arg(shown(name), file.errorString()));
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

// A keystroke line or "`U" that was not typed (nothing of it was sent).
void reportKeysNotTyped(ScriptRun &run)
{
    const QString why = run.platform.keyboard().lastFailure();
    run.reportProblem(why.isEmpty() ? u"keys not typed"_s : u"keys not typed: "_s + why);
}

Flow useKeys(const ClassifiedLine &, ScriptRun &run)
{
    if (!run.setData.isEmpty() && !run.platform.keyboard().sendKeys(run.setData, false))
        reportKeysNotTyped(run);
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
    if (line.argument.isEmpty())
        return Flow::Next;
    if (run.platform.keyboard().sendKeys(line.argument, true))
        run.platform.events().doEvents();
    else
        reportKeysNotTyped(run);
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
    , m_scriptName(scriptFile)
{
}

void ScriptRun::reportProblem(const QString &reason)
{
    std::fprintf(stderr, "korvane: %s:%d: %s\n", qPrintable(m_scriptName), lineNumber,
                 qPrintable(reason));
    if (!m_engine.m_hostGone)
        host.reportProblem(lineNumber, reason);
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
        endProgram(exitCode);
        return;
    }
    m_engine.setState(RunState::Idle);
}

void ScriptRun::endProgram(int exitCode)
{
    // The program ends on the spot: what typing borrowed from the keyboard map
    // must be given back first.
    platform.keyboard().restoreKeymap();
    platform.events().endProgram(exitCode);
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
