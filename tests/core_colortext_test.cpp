#include "core/colortext.h"
#include "support/printers.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

using core::ColorValue;
using core::RGBValue;

TEST(CoreColorText, ParsesColorText)
{
    const struct
    {
        const char *text;
        ColorValue want;
    } rows[] = {{"0,0,255", 255u * 65536u},
                {" 1 , 2 , 3 ", RGBValue(1, 2, 3)},
                {"007,0,0", RGBValue(7, 0, 0)},
                // Numbers above 255 are held at 255 without spilling into the next component.
                {"300,0,0", 255u},
                {"0,256,0", RGBValue(0, 255, 0)},
                {"0,0,1000", RGBValue(0, 0, 255)},
                {"99999999999,0,0", RGBValue(255, 0, 0)},
                // Only the first three comma-separated fields count.
                {"0,0,255,7", RGBValue(0, 0, 255)},
                {"1,2,3,", RGBValue(1, 2, 3)},
                {"1,2,3,x", RGBValue(1, 2, 3)},
                // Fewer than three fields.
                {"", 0},
                {"5", 0},
                {"10,20", 0},
                // Any field that is not a whole number makes the whole colour black,
                // not just that component.
                {"a,b,c", 0},
                {"1,,3", 0},
                {"-1,0,255", 0},
                {"1.5,0,255", 0},
                {"1 2,3,4", 0},
                {"9,9,z", 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(core::parseColorText(QString::fromLatin1(row.text)), row.want);
    }
}

TEST(CoreColorText, WritesAndReadsBack)
{
    const struct
    {
        ColorValue color;
        const char *text;
    } rows[] = {{RGBValue(0, 0, 255), "0,0,255"},
                {RGBValue(0, 0, 0), "0,0,0"},
                {RGBValue(255, 255, 255), "255,255,255"},
                {RGBValue(10, 200, 7), "10,200,7"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(core::colorText(row.color), QString::fromLatin1(row.text));
        EXPECT_EQ(core::parseColorText(core::colorText(row.color)), row.color);
    }
}

} // namespace
