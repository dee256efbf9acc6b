#pragma once

#include <QString>

namespace core {

// What the directory file can hold. Its lines have no escapes: "|" separates
// the name from the number lines, TAB separates the number lines, and CR or
// LF would end the line. The entry editor keeps these characters out as the
// user types or pastes, so every entry reads back as it was written.

// The name without "|", CR and LF.
QString keepNameInFormat(const QString &name);

// The number line without "|", TAB, CR and LF. A leading "<b>" stays: it is
// the marker of a bold line.
QString keepNumberLineInFormat(const QString &line);

// True when an entry with this name and bold flag reads back from the
// directory file with the same name. It does not when the name begins with
// the bold marker (in any case), nor when a bold entry's name holds the
// marker anywhere: reading a bold entry removes every marker from its name.
bool nameReadsBack(const QString &name, bool bold);

} // namespace core
