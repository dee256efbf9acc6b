#pragma once

#include "core/directory/directoryfile.h"
#include "core/files/result.h"
#include "core/sync/davclient.h"
#include "core/sync/syncfiles.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace core {

struct SyncCounts
{
    int sent = 0;      // cards uploaded or deleted on the server
    int received = 0;  // entries added, changed or removed from the server's cards
    int conflicts = 0; // entries changed on both sides
    QStringList notes; // what the user should know: each conflict, cards left out
    bool localChanged = false;
};

// Syncs the entries with the address book at `book` both ways, by the
// identifiers their cards carry (UID). The changes on the server since the
// state's sync token (or, without one that the server takes, by comparing
// every card's ETag with the state's) are fetched with addressbook-multiget;
// an entry that differs from its last synced card is uploaded, merged over
// that card, with If-Match (If-None-Match: * for a new card), so a card
// changed on the server meanwhile is never overwritten.
//
// Changed on one side: that side wins. Changed on both: the server's version
// updates the entry and the local one is kept as a new entry
// "<name> (conflict)" with a new identifier, uploaded as a new card. Deleted
// on one side and changed on the other: the changed one stays. A new entry
// equal in content to a card the state does not know takes that card's
// identity instead of being uploaded again, so a sync cut short and done
// again duplicates nothing.
//
// entries and state are updated as the sync goes; on a failure the caller
// keeps neither (the next sync finds what the server already has).
//
// progress, when given, is told how many of the cards to fetch and entries
// to look at (or send) are done, of how many; when it returns false the
// sync stops there as a failure.
using SyncProgress = std::function<bool(qsizetype done, qsizetype total)>;
Result<SyncCounts> syncEntries(DavClient &client, const QUrl &book, QList<DirectoryEntry> &entries,
                               SyncState &state, const SyncProgress &progress = {});

} // namespace core
