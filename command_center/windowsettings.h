// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "PD.ini": the command center's position (twips) and title-bar state, one value
// per line, CR LF line ends. Read leniently, written exactly.

#include <QByteArray>
#include <QString>

namespace korvane {

inline const QString kWindowSettingsFileName = QStringLiteral("PD.ini");

// Whether the command center's title bar was last removed or shown; Unset until
// either happened. Stored as "1" (removed), "2" (shown) or an empty line.
enum class TitleBarState { Unset, Removed, Shown };

struct WindowSettings
{
    qint64 topTwips = 0;
    qint64 leftTwips = 0;
    TitleBarState titleBar = TitleBarState::Unset;
};

// Lines 1 and 2 give their leading number (0 when missing or not numeric); line 3,
// trimmed, is the title-bar state. Fewer lines read as empty ones.
WindowSettings parseWindowSettings(const QString &text);

// " <top>\r\n <left>\r\n<1, 2 or nothing>\r\n" (a minus sign instead of the blank for
// a negative number).
QByteArray formatWindowSettings(const WindowSettings &settings);

// A missing or unreadable file gives the defaults: top-left corner, title bar kept.
WindowSettings readWindowSettings(const QString &path);

// Replaces the file whole; false when it could not be written.
bool writeWindowSettings(const QString &path, const WindowSettings &settings);

} // namespace korvane
