#include "scriptline.h"

#include "numbertext.h"

#include <QRegularExpression>

#include <array>
#include <cmath>

namespace korvane::script {
namespace {

struct Row
{
    QLatin1StringView prefix;
    LineKind kind;
};

// The dispatch table in its order; "`EXIT" is tested on its own before it.
constexpr std::array<Row, 22> kPrefixRows = {{
    {QLatin1StringView("`*"), LineKind::Comment},
    {QLatin1StringView("`E"), LineKind::Execute},
    {QLatin1StringView("`RD"), LineKind::RemoveDir},
    {QLatin1StringView("`MD"), LineKind::MakeDir},
    {QLatin1StringView("`COM"), LineKind::SerialPort},
    {QLatin1StringView("`CP"), LineKind::Copy},
    {QLatin1StringView("`K"), LineKind::Kill},
    {QLatin1StringView("`I"), LineKind::Input},
    {QLatin1StringView("`SD"), LineKind::SetDate},
    {QLatin1StringView("`STAP"), LineKind::SetTime12},
    {QLatin1StringView("`STM"), LineKind::SetTime24},
    {QLatin1StringView("`SET"), LineKind::Set},
    {QLatin1StringView("`F"), LineKind::ReadFile},
    {QLatin1StringView("`B"), LineKind::Beep},
    {QLatin1StringView("`SA"), LineKind::SaveAppend},
    {QLatin1StringView("`S"), LineKind::Save},
    {QLatin1StringView("`M"), LineKind::Message},
    {QLatin1StringView("`D"), LineKind::WaitDate},
    {QLatin1StringView("`T"), LineKind::WaitTime},
    {QLatin1StringView("`U"), LineKind::UseKeys},
    {QLatin1StringView("`A"), LineKind::Activate},
    {QLatin1StringView("`W"), LineKind::Wait},
}};

} // namespace

LineKind classifyLine(QStringView line)
{
    if (!line.startsWith(u'`'))
        return LineKind::Keystrokes;
    if (kPrefixRows[0].prefix == line.left(2))
        return LineKind::Comment;
    if (line.compare(QLatin1StringView("`EXIT"), Qt::CaseInsensitive) == 0)
        return LineKind::Exit;
    for (const Row &row : kPrefixRows) {
        if (line.left(row.prefix.size()).compare(row.prefix, Qt::CaseInsensitive) == 0)
            return row.kind;
    }
    return LineKind::Keystrokes;
}

QString argumentFrom(QStringView line, int position)
{
    if (position < 1 || line.size() < position)
        return {};
    return line.sliced(position - 1).toString();
}

int argumentPosition(LineKind kind)
{
    switch (kind) {
    case LineKind::Execute:
    case LineKind::Kill:
    case LineKind::Input:
    case LineKind::ReadFile:
    case LineKind::Save:
    case LineKind::Message:
    case LineKind::WaitDate:
    case LineKind::WaitTime:
    case LineKind::Activate:
    case LineKind::Wait:
        return 4;
    case LineKind::RemoveDir:
    case LineKind::MakeDir:
    case LineKind::Copy:
    case LineKind::SaveAppend:
        return 5;
    case LineKind::Set:
    case LineKind::SerialPort:
        return 6;
    case LineKind::Keystrokes:
        return 1;
    default:
        return 0;
    }
}

CopyArguments copyArguments(QStringView line)
{
    const QString rest = argumentFrom(line, 5);
    const qsizetype blank = rest.indexOf(u' ');
    if (blank < 0)
        return {rest.trimmed(), QString()};
    QString destination = rest.sliced(blank);
    destination.remove(u' ');
    return {rest.left(blank).trimmed(), destination.trimmed()};
}

SerialArguments serialArguments(QStringView line)
{
    return {line.mid(1, 5).toString().toUpper().trimmed(), argumentFrom(line, 6)};
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
    const QRegularExpressionMatch match = usDatePattern.match(text.toString());
    if (!match.hasMatch())
        return std::nullopt;
    int year = match.captured(3).toInt();
    // Two-digit years as the classic date reader took them: 00-29 is 20xx.
    if (match.captured(3).size() == 2)
        year += year < 30 ? 2000 : 1900;
    const QDate date(year, match.captured(1).toInt(), match.captured(2).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> parseTimeOfDay(QStringView text)
{
    static const QRegularExpression timePattern(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*([AaPp][Mm])?\\s*$"));
    const QRegularExpressionMatch match = timePattern.match(text.toString());
    if (!match.hasMatch())
        return std::nullopt;
    int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    const int second = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    const QString half = match.captured(4).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == QLatin1String("PM") ? 12 : 0);
    }
    const QTime time(hour, minute, second);
    if (!time.isValid())
        return std::nullopt;
    return time;
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
