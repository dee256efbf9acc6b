#include "platform/controls/palette.h"

#include <QWidget>

namespace platform {

QColor toQColor(core::ColorValue color)
{
    return QColor(core::redOf(color), core::greenOf(color), core::blueOf(color));
}

void setRoleColor(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette pal = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, role, color);
    widget->setPalette(pal);
}

void keepLightBase(QWidget *widget)
{
    // A whole light palette, so the header, the scroll bars and the frame
    // that the widget draws with its palette are as readable as its rows;
    // the selection keeps the desktop's colours.
    const QPalette desktop = widget->palette();
    QPalette light(QColor(0xF0, 0xF0, 0xF0));
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        light.setColor(group, QPalette::Base, Qt::white);
        light.setColor(group, QPalette::AlternateBase, QColor(0xF4, 0xF4, 0xF4));
        for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
            light.setColor(group, role, desktop.color(group, role));
    }
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        light.setColor(QPalette::Active, role, Qt::black);
        light.setColor(QPalette::Inactive, role, Qt::black);
    }
    widget->setPalette(light);
}

} // namespace platform
