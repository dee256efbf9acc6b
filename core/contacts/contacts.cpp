#include "core/contacts/contacts.h"

#include "core/contacts/csv.h"
#include "core/contacts/vcard.h"
#include "core/contacts/vcardsyntax.h"
#include "core/directory/entrycard.h"
#include "core/directory/identityfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace core {

std::optional<ContactFormat> formatForFileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"vcf" || suffix == u"vcard")
        return ContactFormat::VCard3;
    if (suffix == u"csv")
        return ContactFormat::Csv;
    return std::nullopt;
}

std::optional<ContactFormat> formatForName(QStringView name)
{
    if (name.compare(u"vcard3", Qt::CaseInsensitive) == 0)
        return ContactFormat::VCard3;
    if (name.compare(u"vcard4", Qt::CaseInsensitive) == 0)
        return ContactFormat::VCard4;
    if (name.compare(u"csv", Qt::CaseInsensitive) == 0)
        return ContactFormat::Csv;
    return std::nullopt;
}

void writeContacts(Utf8Builder &out, ContactFormat format,
                   const std::function<void(const EntryVisitor &)> &forEach)
{
    switch (format) {
    case ContactFormat::VCard3:
        writeVCards(out, VCardVersion::V3, forEach);
        break;
    case ContactFormat::VCard4:
        writeVCards(out, VCardVersion::V4, forEach);
        break;
    case ContactFormat::Csv:
        writeCsv(out, forEach);
        break;
    }
}

ExportResult exportContacts(const QString &path, ContactFormat format,
                            const std::function<void(const EntryVisitor &)> &forEach)
{
    ExportResult result;
    const Result<Folder> folder = Folder::openHolding(path);
    const Result<> written =
        !folder ? folder.status()
                : writeFileAtomically(
                      *folder, QFileInfo(path).fileName(),
                      [&](Utf8Builder &out) { writeContacts(out, format, forEach); },
                      WriteOptions{0600, false, false})
                      .status();
    result.ok = written.ok();
    result.error = written.error();
    return result;
}

namespace {

// The texts of this file, in the user's language.
struct ContactsText
{
    Q_DECLARE_TR_FUNCTIONS(ContactsText)
};

// Makes a name storable in place; gives the name as it was when it changed.
std::optional<QString> makeNameStorable(QString &name, bool bold)
{
    const QLatin1StringView marker(kBoldMarker);
    // A bold entry's name loses every marker when read, any other name a leading one.
    const bool markers =
        bold ? name.contains(marker, Qt::CaseInsensitive) : beginsWithBoldMarker(name);
    QString before = name;
    const bool changed = replaceBreaks(name);
    if (!changed && !markers)
        return std::nullopt;
    if (bold)
        name.replace(marker, QLatin1StringView("(b)"), Qt::CaseInsensitive);
    else if (beginsWithBoldMarker(name))
        name.replace(0, marker.size(), QLatin1StringView("(b)"));
    return before;
}

bool sameCard(const std::shared_ptr<const EntryCard> &a, const std::shared_ptr<const EntryCard> &b)
{
    return a == b || (a && b && *a == *b);
}

// A contact made an entry, with the UID it goes by (none when it has none
// or the file gave it to a contact before).
struct Made
{
    DirectoryEntry entry;
    QString uid;
    QUuid id;
    qsizetype named = -1; // the row of the entry the UID names
    qsizetype equal = -1; // the first row of an entry equal to it
};

// Finds the entries each contact's UID names and the first entry equal to
// it in one pass over the known entries: the contacts are looked up by
// identifier, by UID and by a checksum of their content, which the known
// entries keep (read once, the text of an entry is not read again). Where
// more entries carry the same identifier or UID, the last one is taken.
void findKnown(std::vector<Made> &made, const KnownEntries &known)
{
    if (made.empty())
        return;
    QMultiHash<QUuid, std::size_t> byId;
    QMultiHash<QString, std::size_t> byUid;
    QMultiHash<quint64, std::size_t> byContent;
    // One bit for each 2^46 checksums: most entries are passed over without
    // a look into byContent.
    constexpr int kSlotShift = 46;
    std::vector<quint64> maybe(std::size_t(1) << (64 - kSlotShift - 6));
    for (std::size_t i = 0; i < made.size(); ++i) {
        if (!made[i].id.isNull())
            byId.insert(made[i].id, i);
        else if (!made[i].uid.isEmpty())
            byUid.insert(made[i].uid, i);
        const quint64 content = contentChecksum(made[i].entry);
        byContent.insert(content, i);
        maybe[content >> (kSlotShift + 6)] |= quint64(1) << ((content >> kSlotShift) & 63);
    }
    known.forEachChecksummed([&](qsizetype row, const DirectoryEntry &entry, quint64 content) {
        if (!byId.isEmpty() && !entry.id.isNull()) {
            for (auto it = byId.constFind(entry.id); it != byId.cend() && it.key() == entry.id;
                 ++it)
                made[*it].named = row;
        }
        if (!byUid.isEmpty() && entry.card && !entry.card->uid.isEmpty()) {
            const QString &uid = entry.card->uid;
            for (auto it = byUid.constFind(uid); it != byUid.cend() && it.key() == uid; ++it)
                made[*it].named = row;
        }
        if (!(maybe[content >> (kSlotShift + 6)] >> ((content >> kSlotShift) & 63) & 1))
            return;
        for (auto it = byContent.constFind(content); it != byContent.cend() && it.key() == content;
             ++it) {
            if (made[*it].equal < 0 && made[*it].entry == entry)
                made[*it].equal = row;
        }
    });
}

// The entry takes a card's UID: as its identifier when it is one, and the
// text as the card wrote it unless that is what export writes anyway.
void takeUid(DirectoryEntry &entry, const QString &uid, const QUuid &id)
{
    if (!id.isNull())
        entry.id = id;
    if (!id.isNull() && uid == QLatin1StringView("urn:uuid:") + bareIdentifier(id))
        return;
    auto card =
        entry.card ? std::make_shared<EntryCard>(*entry.card) : std::make_shared<EntryCard>();
    card->uid = uid;
    entry.card = std::move(card);
}

} // namespace

