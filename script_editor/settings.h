// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's "Scripter.ini" and the tool box's "toolbox.ini", both in the
// current directory: one value a line, ended by CR LF, numbers written with a
// blank before (a minus sign for a negative one) and a blank after.

#include <QPoint>
#include <QString>

#include <optional>

namespace korvane::editor {

inline const QString kEditorSettingsFile = QStringLiteral("Scripter.ini");
inline const QString kToolBoxSettingsFile = QStringLiteral("toolbox.ini");

struct EditorSettings
{
    // Empty or unreadable lines leave the window's built-in values.
    std::optional<QString> fontName;
    std::optional<double> fontSize;
    std::optional<quint32> colour; // RGB, red in the low byte
    QPoint position;               // twips; 0 when missing
};

// " 1200 ", "-15 ", " 9.75 ".
QString settingsNumber(double value);

EditorSettings readEditorSettings(const QString &fileName = kEditorSettingsFile);
bool writeEditorSettings(const QString &fontName, double fontSize, quint32 colour,
                         const QPoint &position, const QString &fileName = kEditorSettingsFile);

// The tool box's Left and Top in twips; 0 for a missing or unreadable line.
QPoint readToolBoxPosition(const QString &fileName = kToolBoxSettingsFile);
bool writeToolBoxPosition(const QPoint &position, const QString &fileName = kToolBoxSettingsFile);

} // namespace korvane::editor
