// SPDX-License-Identifier: GPL-3.0-or-later
// "Scripter.ini" and "toolbox.ini" as read from any bytes: whatever they give is
// written back and read again unchanged.

#include "fuzzsupport.h"
#include "settings.h"

using namespace korvane;
using namespace korvane::editor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString editorFile = fuzz::writeScratchFile(kEditorSettingsFile, bytes);
    const EditorSettings settings = readEditorSettings(editorFile);
    if (settings.fontSize)
        fuzz::check(*settings.fontSize > 0, "a font size is positive");

    const QString toolBoxFile = fuzz::writeScratchFile(kToolBoxSettingsFile, bytes);
    const QPoint toolBox = readToolBoxPosition(toolBoxFile);
    fuzz::check(writeToolBoxPosition(toolBox, toolBoxFile), "tool box settings written");
    fuzz::check(readToolBoxPosition(toolBoxFile) == toolBox, "tool box position round-trips");

    if (settings.fontName && settings.fontSize && settings.colour &&
        !settings.fontName->contains(u'\r') && !settings.fontName->contains(u'\n')) {
        fuzz::check(writeEditorSettings(*settings.fontName, *settings.fontSize, *settings.colour,
                                        settings.position, editorFile),
                    "editor settings written");
        const EditorSettings again = readEditorSettings(editorFile);
        fuzz::check(again.fontName == settings.fontName, "font name round-trips");
        fuzz::check(again.colour == settings.colour, "colour round-trips");
        fuzz::check(again.position == settings.position, "position round-trips");
    }
    return 0;
}
