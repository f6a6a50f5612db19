#pragma once

// Adding a key word as the keyword editor does: validation, then the record and
// its index entries. The result says what happened; the editor shows the message
// and plays the sound that goes with it.

#include "keyworddatabase.h"
#include "lookup.h"

namespace korvane::db {

enum class AddOutcome {
    Added,
    MissingProgram,   // the program field is empty
    MissingKeyWord,   // the key word field is empty or blank
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
