#pragma once

#include "contacts.h"
#include "directoryfile.h"
#include "fileio.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <functional>

namespace core {

enum class VCardVersion { V3, V4 };

// Writes one card per entry: FN (and in 3.0 an N built from it), a typed
// property for each line whose keyword tells its kind (TEL, EMAIL, ADR, URL,
// ORG, TITLE, NICKNAME, BDAY), a NOTE for each other line, and
// X-QUORVEL-ENTRY holding the exact lines, the bold flag and the checksum of
// the name and the typed values. Lines end in CR LF and are folded at 75
// octets without splitting a UTF-8 sequence.
void writeVCards(Utf8Builder &out, VCardVersion version,
                 const std::function<void(const EntryVisitor &)> &forEach);

// The same into bytes.
QByteArray formatVCards(const QList<DirectoryEntry> &entries, VCardVersion version);

// Reads every card of a vCard 2.1, 3.0 or 4.0 file. A file without a whole
// card (BEGIN:VCARD ... END:VCARD) is refused.
ContactsRead readVCards(QByteArrayView bytes);

} // namespace core
