#pragma once

class QWidget;

namespace officeBorders {

// Gives a control a thin sunken one-pixel frame, drawn at once. Applying it a
// second time changes nothing.
void ApplyStaticEdge(QWidget *control);

// True when the control carries the frame.
bool HasStaticEdge(const QWidget *control);

} // namespace officeBorders
