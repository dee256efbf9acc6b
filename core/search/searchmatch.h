#pragma once

#include "core/directory/directoryfile.h"
#include "core/directory/entrystore.h"

#include <QList>
#include <QStringView>

#include <atomic>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Searching every field of the directory: a query's words must each occur in
// an entry's name or number lines, ignoring case and accents; a number in the
// query must occur among one line's digits, however the line spaces them.

// Text as the search compares it, in UTF-8: canonically decomposed with the
// accents (non-spacing and enclosing marks) dropped, case-folded, and ø, æ,
// œ, ß, ł, đ (and their capitals) written o, ae, oe, ss, l, d. Control
// characters become blanks.
std::string foldForSearch(QStringView text);

// True for the characters that may stand between the digits of a number
// without ending it: blanks, dashes, dots, slashes, brackets and "+".
bool isNumberSeparator(QChar c);

// A parsed query. Blank-separated tokens made only of digits and separators
// form number runs: consecutive ones are one number ("555 01" is "55501").
// Any other token is a word. A run without a digit ("-") asks for nothing.
struct SearchQuery
{
    std::vector<std::string> words;   // folded, in query order
    std::vector<std::string> numbers; // ASCII digits, in query order
    bool isEmpty() const { return words.empty() && numbers.empty(); }
    friend bool operator==(const SearchQuery &, const SearchQuery &) = default;
};

SearchQuery parseSearchQuery(QStringView text);

// True when every entry that matches `query` also matches `earlier`, because
// each word of earlier lies within a word of query and each number within a
// number (as when the user types on). An empty earlier query narrows nothing.
bool narrows(const SearchQuery &query, const SearchQuery &earlier);

// The line index that stands for the name alone.
inline constexpr int kNameOnly = -1;

struct EntryMatch
{
    bool matched = false;
    // For a match, the first number line holding a word or number of the
    // query, or kNameOnly when only the name holds them.
    int line = kNameOnly;
    friend bool operator==(const EntryMatch &, const EntryMatch &) = default;
};

// The entries of a directory in the form the search compares, kept in entry
// order. Each entry is folded once when it comes in, so a search costs one
// pass over compact bytes. An empty query matches nothing.
class SearchIndex
{
public:
    SearchIndex() = default;
    // Folds the entries.
    explicit SearchIndex(std::span<const DirectoryEntry> entries);
    explicit SearchIndex(const QList<DirectoryEntry> &entries)
        : SearchIndex(std::span(entries.constData(), std::size_t(entries.size())))
    {
    }

    int size() const { return static_cast<int>(text_.ends.size()); }
    // From position on (counting from 0), `removed` entries were replaced by
    // `inserted`. One pass over the index, however many entries change.
    void splice(int position, int removed, std::span<const DirectoryEntry> inserted);
    // The same, the entries inserted being `count` of `entries` from `from` on.
    void splice(int position, int removed, const EntryStore &entries, qsizetype from,
                qsizetype count);
    // How many splices the index has taken since it was made.
    int changeCount() const { return changes_; }

    // The positions of the matching entries, in entry order.
    std::vector<int> find(const SearchQuery &query) const;
    // The same among these positions (in entry order) alone.
    std::vector<int> findAmong(const SearchQuery &query, std::vector<int> positions) const;
    // For an entry that matches: the first number line holding a word or a
    // number of the query, or kNameOnly.
    int firstLineHolding(const SearchQuery &query, int position) const;

private:
    // Bytes in one block that grows in place where the system can: a large
    // block is moved by remapping its pages rather than copied, so that an
    // import into a large index does not copy the whole index.
    class Bytes
    {
    public:
        Bytes() = default;
        Bytes(const Bytes &other);
        Bytes &operator=(const Bytes &other);
        Bytes(Bytes &&other) noexcept;
        Bytes &operator=(Bytes &&other) noexcept;
        ~Bytes();
        operator std::string_view() const { return {data_, size_}; }
        std::size_t size() const { return size_; }
        // Replaces `old` bytes from start on with `added`.
        void replace(std::size_t start, std::size_t old, std::string_view added);

    private:
        char *data_ = nullptr;
        std::size_t size_ = 0;
        std::size_t capacity_ = 0;
    };
    // One record per entry, one field per name or line, each field ended by
    // a line feed (which no needle holds, so no match spans two fields).
    struct Records
    {
        Bytes bytes;
        std::vector<std::size_t> ends; // where each entry's record ends
        std::size_t begin(int position) const;
        std::string_view record(int position) const;
        // Replaces `removed` records from position on by those in `added`,
        // which end where `addedEnds` say (counted from the start of added).
        void splice(int position, int removed, std::string_view added,
                    const std::vector<std::size_t> &addedEnds);
    };
    // A text to look for, and the records to look in.
    struct Needle
    {
        std::string_view text;
        const Records *records;
    };
    // Splices in the records of `count` entries, which forEachRun hands in runs.
    template <typename ForEachRun>
    void spliceRuns(int position, int removed, std::size_t count, const ForEachRun &forEachRun);
    std::vector<Needle> needles(const SearchQuery &query) const;
    static void keepHolding(std::vector<int> &positions, std::span<const Needle> needles);

    Records text_;   // folded text of the name and each line
    Records digits_; // digit runs of the name and each line, blank-separated
    int changes_ = 0;
};

// Matches one entry (no index kept).
EntryMatch matchEntry(const SearchQuery &query, const DirectoryEntry &entry);

} // namespace core
