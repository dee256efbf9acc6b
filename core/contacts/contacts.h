#pragma once

#include "core/contacts/linekind.h"
#include "core/directory/directoryfile.h"
#include "core/files/fileio.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace core {

// Contact files in and out: the parts the vCard and CSV readers and writers
// share, and the import step that turns what a file holds into entries.

// A contact as a file gives it, before the import makes it an entry.
struct Contact
{
    int position = 0; // where the file holds it: card 3, record 4
    QString name;     // as the file gives it; empty when it gives none
    QString numbers;  // the number lines, joined by TAB, already storable (see NumberLines)
    bool bold = false;
    // Restored from the exact lines Quorvel wrote beside its typed values.
    bool exact = false;
    // The name of a nameless contact: its organisation, else its first e-mail
    // address, else its first number.
    QString nameFromDetails;
};

// Something the report says about a contact of the file.
struct ReadNote
{
    int position = 0;
    QString text;
    bool skipped = false; // the contact gave no entry
};

// What a reader found in a file.
struct ContactsRead
{
    bool ok = false;
    QString error; // why the file is refused, when !ok
    QString unit;  // what the file holds contacts in, for the report: "card", "record"
    QList<Contact> contacts;
    QList<ReadNote> notes; // each contact left out and each line changed to be storable
};

// Builds the number lines of one contact as the directory file can hold
// them: "|", TAB and line breaks (CR LF as one) in a line become a space,
// and each line so changed is noted. The text is reused from contact to
// contact.
class NumberLines
{
public:
    // Starts a line; its text is then appended to text().
    void begin();
    QString &text() { return text_; }
    // The position in text() where the line begun last starts.
    qsizetype lineStart() const { return start_; }
    // Ends the line begun last: an empty one is dropped when dropEmpty; any
    // other is made storable, and a change is noted for the contact at position.
    void end(QList<ReadNote> &notes, int position, bool dropEmpty = true);
    // The lines, joined by TAB; the builder is then empty.
    QString take();
    void clear();

private:
    QString text_;
    qsizetype count_ = 0;
    qsizetype start_ = 0;
};

// A checksum of a name and the typed values written for an entry (each with
// its kind), in order. A writer keeps it beside the entry's exact lines;
// a reader uses those lines only while the values it reads give the same sum.
class ContactChecksum
{
public:
    explicit ContactChecksum(QStringView name);
    void add(LineKind kind, QStringView value);
    std::array<char, 16> digits() const; // hexadecimal
    QString text() const;
    bool matches(QStringView written) const { return written == text(); }

private:
    std::uint64_t sum_ = 0;
};

// One number line of an entry as a writer sees it.
struct LineValue
{
    LineKind kind;     // Text for a line without a known keyword and a value
    QStringView value; // what its typed property (or NOTE, for Text) holds; empty when blank
    bool bold;         // the line begins with the bold marker
    bool rebuilt;      // reading the value back gives the line, after its marker, as it is
};

// The values of an entry's number lines, in order, into `values` (views into
// the entry): a line with a known keyword and a value gives that kind and
// value; any other line is Text with its whole text after the bold marker
// (empty when blank: such a line has no typed property). A value is rebuilt
// when its line is "keyword: value" with the keyword the import writes, or
// Text. Returns true when every line is rebuilt and none is bold or blank,
// the entry is not bold and has a name: the typed properties alone give the
// entry back.
bool lineValues(const DirectoryEntry &entry, std::vector<LineValue> &values);

// The name of a nameless contact from its typed values (each with `kind` and
// `value`): the first organisation, else the first e-mail address, else the
// first number.
template <typename Items> QString nameFromDetails(const Items &items)
{
    for (int pass = 0; pass < 3; ++pass) {
        for (const auto &item : items) {
            if ((pass == 0 && item.kind == LineKind::Organization) ||
                (pass == 1 && item.kind == LineKind::Email) ||
                (pass == 2 && isPhoneKind(item.kind)))
                return QString(item.value.constData(), item.value.size());
        }
    }
    return {};
}

// The name parts a formatted name gives: "Family, Given" or "Given ... Family".
struct NameParts
{
    QStringView family;
    QStringView given;
};
NameParts splitName(QStringView name);

// Decodes bytes in the named character set: UTF-8 (and no name) as the
// directory file is read (UTF-8 when valid, otherwise Windows-1252),
// ISO-8859-1, ASCII and Windows-1252 as Windows-1252, any other set Qt
// knows by its name.
QString decodeCharset(QByteArrayView bytes, QByteArrayView charset);

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

struct ImportResult
{
    bool ok = false;
    QString error;                 // why the file is refused (nothing to add), when !ok
    QList<DirectoryEntry> entries; // to append to the directory, in file order
    int added = 0;                 // entries.size()
    int alreadyThere = 0;          // equal to an entry the directory held before
    int skipped = 0;               // cards or records that gave no entry
    QStringList reasons;           // each skip and each value changed to be storable
};

// Makes entries of what a reader found. Names are made storable in the
// directory file as the readers make lines ("|", TAB and line breaks become a
// space, and a name that begins with "<b>" in any case, or a bold entry's
// "<b>" anywhere, becomes "(b)"), and each name so changed is reported. A nameless contact is named
// from its details, or from its first line. A contact equal to an entry of
// `existing` (same name, bold flag and lines) is not added again; equal
// contacts within the file all are. The reasons come in file order.
ImportResult importContacts(ContactsRead read, const QList<DirectoryEntry> &existing);

// Reads a contact file and imports it: by its name (see formatForFileName),
// or for any other name, as vCard when it holds "BEGIN:VCARD" and otherwise as
// CSV. A file that cannot be read is refused with the reason.
ImportResult importContactsFile(const QString &path, const QList<DirectoryEntry> &existing);

// "FILE: N added, M already there, K skipped"
QString importSummary(const QString &fileName, const ImportResult &result);

} // namespace core
