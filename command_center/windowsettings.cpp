#include "windowsettings.h"

#include "ansi.h"
#include "numbertext.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

#include <cmath>

namespace korvane {

WindowSettings parseWindowSettings(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(lineEnd);
    const auto line = [&lines](int index) {
        return index < lines.size() ? lines.at(index) : QString();
    };

    WindowSettings settings;
    settings.topTwips = std::llround(leadingNumber(line(0)));
    settings.leftTwips = std::llround(leadingNumber(line(1)));
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(formatWindowSettings(settings));
    return file.commit();
}

int twipsToPixels(qint64 twips)
{
    return int(std::lround(double(twips) / kTwipsPerPixel));
}

} // namespace korvane
