#pragma once

#include "core/directory/directoryfile.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace core {

// The card Quorvel writes for an entry (vCard 3.0), laid over the card last
// synced: every property of the old card that Quorvel does not write (PHOTO,
// unknown X- properties, CATEGORIES...) is kept as it was, before END:VCARD.
QByteArray mergeCard(const QByteArray &lastSynced, const DirectoryEntry &entry);

// The entry a card gives, as an import of it would; nothing for a card
// that gives none. Its UID comes back in uid.
std::optional<DirectoryEntry> entryOfCard(const QByteArray &card, QString &uid);

// The identifier an entry's card carries as UID.
QString cardUidOf(const DirectoryEntry &entry);

} // namespace core
