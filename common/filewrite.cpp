// SPDX-License-Identifier: GPL-3.0-or-later
#include "filewrite.h"

#include <QFileInfo>
#include <QSaveFile>

namespace korvane {

bool replaceFileWhole(const QString &path, const QByteArray &bytes, NewFileAccess access,
                      QString *error)
{
    const bool isNew = !QFileInfo::exists(path);
    // Unbuffered, so that a short write on a full disk shows here: a buffered
    // QSaveFile commits the truncated file without reporting it.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    // The mode is set on the file written aside, so the content is never readable
    // by others, not even before the rename.
    if (ok && isNew && access == NewFileAccess::Private)
        ok = file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ok = ok && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

} // namespace korvane