const DirectoryEntry &KnownEntries::at(qsizetype row) const
{
    const qsizetype size = directory_.size();
    if (row >= size)
        return added_[row - size];
    const auto replaced = replaced_.find(row);
    return replaced != replaced_.end() ? replaced->second : directory_[row];
}

void KnownEntries::forEach(
    qsizetype from, const std::function<void(qsizetype, const DirectoryEntry &)> &visit) const
{
    const qsizetype size = directory_.size();
    auto replaced = replaced_.lower_bound(from);
    qsizetype row = from;
    directory_.forEachRun(from, size - from, [&](std::span<const DirectoryEntry> rows) {
        for (const DirectoryEntry &entry : rows) {
            if (replaced != replaced_.end() && replaced->first == row)
                visit(row, (replaced++)->second);
            else
                visit(row, entry);
            ++row;
        }
    });
    for (qsizetype i = std::max<qsizetype>(from - size, 0); i < added_.size(); ++i)
        visit(size + i, added_[i]);
}

void KnownEntries::replace(qsizetype row, DirectoryEntry entry)
{
    const qsizetype size = directory_.size();
    if (row >= size)
        added_[row - size] = std::move(entry);
    else
        replaced_.insert_or_assign(row, std::move(entry));
}

qsizetype KnownEntries::firstChanged() const
{
    return replaced_.empty() ? directory_.size() : replaced_.begin()->first;
}

