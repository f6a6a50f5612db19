// SPDX-License-Identifier: GPL-3.0-or-later
#include "suggestions.h"

#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringMatcher>

#include <algorithm>
#include <vector>

namespace korvane::db {
namespace {

// Up to this many records the index is built on the calling thread: it takes
// a few milliseconds, and the suggestions are there from the first keystroke.
constexpr qint64 kRecordsBuiltAtOnce = 2000;

// What a suggestion needs of a record; `active` is false for a deleted record
// and for the numbers past the end of the file.
struct RecordFace
{
    bool active = false;
    QString keyWord;
    QString program;
};

std::vector<RecordFace> readRecordFaces(const KeywordDatabase &database)
{
    std::vector<RecordFace> faces(database.recordCount() + 1);
    database.forEachRecord([&faces](qint32 number, const KeywordRecord &record) {
        if (record.isActive() && qsizetype(number) < qsizetype(faces.size()))
            faces[number] = {true, trimSpaces(record.keyWord), trimSpaces(record.program)};
        return true;
    });
    return faces;
}

// Whether typing `word` in full looks up exactly `word`.
bool isTypedAsItIs(const QString &word)
{
    return !word.isEmpty() && !word.contains(u'?') && KeyWord(word).text() == word &&
           isAnsiRepresentable(word);
}

// Adds the key words that the lookups find through the keyword index file at
// `path`, in entry order, to `found` (word -> position in `words`).
void collectIndexFile(const KeywordDatabase &database, const QString &path,
                      const std::vector<RecordFace> &records, QHash<QString, QString> &fileOfFirst,
                      QHash<QString, qsizetype> &found, QList<Suggestion> &words)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return; // an unreadable index file finds nothing
    const QByteArray bytes = file.readAll();
    for (qsizetype offset = 0; offset + kIndexEntrySize <= bytes.size();
         offset += kIndexEntrySize) {
        const std::optional<IndexEntry> entry =
            decodeIndexEntry(QByteArrayView(bytes).sliced(offset, kIndexEntrySize));
        if (!entry || !entry->isActive() || entry->recordNumber < 1 ||
            qsizetype(entry->recordNumber) >= qsizetype(records.size()))
            continue;
        const RecordFace &record = records[entry->recordNumber];
        if (!record.active || !isTypedAsItIs(record.keyWord) ||
            !trimSpaces(upperCase(entry->key)).contains(record.keyWord))
            continue;
        // The lookup of this word reads one index file, named by its first character.
        const QString first = record.keyWord.left(1);
        auto known = fileOfFirst.find(first);
        if (known == fileOfFirst.end())
            known = fileOfFirst.insert(
                first, database.indexFilePath(record.keyWord, kKeywordIndexExtension));
        if (*known != path)
            continue;
        const auto at = found.constFind(record.keyWord);
        if (at != found.cend()) {
            ++words[*at].programCount;
        } else {
            found.insert(record.keyWord, words.size());
            words.append({record.keyWord, 1, record.program, false});
        }
    }
}

} // namespace

SuggestionIndex::SuggestionIndex(QList<Suggestion> keyWords, const QStringList &reservedWords)
    : m_suggestions(std::move(keyWords))
{
    m_suggestions.removeIf(
        [&reservedWords](const Suggestion &s) { return reservedWords.contains(s.keyWord); });
    for (const QString &word : reservedWords)
        m_suggestions.append({word, 0, QString(), true});
    std::sort(m_suggestions.begin(), m_suggestions.end(),
              [](const Suggestion &a, const Suggestion &b) { return a.keyWord < b.keyWord; });

    m_starts.reserve(m_suggestions.size());
    m_haystack.append(u'\n');
    for (const Suggestion &suggestion : std::as_const(m_suggestions)) {
        m_starts.append(m_haystack.size());
        m_haystack.append(suggestion.keyWord);
        m_haystack.append(u'\n');
    }
}

SuggestionIndex SuggestionIndex::build(const KeywordDatabase &database,
                                       const QStringList &reservedWords)
{
    const std::vector<RecordFace> records = readRecordFaces(database);
    QHash<QString, QString> fileOfFirst;
    QHash<QString, qsizetype> found;
    QList<Suggestion> words;
    // Any spelling of ".kwx", and ".KWX" itself, the file of keys beginning with "/".
    const QStringList indexFiles =
        QDir(database.folder())
            .entryList({QStringLiteral("*") + kKeywordIndexExtension},
                       QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : indexFiles)
        collectIndexFile(database, database.folder() + u'/' + name, records, fileOfFirst, found,
                         words);
    return SuggestionIndex(std::move(words), reservedWords);
}

SuggestionMatches SuggestionIndex::match(const KeyWord &typed) const
{
    SuggestionMatches matches;
    const QString &text = typed.text();
    if (text.isEmpty() || text.contains(u'\n'))
        return matches;

    const auto byWord = [](const Suggestion &s, const QString &t) { return s.keyWord < t; };
    const auto begin = std::lower_bound(m_suggestions.cbegin(), m_suggestions.cend(), text, byWord);
    auto end = begin;
    while (end != m_suggestions.cend() && end->keyWord.startsWith(text))
        ++end;
    matches.prefixBegin = begin - m_suggestions.cbegin();
    matches.prefixEnd = end - m_suggestions.cbegin();

    // Every occurrence inside a word; a word that starts with the text is in the
    // first group already, and a word is listed once however often it holds it.
    const QStringMatcher matcher(text);
    qsizetype from = 0;
    while ((from = matcher.indexIn(m_haystack, from)) >= 0) {
        const qsizetype word =
            std::upper_bound(m_starts.cbegin(), m_starts.cend(), from) - m_starts.cbegin() - 1;
        if (m_starts.at(word) != from)
            matches.containing.append(word);
        from = m_starts.at(word) + m_suggestions.at(word).keyWord.size() + 1;
    }
    return matches;
}

SuggestionSource::SuggestionSource(QString folder, QStringList reservedWords, QObject *parent)
    : QObject(parent)
    , m_folder(std::move(folder))
    , m_reservedWords(std::move(reservedWords))
    , m_index(std::make_shared<const SuggestionIndex>(QList<Suggestion>(), m_reservedWords))
{
    m_worker.setMaxThreadCount(1);
}

SuggestionSource::~SuggestionSource()
{
    // A build still running reads files only; its result is dropped.
    m_worker.waitForDone();
}

void SuggestionSource::reload()
{
    const quint64 generation = ++m_generation;
    const KeywordDatabase database(m_folder);
    if (database.recordCount() <= kRecordsBuiltAtOnce) {
        install(std::make_shared<const SuggestionIndex>(
                    SuggestionIndex::build(database, m_reservedWords)),
                generation);
        return;
    }
    m_worker.start([this, database, generation, reserved = m_reservedWords] {
        auto index =
            std::make_shared<const SuggestionIndex>(SuggestionIndex::build(database, reserved));
        QMetaObject::invokeMethod(
            this, [this, index, generation] { install(index, generation); }, Qt::QueuedConnection);
    });
}

void SuggestionSource::install(std::shared_ptr<const SuggestionIndex> index, quint64 generation)
{
    if (generation != m_generation)
        return; // a later reload is under way
    m_index = std::move(index);
    emit changed();
}

} // namespace korvane::db
