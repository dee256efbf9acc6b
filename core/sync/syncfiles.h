#pragma once

#include "core/files/fileio.h"
#include "core/files/result.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

#include <optional>

namespace core {

// The account a data folder syncs with, kept in the user's folder beside
// the directory file. The password is never in it.
//
//   Quorvel sync account 1
//   server URL / user NAME / book URL / name DISPLAY-NAME / certificate HEX / http 0|1
//
// one key and its percent-encoded value a line.
inline constexpr char kSyncAccountFileName[] = "quorvel.sync";

struct SyncAccount
{
    QUrl server; // as the user gave it
    QString user;
    QUrl book;              // the address book's collection
    QString bookName;       // its display name
    QByteArray certificate; // hex SHA-256 of a certificate accepted though it does not verify
    bool allowHttp = false; // plain HTTP to a host other than this machine
    friend bool operator==(const SyncAccount &, const SyncAccount &) = default;
};

// The account of the folder; nothing when there is none. A file that cannot
// be read or is not an account file fails with the reason.
Result<std::optional<SyncAccount>> readSyncAccount(const Folder &folder);
Result<> writeSyncAccount(const Folder &folder, const SyncAccount &account);

// What the last sync left, in the user's folder: the collection's sync token
// and, per card identifier (its UID as written), the card's address, ETag
// and the card as last synced.
//
//   Quorvel sync state 1
//   token TOKEN
//   UID TAB HREF TAB ETAG TAB CARD-IN-BASE64
//
// Text fields are percent-encoded.
inline constexpr char kSyncStateFileName[] = "quorvel.syncstate";

struct SyncRecord
{
    QString href;
    QString etag;
    QByteArray card;
    friend bool operator==(const SyncRecord &, const SyncRecord &) = default;
};

struct SyncState
{
    QString token;
    QHash<QString, SyncRecord> records;
    friend bool operator==(const SyncState &, const SyncState &) = default;
};

// The folder's sync state; an empty one when there is none.
Result<SyncState> readSyncState(const Folder &folder);
Result<> writeSyncState(const Folder &folder, const SyncState &state);
// Starts afresh: the state file removed (nothing there is no failure).
Result<> removeSyncState(const Folder &folder);

} // namespace core
