#pragma once

// Adding a key word as the keyword editor does: validation, then the record and
// its index entries. The editor tells the user what an outcome means.

#include "keyworddatabase.h"
#include "lookup.h"

namespace korvane::db {

enum class AddOutcome {
    Added,
    MissingProgram,   // focus belongs in ProgramName now
    MissingKeyWord,   // focus belongs in KeyWord now
    NotRepresentable, // a character Windows-1252 cannot store (in `unstorable`); nothing written
    WriteFailed,      // the record could not be written; no index entry either
};

struct AddResult
{
    AddOutcome outcome = AddOutcome::WriteFailed;
    qint32 recordNumber = 0;
    RecordItem listItem; // the entry Add puts into the editor's key word lists
    QString unstorable;  // the characters Windows-1252 cannot store, each once
};

// Validates, then appends the record and its keyword and application index
// entries (the entries only once the record is on disk).
AddResult addKeyWord(KeywordDatabase &database, const QString &keyWord, const QString &programName);

} // namespace korvane::db
