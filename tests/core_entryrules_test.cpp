#include "core/directoryfile.h"
#include "core/entryrules.h"
#include "core/fileio.h"
#include "support/fixtures.h"

namespace {

// What the user typed, what a name keeps of it, what a number line keeps.
const std::tuple<const char16_t *, const char16_t *, const char16_t *> kFilterRows[] = {
    {u"", u"", u""},
    {u"  Ann Lee  ", u"  Ann Lee  ", u"  Ann Lee  "},
    {u"a|b||", u"ab", u"ab"},
    {u"a\tb", u"a\tb", u"ab"},
    {u"line\r\nbreak\n\r", u"linebreak", u"linebreak"},
    {u"<b>phone: 1", u"<b>phone: 1", u"<b>phone: 1"},
    {u"M\u00fcller \u20ac|\t", u"M\u00fcller \u20ac\t", u"M\u00fcller \u20ac"}};

TEST(EntryRules, KeepsOnlyWhatTheFormatHolds)
{
    for (const auto &[typed, name, number] : kFilterRows) {
        SCOPED_TRACE(QString::fromUtf16(typed).toStdString());
        EXPECT_EQ(core::keepNameInFormat(QString::fromUtf16(typed)), QString::fromUtf16(name));
        EXPECT_EQ(core::keepNumberLineInFormat(QString::fromUtf16(typed)),
                  QString::fromUtf16(number));
    }
}

// Whatever the user types, what the editor lets through (and does not
// refuse) is stored and read back unchanged.
TEST(EntryRules, FilteredValuesReadBackAsWritten)
{
    for (const auto &[typed, ignoredName, ignoredNumber] : kFilterRows) {
        for (const bool bold : {false, true}) {
            const QString name = core::keepNameInFormat(QString::fromUtf16(typed));
            if (core::beginsWithBoldMarker(name))
                continue;
            const QString line = core::keepNumberLineInFormat(QString::fromUtf16(typed));
            const core::DirectoryEntry entry{name, core::joinNumberLines({line, line}), bold};
            SCOPED_TRACE(QString::fromUtf16(typed).toStdString());
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
    // Whether a name survives the directory file as written: a bold name loses
    // every marker it holds.
    const std::tuple<const char *, bool, bool> names[] = {
        {"Ann", true, true},     {"Ann<b>", false, true},  {"A<B>nn", false, true},
        {"A<b>nn", true, false}, {"<b>Ann", false, false}, {"", true, true}};
    for (const auto &[name, bold, readsBack] : names)
        EXPECT_EQ(core::nameReadsBack(name, bold), readsBack) << name << (bold ? " bold" : "");
    // Blank is spaces only: a TAB or a no-break space is text.
    EXPECT_TRUE(core::isBlank(u"") && core::isBlank(u"   "));
    EXPECT_FALSE(core::isBlank(u" \t ") || core::isBlank(u"\u00a0") || core::isBlank(u" a"));
}

} // namespace
