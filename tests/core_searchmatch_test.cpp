#include "core/search/searchmatch.h"
#include "support/fixtures.h"

namespace {

using Strings = std::vector<std::string>;

TEST(SearchMatch, FoldsCaseAndAccents)
{
    const std::pair<const char *, const char *> rows[] = {
        {"Zo\u00eb", "zoe"},
        {"Zoe\u0301", "zoe"}, // already decomposed
        {"\u00c6R\u00d8 Stra\u00dfe \u1e9e", "aero strasse ss"},
        {"\u0141\u00f3d\u017a \u0110or\u0111e \u0152uvre \u0153", "lodz dorde oeuvre oe"},
        {"\u01fe \u0130", "o i"}, // decompose to Ø and I with marks
        {"\u0395\u03bb\u03ad\u03bd\u03b7", "\u03b5\u03bb\u03b5\u03bd\u03b7"},
        {"a\tb\nc", "a b c"},
    };
    for (const auto &[text, folded] : rows)
        EXPECT_EQ(core::foldForSearch(QString::fromUtf8(text)), folded) << text;
}

TEST(SearchMatch, SplitsQueriesIntoWordsAndNumbers)
{
    const std::tuple<const char *, Strings, Strings> rows[] = {
        {"555-0101", {}, {"5550101"}},
        {"  555 01 ", {}, {"55501"}},
        {"(555) 0101 Tanaka", {"tanaka"}, {"5550101"}},
        {"+44 20 / 7946.00 [1]", {}, {"44207946001"}},
        {"12 Ann 34", {"ann"}, {"12", "34"}},
        {"Zo\u00eb 4B e-mail", {"zoe", "4b", "e-mail"}, {}},
        {" - () ", {}, {}},
    };
    for (const auto &[text, words, numbers] : rows) {
        const core::SearchQuery query = core::parseSearchQuery(QString::fromUtf8(text));
        EXPECT_EQ(query.words, words) << text;
        EXPECT_EQ(query.numbers, numbers) << text;
    }
}

const QList<core::DirectoryEntry> kEntries = {
    {"Ann Lee", "phone: (555) 0101\te-mail: ann@tanaka.co.jp", false},
    {QString::fromUtf8("Zo\u00eb Zimmer"),
     QString::fromUtf8("<b>address: Zimmerstra\u00dfe 4\tphone: 555-0199"), true},
    {"Office 365", "", false},
    {"Bob", "room 555, desk 0101", false},
};

TEST(SearchMatch, MatchesEveryWordInNameOrLines)
{
    constexpr int kNo = -2;
    // Query, then per entry: kNo, or the line shown for the match.
    const std::tuple<const char *, std::array<int, 4>> rows[] = {
        {"5550101", {0, kNo, kNo, kNo}},
        {"555 01", {0, 1, kNo, kNo}},
        {"4 555", {kNo, kNo, kNo, kNo}}, // one number never spans two lines,
        {"555-0101", {0, kNo, kNo, kNo}},
        {"tanaka", {1, kNo, kNo, kNo}},
        {"zoe", {kNo, core::kNameOnly, kNo, kNo}},
        {"ZIMMER strasse", {kNo, 0, kNo, kNo}},
        {"tanaka 0101", {0, kNo, kNo, kNo}}, // two words on different lines
        {"tanaka 0199", {kNo, kNo, kNo, kNo}},
        {"ann lee", {1, kNo, kNo, kNo}},
        {"365", {kNo, kNo, core::kNameOnly, kNo}},
        {"555", {0, 1, kNo, 0}},
        {"<b>", {kNo, kNo, kNo, kNo}}, // the bold marker is no text
        {"", {kNo, kNo, kNo, kNo}},
    };
    for (const auto &[text, expected] : rows) {
        const core::SearchQuery query = core::parseSearchQuery(QString::fromUtf8(text));
        std::array<int, 4> got;
        for (std::size_t i = 0; i < got.size(); ++i) {
            const core::EntryMatch match = core::matchEntry(query, kEntries[qsizetype(i)]);
            got[i] = match.matched ? match.line : kNo;
        }
        EXPECT_EQ(got, expected) << text;
    }
}

// The index finds each matching entry once, in order, and follows changes.
TEST(SearchMatch, IndexFollowsInsertReplaceRemove)
{
    core::SearchIndex index(kEntries);
    const auto find = [&](const char *text) {
        return index.find(core::parseSearchQuery(QString::fromUtf8(text)));
    };
    EXPECT_EQ(find("555"), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(find("zimmer"), (std::vector<int>{1}));
    const auto splice = [&](int at, int removed, std::vector<core::DirectoryEntry> inserted) {
        index.splice(at, removed, inserted);
    };
    splice(0, 1, {});
    EXPECT_EQ(find("555"), (std::vector<int>{0, 2}));
    splice(1, 0, {{"Eve", "fax: 555 7", false}});
    EXPECT_EQ(find("555"), (std::vector<int>{0, 1, 3}));
    splice(0, 1, {{"X", "phone: 1234567890 and more", false}});
    EXPECT_EQ(find("555"), (std::vector<int>{1, 3}));
    EXPECT_EQ(find("bob 0101"), (std::vector<int>{3}));
    EXPECT_EQ(index.firstLineHolding(core::parseSearchQuery(u"eve 7"), 1), 0);
    // Several entries for several others, in the middle and at the end.
    splice(1, 2, {{"Al", "555", false}, {"Cy", "", false}, {"Di", "0101 555", false}});
    EXPECT_EQ(find("555"), (std::vector<int>{1, 3, 4}));
    splice(4, 1, {{"Fy", "", false}, {"Gus", "zimmer 555", false}});
    EXPECT_EQ(find("555"), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(find("y"), (std::vector<int>{2, 4}));
    EXPECT_EQ(index.firstLineHolding(core::parseSearchQuery(u"555"), 3), 0);
    EXPECT_EQ(index.size(), 6);
    EXPECT_EQ(index.changeCount(), 5);

    // A query narrows an earlier one when each earlier word or number lies
    // within one of its own; then the earlier results are all it needs.
    const std::tuple<const char *, const char *, bool> typed[] = {
        {"55", "555", true},   {"zim", "gus zimm", true}, {"555 0", "555 01", true},
        {"y", "cy 555", true}, {"555", "55", false},      {"cy", "555", false},
        {"", "cy", false},     {"5", "five", false}};
    for (const auto &[earlierText, text, narrower] : typed) {
        const core::SearchQuery query = core::parseSearchQuery(QString::fromUtf8(text));
        const core::SearchQuery earlier = core::parseSearchQuery(QString::fromUtf8(earlierText));
        EXPECT_EQ(core::narrows(query, earlier), narrower) << earlierText << " " << text;
        if (narrower)
            EXPECT_EQ(index.findAmong(query, index.find(earlier)), index.find(query)) << text;
    }
}

} // namespace
