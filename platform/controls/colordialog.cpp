#include "platform/controls/colordialog.h"

#include "platform/controls/palette.h"

#include <QColor>
#include <QColorDialog>
#include <QWidget>

namespace platform {

namespace {

ColorHandler &handler()
{
    static ColorHandler current;
    return current;
}

std::optional<core::ColorValue> showReal(core::ColorValue current, QWidget *owner)
{
    const QColor initial = toQColor(current);
    const QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid())
        return std::nullopt;
    return core::RGBValue(chosen.red(), chosen.green(), chosen.blue());
}

} // namespace

ColorHandler setColorHandler(ColorHandler newHandler)
{
    ColorHandler previous = std::move(handler());
    handler() = std::move(newHandler);
    return previous;
}

ColorDialog::ColorDialog(QWidget *owner) : QObject(owner), owner_(owner) {}

bool ColorDialog::ShowColor()
{
    const std::optional<core::ColorValue> chosen =
        handler() ? handler()(color_) : showReal(color_, owner_);
    if (chosen)
        setColor(*chosen);
    return chosen.has_value();
}

} // namespace platform
