#pragma once

namespace platform {

// Tells assistive tools about the controls Qt does not know: the letter tab
// strip (a page-tab list of page tabs), the colour box (a button named by its
// colour) and a window made of a plain widget (a window with its caption,
// not an unnamed filler). Safe to call more than once; those controls call it
// themselves when they are made.
void installAccessibility();

} // namespace platform
