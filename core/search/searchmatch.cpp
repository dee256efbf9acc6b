#include "core/search/searchmatch.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace core {

namespace {

// Letters that readers take for a base letter although Unicode gives them no
// decomposition.
const char *letterFold(char32_t c)
{
    switch (c) {
    case U'\u00f8': // ø
    case U'\u00d8':
        return "o";
    case U'\u00e6': // æ
    case U'\u00c6':
        return "ae";
    case U'\u0153': // œ
    case U'\u0152':
        return "oe";
    case U'\u00df': // ß, and the capital sharp s
    case U'\u1e9e':
        return "ss";
    case U'\u0142': // ł
    case U'\u0141':
        return "l";
    case U'\u0111': // đ
    case U'\u0110':
        return "d";
    default:
        return nullptr;
    }
}

bool isAccent(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// A character of a decomposition: accents go, the rest is case-folded.
void appendBase(std::string &out, char32_t c)
{
    if (const char *letter = letterFold(c))
        out += letter;
    else if (c < 0x20)
        out.push_back(' ');
    else if (!isAccent(c))
        appendUtf8(out, QChar::toCaseFolded(c));
}

// Folds one code point from first principles.
void foldCodePoint(std::string &out, char32_t c)
{
    if (QChar::decompositionTag(c) != QChar::Canonical) {
        appendBase(out, c);
        return;
    }
    // Decomposing one character at a time gives what decomposing the whole
    // text gives once the marks are dropped: only marks are reordered.
    const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
    for (const char32_t part : decomposed.toUcs4())
        appendBase(out, part);
}

// The folds of the first 2,048 code points (Latin, Greek, Cyrillic and
// more), worked out once: most text never needs anything else.
constexpr char32_t kTableSize = 0x800;
const std::array<std::string, kTableSize> &foldTable()
{
    static const std::array<std::string, kTableSize> table = [] {
        std::array<std::string, kTableSize> folds;
        for (char32_t c = 0; c < kTableSize; ++c)
            foldCodePoint(folds[c], c);
        return folds;
    }();
    return table;
}

void appendFolded(std::string &out, QStringView text)
{
    const std::array<std::string, kTableSize> &table = foldTable();
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        const char16_t unit = *p++;
        if (unit < 0x80) {
            const char ascii = static_cast<char>(unit);
            out.push_back(ascii >= 'A' && ascii <= 'Z' ? static_cast<char>(ascii + ('a' - 'A'))
                          : unit < 0x20                ? ' '
                                                       : ascii);
            continue;
        }
        char32_t c = unit;
        if (QChar::isHighSurrogate(unit) && p < end && QChar::isLowSurrogate(*p))
            c = QChar::surrogateToUcs4(unit, *p++);
        if (c < kTableSize)
            out += table[c];
        else
            foldCodePoint(out, c);
    }
}

// The digits of a text with separators removed, one blank between runs that
// something else parts. A line's digits are thus searched as one number.
void appendDigits(std::string &out, QStringView text)
{
    bool inRun = false;
    for (const QChar c : text) {
        if (c.isDigit()) {
            out.push_back(static_cast<char>('0' + c.digitValue()));
            inRun = true;
        } else if (inRun && !isNumberSeparator(c)) {
            out.push_back(' ');
            inRun = false;
        }
    }
}

// A number line without the bold marker, as the detail list shows it.
QStringView shownText(QStringView line)
{
    const QLatin1StringView marker(kBoldMarker);
    return line.startsWith(marker) ? line.mid(marker.size()) : line;
}

// Appends the folded text and the digits of an entry: the name, then each line.
void appendRecords(std::string &text, std::string &digits, const DirectoryEntry &entry)
{
    const auto addField = [&](QStringView field) {
        appendFolded(text, field);
        text.push_back('\n');
        appendDigits(digits, field);
        digits.push_back('\n');
    };
    addField(entry.name);
    if (!entry.numbers.isEmpty()) {
        for (const QStringView line : QStringView(entry.numbers).tokenize(u'\t'))
            addField(shownText(line));
    }
}

std::size_t findIn(std::string_view haystack, std::string_view needle, std::size_t from)
{
#ifdef __GLIBC__
    // The C library's search is several times faster over long texts.
    const void *hit =
        ::memmem(haystack.data() + from, haystack.size() - from, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char *>(hit) - haystack.data())
               : std::string_view::npos;
#else
    return haystack.find(needle, from);
#endif
}

bool contains(std::string_view haystack, std::string_view needle)
{
    return haystack.find(needle) != std::string_view::npos;
}

// Splits off the first field of a record.
std::string_view takeField(std::string_view &record)
{
    const std::size_t end = record.find('\n');
    const std::string_view field = record.substr(0, end);
    record.remove_prefix(std::min(record.size(), end + 1));
    return field;
}

} // namespace

