#pragma once

#include <QFont>
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

// Arial 8.25 pt, the windows' control font (Liberation Sans stands in where
// Arial is missing).
inline QFont controlFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    return font;
}

} // namespace platform
