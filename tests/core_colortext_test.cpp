#include "core/colors/colortext.h"
#include "support/fixtures.h"

// Colour values are red + green * 256 + blue * 65536: 0xBBGGRR.
TEST(CoreColorText, ParsesAndWritesColorText)
{
    const std::pair<const char *, core::ColorValue> rows[] = {
        {"0,0,255", 0xFF0000},
        {" 1 , 2 , 3 ", 0x030201},
        {"007,0,0", 0x000007},
        // Above 255 is held at 255: never wrapped round, never spilled over.
        {"256,0,0", 0x0000FF},
        {"1000,0,0", 0x0000FF},
        {"0,300,0", 0x00FF00},
        {"0,0,99999999999", 0xFF0000},
        // Only the first three fields count; anything else is black as a whole.
        {"0,0,255,7", 0xFF0000},
        {"1,2,3,x", 0x030201},
        {"", 0},
        {"5", 0},
        {"10,20", 0},
        {"1,,3", 0},
        {"-1,0,255", 0},
        {"1.5,0,255", 0},
        {"1 2,3,4", 0},
        {"9,9,z", 0}};
    for (const auto &[text, want] : rows)
        EXPECT_EQ(core::parseColorText(text), want) << text;
    EXPECT_EQ(core::colorText(0x07C80A), "10,200,7");
    EXPECT_EQ(core::colorText(0xFFFFFF), "255,255,255");
}
