// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the fuzz targets: a property check that aborts (so libFuzzer keeps
// the input) and a scratch folder for the readers that take file names.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace korvane::fuzz {

inline void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// One folder for the whole run, emptied by the caller as needed.
inline QString scratchFolder()
{
    static const QTemporaryDir dir;
    return dir.path();
}

inline QString writeScratchFile(const QString &name, const QByteArray &bytes)
{
    const QString path = scratchFolder() + u'/' + name;
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file opens");
    check(file.write(bytes) == bytes.size(), "scratch file written");
    return path;
}

inline QByteArray readScratchFile(const QString &name)
{
    QFile file(scratchFolder() + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace korvane::fuzz
