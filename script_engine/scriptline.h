// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a script line is, and the pieces of it the commands use. Pure functions:
// no files, no widgets.

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

namespace korvane::script {

enum class LineKind {
    Comment,    // `*
    Exit,       // `EXIT (the whole line)
    Execute,    // `E
    RemoveDir,  // `RD
    MakeDir,    // `MD
    SerialPort, // `COM
    Copy,       // `CP
    Kill,       // `K
    Input,      // `I
    SetDate,    // `SD
    SetTime12,  // `STAP
    SetTime24,  // `STM
    Set,        // `SET
    ReadFile,   // `F
    Beep,       // `B
    SaveAppend, // `SA
    Save,       // `S
    Message,    // `M
    WaitDate,   // `D
    WaitTime,   // `T
    UseKeys,    // `U
    Activate,   // `A
    Wait,       // `W
    Keystrokes, // anything else
};

struct ClassifiedLine
{
    LineKind kind = LineKind::Keystrokes;
    // The length of the command's name, backquote included; 0 for keystrokes.
    qsizetype nameLength = 0;
    // The text from the kind's fixed argument position to the end of the line,
    // unchanged: empty for a command without one or a line too short; the whole
    // line for a keystroke line.
    QString argument;
};

// Classifies a line exactly as read: commands begin in the first column, their
// names are compared in upper case, the first matching row of the table wins.
ClassifiedLine classifyLine(QStringView line);

struct CopyArguments
{
    QString source;
    QString destination;
};
// The argument of "`CP source destination": the source runs to the first blank;
// every non-blank character after it forms the destination.
CopyArguments copyArguments(QStringView argument);

// The port a "`COMn data" line names, in capitals: "COM1". Its data is the argument.
QString serialPortName(QStringView line);
// The device a port name opens: "COMn" is /dev/ttyS(n-1). Other names are used
// as they are (relative to the current directory).
QString serialDevice(const QString &port);

// The wait of "`W": the leading decimal number of the argument, 0 when none.
// Negative and non-finite values give 0.
double waitSeconds(QStringView argument);

// "MM/DD/YYYY" (or a two-digit year; a time after the date is ignored).
std::optional<QDate> parseUsDate(QStringView text);
// "HH:MM", "HH:MM:SS", each with an optional "AM"/"PM".
std::optional<QTime> parseTimeOfDay(QStringView text);

QString usDate(const QDate &date); // "12/05/2026"
QString time12(const QTime &time); // "08:05 PM"
QString time24(const QTime &time); // "20:05"

} // namespace korvane::script
