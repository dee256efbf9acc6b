#pragma once

#include "core/contacts/contactread.h"
#include "core/directory/directoryfile.h"
#include "core/directory/entrystore.h"
#include "core/directory/identityfile.h"
#include "core/files/fileio.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <span>

namespace core {

// Contact files in and out: the formats, export, and the import step that
// turns what a reader found into entries.

enum class ContactFormat { VCard3, VCard4, Csv };

// The format a file name asks for: ".vcf" or ".vcard" vCard 3.0, ".csv" CSV
// (without regard to case).
std::optional<ContactFormat> formatForFileName(const QString &fileName);

// The format a name chooses: "vcard4", "vcard3" or "csv".
std::optional<ContactFormat> formatForName(QStringView name);

// Writes the entries forEach hands, in order, in the format.
void writeContacts(Utf8Builder &out, ContactFormat format,
                   const std::function<void(const EntryVisitor &)> &forEach);

struct ExportResult
{
    bool ok = false;
    QString error; // the reason, when !ok
};

// Replaces the file at path atomically with the entries in the format; the
// file is private to its owner, as the directory file is.
ExportResult exportContacts(const QString &path, ContactFormat format,
                            const std::function<void(const EntryVisitor &)> &forEach);

// The entries an import is read against, by row: a directory's entries with
// what files imported before changed and added laid over them, so that the
// directory is never copied.
class KnownEntries
{
public:
    KnownEntries(EntryStore directory = {}) : directory_(std::move(directory)) {}
    KnownEntries(const QList<DirectoryEntry> &directory)
        : directory_(Entries(directory.begin(), directory.end()))
    {
    }
    qsizetype size() const { return directory_.size() + added_.size(); }
    const DirectoryEntry &at(qsizetype row) const;
    // Hands each entry from row `from` on to visit, in order, with its row.
    void forEach(qsizetype from,
                 const std::function<void(qsizetype, const DirectoryEntry &)> &visit) const;
    // Hands each entry to visit, in order, with its row and contentChecksum.
    template <typename Visit> void forEachChecksummed(const Visit &visit) const
    {
        const qsizetype size = directory_.size();
        auto replaced = replaced_.begin();
        qsizetype row = 0;
        directory_.forEachChecksummed(
            0, size, [&](std::span<const DirectoryEntry> rows, std::span<const quint64> sums) {
                for (std::size_t i = 0; i < rows.size(); ++i, ++row) {
                    if (replaced != replaced_.end() && replaced->first == row) {
                        visit(row, replaced->second, contentChecksum(replaced->second));
                        ++replaced;
                    } else {
                        visit(row, rows[i], sums[i]);
                    }
                }
            });
        for (qsizetype i = 0; i < added_.size(); ++i)
            visit(size + i, added_[i], contentChecksum(added_[i]));
    }
    void replace(qsizetype row, DirectoryEntry entry);
    void append(QList<DirectoryEntry> entries) { added_.append(std::move(entries)); }
    // The first row replaced or added; size() when there is none.
    qsizetype firstChanged() const;

private:
    EntryStore directory_;
    std::map<qsizetype, DirectoryEntry> replaced_; // rows of the directory
    QList<DirectoryEntry> added_;
};

struct ImportResult
{
    bool ok = false;
    QString error;                 // why the file is refused (nothing to add), when !ok
    QList<DirectoryEntry> entries; // to append to the directory, in file order
    // Entries of the directory (by their index in `existing`) to replace, in
    // file order: those updated, and those that took a card's identifier.
    QList<std::pair<qsizetype, DirectoryEntry>> updates;
    int added = 0;        // entries.size()
    int updated = 0;      // entries whose card changed since it was imported
    int alreadyThere = 0; // equal to an entry the directory held before
    int skipped = 0;      // cards or records that gave no entry
    // Each skip and each value changed to be storable or left out ("card 3:
    // ..."), then what the file held that no entry keeps ("2 photos not kept").
    QStringList reasons;
};

// Makes entries of what a reader found. Names are made storable in the
// directory file as the readers make lines ("|", TAB and line breaks become a
// space, and a name that begins with "<b>" in any case, or a bold entry's
// "<b>" anywhere, becomes "(b)"), and each name so changed is reported. A nameless contact is named
// from its details, or from its first line. A card whose UID is the
// identifier of an entry of `existing` (or the UID that entry's card had)
// updates that entry, or is already there when nothing differs. A contact
// equal to an entry of `existing` (same name, bold flag and lines) is not
// added again, and that entry takes the card's UID when it came from no card;
// equal contacts within the file all are added. A UID met a second time in
// the file counts as none. The reasons come in file order.
ImportResult importContacts(ContactsRead read, const KnownEntries &existing);

// Reads a contact file and imports it: by its name (see formatForFileName),
// or for any other name, as vCard when it holds "BEGIN:VCARD" and otherwise as
// CSV. A file that cannot be read is refused with the reason.
ImportResult importContactsFile(const QString &path, const KnownEntries &existing);

// "FILE: N added, U updated, M already there, K skipped"
QString importSummary(const QString &fileName, const ImportResult &result);

} // namespace core