std::string foldForSearch(QStringView text)
{
    std::string folded;
    appendFolded(folded, text);
    return folded;
}

bool isNumberSeparator(QChar c)
{
    switch (c.unicode()) {
    case u'-':
    case u'\u2010': // hyphens and dashes
    case u'\u2011':
    case u'\u2012':
    case u'\u2013':
    case u'\u2014':
    case u'\u2015':
    case u'\u2212': // minus
    case u'.':
    case u'/':
    case u'(':
    case u')':
    case u'[':
    case u']':
    case u'+':
        return true;
    default:
        return c.isSpace();
    }
}

SearchQuery parseSearchQuery(QStringView text)
{
    SearchQuery query;
    std::string number;
    const auto endNumber = [&] {
        if (!number.empty())
            query.numbers.push_back(std::move(number));
        number.clear();
    };
    qsizetype at = 0;
    while (at < text.size()) {
        if (text[at].isSpace()) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const QStringView token = text.mid(at, end - at);
        at = end;
        const bool numeric = std::all_of(token.begin(), token.end(), [](QChar c) {
            return c.isDigit() || isNumberSeparator(c);
        });
        if (numeric) {
            appendDigits(number, token);
            continue;
        }
        endNumber();
        std::string word = foldForSearch(token);
        if (!word.empty())
            query.words.push_back(std::move(word));
    }
    endNumber();
    return query;
}

bool narrows(const SearchQuery &query, const SearchQuery &earlier)
{
    const auto within = [](const std::vector<std::string> &parts,
                           const std::vector<std::string> &wholes) {
        return std::all_of(parts.begin(), parts.end(), [&](const std::string &part) {
            return std::any_of(wholes.begin(), wholes.end(), [&](const std::string &whole) {
                return whole.find(part) != std::string::npos;
            });
        });
    };
    return !earlier.isEmpty() && within(earlier.words, query.words) &&
           within(earlier.numbers, query.numbers);
}

std::size_t SearchIndex::Records::begin(int position) const
{
    return position == 0 ? 0 : ends[static_cast<std::size_t>(position - 1)];
}

std::string_view SearchIndex::Records::record(int position) const
{
    const std::size_t start = begin(position);
    return std::string_view(bytes).substr(start, ends[static_cast<std::size_t>(position)] - start);
}

void SearchIndex::Records::splice(int position, int removed, std::string_view added,
                                  const std::vector<std::size_t> &addedEnds)
{
    const std::size_t start = begin(position);
    const std::size_t old = begin(position + removed) - start;
    bytes.replace(start, old, added);
    // Unsigned arithmetic wraps, so adding the difference also shrinks.
    const std::size_t change = added.size() - old;
    const auto first = ends.begin() + position;
    for (auto it = first + removed; it != ends.end(); ++it)
        *it += change;
    const auto at =
        ends.insert(ends.erase(first, first + removed), addedEnds.begin(), addedEnds.end());
    for (auto it = at; it != at + std::ptrdiff_t(addedEnds.size()); ++it)
        *it += start;
}

SearchIndex::SearchIndex(std::span<const DirectoryEntry> entries)
{
    splice(0, 0, entries);
    changes_ = 0;
}

SearchIndex::Bytes::Bytes(const Bytes &other)
{
    replace(0, 0, other);
}

SearchIndex::Bytes &SearchIndex::Bytes::operator=(const Bytes &other)
{
    if (this != &other)
        replace(0, size_, other);
    return *this;
}

SearchIndex::Bytes::Bytes(Bytes &&other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0))
{
}

SearchIndex::Bytes &SearchIndex::Bytes::operator=(Bytes &&other) noexcept
{
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    return *this;
}

SearchIndex::Bytes::~Bytes()
{
    std::free(data_);
}

void SearchIndex::Bytes::replace(std::size_t start, std::size_t old, std::string_view added)
{
    const std::size_t size = size_ - old + added.size();
    if (size > capacity_) {
        // realloc keeps the bytes; a large block it moves by remapping.
        const std::size_t capacity = std::max(size, capacity_ + capacity_ / 2);
        void *grown = std::realloc(data_, capacity);
        if (!grown)
            throw std::bad_alloc();
        data_ = static_cast<char *>(grown);
        capacity_ = capacity;
    }
    if (start + old != size_)
        std::memmove(data_ + start + added.size(), data_ + start + old, size_ - start - old);
    if (!added.empty())
        std::memcpy(data_ + start, added.data(), added.size());
    size_ = size;
}

