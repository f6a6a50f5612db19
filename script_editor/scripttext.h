// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Script files as the editor reads and writes them: the editor holds "\n" line
// breaks, files hold CR LF; blanks at both ends are dropped on Open and Save.

#include <QString>

#include <optional>

namespace korvane::editor {

// Blanks (spaces) trimmed at both ends; tabs and line breaks stay.
QString trimBlanks(const QString &text);

QString toFileText(const QString &editorText);
QString toEditorText(QString fileText);

// A name holding a wildcard is the dialog's pattern, left by a cancelled dialog:
// it names no file (as on the system the scripts come from).
bool isPatternName(const QString &fileName);

// The whole file as editor text (UTF-8, or Windows-1252 for old scripts). A
// missing file is created empty. Nothing when it cannot be opened or created.
std::optional<QString> readScriptFile(const QString &fileName);

struct WriteResult
{
    bool ok = false;
    QString error; // the system's description of the failure
};

// Writes the editor text trimmed of blanks and followed by CR LF, as UTF-8,
// atomically: a failed write leaves the previous file untouched.
WriteResult writeScriptFile(const QString &fileName, const QString &editorText);

} // namespace korvane::editor
