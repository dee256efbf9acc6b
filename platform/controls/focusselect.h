#pragma once

class QLineEdit;

namespace platform {

// Whenever the text box gets the focus from the keyboard (Tab, Shift+Tab, its
// label's Alt key), its whole text is selected, so that typing replaces it:
// also when a part of it was left selected while the focus was elsewhere.
void selectAllOnKeyboardFocus(QLineEdit *box);

} // namespace platform
