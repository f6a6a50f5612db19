// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Windows-1252 ("ANSI") text: the byte encoding of the keyword database, and the
// fallback for old script and text files that are not valid UTF-8.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace korvane {

// True when every character of `text` has a Windows-1252 byte.
bool isAnsiRepresentable(QStringView text);

// Encodes `text`; characters without a Windows-1252 byte become '?'. Check with
// isAnsiRepresentable() first where that would lose data.
QByteArray toAnsi(QStringView text);

QString fromAnsi(QByteArrayView bytes);

// Decodes a text file's bytes: UTF-8 when they are valid UTF-8 (a BOM is dropped),
// Windows-1252 otherwise.
QString decodeText(QByteArrayView bytes);

} // namespace korvane
