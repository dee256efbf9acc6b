#pragma once

#include <QString>
#include <cstdint>

namespace core {

// A colour as the files and the windows carry it: red + green * 256 +
// blue * 65536, each component 0..255.
using ColorValue = std::uint32_t;

constexpr ColorValue RGBValue(int red, int green, int blue)
{
    return static_cast<ColorValue>(red) + static_cast<ColorValue>(green) * 256u +
           static_cast<ColorValue>(blue) * 65536u;
}
constexpr int redOf(ColorValue c)
{
    return static_cast<int>(c & 0xFFu);
}
constexpr int greenOf(ColorValue c)
{
    return static_cast<int>((c >> 8) & 0xFFu);
}
constexpr int blueOf(ColorValue c)
{
    return static_cast<int>((c >> 16) & 0xFFu);
}

// A colour split into its three components.
struct RGBTriple
{
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const RGBTriple &, const RGBTriple &) = default;
};

// The three low bytes of a colour, red lowest.
constexpr RGBTriple ColorToRGB(ColorValue c)
{
    return {static_cast<std::uint8_t>(redOf(c)), static_cast<std::uint8_t>(greenOf(c)),
            static_cast<std::uint8_t>(blueOf(c))};
}

// Parses colour text "red,green,blue". Only the first three comma-separated
// parts count; blanks around each number are allowed and a number above 255
// counts as 255. Anything that is not three whole numbers gives black (0).
ColorValue parseColorText(const QString &text);

// Writes a colour as "red,green,blue": decimal, no spaces, no leading zeros.
QString colorText(RGBTriple rgb);
QString colorText(ColorValue color);

} // namespace core
