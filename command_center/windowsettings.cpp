// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowsettings.h"

#include "filewrite.h"
#include "numbertext.h"
#include "windows1252.h"

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

QLatin1StringView titleBarText(TitleBarState state)
{
    switch (state) {
    case TitleBarState::Removed:
        return QLatin1StringView("1");
    case TitleBarState::Shown:
        return QLatin1StringView("2");
    case TitleBarState::Unset:
        break;
    }
    return {};
}

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
    const QString titleBar = line(2).trimmed();
    if (titleBar == QLatin1String("1"))
        settings.titleBar = TitleBarState::Removed;
    else if (titleBar == QLatin1String("2"))
        settings.titleBar = TitleBarState::Shown;
    return settings;
}

QByteArray formatWindowSettings(const WindowSettings &settings)
{
    const QString text = numberText(settings.topTwips) + QLatin1String("\r\n") +
                         numberText(settings.leftTwips) + QLatin1String("\r\n") +
                         titleBarText(settings.titleBar) + QLatin1String("\r\n");
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

} // namespace korvane
