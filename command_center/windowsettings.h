#pragma once

// "PD.ini": the command center's position (twips) and title-bar state, one value
// per line, CR LF line ends. Read leniently, written exactly.

#include <QByteArray>
#include <QString>

namespace korvane {

inline const QString kWindowSettingsFileName = QStringLiteral("PD.ini");
inline constexpr int kTwipsPerPixel = 15;

struct WindowSettings
{
    qint64 topTwips = 0;
    qint64 leftTwips = 0;
    QString titleBarState; // "1" title bar removed, "2" shown, empty before either

    bool titleBarRemoved() const { return titleBarState.trimmed() == QLatin1String("1"); }
};

// Lines 1 and 2 give their leading number (0 when missing or not numeric); line 3
// is kept trimmed. Fewer lines read as empty ones.
WindowSettings parseWindowSettings(const QString &text);

// " <top>\r\n <left>\r\n<TitleBarState>\r\n" (a minus sign instead of the blank for
// a negative number).
QByteArray formatWindowSettings(const WindowSettings &settings);

// A missing or unreadable file gives the defaults: top-left corner, title bar kept.
WindowSettings readWindowSettings(const QString &path);

// Replaces the file whole; false when it could not be written.
bool writeWindowSettings(const QString &path, const WindowSettings &settings);

// Pixels to twips and back (15 twips per device-independent pixel).
inline qint64 pixelsToTwips(int pixels)
{
    return qint64(pixels) * kTwipsPerPixel;
}
int twipsToPixels(qint64 twips);

} // namespace korvane
