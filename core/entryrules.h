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

// A name that begins with the bold marker cannot be stored either (it would
// read back as a bold entry without the marker); see beginsWithBoldMarker in
// directoryfile.h.

} // namespace core
