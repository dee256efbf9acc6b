#pragma once

#include <QString>

namespace platform {

// Queues the text as key presses and releases for the widget that has the
// keyboard focus. They are processed after the current handler returns, as
// if the user had typed them there.
void SendKeys(const QString &text);

} // namespace platform
