#pragma once

#include "core/directory/directoryfile.h"
#include "core/directory/entrycard.h"
#include "core/files/fileio.h"

#include <QByteArrayView>
#include <QUuid>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace core {

// The identity file beside the directory file: one line per entry, in the
// directory file's order, with the entry's identifier, a checksum of what the
// directory file holds of it, and what it keeps of a contact card (see
// entrycard.h). Its second line records the directory file it was written
// with, so that while that file is unchanged the identifiers are taken by
// place without reading the entries; otherwise each entry takes the
// identifier of the line at its place when its checksum matches, else of the
// first line elsewhere whose checksum matches, else of the line at its place
// when no other entry took it (an entry changed in its place), else a new one.
//
//   Quorvel identities 1
//   directory DEVICE INODE SIZE MODIFIED-NS COUNT
//   UUID TAB CHECKSUM [TAB "U" UID] [TAB "P" NAME TAB TYPES TAB BELONGS-TO TAB VALUE]...
//
// Text fields escape "\" as "\\", TAB as "\t", LF as "\n" and CR as "\r".

inline constexpr char kIdentityFileName[] = "quorvel.ids";

// A new random identifier (version 4).
QUuid newIdentifier();

// The identifier in its bare form: 36 lower-case characters, without braces.
QString bareIdentifier(const QUuid &id);
// The identifier of a bare form or "urn:uuid:" and a bare form (any case,
// braces allowed); a null one when the text is neither.
QUuid identifierOfText(QStringView text);

// A checksum of what the directory file holds of an entry.
quint64 contentChecksum(const DirectoryEntry &entry);

struct IdentityRecord
{
    QUuid id;
    quint64 checksum = 0;
    std::shared_ptr<const EntryCard> card;
};

struct IdentityFile
{
    FileStamp directory; // the directory file as it was when this was written
    qsizetype count = 0;
    std::vector<IdentityRecord> records;
};

// The identity file's content; nothing when the bytes are not an identity
// file of this version. A line that cannot be read is left out.
std::optional<IdentityFile> parseIdentityFile(QByteArrayView bytes);

// Gives every entry an identifier (and what it kept of a card) from the
// file, as the class comment says; `directoryUnchanged`: the directory file
// read is the one the identity file records. Returns true when every entry
// took the line at its place and there were as many lines as entries: the
// identity file holds what writing it again would give.
bool matchIdentities(std::span<DirectoryEntry> entries, const IdentityFile &file,
                     bool directoryUnchanged);

// Gives each entry without an identifier a new one.
void giveIdentifiers(std::span<DirectoryEntry> entries);

// The identity file's text for the entries forEach hands, written with the
// directory file of the stamp.
void writeIdentities(Utf8Builder &out, const FileStamp &directory,
                     const std::function<void(const EntryVisitor &)> &forEach);

struct IdentitiesRead
{
    bool asWritten = false; // the file holds what writing it again would give
    FileStamp stamp;        // the identity file as read; exists false without one
};

// The identity file read ahead (while the directory file is read), its
// lines as they stand, for taking them by place.
struct PlacedIdentities
{
    bool whole = false; // read, an identity file of this version, every line read
    FileStamp stamp;    // the identity file as read
    IdentityFile file;  // its header; no records
    std::vector<QUuid> ids;
    std::vector<std::pair<std::size_t, std::shared_ptr<const EntryCard>>> cards;
};
PlacedIdentities readPlacedIdentities(const Folder &folder);

// Gives the entries read from the directory file (as `directory` stamps it)
// their identifiers from the identity file of a held folder, as
// matchIdentities does; new ones when there is no such file. While the file
// records that very directory file, its lines are taken by place (from
// `placed` when it was read ahead whole), never the whole file in memory. A
// file that cannot be read, or is not an identity file of this version, fails
// with the reason.
Result<IdentitiesRead> readIdentities(const Folder &folder, const FileStamp &directory,
                                      std::span<DirectoryEntry> entries,
                                      const PlacedIdentities *placed = nullptr);

// Replaces the identity file of a held folder atomically, private to its owner.
Result<FileStamp> writeIdentityFile(const Folder &folder, const FileStamp &directory,
                                    const std::function<void(const EntryVisitor &)> &forEach);

} // namespace core
