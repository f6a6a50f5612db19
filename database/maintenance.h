#pragma once

// The keyword editor's write actions with their validation messages and spoken
// prompts: add a key word, delete the selected one.

#include "keyworddatabase.h"

namespace korvane {
class Platform;
}

namespace korvane::db {

inline const QString kNoAppMessage = QStringLiteral(
    "Oops! Ha Ha... You didn't select an application to start with your KeyWord.  I'll put "
    "your cursor there for you now!\r\rTo select the application you want to start.  Just "
    "click the little folder!");
inline const QString kNoKeyWordMessage = QStringLiteral(
    "Oops!  You forgot to put a KeyWord into the KeyWord Field.  I'll put your cursor there "
    "for you now!\r\rWhen you're done entering your KeyWord then just press enter, or click "
    "the arrow button.");
inline const QString kSelectToDeleteMessage = QStringLiteral(
    "Please select a KeyWord to delete from the list to the left, and then click the delete "
    "button.");

// Followed by a blank and the characters that cannot be stored, each once.
inline const QString kNotRepresentableMessage = QStringLiteral(
    "The KeyWord and the Application Path can only hold characters of the Western European "
    "(Windows-1252) character set. Please replace these characters:");

inline const QString kNoAppWave = QStringLiteral("NoApp.Wav");
inline const QString kNoKeyWordWave = QStringLiteral("NoKeyWord.Wav");
inline const QString kDeleteWave = QStringLiteral("Delete.Wav");

enum class AddOutcome {
    Added,
    MissingProgram,   // focus belongs in ProgramName now
    MissingKeyWord,   // focus belongs in KeyWord now
    NotRepresentable, // a character Windows-1252 cannot store; nothing written
    WriteFailed,      // the record could not be written; no index entry either
};

struct AddResult
{
    AddOutcome outcome = AddOutcome::WriteFailed;
    qint32 recordNumber = 0;
    QString trimmedKeyWord; // the text of the two list items Add appends
    QString listItem;       // addedKeyWordItem(trimmedKeyWord, recordNumber)
};

// Validates, then appends the record and its keyword and application index
// entries (the entries only once the record is on disk). Messages and prompts go
// through `platform`.
AddResult addKeyWord(KeywordDatabase &database, Platform &platform, const QString &keyWord,
                     const QString &programName);

// Deletes the record named by the selected KeyWordList item's last 10 characters.
// Returns the record number deleted, or 0 after the "select a KeyWord" message
// when `selectedItem` names none.
qint32 deleteSelectedKeyWord(KeywordDatabase &database, Platform &platform,
                             const QString &selectedItem);

} // namespace korvane::db
