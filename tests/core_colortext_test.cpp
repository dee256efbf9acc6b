#include "core/colortext.h"
#include "support/fixtures.h"

namespace {

using core::RGBValue;

TEST(CoreColorText, ParsesColorText)
{
    const std::pair<const char *, core::ColorValue> rows[] = {
        {"0,0,255", 255u * 65536u},
        {" 1 , 2 , 3 ", RGBValue(1, 2, 3)},
        {"007,0,0", RGBValue(7, 0, 0)},
        // Numbers above 255 are held at 255 without spilling into the next component.
        {"300,0,0", 255u},
        {"0,256,0", RGBValue(0, 255, 0)},
        {"0,0,1000", RGBValue(0, 0, 255)},
        {"99999999999,0,0", RGBValue(255, 0, 0)},
        // Only the first three comma-separated fields count.
        {"0,0,255,7", RGBValue(0, 0, 255)},
        {"1,2,3,x", RGBValue(1, 2, 3)}};
    for (const auto &[text, want] : rows)
        EXPECT_EQ(core::parseColorText(text), want) << text;
    // Fewer than three fields, or any field that is not a whole number, makes
    // the whole colour black, not just that component.
    for (const char *text : {"", "5", "10,20", "1,,3", "-1,0,255", "1.5,0,255", "1 2,3,4", "9,9,z"})
        EXPECT_EQ(core::parseColorText(text), 0u) << text;
}

TEST(CoreColorText, WritesAndReadsBack)
{
    const std::pair<core::ColorValue, const char *> rows[] = {
        {RGBValue(0, 0, 0), "0,0,0"},
        {RGBValue(255, 255, 255), "255,255,255"},
        {RGBValue(10, 200, 7), "10,200,7"}};
    for (const auto &[color, text] : rows) {
        EXPECT_EQ(core::colorText(color), text);
        EXPECT_EQ(core::parseColorText(text), color) << text;
    }
}

} // namespace
