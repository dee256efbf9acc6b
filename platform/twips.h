#pragma once

#include <QFont>
#include <QRect>

namespace platform {

// The windows' layouts are given in twips (1440 to the inch); at 96 dpi 15
// twips make one pixel, and Qt's high-DPI scaling does the rest.
constexpr int twips(int value)
{
    return (value + 7) / 15;
}

// A control's place: left, top, width and height in twips.
QRect twipRect(int left, int top, int width, int height);

// The font of every control: Arial 8.25 pt (a metric-compatible face stands
// in where Arial is missing).
QFont controlFont();

} // namespace platform
