// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchdatabase.h"

#include "keyword.h"
#include "keyworddatabase.h"
#include "records.h"

#include <QFile>
#include <QHash>

namespace korvane::bench {

void writeDatabase(const QString &folder, int records,
                   const std::function<std::pair<QString, QString>(int)> &linkOf)
{
    using namespace korvane::db;
    QByteArray recordBytes;
    recordBytes.reserve(qsizetype(records) * kRecordSize);
    QHash<QString, QByteArray> indexes;
    for (int i = 1; i <= records; ++i) {
        const auto [keyWord, program] = linkOf(i);
        const KeywordRecord record{kStatusActive, fitField(upperCase(program), kProgramWidth),
                                   fitField(keyWord, kKeyWordWidth)};
        recordBytes += encodeRecord(record);
        const QString key = trimSpaces(record.keyWord);
        const QString appKey = KeywordDatabase::applicationKey(record.program);
        indexes[key.left(1) + kKeywordIndexExtension] +=
            encodeIndexEntry({kStatusActive, i, fitField(key, kIndexKeyWidth)});
        indexes[appKey.left(1) + kApplicationIndexExtension] +=
            encodeIndexEntry({kStatusActive, i, fitField(appKey, kIndexKeyWidth)});
    }
    const auto write = [&folder](const QString &name, const QByteArray &bytes) {
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
    };
    write(kRecordFileName, recordBytes);
    for (auto it = indexes.cbegin(); it != indexes.cend(); ++it)
        write(it.key(), it.value());
}

} // namespace korvane::bench
