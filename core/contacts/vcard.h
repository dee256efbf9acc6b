#pragma once

#include "core/contacts/contactread.h"
#include "core/contacts/vcardmap.h"
#include "core/directory/directoryfile.h"
#include "core/files/fileio.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <functional>

namespace core {

// Writes one card per entry: FN (and in 3.0 an N built from it), a typed
// property for each line whose keyword tells its kind (TEL, EMAIL, ADR, URL,
// ORG, TITLE, NICKNAME, BDAY) and a NOTE for each other line. An entry that
// these do not give back exactly (bold, bold or blank lines, keywords written
// otherwise than the import writes them) also gets its exact lines (see
// exactlines.h). Lines end in CR LF and are folded at 75 octets without
// splitting a UTF-8 sequence.
void writeVCards(Utf8Builder &out, VCardVersion version,
                 const std::function<void(const EntryVisitor &)> &forEach);

// The same into bytes.
QByteArray formatVCards(const QList<DirectoryEntry> &entries, VCardVersion version);

// Reads every card of a vCard 2.1, 3.0 or 4.0 file in UTF-8 or UTF-16 (a
// large file in two parts at once, cut only between cards). A file without a
// whole card (BEGIN:VCARD ... END:VCARD) is refused; a card without
// END:VCARD (the next BEGIN:VCARD, not after AGENT, or the end of the file
// comes first) is noted and left out, as is a card longer than
// kLongestContact; a value longer than kLongestValue is noted and left out
// of its card. PHOTO, LOGO, SOUND and KEY are counted (see ContactsRead).
ContactsRead readVCards(QByteArrayView bytes);

} // namespace core