template <typename ForEachRun>
void SearchIndex::spliceRuns(int position, int removed, std::size_t count,
                             const ForEachRun &forEachRun)
{
    std::string text;
    std::string digits;
    std::vector<std::size_t> textEnds;
    std::vector<std::size_t> digitEnds;
    textEnds.reserve(count);
    digitEnds.reserve(count);
    forEachRun([&](std::span<const DirectoryEntry> run) {
        for (const DirectoryEntry &entry : run) {
            appendRecords(text, digits, entry);
            textEnds.push_back(text.size());
            digitEnds.push_back(digits.size());
        }
    });
    text_.splice(position, removed, text, textEnds);
    digits_.splice(position, removed, digits, digitEnds);
    ++changes_;
}

void SearchIndex::splice(int position, int removed, std::span<const DirectoryEntry> inserted)
{
    spliceRuns(position, removed, inserted.size(), [&](const auto &visit) { visit(inserted); });
}

void SearchIndex::splice(int position, int removed, const EntryStore &entries, qsizetype from,
                         qsizetype count)
{
    spliceRuns(position, removed, std::size_t(count),
               [&](const auto &visit) { entries.forEachRun(from, count, visit); });
}

std::vector<SearchIndex::Needle> SearchIndex::needles(const SearchQuery &query) const
{
    std::vector<Needle> needles;
    for (const std::string &word : query.words)
        needles.push_back({word, &text_});
    for (const std::string &number : query.numbers)
        needles.push_back({number, &digits_});
    // The longest needle is usually the rarest: look for it first.
    std::stable_sort(needles.begin(), needles.end(), [](const Needle &a, const Needle &b) {
        return a.text.size() > b.text.size();
    });
    return needles;
}

void SearchIndex::keepHolding(std::vector<int> &positions, std::span<const Needle> needles)
{
    for (const Needle &needle : needles) {
        std::erase_if(positions, [&](int position) {
            return !contains(needle.records->record(position), needle.text);
        });
    }
}

std::vector<int> SearchIndex::find(const SearchQuery &query) const
{
    const std::vector<Needle> all = needles(query);
    std::vector<int> found;
    if (all.empty())
        return found;
    // The first needle alone is looked for in the whole index, the others
    // only in the entries that hold it.
    const Records &first = *all.front().records;
    std::size_t from = 0;
    auto entryEnd = first.ends.begin();
    for (;;) {
        const std::size_t hit = findIn(first.bytes, all.front().text, from);
        if (hit == std::string_view::npos)
            break;
        // The hit is most often in one of the next few records: step to
        // it, and look it up only when it is further.
        for (int step = 0; step < 8 && entryEnd != first.ends.end() && *entryEnd <= hit; ++step)
            ++entryEnd;
        if (entryEnd != first.ends.end() && *entryEnd <= hit)
            entryEnd = std::upper_bound(entryEnd, first.ends.end(), hit);
        found.push_back(static_cast<int>(entryEnd - first.ends.begin()));
        from = *entryEnd++;
    }
    keepHolding(found, std::span(all).subspan(1));
    return found;
}

std::vector<int> SearchIndex::findAmong(const SearchQuery &query, std::vector<int> positions) const
{
    const std::vector<Needle> all = needles(query);
    if (all.empty())
        positions.clear();
    keepHolding(positions, all);
    return positions;
}

int SearchIndex::firstLineHolding(const SearchQuery &query, int position) const
{
    std::string_view text = text_.record(position);
    std::string_view digits = digits_.record(position);
    takeField(text);
    takeField(digits);
    for (int line = 0; !text.empty(); ++line) {
        const std::string_view textField = takeField(text);
        const std::string_view digitField = takeField(digits);
        const auto in = [](std::string_view field) {
            return [field](const std::string &needle) { return contains(field, needle); };
        };
        if (std::any_of(query.words.begin(), query.words.end(), in(textField)) ||
            std::any_of(query.numbers.begin(), query.numbers.end(), in(digitField)))
            return line;
    }
    return kNameOnly;
}

EntryMatch matchEntry(const SearchQuery &query, const DirectoryEntry &entry)
{
    const SearchIndex index(std::span(&entry, 1));
    if (index.find(query).empty())
        return {};
    return {true, index.firstLineHolding(query, 0)};
}

} // namespace core
