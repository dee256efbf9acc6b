#include "core/directoryfile.h"
#include "core/entryrules.h"
#include "core/textfile.h"

#include <gtest/gtest.h>

namespace {

struct FilterRow
{
    const char16_t *typed;
    const char16_t *name;   // what a name keeps
    const char16_t *number; // what a number line keeps
};

const FilterRow kFilterRows[] = {
    {u"", u"", u""},
    {u"Ann Lee", u"Ann Lee", u"Ann Lee"},
    {u"  spaced  ", u"  spaced  ", u"  spaced  "},
    {u"a|b", u"ab", u"ab"},
    {u"||", u"", u""},
    {u"a\tb", u"a\tb", u"ab"},
    {u"line\r\nbreak\n", u"linebreak", u"linebreak"},
    {u"\r", u"", u""},
    {u"<b>phone: 1", u"<b>phone: 1", u"<b>phone: 1"},
    {u"M\u00fcller \u20ac|\t", u"M\u00fcller \u20ac\t", u"M\u00fcller \u20ac"},
};

TEST(EntryRules, KeepsOnlyWhatTheFormatHolds)
{
    for (const FilterRow &row : kFilterRows) {
        const QString typed = QString::fromUtf16(row.typed);
        SCOPED_TRACE(typed.toStdString());
        EXPECT_EQ(core::keepNameInFormat(typed), QString::fromUtf16(row.name));
        EXPECT_EQ(core::keepNumberLineInFormat(typed), QString::fromUtf16(row.number));
    }
}

TEST(EntryRules, FilteredValuesReadBackAsWritten)
{
    // Whatever the user types, what the editor lets through (and does not
    // refuse) is stored and read back unchanged.
    for (const FilterRow &row : kFilterRows) {
        for (const bool bold : {false, true}) {
            const QString typed = QString::fromUtf16(row.typed);
            const QString name = core::keepNameInFormat(typed);
            if (core::beginsWithBoldMarker(name))
                continue;
            const QString line = core::keepNumberLineInFormat(typed);
            const core::DirectoryEntry entry{name, core::joinNumberLines({line, line}), bold};
            SCOPED_TRACE(typed.toStdString());
            const auto read = core::parseDirectoryLine(core::formatDirectoryLine(entry));
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(*read, entry);
        }
    }
}

TEST(EntryRules, RefusedNamesAndBlankText)
{
    // Only a marker at the very start, in any case, makes a name unstorable.
    for (const char *name : {"<b>Ann", "<B>Ann", "<b>"})
        EXPECT_TRUE(core::beginsWithBoldMarker(QString::fromLatin1(name))) << name;
    for (const char *name : {" <b>Ann", "Ann<b>", "<b", ""})
        EXPECT_FALSE(core::beginsWithBoldMarker(QString::fromLatin1(name))) << name;
    // Whether a name survives the directory file as written.
    const struct
    {
        const char *name;
        bool bold;
        bool readsBack;
    } names[] = {
        {"Ann", false, true},    {"Ann", true, true},     {"Ann<b>", false, true},
        {"A<B>nn", false, true}, {"A<b>nn", true, false}, {"<b>Ann", false, false},
        {"<B>Ann", true, false}, {"", true, true},
    };
    for (const auto &n : names)
        EXPECT_EQ(core::nameReadsBack(QString::fromLatin1(n.name), n.bold), n.readsBack)
            << n.name << (n.bold ? " bold" : "");
    // Blank is spaces only: a TAB or a no-break space is text.
    EXPECT_TRUE(core::isBlank(u"") && core::isBlank(u"   "));
    EXPECT_FALSE(core::isBlank(u" \t ") || core::isBlank(u"\u00a0") || core::isBlank(u" a"));
}

} // namespace
