#include "windowsettings.h"

#include "ansi.h"
#include "filewrite.h"
#include "numbertext.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace korvane {
namespace {

// A position this far out (millions of pixels) is of no use, and its pixels
// still fit an int.
constexpr double kMaxTwips = 1e9;

} // namespace

WindowSettings parseWindowSettings(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(lineEnd);
    const auto line = [&lines](int index) {
        return index < lines.size() ? lines.at(index) : QString();
    };

    // Far-off and non-finite values are clamped or dropped: "1e400" would otherwise
    // round to an arbitrary integer and its pixels overflow an int.
    const auto twips = [](const QString &text) -> qint64 {
        const double value = leadingNumber(text);
        return std::isfinite(value) ? std::llround(std::clamp(value, -kMaxTwips, kMaxTwips)) : 0;
    };
    WindowSettings settings;
    settings.topTwips = twips(line(0));
    settings.leftTwips = twips(line(1));
    settings.titleBarState = line(2).trimmed();
    return settings;
}

QByteArray formatWindowSettings(const WindowSettings &settings)
{
    const QString text = numberText(settings.topTwips) + QLatin1String("\r\n") +
                         numberText(settings.leftTwips) + QLatin1String("\r\n") +
                         settings.titleBarState + QLatin1String("\r\n");
    return text.toUtf8();
}

WindowSettings readWindowSettings(const QString &path)
{
    QFile file(path);
    // A missing or unreadable file reads as empty lines.
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseWindowSettings(decodeText(file.readAll()));
}

bool writeWindowSettings(const QString &path, const WindowSettings &settings)
{
    return replaceFileWhole(path, formatWindowSettings(settings), NewFileAccess::Private);
}

int twipsToPixels(qint64 twips)
{
    return int(std::lround(double(twips) / kTwipsPerPixel));
}

} // namespace korvane
