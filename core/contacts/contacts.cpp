#include "core/contacts/contacts.h"

#include "core/contacts/csv.h"
#include "core/contacts/vcard.h"
#include "core/contacts/vcardsyntax.h"
#include "core/directory/entrycard.h"
#include "core/directory/identityfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

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

QString entryKey(const DirectoryEntry &entry)
{
    return entry.name + QChar(0) + entry.numbers + (entry.bold ? u'1' : u'0');
}

bool sameCard(const std::shared_ptr<const EntryCard> &a, const std::shared_ptr<const EntryCard> &b)
{
    return a == b || (a && b && *a == *b);
}

// Finds the entries of the directory by their identifiers and their cards'
// UIDs; built at the first card with a UID.
class IdentityLookup
{
public:
    explicit IdentityLookup(const QList<DirectoryEntry> &entries) : entries_(entries) {}

    // The index of the entry the UID names, or -1.
    qsizetype find(const QUuid &id, const QString &uid)
    {
        if (!built_) {
            built_ = true;
            for (qsizetype i = 0; i < entries_.size(); ++i) {
                const DirectoryEntry &entry = entries_[i];
                if (!entry.id.isNull())
                    byId_.insert(entry.id, i);
                if (entry.card && !entry.card->uid.isEmpty())
                    byUid_.insert(entry.card->uid, i);
            }
        }
        return id.isNull() ? byUid_.value(uid, -1) : byId_.value(id, -1);
    }

private:
    const QList<DirectoryEntry> &entries_;
    bool built_ = false;
    QHash<QUuid, qsizetype> byId_;
    QHash<QString, qsizetype> byUid_;
};

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

ImportResult importContacts(ContactsRead read, const QList<DirectoryEntry> &existing)
{
    ImportResult result;
    if (!read.ok) {
        result.error = read.error;
        return result;
    }
    result.ok = true;
    QHash<QString, qsizetype> before;
    before.reserve(existing.size());
    for (qsizetype i = existing.size() - 1; i >= 0; --i)
        before.insert(entryKey(existing[i]), i);
    IdentityLookup identities(existing);
    QSet<QString> uids;

    QList<ReadNote> notes = std::move(read.notes);
    for (const ReadNote &note : notes)
        result.skipped += note.skipped;
    result.entries.reserve(read.contacts.size());
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
        const bool uid = !contact.uid.isEmpty() && !uids.contains(contact.uid);
        if (uid) {
            uids.insert(contact.uid);
            const QUuid id = identifierOfText(contact.uid);
            takeUid(entry, contact.uid, id);
            if (const qsizetype row = identities.find(id, contact.uid); row >= 0) {
                entry.id = existing[row].id;
                if (entry == existing[row] && sameCard(entry.card, existing[row].card)) {
                    ++result.alreadyThere;
                } else {
                    result.updates.append({row, std::move(entry)});
                    ++result.updated;
                }
                continue;
            }
        }
        if (const auto same = before.constFind(entryKey(entry)); same != before.cend()) {
            if (uid && !existing[*same].card) {
                DirectoryEntry taken = existing[*same];
                if (!entry.id.isNull())
                    taken.id = entry.id;
                taken.card = entry.card;
                result.updates.append({*same, std::move(taken)});
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

ImportResult importContactsFile(const QString &path, const QList<DirectoryEntry> &existing)
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
