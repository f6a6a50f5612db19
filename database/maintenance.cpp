// SPDX-License-Identifier: GPL-3.0-or-later
#include "maintenance.h"

#include "lookup.h"
#include "windows1252.h"

namespace korvane::db {
namespace {

// The characters of `text` that Windows-1252 has no byte for, each once.
QString unstorableCharacters(const QString &text)
{
    QString found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character outside the basic plane is one pair of UTF-16 units.
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = QStringView(text).sliced(i, length);
        if (!isAnsiRepresentable(character) && !found.contains(character))
            found += character;
        i += length - 1;
    }
    return found;
}

} // namespace

AddResult checkAdd(const QString &keyWord, const QString &programName)
{
    AddResult result;
    result.outcome = AddOutcome::Added;
    // Only an exactly empty path is refused; spaces alone pass.
    if (programName.isEmpty()) {
        result.outcome = AddOutcome::MissingProgram;
    } else if (trimSpaces(keyWord).isEmpty()) {
        result.outcome = AddOutcome::MissingKeyWord;
    } else {
        // Nothing is replaced silently: a text the database cannot store is not added.
        result.unstorable = unstorableCharacters(keyWord + programName);
        if (!result.unstorable.isEmpty())
            result.outcome = AddOutcome::NotRepresentable;
    }
    return result;
}

AddResult addKeyWord(KeywordDatabase &database, const QString &keyWord, const QString &programName)
{
    AddResult result = checkAdd(keyWord, programName);
    if (result.outcome != AddOutcome::Added)
        return result;
    const std::optional<qint32> recordNumber = database.addLinkedRecord(keyWord, programName);
    if (!recordNumber) {
        result.outcome = AddOutcome::WriteFailed;
        result.error = database.errorString();
        return result;
    }
    result.recordNumber = *recordNumber;
    const QString keyWordField = KeywordDatabase::storedRecord(keyWord, programName).keyWord;
    result.listItem = addedKeyWordItem(trimSpaces(keyWordField), result.recordNumber);
    return result;
}

} // namespace korvane::db
