#include "core/directory/directoryfile.h"
#include "core/directory/entryrules.h"
#include "support/fixtures.h"

namespace {

// What the user typed, what a name keeps of it, what a number line keeps.
const std::tuple<const char16_t *, const char16_t *, const char16_t *> kFilterRows[] = {
    {u"  Ann Lee  ", u"  Ann Lee  ", u"  Ann Lee  "},
    {u"a|b||", u"ab", u"ab"},
    {u"line\r\nbreak\n\r", u"linebreak", u"linebreak"},
    {u"<b>phone: 1", u"<b>phone: 1", u"<b>phone: 1"},
    {u"M\u00fcller \u20ac|\t", u"M\u00fcller \u20ac\t", u"M\u00fcller \u20ac"}};

// What the editor lets through is stored and read back unchanged.
TEST(EntryRules, KeepsOnlyWhatTheFormatHoldsAndReadsItBack)
{
    for (const auto &[typed, name, number] : kFilterRows) {
        SCOPED_TRACE(QString::fromUtf16(typed).toStdString());
        const QString keptName = core::keepNameInFormat(QString::fromUtf16(typed));
        const QString keptLine = core::keepNumberLineInFormat(QString::fromUtf16(typed));
        EXPECT_EQ(keptName, QString::fromUtf16(name));
        EXPECT_EQ(keptLine, QString::fromUtf16(number));
        if (keptName.startsWith("<b>"))
            continue; // refused at Done: see below
        for (const bool bold : {false, true}) {
            const core::DirectoryEntry entry{keptName, keptLine + '\t' + keptLine, bold};
            EXPECT_EQ(core::parseDirectoryLine(core::formatDirectoryLine(entry)), entry);
        }
    }
}

TEST(EntryRules, NamesThatDoNotReadBackAndBlankText)
{
    // A marker at the start, any case, is the bold marker; bold names lose all.
    const std::tuple<const char *, bool, bool> names[] = {
        {"Ann", true, true},      {"Ann<b>", false, true},  {"A<B>nn", false, true},
        {" <b>Ann", true, false}, {" <b>Ann", false, true}, {"<b", false, true},
        {"", true, true},         {"<b>Ann", false, false}, {"<B>Ann", false, false},
        {"<b>", true, false}};
    for (const auto &[name, bold, readsBack] : names)
        EXPECT_EQ(core::nameReadsBack(name, bold), readsBack) << name << (bold ? " bold" : "");
    // Blank is spaces only: a TAB or a no-break space is text.
    EXPECT_TRUE(core::isBlank(u"") && core::isBlank(u"   "));
    EXPECT_FALSE(core::isBlank(u" \t ") || core::isBlank(u"\u00a0") || core::isBlank(u" a"));
}

} // namespace
