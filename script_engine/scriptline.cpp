// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptline.h"

#include "numbertext.h"

#include <QRegularExpression>

#include <array>
#include <cmath>

namespace korvane::script {
namespace {

enum class Match { Prefix, WholeLine };

struct Row
{
    QLatin1StringView name;
    LineKind kind;
    int argumentPosition; // counted from 1; 0 for a command without an argument
    Match match = Match::Prefix;
};

// The commands in the order they are tried. "`*" and "`EXIT" come before "`E".
constexpr std::array<Row, 23> kRows = {{
    {QLatin1StringView("`*"), LineKind::Comment, 0},
    {QLatin1StringView("`EXIT"), LineKind::Exit, 0, Match::WholeLine},
    {QLatin1StringView("`E"), LineKind::Execute, 4},
    {QLatin1StringView("`RD"), LineKind::RemoveDir, 5},
    {QLatin1StringView("`MD"), LineKind::MakeDir, 5},
    {QLatin1StringView("`COM"), LineKind::SerialPort, 6},
    {QLatin1StringView("`CP"), LineKind::Copy, 5},
    {QLatin1StringView("`K"), LineKind::Kill, 4},
    {QLatin1StringView("`I"), LineKind::Input, 4},
    {QLatin1StringView("`SD"), LineKind::SetDate, 0},
    {QLatin1StringView("`STAP"), LineKind::SetTime12, 0},
    {QLatin1StringView("`STM"), LineKind::SetTime24, 0},
    {QLatin1StringView("`SET"), LineKind::Set, 6},
    {QLatin1StringView("`F"), LineKind::ReadFile, 4},
    {QLatin1StringView("`B"), LineKind::Beep, 0},
    {QLatin1StringView("`SA"), LineKind::SaveAppend, 5},
    {QLatin1StringView("`S"), LineKind::Save, 4},
    {QLatin1StringView("`M"), LineKind::Message, 4},
    {QLatin1StringView("`D"), LineKind::WaitDate, 4},
    {QLatin1StringView("`T"), LineKind::WaitTime, 4},
    {QLatin1StringView("`U"), LineKind::UseKeys, 0},
    {QLatin1StringView("`A"), LineKind::Activate, 4},
    {QLatin1StringView("`W"), LineKind::Wait, 4},
}};

bool matches(const Row &row, QStringView line)
{
    const QStringView compared = row.match == Match::WholeLine ? line : line.left(row.name.size());
    return compared.compare(row.name, Qt::CaseInsensitive) == 0;
}

// The text from character `position` (counted from 1) to the end of the line.
QString argumentFrom(QStringView line, int position)
{
    if (position < 1 || line.size() < position)
        return {};
    return line.sliced(position - 1).toString();
}

// The match of `pattern` on `text`, when there is one.
std::optional<QRegularExpressionMatch> matchOf(const QRegularExpression &pattern, QStringView text)
{
    QRegularExpressionMatch match = pattern.match(text.toString());
    if (!match.hasMatch())
        return std::nullopt;
    return match;
}

template<typename Value> std::optional<Value> ifValid(const Value &value)
{
    return value.isValid() ? std::optional<Value>(value) : std::nullopt;
}

} // namespace

ClassifiedLine classifyLine(QStringView line)
{
    if (line.startsWith(u'`')) {
        for (const Row &row : kRows) {
            if (matches(row, line))
                return {row.kind, row.name.size(), argumentFrom(line, row.argumentPosition)};
        }
    }
    return {LineKind::Keystrokes, 0, line.toString()};
}

CopyArguments copyArguments(QStringView argument)
{
    const qsizetype blank = argument.indexOf(u' ');
    if (blank < 0)
        return {argument.trimmed().toString(), QString()};
    QString destination = argument.sliced(blank).toString();
    destination.remove(u' ');
    return {argument.left(blank).trimmed().toString(), destination.trimmed()};
}

QString serialPortName(QStringView line)
{
    return line.mid(1, 5).toString().toUpper().trimmed();
}

QString serialDevice(const QString &port)
{
    static const QRegularExpression comPort(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comPort.match(port);
    if (match.hasMatch()) {
        const int number = match.captured(1).toInt();
        if (number >= 1)
            return QStringLiteral("/dev/ttyS%1").arg(number - 1);
    }
    return port;
}

double waitSeconds(QStringView argument)
{
    const double seconds = leadingNumber(argument);
    return std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

std::optional<QDate> parseUsDate(QStringView text)
{
    static const QRegularExpression usDatePattern(
        QStringLiteral("^\\s*(\\d{1,2})[/-](\\d{1,2})[/-](\\d{2}|\\d{4})(?:\\s|$)"));
    const std::optional<QRegularExpressionMatch> match = matchOf(usDatePattern, text);
    if (!match)
        return std::nullopt;
    int year = match->captured(3).toInt();
    // Two-digit years as the classic date reader took them: 00-29 is 20xx.
    if (match->captured(3).size() == 2)
        year += year < 30 ? 2000 : 1900;
    return ifValid(QDate(year, match->captured(1).toInt(), match->captured(2).toInt()));
}

std::optional<QTime> parseTimeOfDay(QStringView text)
{
    static const QRegularExpression timePattern(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*([AaPp][Mm])?\\s*$"));
    const std::optional<QRegularExpressionMatch> match = matchOf(timePattern, text);
    if (!match)
        return std::nullopt;
    int hour = match->captured(1).toInt();
    const QString half = match->captured(4).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == QLatin1String("PM") ? 12 : 0);
    }
    return ifValid(QTime(hour, match->captured(2).toInt(), match->captured(3).toInt()));
}

QString usDate(const QDate &date)
{
    return date.toString(QStringLiteral("MM/dd/yyyy"));
}

QString time12(const QTime &time)
{
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1:%2 %3")
        .arg(hour12, 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QString time24(const QTime &time)
{
    return QStringLiteral("%1:%2")
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'));
}

} // namespace korvane::script
