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
    setRoleColor(widget, QPalette::Base, Qt::white);
    setRoleColor(widget, QPalette::AlternateBase, QColor(0xF4, 0xF4, 0xF4));
    setRoleColor(widget, QPalette::Text, Qt::black);
}

} // namespace platform
