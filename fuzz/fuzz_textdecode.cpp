// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding of script and text files: UTF-8 with the Windows-1252 fallback, the
// engine's line reader and the editor's whole-file reader.

#include "fuzzsupport.h"
#include "scriptfile.h"
#include "scripttext.h"
#include "windows1252.h"

#include <QStringDecoder>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString text = decodeText(bytes);

    // Windows-1252 keeps every byte.
    const QString ansi = fromAnsi(bytes);
    fuzz::check(ansi.size() == bytes.size(), "one character per byte");
    fuzz::check(isAnsiRepresentable(ansi) && toAnsi(ansi) == bytes, "every byte round-trips");
    if (isAnsiRepresentable(text))
        fuzz::check(fromAnsi(toAnsi(text)) == text, "representable text round-trips");

    // Valid UTF-8 is taken as UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    if (!utf8.hasError())
        fuzz::check(text == decoded || text == decoded.mid(1), "valid UTF-8 decodes as UTF-8");
    else
        fuzz::check(text == ansi, "invalid UTF-8 decodes as Windows-1252");

    // The line reader returns every line, each decoded on its own, and stops.
    const QString path = fuzz::writeScratchFile(QStringLiteral("script.txt"), bytes);
    script::ScriptFileReader reader(path);
    fuzz::check(reader.isOpen(), "the file opens");
    qsizetype lines = 0;
    qsizetype characters = 0;
    while (const std::optional<QString> line = reader.readLine()) {
        fuzz::check(!line->contains(u'\n') && !line->contains(u'\r'), "no line end in a line");
        characters += line->size();
        fuzz::check(++lines <= qsizetype(size), "no more lines than bytes");
    }
    fuzz::check(characters <= qsizetype(size), "no more characters than bytes");
    fuzz::check(bytes.isEmpty() == (lines == 0), "an empty file has no lines");

    // The editor's reader keeps the text with its line breaks.
    const std::optional<QString> editorText = editor::readScriptFile(path);
    fuzz::check(editorText.has_value(), "the editor reads the file");
    return 0;
}
