// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Key words to suggest while the user types in the command center: every key word
// a lookup finds, with how many programs it starts and the first of them, in one
// sorted list held in memory, so that each keystroke costs a binary search and
// one scan of a single string. Built from the keyword index files the lookups
// read, so that a suggested word is always one Enter finds.

#include "keyword.h"
#include "keyworddatabase.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <memory>

namespace korvane::db {

struct Suggestion
{
    QString keyWord;      // as the user would type it in full (upper case)
    int programCount = 0; // programs Enter starts; 0 for a reserved word
    QString firstProgram; // the first program's field, trimmed; empty for a reserved word
    bool reserved = false;

    bool operator==(const Suggestion &other) const = default;
};

// The suggestions for one typed text, as positions in SuggestionIndex::suggestions().
struct SuggestionMatches
{
    // The key words that start with the text: one run of the sorted list.
    qsizetype prefixBegin = 0;
    qsizetype prefixEnd = 0;
    // Those that contain it elsewhere, in sorted order.
    QList<qsizetype> containing;

    qsizetype prefixCount() const { return prefixEnd - prefixBegin; }
    qsizetype count() const { return prefixCount() + containing.size(); }
    // The n-th suggestion: the prefix group first, then the others.
    qsizetype at(qsizetype n) const
    {
        return n < prefixCount() ? prefixBegin + n : containing.at(n - prefixCount());
    }
};

class SuggestionIndex
{
public:
    SuggestionIndex() = default;
    // Sorts the suggestions; a reserved word takes the place of a key word of the
    // same text, since typing it never reaches the database.
    SuggestionIndex(QList<Suggestion> keyWords, const QStringList &reservedWords);

    // Every key word a lookup finds: an active index entry whose active record
    // carries exactly the word its key contains, read from the index file that
    // word's lookup opens. Key words the lookup cannot find are left out (one
    // longer than an index key, one with a "?", which asks for a file instead).
    static SuggestionIndex build(const KeywordDatabase &database, const QStringList &reservedWords);

    const QList<Suggestion> &suggestions() const { return m_suggestions; }
    SuggestionMatches match(const KeyWord &typed) const;

private:
    QList<Suggestion> m_suggestions; // sorted by key word
    // Every key word between newlines, in sorted order, for the substring search;
    // m_starts holds where each begins.
    QString m_haystack;
    QList<qsizetype> m_starts;
};

// The suggestions of one database folder, rebuilt on request: at once for a small
// database, on a worker thread for a large one, so that the window never waits
// for it. Until the first build is done the index is empty.
class SuggestionSource : public QObject
{
    Q_OBJECT
public:
    SuggestionSource(QString folder, QStringList reservedWords, QObject *parent = nullptr);
    ~SuggestionSource() override;

    // Reads the database files again; changed() follows once the new index is in.
    void reload();
    std::shared_ptr<const SuggestionIndex> index() const { return m_index; }

signals:
    void changed();

private:
    void install(std::shared_ptr<const SuggestionIndex> index, quint64 generation);

    QString m_folder;
    QStringList m_reservedWords;
    std::shared_ptr<const SuggestionIndex> m_index;
    quint64 m_generation = 0; // of the latest reload; older builds are dropped
    QThreadPool m_worker;
};

} // namespace korvane::db