ImportResult importContacts(ContactsRead read, const KnownEntries &existing)
{
    ImportResult result;
    if (!read.ok) {
        result.error = read.error;
        return result;
    }
    result.ok = true;
    QSet<QString> uids;

    QList<ReadNote> notes = std::move(read.notes);
    for (const ReadNote &note : notes)
        result.skipped += note.skipped;
    std::vector<Made> made;
    made.reserve(std::size_t(read.contacts.size()));
    for (Contact &contact : read.contacts) {
        DirectoryEntry entry{std::move(contact.name),
                             std::move(contact.numbers),
                             contact.bold,
                             {},
                             std::move(contact.card)};
        if (!contact.exact && QStringView(entry.name).trimmed().isEmpty()) {
            entry.name = contact.nameFromDetails;
            if (entry.name.isEmpty() && !entry.numbers.isEmpty())
                entry.name =
                    splitLine(QStringView(entry.numbers).left(indexOfUnit(entry.numbers, u'\t')))
                        .value.toString();
            if (entry.name.isEmpty()) {
                ++result.skipped;
                notes.append({contact.position, ContactsText::tr("it holds nothing"), true});
                continue;
            }
            notes.append({contact.position,
                          ContactsText::tr("no name, named %1").arg(quoted(entry.name)), false});
        }
        if (const std::optional<QString> before = makeNameStorable(entry.name, entry.bold))
            notes.append(
                {contact.position,
                 ContactsText::tr("name %1 stored as %2").arg(quoted(*before), quoted(entry.name)),
                 false});
        Made contactMade{std::move(entry), {}, {}};
        if (!contact.uid.isEmpty() && !uids.contains(contact.uid)) {
            uids.insert(contact.uid);
            contactMade.uid = contact.uid;
            contactMade.id = identifierOfText(contact.uid);
            takeUid(contactMade.entry, contactMade.uid, contactMade.id);
        }
        made.push_back(std::move(contactMade));
    }
    findKnown(made, existing);

    result.entries.reserve(qsizetype(made.size()));
    for (Made &contact : made) {
        DirectoryEntry &entry = contact.entry;
        if (!contact.uid.isEmpty() && contact.named >= 0) {
            const DirectoryEntry &named = existing.at(contact.named);
            entry.id = named.id;
            if (entry == named && sameCard(entry.card, named.card)) {
                ++result.alreadyThere;
            } else {
                result.updates.append({contact.named, std::move(entry)});
                ++result.updated;
            }
            continue;
        }
        if (contact.equal >= 0) {
            const DirectoryEntry &same = existing.at(contact.equal);
            if (!contact.uid.isEmpty() && !same.card) {
                DirectoryEntry taken = same;
                if (!entry.id.isNull())
                    taken.id = entry.id;
                taken.card = entry.card;
                result.updates.append({contact.equal, std::move(taken)});
            }
            ++result.alreadyThere;
            continue;
        }
        result.entries.append(std::move(entry));
    }
    result.added = int(result.entries.size());
    std::stable_sort(notes.begin(), notes.end(),
                     [](const ReadNote &a, const ReadNote &b) { return a.position < b.position; });
    for (const ReadNote &note : notes)
        result.reasons.append(read.reasonFormat.arg(QString::number(note.position), note.text));
    result.reasons.append(notKeptCounts(read));
    return result;
}

ImportResult importContactsFile(const QString &path, const KnownEntries &existing)
{
    const Result<Folder> folder = Folder::openHolding(path);
    // No folder there (or a file in its place) is no file either.
    FileBytes none;
    none.missing = !QFileInfo(QFileInfo(path).absolutePath()).isDir();
    const Result<FileBytes> file = folder ? readRegularFile(*folder, QFileInfo(path).fileName())
                                          : Result<FileBytes>::failure(folder.error(), none);
    if (!file || file->missing) {
        ImportResult refused;
        refused.error = file->missing ? ContactsText::tr("it does not exist") : file.error();
        return refused;
    }
    std::optional<ContactFormat> format = formatForFileName(path);
    if (!format) {
        // Neither ".vcf" nor ".csv": a file holding a card (in UTF-8 or
        // UTF-16) is vCard, any other CSV.
        QByteArray utf8;
        const QLatin1StringView text(utf8OfVCards(file->bytes, utf8));
        format = text.contains(QLatin1StringView("BEGIN:VCARD"), Qt::CaseInsensitive)
                     ? ContactFormat::VCard3
                     : ContactFormat::Csv;
    }
    return importContacts(
        *format == ContactFormat::Csv ? readCsv(file->bytes) : readVCards(file->bytes), existing);
}

QString importSummary(const QString &fileName, const ImportResult &result)
{
    if (!result.ok)
        return ContactsText::tr("%1: not imported, %2").arg(fileName, result.error);
    return ContactsText::tr("%1: %2 added, %3 updated, %4 already there, %5 skipped")
        .arg(fileName)
        .arg(result.added)
        .arg(result.updated)
        .arg(result.alreadyThere)
        .arg(result.skipped);
}

} // namespace core
