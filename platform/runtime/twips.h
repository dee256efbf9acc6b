#pragma once

#include <QRect>

namespace platform {

// Window layouts are given in twips; at 96 dpi 15 twips make one pixel.
constexpr int tw(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect twipRect(int left, int top, int width, int height)
{
    return {tw(left), tw(top), tw(width), tw(height)};
}

} // namespace platform
