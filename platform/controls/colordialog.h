#pragma once

#include "core/colors/colortext.h"

#include <QObject>
#include <functional>
#include <optional>

class QWidget;

namespace platform {

// What asks the user for a colour: given the colour the dialog holds, the
// colour chosen, or nothing when the user cancelled.
using ColorHandler = std::function<std::optional<core::ColorValue>(core::ColorValue current)>;

// Replaces what shows the colour dialog (tests answer it here) and returns the
// handler that was in place. An empty handler restores the real dialog.
ColorHandler setColorHandler(ColorHandler handler);

// The colour picker of a window. It opens on the colour it holds (black until
// one is set or chosen); cancelling keeps that colour.
class ColorDialog final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColorDialog)

public:
    // The dialog is shown over the owner window.
    explicit ColorDialog(QWidget *owner);

    // Shows the dialog modally, opening on the colour it holds. True when the
    // user chose a colour (it then holds it), false when they cancelled.
    bool ShowColor();

    core::ColorValue Color() const { return color_; }
    void setColor(core::ColorValue color) { color_ = color & 0xFFFFFFu; }

private:
    QWidget *owner_;
    core::ColorValue color_ = 0;
};

} // namespace platform
