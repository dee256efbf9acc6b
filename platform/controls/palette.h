#pragma once

#include "core/colors/colortext.h"

#include <QColor>
#include <QPalette>

class QWidget;

namespace platform {

// The Qt colour of a colour value.
QColor toQColor(core::ColorValue color);

// Sets one colour role of a widget in every colour group.
void setRoleColor(QWidget *widget, QPalette::ColorRole role, const QColor &color);

// The keyword colours are chosen for a light background: a list or box that
// shows them (with its header) keeps light colours whatever the desktop
// theme says.
void keepLightBase(QWidget *widget);

} // namespace platform
