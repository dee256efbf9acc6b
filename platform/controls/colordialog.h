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

// The colour picker of a window. It remembers the colour last chosen in it,
// black before the first choice; cancelling keeps the colour it held.
class ColorDialog final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColorDialog)

public:
    // The dialog is shown over the owner window.
    explicit ColorDialog(QWidget *owner);

    // Shows the dialog modally, opening on the colour it holds.
    void ShowColor();

    core::ColorValue Color() const { return color_; }

private:
    QWidget *owner_;
    core::ColorValue color_ = 0;
};

} // namespace platform
