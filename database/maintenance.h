// SPDX-License-Identifier: GPL-3.0-or-later
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
    WriteFailed,      // a file could not be written (in `error`); nothing was written
};

struct AddResult
{
    AddOutcome outcome = AddOutcome::WriteFailed;
    qint32 recordNumber = 0;
    RecordItem listItem; // the entry Add puts into the editor's key word lists
    QString unstorable;  // the characters Windows-1252 cannot store, each once
    QString error;       // why it was not written: the file and the reason
};

// The checks of an add, without writing: Added when the key word may be written.
AddResult checkAdd(const QString &keyWord, const QString &programName);

// Validates, then appends the record and its keyword and application index
// entries as one change.
AddResult addKeyWord(KeywordDatabase &database, const QString &keyWord, const QString &programName);

} // namespace korvane::db
